#include "app/components/mini_window/mini_window_component.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "app/components/mini_window/mini_options_page.h"
#include "app/options/options_sheet.h"
#include "app/frame/play_menu.h"
#include "nuko/draw3d.h"
#include "panels/mini_window.h"
#include "panels/timer_set_dialog.h"
#include "core/timers.h"
#include "library/file_area_model.h"

#include <nu_32std.h>

namespace nuko::app {

using panels::MiniWindow;
using panels::MiniWindowModel;

namespace {

// The timer commands in the dialog's order (ON 1, OFF 1, ON 2, OFF 2).
constexpr int kTimerIds[] = {cmd::kOnTimer1, cmd::kOffTimer1, cmd::kOnTimer2, cmd::kOffTimer2};

const char* const kHelpText =
    "<  PLAY  >  ﾛ  Ⅱ : 前へ, 演奏, 次へ, 停止, 一時停止\n"
    "0-9, C : 曲番号を入力して移動 (T で取り消し)\n"
    "mi cd mo wa : ﾒﾃﾞｨｱの切り替え\n"
    "E : MINI画面を閉じる,  MINI : 小さな表示\n"
    "P/Enter 演奏, S/Space 停止, O/Esc 一時停止, ←/→ 前/次, Home 移動";

// The look of the window from its settings; nonsense numbers are brought
// into range.
panels::MiniLook LookOf(const settings::Settings& s) {
    const settings::MiniSection& m = s.mini;
    const settings::MiniPictureSection& pic = s.mini_picture;
    panels::MiniLook look;
    const int fields[5] = {m.scroll[0], m.scroll[1], m.scroll[2], m.scroll[3], m.scroll[4]};
    look.scroll = panels::ScrollParams::From(fields, m.scrl_time);
    look.font = QFont(draw::ResolveFamily(m.font.face, QStringLiteral("IPAMincho")));
    look.font.setPixelSize(m.font.height > 0 && m.font.height < 200 ? m.font.height : 13);
    look.font.setItalic((m.font.flag & 1) != 0);
    look.font.setBold((m.font.flag & 2) != 0);
    look.background = m.color.button_face ? settings::kButtonFaceColor : m.color.background;
    look.text = m.color.text;
    look.style = static_cast<draw::Style>(std::clamp(m.three_d_type, 0, 2));
    look.display = std::clamp(m.title, 0, 2);
    look.play_time_on_button = m.play_time != 0;
    look.on_top = m.window_top != 0;
    look.caption = m.caption != 0;
    look.behind_on_mouse = m.mouse_wnd_btm != 0;
    look.transparency = std::clamp(pic.transparence, 0, panels::kMostTransparent);
    look.picture_on = pic.type[0] != 0;
    look.picture = pic.midi;
    look.picture_mode = std::clamp(pic.type[1], 0, 2);
    look.picture_background =
        pic.color[0] ? settings::kButtonFaceColor : static_cast<std::uint32_t>(pic.color[1]) & 0xFFFFFFu;
    look.double_click_plays = m.double_click != 0;
    look.panel_on_mouse = pic.type[2] != 0;
    look.accel_shift = m.accel_shift != 0;
    return look;
}

}  // namespace

MiniWindowComponent::MiniWindowComponent(QWidget* main_window)
    : main_window_(main_window), model_([this](int code, int value) { PanelCommand(code, value); }) {}

MiniWindowComponent::~MiniWindowComponent() { delete menu_.data(); }

void MiniWindowComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    router_ = &router;
    settings_ = &core.settings();
    // A window of its own, not the main window's: it stays when the main
    // window is hidden in the tray.
    window_ = std::make_unique<MiniWindow>(model_);
    window_->on_action = [this](MiniWindow::Action action, QPoint at) {
        switch (action) {
            case MiniWindow::Action::PlayMenu: PlayMenu()->popup(at); return;
            case MiniWindow::Action::TimerSet: OpenTimerSet(); return;
            case MiniWindow::Action::MainWindow: ShowMainWindow(); return;
            case MiniWindow::Action::DisplayStep: {
                panels::MiniLook look = window_->look();
                look.display = (look.display + 1) % 3;
                window_->SetLook(look);
                return;
            }
            case MiniWindow::Action::Help:
                QMessageBox::information(window_.get(), QStringLiteral("- mini(ﾘﾓｺﾝ) -"), QString::fromUtf8(kHelpText));
                return;
            case MiniWindow::Action::Up: router_->Run(cmd::kMiniUp); return;
            case MiniWindow::Action::Down: router_->Run(cmd::kMiniDown); return;
            case MiniWindow::Action::PlayPause:
                router_->Run(core_->controller().item_active() ? cmd::kPause : cmd::kPlay);
                return;
        }
    };
    window_->on_seek = [this](int position) { core_->SeekTo(position); };
    core.Subscribe(*this);
    router.Register(cmd::kMiniWindow, {[this] { SetShown(!shown()); }, {}, [this] { return shown(); }});
    window_->on_closed = [this] { SetShown(false); };
}

