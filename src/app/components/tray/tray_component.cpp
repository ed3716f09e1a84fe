#include "app/components/tray/tray_component.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "app/frame/play_menu.h"
#include "app/product.h"
#include "nuko/strings.h"
#include "panels/tray_icons.h"

namespace nuko::app {

TrayComponent::TrayComponent(QWidget* main_window) : main_window_(main_window) {}

TrayComponent::~TrayComponent() = default;

void TrayComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    router_ = &router;
    core.Subscribe(*this);
}

void TrayComponent::ApplySettings(const settings::Settings& s) {
    model_.SetDance(s.main.tray_icon_dance != 0);
    SetOn(s.main.tray_icon != 0);
}

void TrayComponent::StoreSettings(settings::Settings& s) const { s.main.tray_icon = on_ ? 1 : 0; }

void TrayComponent::Shutdown() { SetOn(false); }

bool TrayComponent::shown() const {
    return icon_ && icon_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayComponent::SetOn(bool on) {
    on_ = on;
    if (!on) {
        if (icon_) icon_->hide();
        model_.Remove();
        return;
    }
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>();
        menu_ = std::make_unique<QMenu>();
        QObject::connect(menu_.get(), &QMenu::aboutToShow, menu_.get(), [this] { FillMenu(); });
        FillMenu();
        icon_->setContextMenu(menu_.get());
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) Activate();
                         });
    }
    if (!model_.added()) {
        const int icon = model_.Current();
        model_.Add(icon, title_.empty() ? kProductTitle : title_);
        icon_->setIcon(panels::TrayIconImage(icon));
        icon_->setToolTip(QString::fromStdString(model_.tip()));
    }
    // Qt docks the icon again when the tray comes back after a restart.
    icon_->show();
}

void TrayComponent::Update() {
    if (!on_ || !icon_) return;
    const panels::TrayIconModel::Send send = model_.Modify(model_.Current(), title_.empty() ? kProductTitle : title_);
    if (send.icon) icon_->setIcon(panels::TrayIconImage(model_.icon()));
    if (send.tip) icon_->setToolTip(QString::fromStdString(model_.tip()));
}

void TrayComponent::FillMenu() {
    menu_->clear();
    FillPlayMenu(*menu_, *router_);
    menu_->addSeparator();
    for (int id : {cmd::kMiniWindow, cmd::kPanelForcedExit}) {
        // The exit entry ends the program even though the tray keeps it.
        const QString text = QString::fromStdString(router_->Text(id == cmd::kPanelForcedExit ? cmd::kExit : id));
        QAction* a = menu_->addAction(text.section(QLatin1Char('\t'), 0, 0));
        a->setEnabled(router_->IsEnabled(id));
        if (router_->IsCheckable(id)) {
            a->setCheckable(true);
            a->setChecked(router_->IsChecked(id));
        }
        QObject::connect(a, &QAction::triggered, menu_.get(), [this, id] { router_->Run(id); });
    }
}

void TrayComponent::Activate() {
    if (!main_window_) return;
    main_window_->showNormal();
    main_window_->raise();
    main_window_->activateWindow();
}

void TrayComponent::OnStateChanged(playback::PlayState state, media::MediaKind kind) {
    const playback::PlayController& c = core_->controller();
    model_.SetPlay(static_cast<int>(state), media::Code(kind), c.current_item() != 0);
    Update();
}

void TrayComponent::OnKindChanged(media::MediaKind kind) {
    const playback::PlayController& c = core_->controller();
    model_.SetPlay(static_cast<int>(c.state()), media::Code(kind), c.current_item() != 0);
    Update();
}

void TrayComponent::OnItemShown(int) { OnKindChanged(core_->kind()); }

void TrayComponent::OnListLoaded(int) { OnKindChanged(core_->kind()); }

void TrayComponent::OnItemStarted(const playback::ItemDisplay& item) {
    title_ = item.title;
    OnKindChanged(core_->kind());
}

void TrayComponent::OnItemStopped() {
    title_.clear();
    OnKindChanged(core_->kind());
}

void TrayComponent::OnClockDuties(unsigned flags, int) {
    if ((flags & playback::kEvery700) && model_.Step()) Update();
}

}  // namespace nuko::app
