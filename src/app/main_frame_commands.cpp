// The main frame's menu, its command routing and the timers.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <cstdio>

#include "button_panel_widget.h"
#include "command_ids.h"
#include "main_frame.h"
#include "nuko/prompt.h"
#include "nuko/strings.h"
#include "nuko/run_program.h"
#include "session_control.h"
#include "panels/time_panel_widget.h"

namespace nuko::app {

using media::MediaKind;
using playback::PlayCommand;

namespace {

QString Str(int id) { return QString::fromStdString(std::string(LoadString(id))); }

// Commands whose dialogs or panels come with later work: shown, greyed.
bool IsLater(int id) {
    switch (id) {
        case cmd::kRelatedFiles:
        case cmd::kCatalogMidi:
        case cmd::kCatalogMovie:
        case cmd::kCatalogSound:
        case cmd::kMiniWindow:
        case cmd::kOptions:
        case cmd::kHotkeys:
        case cmd::kKindMidi + 1:  // audio CD: the CD panel
        case cmd::kWordFiles:
            return true;
        default:
            return false;
    }
}

constexpr int kSleepLengths[] = {5400, 3600, 2700, 1800, 900, 600};

// "description|patterns|description|patterns||" as a Qt file dialog filter.
QString QtFilter(const std::string& windows_filter) {
    const QStringList parts = QString::fromStdString(windows_filter).split('|');
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        entries << parts[i] + QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    return entries.join(QStringLiteral(";;"));
}

}  // namespace

QAction* CMainFrame::action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenu() {
    auto add = [this](QMenu* menu, int id, bool checkable = false) {
        QAction* a = menu->addAction(Str(id));
        a->setCheckable(checkable);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions_[id] = a;
        return a;
    };
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    add(file, cmd::kOpenFile)->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    add(file, cmd::kRelatedFiles);
    file->addSeparator();
    add(file, cmd::kCatalogMidi);
    add(file, cmd::kCatalogMovie);
    add(file, cmd::kCatalogSound);
    file->addSeparator();
    add(file, cmd::kMiniWindow);
    add(file, cmd::kCdBackupTool);
    add(file, cmd::kMultimedia);
    file->addSeparator();
    add(file, cmd::kExit);

    play_menu_ = bar->addMenu(Str(1024));
    for (int code : {0, 1, 2, 4, 3, 5}) add(play_menu_, cmd::PlayCommandId(code));
    play_menu_->addSeparator();
    for (int id : {cmd::kModeSelected, cmd::kModeSequential, cmd::kModeLoop, cmd::kModeRepeat}) add(play_menu_, id, true);
    add(play_menu_, cmd::kRandom, true);
    add(play_menu_, cmd::kIntro, true);
    play_menu_->addSeparator();
    add(play_menu_, cmd::kSetA);
    add(play_menu_, cmd::kSetB);
    add(play_menu_, cmd::kClearAB);

    QMenu* media = bar->addMenu(QStringLiteral("ﾒﾃﾞｨｱ(&M)"));
    const char* kind_keys[] = {"Ctrl+M", "Ctrl+C", "Ctrl+A", "Ctrl+W"};
    for (int k = 0; k < 4; ++k) add(media, cmd::kKindMidi + k, true)->setShortcut(QKeySequence(QString::fromUtf8(kind_keys[k])));

    QMenu* timer = bar->addMenu(QStringLiteral("ﾀｲﾏｰ(&T)"));
    for (int id = cmd::kSleep90; id <= cmd::kSleep10; ++id) add(timer, id);
    timer->addSeparator();
    add(timer, cmd::kSleepOn);
    add(timer, cmd::kSleepOff);
    timer->addSeparator();
    for (int id : {cmd::kOnTimer1, cmd::kOffTimer1, cmd::kOnTimer2, cmd::kOffTimer2}) add(timer, id, true);

    QMenu* view = bar->addMenu(QStringLiteral("表示(&V)"));
    add(view, cmd::kZero, true);
    view->addSeparator();
    add(view, cmd::kDigitDot, true);
    add(view, cmd::kDigitDigital, true);
    add(view, cmd::kDigitCharacter, true);
    view->addSeparator();
    for (int id : {cmd::kDowntime, cmd::kSort, cmd::kWordFiles, cmd::kSpaceCut}) add(view, id, true);
    view->addSeparator();
    add(view, cmd::kMinimumSize);
    add(view, cmd::kDefaultSize);
    add(view, cmd::kSizeFrame, true);

    QMenu* options = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    add(options, cmd::kOptions);
    add(options, cmd::kHotkeys);

    QMenu* help = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    add(help, cmd::kAbout);

    // The play keys of the main window.
    struct Key {
        int id;
        Qt::Key key;
    };
    for (Key k : {Key{cmd::kPrevious, Qt::Key_Left}, Key{cmd::kNext, Qt::Key_Right}, Key{cmd::kStop, Qt::Key_Space},
                  Key{cmd::kPause, Qt::Key_Escape}}) {
        auto* a = new QAction(this);
        a->setShortcut(QKeySequence(k.key));
        connect(a, &QAction::triggered, this, [this, id = k.id] { RunCommand(id); });
        addAction(a);
    }
    for (auto& [id, a] : actions_) a->setEnabled(!IsLater(id));
}

QMenu* CMainFrame::ListMenu() {
    delete list_menu_;
    list_menu_ = new QMenu(this);
    QAction* back = list_menu_->addAction(Str(controller_->item_active() ? 1041 : 1040));
    connect(back, &QAction::triggered, this, [this] { RunCommand(cmd::kPanelBackToItem); });
    list_menu_->addSeparator();
    list_menu_->addMenu(play_menu_);
    if (kind_ != media::Code(MediaKind::Cd)) {
        list_menu_->addAction(action(cmd::kRelatedFiles));
        if (files_->model().catalog_mode()) {
            int editor = kind_ == 0 ? cmd::kCatalogMidi : kind_ == 2 ? cmd::kCatalogMovie : cmd::kCatalogSound;
            list_menu_->addAction(action(editor));
            list_menu_->addSeparator();
        }
        list_menu_->addAction(action(cmd::kSort));
    }
    return list_menu_;
}

bool CMainFrame::IsCommandEnabled(int id) const {
    if (IsLater(id)) return false;
    if (id >= cmd::kPrevious && id <= cmd::kEject) {
        static constexpr PlayCommand kByOffset[] = {PlayCommand::Previous, PlayCommand::Play, PlayCommand::Next,
                                                    PlayCommand::Pause, PlayCommand::Stop, PlayCommand::Eject};
        return controller_->CanRun(kByOffset[id - cmd::kPrevious]);
    }
    return true;
}

void CMainFrame::RunCommand(int id) {
    if (!IsCommandEnabled(id)) return;
    auto& mode_state = kinds_[static_cast<std::size_t>(kind_)];
    switch (id) {
        case cmd::kPrevious: controller_->MenuCommand(PlayCommand::Previous); break;
        case cmd::kPlay: controller_->MenuCommand(PlayCommand::Play); break;
        case cmd::kNext: controller_->MenuCommand(PlayCommand::Next); break;
        case cmd::kStop: controller_->MenuCommand(PlayCommand::Stop); break;
        case cmd::kPause: controller_->MenuCommand(PlayCommand::Pause); break;
        case cmd::kEject: controller_->MenuCommand(PlayCommand::Eject); break;
        case cmd::kModeSelected: controller_->ChooseMode(0); break;
        case cmd::kModeSequential: controller_->ChooseMode(1); break;
        case cmd::kModeLoop: controller_->ChooseMode(2); break;
        case cmd::kModeRepeat: controller_->ChooseMode(3); break;
        case cmd::kRandom: controller_->ToggleRandom(); break;
        case cmd::kIntro: controller_->ToggleIntro(); break;
        case cmd::kSetA: controller_->SetPointA(); break;
        case cmd::kSetB: controller_->SetPointB(); break;
        case cmd::kClearAB: controller_->ClearSection(); break;
        case cmd::kSleepOn: SleepOn(); break;
        case cmd::kSleepOff: SleepOff(); break;
        case cmd::kOnTimer1: clocks_.Toggle(ClockTimers::kOn1); break;
        case cmd::kOffTimer1: clocks_.Toggle(ClockTimers::kOff1); break;
        case cmd::kOnTimer2: clocks_.Toggle(ClockTimers::kOn2); break;
        case cmd::kOffTimer2: clocks_.Toggle(ClockTimers::kOff2); break;
        case cmd::kZero:
            s_.main.zero = !s_.main.zero;
            time_->SetZeroShow(s_.main.zero != 0);
            break;
        case cmd::kDigitDot:
        case cmd::kDigitDigital:
        case cmd::kDigitCharacter:
            s_.main.dig_type = id == cmd::kDigitDot ? 0 : id == cmd::kDigitDigital ? 1 : 2;
            time_->SetDigitStyle(s_.main.dig_type);
            break;
        case cmd::kPanelDigitCycle:
            s_.main.dig_type = (s_.main.dig_type + 1) % 3;
            time_->SetDigitStyle(s_.main.dig_type);
            break;
        case cmd::kDowntime:
            s_.main.downtime = !s_.main.downtime;
            time_->SetDowntime(s_.main.downtime != 0);
            break;
        case cmd::kSort:
            s_.main.sort = !s_.main.sort;
            if (s_.main.sort && !files_->model().catalog_mode()) {
                int row = files_->model().SortByName(files_->SelectedRow() - 1);
                files_->Refill();
                list_->Reloaded(row + 1);
                files_->SelectRow(row + 1);
            }
            break;
        case cmd::kSpaceCut: s_.main.spc_cut = !s_.main.spc_cut; break;
        case cmd::kSizeFrame: s_.main.size = !s_.main.size; break;
        case cmd::kMinimumSize:
            s_.main.minimam = 1;
            resize(minimumSizeHint().width(), height());
            break;
        case cmd::kDefaultSize:
            s_.main.minimam = 0;
            resize(sizeHint().width(), height());
            break;
        case cmd::kOpenFile: {
            QString chosen = QFileDialog::getOpenFileName(this, Str(cmd::kOpenFile).section('(', 0, 0),
                                                          QString::fromStdString(mode_state.path),
                                                          QtFilter(media::OpenFileFilter(kind_, false)));
            if (!chosen.isEmpty() && OpenPath(chosen.toStdString(), false) == -1)
                Ask(134, {}, PromptButtons::Ok, PromptIcon::Information, {}, this);
            break;
        }
        case cmd::kCdBackupTool: StartExternal({ctx_.program_folder + "nu_32cvt"}, 168); break;
        case cmd::kMultimedia: StartExternal({"pavucontrol"}, 185); break;
        case cmd::kExit: close(); break;
        case cmd::kPanelForcedExit:
            forced_exit_ = true;
            close();
            break;
        case cmd::kPanelSecondForcedExit:
            second_forced_exit_ = true;
            close();
            break;
        case cmd::kPanelMinimise: showMinimized(); break;
        case cmd::kPanelBackToItem:
            if (controller_->current_item()) files_->SelectRow(controller_->current_item());
            break;
        case cmd::kAbout:
            QMessageBox::about(this, Str(cmd::kAbout).section('(', 0, 0),
                               QStringLiteral("NU-KO Player for WIN32\n") + Str(130));
            break;
        default:
            if (id >= cmd::kKindMidi && id < cmd::kKindMidi + 4) {
                int kind = id - cmd::kKindMidi;
                // Only while stopped, and only to another kind.
                if (controller_->state() == playback::PlayState::Stopped && kind != kind_) SwitchKind(kind, true, true);
            } else if (id >= cmd::kSleep90 && id <= cmd::kSleep10) {
                SetSleepLength(kSleepLengths[id - cmd::kSleep90]);
                SleepOff();
                SleepOn();
            }
            break;
    }
    if (id == cmd::kModeSelected || id == cmd::kModeSequential || id == cmd::kModeLoop || id == cmd::kModeRepeat ||
        id == cmd::kRandom || id == cmd::kIntro) {
        mode_state.mode = controller_->Mode(static_cast<MediaKind>(kind_));
        buttons_->SetMode(mode_state.mode);
    }
    UpdateChecks();
    UpdateMenuTexts();
}

void CMainFrame::StartExternal(const std::vector<std::string>& argv, int failure_string) {
    process::RunProgram(argv, failure_string, this);
}

void CMainFrame::UpdateChecks() {
    auto check = [this](int id, bool on) {
        if (QAction* a = action(id)) a->setChecked(on);
    };
    const auto mode = controller_->Mode(static_cast<MediaKind>(kind_));
    check(cmd::kModeSelected, mode.mode == 0);
    check(cmd::kModeSequential, mode.mode == 1);
    check(cmd::kModeLoop, mode.mode == 2);
    check(cmd::kModeRepeat, mode.mode == 3);
    check(cmd::kRandom, mode.random);
    check(cmd::kIntro, mode.intro);
    for (int k = 0; k < 4; ++k) check(cmd::kKindMidi + k, k == kind_);
    check(cmd::kZero, s_.main.zero != 0);
    check(cmd::kDigitDot, s_.main.dig_type == 0);
    check(cmd::kDigitDigital, s_.main.dig_type == 1);
    check(cmd::kDigitCharacter, s_.main.dig_type == 2);
    check(cmd::kDowntime, s_.main.downtime != 0);
    check(cmd::kSort, s_.main.sort != 0);
    check(cmd::kWordFiles, s_.main.word != 0);
    check(cmd::kSpaceCut, s_.main.spc_cut != 0);
    check(cmd::kSizeFrame, s_.main.size == 0);
    check(cmd::kOnTimer1, clocks_.Get(ClockTimers::kOn1).enabled != 0);
    check(cmd::kOffTimer1, clocks_.Get(ClockTimers::kOff1).enabled != 0);
    check(cmd::kOnTimer2, clocks_.Get(ClockTimers::kOn2).enabled != 0);
    check(cmd::kOffTimer2, clocks_.Get(ClockTimers::kOff2).enabled != 0);
    const bool stopped = controller_->state() == playback::PlayState::Stopped;
    for (int k = 0; k < 4; ++k)
        if (QAction* a = action(cmd::kKindMidi + k)) a->setEnabled(!IsLater(cmd::kKindMidi + k) && (stopped || k == kind_));
}

void CMainFrame::UpdateMenuTexts() {
    char buf[256];
    std::snprintf(buf, sizeof buf, std::string(LoadString(cmd::kSleepOn)).c_str(), sleep_.length() / 60);
    if (QAction* a = action(cmd::kSleepOn)) a->setText(QString::fromUtf8(buf));
    for (auto [id, which] : {std::pair{cmd::kOnTimer1, ClockTimers::kOn1}, std::pair{cmd::kOffTimer1, ClockTimers::kOff1},
                             std::pair{cmd::kOnTimer2, ClockTimers::kOn2}, std::pair{cmd::kOffTimer2, ClockTimers::kOff2}}) {
        const auto& t = clocks_.Get(which);
        std::snprintf(buf, sizeof buf, std::string(LoadString(id)).c_str(), t.hour, t.minute);
        if (QAction* a = action(id)) a->setText(QString::fromUtf8(buf));
    }
}

// --- timers ----------------------------------------------------------------------

void CMainFrame::SetSleepLength(int seconds) { sleep_.set_length(seconds); }

void CMainFrame::SleepOn() {
    if (sleep_.on()) return;
    sleep_.On(ctx_.time_of_day());
    time_->ShowSleep(true);
    record_[4] = static_cast<std::uint16_t>(sleep_.length());
    UpdateTimeRecord(0x10);
}

void CMainFrame::SleepOff() {
    sleep_.Off();
    time_->ShowSleep(false);
}

void CMainFrame::OnClockDuties(unsigned flags) {
    if (flags & playback::kEvery500) OnHalfSecond();
    if (flags & playback::kEvery2000) OnTwoSeconds();
    if (flags & playback::kEvery1500) {
        // The paused time blinks.
        colon_on_ = controller_->state() == playback::PlayState::Paused ? !colon_on_ : true;
        UpdateTimeRecord(0x02);
    }
}

void CMainFrame::OnHalfSecond() {
    const int now = ctx_.time_of_day();
    if (sleep_.on()) {
        SleepTimer::Tick t = sleep_.Check(now);
        if (t.fired) {
            if (controller_->item_active()) controller_->RunCommand(PlayCommand::Stop, false);
            time_->ShowSleep(false);
            if (s_.timer.sleep_off != -1) {
                controller_->StopClock();
                forced_exit_ = true;
                shutdown_requested_ = true;
                WriteSettings();
                if (ctx_.session) ctx_.session->End(s_.timer.sleep_off);
            }
        } else if (t.remaining >= 0) {
            record_[4] = static_cast<std::uint16_t>(std::min(t.remaining, 28800));
            UpdateTimeRecord(0x10);
        }
    }
    if (time_->clock_shown()) {
        record_[5] = static_cast<std::uint16_t>(now / 3600 * 100 + now / 60 % 60);
        UpdateTimeRecord(0x20);
    }
}

void CMainFrame::OnTwoSeconds() {
    switch (clocks_.Check(ctx_.time_of_day())) {
        case ClockTimers::Fired::On: FireOnTimer(); break;
        case ClockTimers::Fired::Off:
            SleepOff();
            controller_->RunCommand(PlayCommand::Stop, false);
            break;
        case ClockTimers::Fired::None: break;
    }
}

void CMainFrame::FireOnTimer() {
    SleepOff();
    controller_->RunCommand(PlayCommand::Stop, false);
    if (s_.timer.file.flag && !s_.timer.file.path.empty()) OpenPath(s_.timer.file.path, false);
    PostPlay();
}

}  // namespace nuko::app
