// A part of the player's window (a panel, a window of its own, the tray, the
// hot keys): a model plus a thin widget. It attaches to the core, whose
// events it follows as a CoreListener, and to the command router, through
// which it runs commands and where it registers its own. The frame only
// lays components out and hands them the settings.
#pragma once

#include <memory>
#include <vector>

#include "core/player_core.h"

namespace nuko::app {

class CommandRouter;
class OptionsPage;

class Component : public CoreListener {
public:
    virtual void Attach(PlayerCore& core, CommandRouter& router) = 0;
    virtual void ApplySettings(const settings::Settings& s) { (void)s; }
    virtual void StoreSettings(settings::Settings& s) const { (void)s; }
    // The program ends: last duties (after the settings were stored).
    virtual void Shutdown() {}
    // Pages of its own for the options sheet.
    virtual void AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) { (void)pages; }
};

}  // namespace nuko::app
