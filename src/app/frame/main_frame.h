// The player's main window. CContFrame lays out the components that
// MakeComponents made (the panels in their places, the title line, the status
// line); CMainFrame adds the menu, routes commands between the menu, the
// components and the core, and keeps the window's own duties: caption,
// title line, status line, dropped files and the exit path.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <QUrl>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/components/component.h"
#include "app/options/options_component.h"
#include "core/player_core.h"

class QAction;
class QBoxLayout;
class QLabel;
class QMenu;

namespace nuko::app {

class CommandRouter;
class MouseHookNotices;
class SessionControl;

class CContFrame : public QMainWindow, protected FrameHost {
public:
    // The window alone; MakePanels() adds what is in it.
    explicit CContFrame(QWidget* parent = nullptr);
    ~CContFrame() override;

    // A component by its type (for tests); the first of that type.
    template <typename T>
    T& component() const {
        for (const auto& c : components_)
            if (auto* found = dynamic_cast<T*>(c.get())) return *found;
        throw std::logic_error("no such component");
    }
    // Closing the window only hides it: a component keeps the program
    // within reach (the tray icon).
    bool HoldsProgramOnClose() const;

protected:
    // FrameHost.
    QWidget* panel_parent() override { return centralWidget(); }
    void AddPanel(QWidget* panel, Place place) override;
    QMainWindow* main_window() override { return this; }

    // Each component in layout order.
    std::vector<Component*> components() const;
    // The components, their panels in their places, the title line and the
    // status line.
    void MakePanels();

    QLabel* title_ = nullptr;

private:
    QBoxLayout* top_ = nullptr;
    QBoxLayout* bar_ = nullptr;
    QBoxLayout* list_ = nullptr;
    std::vector<std::unique_ptr<Component>> components_;
};

class CMainFrame final : public CContFrame, private CoreListener, private OptionsHost {
    Q_OBJECT
public:
    // Later: only the window, so that the start can show it before its
    // panels and fonts are made; MakeContents() makes them.
    enum class Contents { Now, Later };
    // The core and the router outlive the frame; `session` may be null.
    CMainFrame(PlayerCore& core, CommandRouter& router, SessionControl* session, Contents contents = Contents::Now);
    ~CMainFrame() override;

    // The panels, the menu, the settings applied and the core started; once.
    void MakeContents();

    // Opens a path given from outside.
    OpenResult OpenPath(const std::string& path, bool in_place = false) { return core_.OpenPath(path, in_place); }
    // Starts playing once the event loop comes back.
    void PostPlay() { core_.PostPlay(); }
    // Files dropped on the window: the first one is opened and played.
    void OpenDropped(const QList<QUrl>& urls);
    // Runs a command of the menu, the keys or a component when it applies.
    void RunCommand(int id);

    // Passes the tool-tip setting to every panel (off: no tool tips at all).
    void ApplyTooltips();
    // Stores the window and list state into the settings and writes them.
    std::error_code WriteSettings();
    // The shutdown steps of the exit path (without the question).
    void Shutdown();

    PlayerCore& core() { return core_; }
    QAction* action(int id) const;
    QMenu* ListMenu();
    bool shutdown_requested() const { return shutdown_requested_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // CoreListener: the caption, the title line, the status line.
    void OnStateChanged(playback::PlayState state, media::MediaKind kind) override;
    void OnItemShown(int item) override;
    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnItemStopped() override;
    void OnStatus(std::string_view text) override;
    void OnKindChanged(media::MediaKind kind) override;
    void OnRowsAdded(int first, int count) override;
    void OnListLoaded(int selected) override;
    void OnTimersChanged() override;
    void OnSessionEndRequested(int mode) override;

    // FrameHost: the file area's and the CD panel's pop-up menu.
    void ShowListMenu(const QPoint& at) override;

    // OptionsHost: the options sheet's settings, applied in one step.
    settings::Settings CurrentSettings() override;
    bool ApplyOptions(const settings::Settings& s) override;
    void AddComponentPages(std::vector<std::unique_ptr<OptionsPage>>& pages) override;

    void BuildMenu();
    void RegisterCommands();
    void ApplySettings();
    // Enabled, checked and text of every menu entry, from the router.
    void RefreshActions();
    void OpenFileDialog();

    PlayerCore& core_;
    CommandRouter& router_;
    SessionControl* session_;
    settings::Settings& s_;
    QTimer timer_;
    std::map<int, QAction*> actions_;
    QMenu* play_menu_ = nullptr;
    QMenu* list_menu_ = nullptr;
    bool forced_exit_ = false;
    bool list_progress_shown_ = false;  // the status line counts the rows of a list being read
    bool second_forced_exit_ = false;
    bool shutdown_requested_ = false;
    bool shut_down_ = false;
    bool made_ = false;  // MakeContents() ran
    std::unique_ptr<QObject> tooltip_filter_;
    // A right click in a movie, told by the mouse hook.
    std::unique_ptr<MouseHookNotices> hook_notices_;
    std::unique_ptr<OptionsComponent> options_;
};

}  // namespace nuko::app
