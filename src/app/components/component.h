// A part of the player's window (a panel, a window of its own, the tray, the
// hot keys): a model plus a thin widget. It attaches to the core, whose
// events it follows as a CoreListener, and to the command router, through
// which it runs commands and where it registers its own. The frame makes
// every component in one place (components.cpp), lays their panels out,
// hands them the settings, and offers them what only it has (FrameHost).
#pragma once

#include <memory>
#include <vector>

#include "core/core_listener.h"
#include "settings/settings.h"

class QMainWindow;
class QPoint;
class QWidget;

namespace nuko::app {

class CommandRouter;
class OptionsPage;
class PlayerCore;

class Component : public CoreListener {
public:
    virtual void Attach(PlayerCore& core, CommandRouter& router) = 0;
    virtual void ApplySettings(const settings::Settings& s) { (void)s; }
    virtual void StoreSettings(settings::Settings& s) const { (void)s; }
    // The program ends: last duties (after the settings were stored).
    virtual void Shutdown() {}
    // Pages of its own for the options sheet.
    virtual void AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) { (void)pages; }
    // While true, closing the main window only hides it: the component
    // keeps the program within reach (the tray icon).
    virtual bool HoldsProgramOnClose() const { return false; }
};

// What the main window offers the components it makes.
class FrameHost {
public:
    // Where a panel goes in the main window, top to bottom.
    enum class Place {
        Display,      // the top row, taking the width that is left
        DisplaySide,  // the top row's right end, at its foot
        Bar,          // a row of its own above the title line
        List,         // below the title line, taking the height that is left
    };

    virtual ~FrameHost() = default;
    // The parent of the panels.
    virtual QWidget* panel_parent() = 0;
    virtual void AddPanel(QWidget* panel, Place place) = 0;
    // The main window: the owner of the components' dialogs and windows.
    virtual QMainWindow* main_window() = 0;
    // The list menu (the file area's and the CD panel's pop-up menu) at a
    // point of the screen.
    virtual void ShowListMenu(const QPoint& at) = 0;
};

}  // namespace nuko::app
