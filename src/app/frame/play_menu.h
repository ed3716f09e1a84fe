// The play menu as the tray and the mini window show it: the play commands,
// the play modes and the A-B section, each entry running its command through
// the router, greyed and checked as the router says.
#pragma once

class QMenu;

namespace nuko::app {

class CommandRouter;

// Adds the entries to `menu` (after what it holds).
void FillPlayMenu(QMenu& menu, CommandRouter& router);

}  // namespace nuko::app
