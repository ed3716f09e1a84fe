// The player's main window. CContFrame lays out the components (time
// display, buttons, title, file area, status line); CMainFrame adds the menu,
// routes commands between the menu, the components and the core, and keeps
// the window's own duties: caption, status line, dropped files and the exit
// path.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <QUrl>
#include <map>
#include <memory>
#include <vector>

#include "app/options/options_component.h"
#include "core/player_core.h"

class QAction;
class QLabel;
class QMenu;

namespace nuko::app {

class ButtonPanelComponent;
class CatalogToolsComponent;
class CdPanelComponent;
class CommandRouter;
class Component;
class FileAreaComponent;
class HotkeysComponent;
class MidiWordComponent;
class MiniWindowComponent;
class MouseHookNotices;
class MprisComponent;
class SessionControl;
class TimeDisplayComponent;
class TrayComponent;
class VolumePanelComponent;

class CContFrame : public QMainWindow {
public:
    explicit CContFrame(QWidget* parent = nullptr);
    ~CContFrame() override;

    // What the components show, for tests and for other components.
    const TimeDisplayComponent& time_display() const { return *time_; }
    const ButtonPanelComponent& buttons() const { return *buttons_; }
    const FileAreaComponent& file_area() const { return *files_; }
    CdPanelComponent& cd_panel() const { return *cd_; }
    VolumePanelComponent& volume() const { return *volume_; }
    MidiWordComponent& midi_word() const { return *word_; }
    MiniWindowComponent& mini() const { return *mini_; }
    TrayComponent& tray() const { return *tray_; }

protected:
    // Each component in layout order.
    std::vector<Component*> components() const;

    std::unique_ptr<TimeDisplayComponent> time_;
    std::unique_ptr<VolumePanelComponent> volume_;
    std::unique_ptr<ButtonPanelComponent> buttons_;
    QLabel* title_ = nullptr;
    std::unique_ptr<FileAreaComponent> files_;
    // Shown instead of the file area while the CD kind is current.
    std::unique_ptr<CdPanelComponent> cd_;
    // A window of its own, owned by this one.
    std::unique_ptr<MidiWordComponent> word_;
    // The global hot keys.
    std::unique_ptr<HotkeysComponent> hotkeys_;
    // The mini window (a window of its own) and the tray icon.
    std::unique_ptr<MiniWindowComponent> mini_;
    std::unique_ptr<TrayComponent> tray_;
    // The catalog editor and related file execution.
    std::unique_ptr<CatalogToolsComponent> catalog_tools_;
    // The desktop's media controls on the session bus.
    std::unique_ptr<MprisComponent> mpris_;
};

class CMainFrame final : public CContFrame, private CoreListener, private OptionsHost {
    Q_OBJECT
public:
    // The core and the router outlive the frame; `session` may be null.
    CMainFrame(PlayerCore& core, CommandRouter& router, SessionControl* session);
    ~CMainFrame() override;

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
    std::unique_ptr<QObject> tooltip_filter_;
    // A right click in a movie, told by the mouse hook.
    std::unique_ptr<MouseHookNotices> hook_notices_;
    std::unique_ptr<OptionsComponent> options_;
};

}  // namespace nuko::app
