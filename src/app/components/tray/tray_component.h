// The tray icon as a component: while "TrayIcon" is on, an icon in the
// desktop's tray (StatusNotifierItem where the desktop has a watcher, the
// XEmbed tray otherwise, as Qt chooses) shows the kind and play state, steps
// through its group on the 700 ms duty while a song plays ("TrayIconDance"),
// carries the title as its tip, brings the main window back on a click and
// offers the play menu. A tray that goes and comes back gets the icon again.
#pragma once

#include <QPointer>
#include <memory>

#include "app/components/component.h"
#include "panels/tray_icon_model.h"

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace nuko::app {

class TrayComponent final : public Component {
public:
    explicit TrayComponent(QWidget* main_window);
    ~TrayComponent() override;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;
    void Shutdown() override;

    void OnStateChanged(playback::PlayState state, media::MediaKind kind) override;
    void OnKindChanged(media::MediaKind kind) override;
    void OnItemShown(int item) override;
    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnItemStopped() override;
    void OnListLoaded(int selected) override;
    void OnClockDuties(unsigned flags, int time_of_day) override;

    // The icon is on and a tray holds it: closing the main window then only
    // hides it.
    bool shown() const;
    bool HoldsProgramOnClose() const override { return shown(); }
    bool on() const { return on_; }
    const panels::TrayIconModel& model() const { return model_; }
    QSystemTrayIcon* icon() const { return icon_.get(); }
    // The context menu as the tray opens it (filled anew each time).
    QMenu* menu() const { return menu_.get(); }
    // A click on the icon.
    void Activate();

private:
    void SetOn(bool on);
    void Update();
    void FillMenu();

    QWidget* main_window_;
    panels::TrayIconModel model_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QMenu> menu_;
    PlayerCore* core_ = nullptr;
    CommandRouter* router_ = nullptr;
    bool on_ = false;
    std::string title_;  // of the item that plays
};

}  // namespace nuko::app