void MiniWindowComponent::ApplySettings(const settings::Settings& s) {
    if (!window_) return;
    TakeLook(s);
    model_.SetCaptionFixed(s.mini.title_fix != 0);
    if (started_ && s.mini.def_position != placed_by_default_) Place(s);  // the options changed where it goes
    if (started_ && (s.main.mini != 0) != shown_) SetShown(s.main.mini != 0);  // shown or hidden from the options
    placed_by_default_ = s.mini.def_position;
    if (!started_) {
        started_ = true;
        model_.SetCompact(s.mini.compact != 0);
        Place(s);
        // Shown once the event loop runs, after the main window, so that it
        // comes up above it.
        if (s.main.MiniAtStart()) {
            shown_ = true;
            QTimer::singleShot(0, window_.get(), [this] {
                if (shown_) SetShown(true);
            });
        }
    }
    Refresh();
}

void MiniWindowComponent::TakeLook(const settings::Settings& s) { window_->SetLook(LookOf(s)); }

void MiniWindowComponent::Place(const settings::Settings& s) {
    QPoint at(s.mini.position[0], s.mini.position[1]);
    if (s.mini.def_position != 0) {
        // The default position: the top right corner of the desktop.
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            at = QPoint(area.right() - window_->sizeHint().width() - 10, area.top() + 10);
        }
    }
    // A stored place off the desktop is brought back onto it.
    const QSize size = window_->sizeHint();
    NuKoPoint pos{at.x(), at.y()};
    Nu_koCheckWindowPos(&pos, size.width(), size.height());
    // Client positions both ways, so that the frame does not move it a
    // little at every start.
    window_->setGeometry(QRect(QPoint(pos.x, pos.y), size));
}

void MiniWindowComponent::StoreSettings(settings::Settings& s) const {
    s.main.mini = shown() ? 1 : 0;
    if (window_ && window_->isVisible()) {
        const QPoint at = window_->geometry().topLeft();
        s.mini.position = settings::IntFields<2>{{at.x(), at.y()}};
    } else if (settings_ && &s != settings_) {
        s.mini.position = settings_->mini.position;
    }
    if (window_) s.mini.title = window_->look().display;
    s.mini.compact = model_.compact() ? 1 : 0;
}

void MiniWindowComponent::Shutdown() {
    if (window_) window_->hide();
}

bool MiniWindowComponent::shown() const { return shown_; }

void MiniWindowComponent::SetShown(bool on) {
    shown_ = on;
    if (!window_) return;
    if (on) {
        Refresh();
        window_->show();
        window_->raise();
    } else {
        if (window_->isVisible() && settings_) {
            const QPoint at = window_->geometry().topLeft();
            settings_->mini.position = settings::IntFields<2>{{at.x(), at.y()}};
        }
        window_->hide();
    }
    if (router_) router_->Refresh();
}

// --- what the core tells -------------------------------------------------------

void MiniWindowComponent::OnStateChanged(playback::PlayState state, media::MediaKind) {
    model_.SetState(static_cast<int>(state));
    Refresh();
}

void MiniWindowComponent::OnKindChanged(media::MediaKind kind) {
    model_.SetState(10 + media::Code(kind));
    Numbers();
}

void MiniWindowComponent::OnItemShown(int item) {
    if (model_.SetItemInfo(item, core_->ItemTitle(item)) && window_)
        window_->SetTitle(QString::fromStdString(model_.title()));
    Numbers();
}

void MiniWindowComponent::OnItemStarted(const playback::ItemDisplay& item) {
    length_ = item.length;
    seconds_ = item.seconds;
    model_.SetTimes(0, length_, seconds_);
    const std::string title = item.ShownTitle();
    if (model_.SetItemInfo(item.item, title) && window_) window_->SetTitle(QString::fromStdString(title));
    if (window_) {
        window_->SetRange(item.length);
        window_->SetPosition(0);
        window_->RestartTitle();
    }
    Numbers();
}

void MiniWindowComponent::OnItemStopped() {
    length_ = 0;
    model_.SetTimes(0, 0, true);
    if (window_) {
        window_->SetRange(0);
        window_->SetPlayTime({});
    }
    Refresh();
}

void MiniWindowComponent::OnPosition(std::uint16_t position) {
    model_.SetTimes(position, length_, seconds_);
    if (window_) {
        window_->SetPosition(position);
        window_->SetPlayTime(QString::fromStdString(model_.elapsed_text()));
    }
    Refresh();
}

