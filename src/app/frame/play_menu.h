// The play menu: the play commands, the play modes and the A-B section, in
// one table that the main menu, the list menu, the tray and the mini window
// show. Each entry runs its command through the router, greyed and checked
// as the router says.
#pragma once

#include <vector>

class QMenu;

namespace nuko::app {

class CommandRouter;

// The entries' command ids, group by group (a separator between groups).
const std::vector<std::vector<int>>& PlayMenuGroups();

// Adds the entries to `menu` (after what it holds).
void FillPlayMenu(QMenu& menu, CommandRouter& router);

}  // namespace nuko::app
