// The mini window as a component: the core's events become the messages its
// model knows (play state or kind, times, item numbers, item text, sleep
// time), and the codes the model sends back are carried out here as the
// main window's panel commands (play, kind, go to an item, hide, forced
// exit). The small buttons reach the main window (shown or hidden), the play
// menu and the timer set dialog; the MINI options set its look.
#pragma once

#include <QPointer>
#include <memory>

#include "app/components/component.h"
#include "panels/mini_window_model.h"

class QMenu;
class QWidget;

namespace nuko::panels {
class MiniWindow;
struct MiniLook;
}

namespace nuko::app {

class MiniOptionsPage;

class MiniWindowComponent final : public Component {
public:
    // `main_window` is shown and hidden by the window's main window button.
    explicit MiniWindowComponent(QWidget* main_window);
    ~MiniWindowComponent() override;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;
    void Shutdown() override;

    void OnStateChanged(playback::PlayState state, media::MediaKind kind) override;
    void OnKindChanged(media::MediaKind kind) override;
    void OnItemShown(int item) override;
    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnItemStopped() override;
    void OnPosition(std::uint16_t position) override;
    void OnRowsAdded(int first, int count) override;
    void OnListLoaded(int selected) override;
    void OnSleep(bool on, int seconds_left) override;

    // The main window's handling of a panel command (a code and a value).
    void PanelCommand(int code, int value);
    void SetShown(bool shown);
    bool shown() const;

    // After Attach.
    const panels::MiniWindowModel& model() const { return model_; }
    panels::MiniWindow* window() const { return window_.get(); }
    // The timer set dialog's answer (tests run it without the dialog).
    void ApplyTimerSwitches(bool sleep, const std::array<bool, 4>& clocks);
    void OpenTimerSet();
    // The MINI page of the options sheet, and taking a page's values at once.
    void AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) override;
    void TakeOptions(const MiniOptionsPage& page);
    // The play menu as button 2126 opens it.
    QMenu* PlayMenu();

private:
    void Refresh();
    void Numbers();
    void ShowMainWindow();
    void TakeLook(const settings::Settings& s);
    // Where the window stands: the stored place or the default one.
    void Place(const settings::Settings& s);

    QWidget* main_window_;
    panels::MiniWindowModel model_;
    std::unique_ptr<panels::MiniWindow> window_;
    QPointer<QMenu> menu_;
    PlayerCore* core_ = nullptr;
    CommandRouter* router_ = nullptr;
    settings::Settings* settings_ = nullptr;
    bool started_ = false;
    int placed_by_default_ = 0;  // Mini/DefPosition when it was last placed
    bool shown_ = false;
    std::uint16_t length_ = 0;
    bool seconds_ = true;
};

}  // namespace nuko::app
