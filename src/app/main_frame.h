// The player's main window. CContFrame lays out the panels (time display,
// buttons, title, file area, status line); CMainFrame adds the menu and its
// command routing, the play controller, media-kind switching, the sleep and
// clock timers, dropped files and the exit path.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <QUrl>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "playback/backend_factory.h"
#include "library/file_area_widget.h"
#include "playback/file_play_list.h"
#include "frame_timers.h"
#include "playback/media_device.h"
#include "nuko/clock.h"
#include "nuko/qt_dispatch.h"
#include "playback/play_controller.h"
#include "settings_store.h"

class QAction;
class QLabel;
class QMenu;

namespace nuko::panels {
class TimePanel;
}

namespace nuko::app {

class ButtonPanel;
class SessionControl;

class CContFrame : public QMainWindow {
public:
    explicit CContFrame(QWidget* parent = nullptr);

    panels::TimePanel* time_panel() const { return time_; }
    ButtonPanel* button_panel() const { return buttons_; }
    media::FileAreaWidget* file_area() const { return files_; }
    QLabel* title_label() const { return title_; }

protected:
    panels::TimePanel* time_ = nullptr;
    ButtonPanel* buttons_ = nullptr;
    QLabel* title_ = nullptr;
    media::FileAreaWidget* files_ = nullptr;
};

// What the main frame is given by the application object.
struct FrameContext {
    settings::Settings* settings = nullptr;
    settings::SettingsStore* store = nullptr;
    std::string work_folder;
    std::string program_folder;
    SessionControl* session = nullptr;
    // Seconds of the local day (tests fix it).
    std::function<int()> time_of_day;
    // Back ends: real ones unless a test gives its own.
    playback::BackendFactory* backends = nullptr;
};

class CMainFrame final : public CContFrame, public playback::ControllerHost {
    Q_OBJECT
public:
    explicit CMainFrame(FrameContext context);
    ~CMainFrame() override;

    // Opens a path given from outside: -1 nothing usable, 0 a CD drive or
    // track chosen, 1 a list loaded with items.
    int OpenPath(const std::string& path, bool startup);
    // Starts playing once the event loop comes back.
    void PostPlay();
    // Files dropped on the window: the first one is opened and played.
    void OpenDropped(const QList<QUrl>& urls);
    // The single command dispatcher of menus, buttons and panels.
    void RunCommand(int id);
    // Menu entries that apply now are enabled, the others greyed.
    bool IsCommandEnabled(int id) const;

    // Switches the media kind: the old kind's state is kept, the new one's
    // restored, and the list loaded again.
    void SwitchKind(int kind, bool save_old, bool reload);
    void ReloadList() override;

    // Passes the tool-tip setting to every panel (off: no tool tips at all).
    void ApplyTooltips();

    // Stores the window and list state into the settings and writes them.
    std::error_code WriteSettings();
    // The shutdown steps of the exit path (without the question).
    void Shutdown();

    int kind() const { return kind_; }
    playback::PlayController& controller() { return *controller_; }
    playback::MediaDevice& device() { return *device_; }
    QAction* action(int id) const;
    QMenu* ListMenu();
    const SleepTimer& sleep_timer() const { return sleep_; }
    const ClockTimers& clock_timers() const { return clocks_; }
    bool shutdown_requested() const { return shutdown_requested_; }

    // ControllerHost
    void OnStateChanged(playback::PlayState state, media::MediaKind kind) override;
    void OnListEmpty(media::MediaKind kind) override;
    void OnItemShown(int item) override;
    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnItemStopped() override;
    void OnPosition(std::uint16_t position) override;
    void OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) override;
    void OnAbWait(bool on, int seconds_left) override;
    void OnClockDuties(unsigned flags) override;
    void OnStatus(std::string_view text) override;
    void* OwnerWindow() override { return this; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct KindState {
        playback::PlayMode mode;
        media::FileTypeFlags sub_code = 0;
        int item = 0;
        std::string path;
        bool sub_folder = false;
    };

    void BuildMenu();
    void ApplySettings();
    void UpdateMenuTexts();
    void UpdateChecks();
    void SetSleepLength(int seconds);
    void SleepOn();
    void SleepOff();
    void OnHalfSecond();
    void OnTwoSeconds();
    void FireOnTimer();
    void UpdateTimeRecord(unsigned mask);
    std::string ItemTitle(int item) const;
    void RowSelected(int row);
    void ShowTitle(int item);
    void StartExternal(const std::vector<std::string>& argv, int failure_string);

    FrameContext ctx_;
    settings::Settings& s_;
    QtDispatcher dispatcher_;
    SteadyClock clock_;
    std::unique_ptr<playback::BackendFactory> own_backends_;
    std::unique_ptr<playback::MediaDevice> device_;
    std::unique_ptr<playback::FilePlayList> list_;
    std::unique_ptr<playback::PlayController> controller_;
    QTimer timer_;
    std::map<int, QAction*> actions_;
    QMenu* play_menu_ = nullptr;
    QMenu* list_menu_ = nullptr;

    int kind_ = 0;
    std::array<KindState, 4> kinds_{};
    std::array<std::uint16_t, 6> record_{0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    bool colon_on_ = true;
    SleepTimer sleep_;
    ClockTimers clocks_;
    bool forced_exit_ = false;
    bool second_forced_exit_ = false;
    bool shutdown_requested_ = false;
    bool shut_down_ = false;
    std::unique_ptr<QObject> tooltip_filter_;
};

}  // namespace nuko::app