void MiniWindowComponent::OnRowsAdded(int, int) { Numbers(); }

void MiniWindowComponent::OnListLoaded(int selected) {
    if (!core_->controller().item_active()) OnItemShown(selected);
    else Numbers();
}

void MiniWindowComponent::OnSleep(bool on, int seconds_left) {
    model_.SetSleep(on ? seconds_left : MiniWindowModel::kNoSleep);
    Refresh();
}

void MiniWindowComponent::Numbers() {
    model_.SetItemNumbers(core_->controller().current_item(), core_->files().rows());
    Refresh();
}

void MiniWindowComponent::Refresh() {
    if (window_) window_->Refresh();
}

// --- what the window asks of the main window --------------------------------------

void MiniWindowComponent::PanelCommand(int code, int value) {
    playback::PlayController& c = core_->controller();
    if (code >= 0 && code <= 9) {
        if (code == 1 && value > 0 && value <= core_->files().rows()) {
            // Play an item: nothing when it is the one playing, else it
            // starts from the beginning.
            if (c.item_active() && c.current_item() == value) return;
            router_->Run(cmd::kStop);
            core_->SelectRow(value);
            router_->Run(cmd::kPlay);
            return;
        }
        if (code <= static_cast<int>(playback::PlayCommand::Eject))
            router_->Run(cmd::PlayCommandId(static_cast<playback::PlayCommand>(code)));
        return;
    }
    if (code < 20) {
        const int kind = code - 10;
        if (kind < media::kKindCount && !c.item_active()) router_->Run(cmd::KindId(static_cast<media::MediaKind>(kind)));
        return;
    }
    if (code < 30) {
        // An item number out of the list goes nowhere.
        if (value >= 1 && value <= core_->files().rows()) core_->SelectRow(value);
        return;
    }
    if (code < 100) {
        SetShown(false);
        return;
    }
    settings_->main.compulsion = 1;
    router_->Run(cmd::kPanelSecondForcedExit);
}

void MiniWindowComponent::AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) {
    pages.push_back(std::make_unique<FormPage>(
        QStringLiteral("MINI"),
        [](const settings::Settings& s, QWidget* parent) { return new MiniOptionsPage(s, parent); },
        [](QWidget* form, settings::Settings& s) { static_cast<MiniOptionsPage*>(form)->Store(s); }));
}

void MiniWindowComponent::TakeOptions(const MiniOptionsPage& page) {
    const int def_position = settings_->mini.def_position;
    page.Store(*settings_);
    TakeLook(*settings_);
    if (settings_->mini.def_position != def_position) Place(*settings_);
    model_.SetCaptionFixed(settings_->mini.title_fix != 0);
    Refresh();
}

void MiniWindowComponent::ShowMainWindow() {
    if (!main_window_) return;
    if (main_window_->isHidden() || main_window_->isMinimized()) {
        main_window_->showNormal();
        main_window_->raise();
        main_window_->activateWindow();
    } else {
        main_window_->hide();
    }
}

QMenu* MiniWindowComponent::PlayMenu() {
    delete menu_.data();
    menu_ = new QMenu(window_.get());
    FillPlayMenu(*menu_, *router_);
    return menu_;
}

void MiniWindowComponent::ApplyTimerSwitches(bool sleep, const std::array<bool, 4>& clocks) {
    panels::TimerSwitches before;
    before.sleep = core_->sleep_timer().on();
    for (std::size_t i = 0; i < 4; ++i) before.clocks[i] = router_->IsChecked(kTimerIds[i]);
    const panels::TimerSwitches after{sleep, clocks};
    for (int changed : panels::ChangedSwitches(before, after)) {
        if (changed == 0) router_->Run(sleep ? cmd::kSleepOn : cmd::kSleepOff);
        else router_->Run(kTimerIds[changed - 1]);
    }
}

void MiniWindowComponent::OpenTimerSet() {
    panels::TimerSwitches now;
    now.sleep = core_->sleep_timer().on();
    std::array<QString, 5> texts;
    texts[0] = QString::fromStdString(router_->Text(cmd::kSleepOn));
    for (std::size_t i = 0; i < 4; ++i) {
        now.clocks[i] = router_->IsChecked(kTimerIds[i]);
        texts[i + 1] = QString::fromStdString(router_->Text(kTimerIds[i]));
    }
    panels::TimerSetDialog dialog(now, texts, window_.get());
    if (dialog.exec() != QDialog::Accepted) return;
    const panels::TimerSwitches after = dialog.switches();
    ApplyTimerSwitches(after.sleep, after.clocks);
}

}  // namespace nuko::app
