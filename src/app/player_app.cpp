#include "app/player_app.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/app_dialogs.h"
#include "app/product.h"
#include "library/archive_kind_dialog.h"
#include "library/archive_progress_dialog.h"
#include "core/controller_settings.h"
#include "core/commands/command_router.h"
#include "app/frame/main_frame.h"
#include "core/player_core.h"
#include "playback/file_copy_dialog.h"
#include "playback/rcp_convert_dialog.h"
#include "app/session_control.h"
#include "desktop/single_instance.h"
#include "core/startup.h"
#include "nuko/paths.h"
#include "playback/movie_frame_window.h"
#include "playback/smf_convert_dialog.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"

#include <nu_32std.h>

namespace nuko::app {

QByteArray OpenPathMessage(const std::string& path) {
    return QByteArrayLiteral("open\n") + QByteArray::fromStdString(path);
}

CPlayerApp::CPlayerApp(QApplication& app, std::string command_line)
    : app_(app), command_line_(std::move(command_line)) {}

CPlayerApp::~CPlayerApp() = default;

bool CPlayerApp::HandOver() {
    // Another copy runs: it opens the path and plays it, and comes to the front.
    if (command_line_.empty()) {
        instance_->Send(ShowMessage());
        return true;
    }
    std::optional<int> answer = instance_->Send(OpenPathMessage(command_line_));
    if (answer && *answer != kNothingOpened) instance_->Send(PlayMessage());
    instance_->Send(ShowMessage());
    return true;
}

int CPlayerApp::HandleMessage(const QByteArray& message) {
    if (!frame_) return -1;
    if (message.startsWith("open\n")) {
        std::string path = message.mid(5).toStdString();
        if (path.empty() || path.find('\0') != std::string::npos) return -1;
        return frame_->OpenPath(path);
    }
    if (message == PlayMessage()) {
        frame_->PostPlay();
        return 0;
    }
    if (message == ShowMessage()) {
        if (frame_->isMinimized()) frame_->showNormal();
        if (!frame_->isVisible()) frame_->show();
        frame_->raise();
        frame_->activateWindow();
        return 0;
    }
    return -1;  // garbage from a stranger is ignored
}

void CPlayerApp::PlaceMainWindow() {
    settings::WindowRect rect = settings_.main.position;
    if (!rect.set) {
        // Wide enough for the whole menu bar.
        const QSize natural =
            frame_->sizeHint().expandedTo(QSize(frame_->menuBar()->sizeHint().width() + 16, 520));
        rect = settings_.main.InitialRect(natural.width(), natural.height());
    }
    NuKoPoint pos{rect.left, rect.top};
    Nu_koCheckWindowPos(&pos, rect.right - rect.left, rect.bottom - rect.top);
    frame_->setGeometry(pos.x, pos.y, rect.right - rect.left, rect.bottom - rect.top);
}

void CPlayerApp::ShowMainWindow(ShowCommand show) {
    switch (show) {
        case ShowCommand::Hide: break;
        case ShowCommand::Minimized: frame_->showMinimized(); break;
        case ShowCommand::Maximized: frame_->showMaximized(); break;
        default: frame_->show(); break;
    }
}

bool CPlayerApp::Start() {
    app_.setApplicationName(QString::fromUtf8(kProductTitle));
    // The main window may be hidden in the tray while a dialog of the mini
    // window closes; the program ends only through the exit path.
    app_.setQuitOnLastWindowClosed(false);
    // 1-2: one copy per user.
    instance_ = std::make_unique<desktop::SingleInstance>(folders::InstanceFolder(), "nu_kop32");
    if (instance_->Start() == desktop::SingleInstance::Role::Secondary) {
        HandOver();
        exit_code_ = 0;
        return false;
    }
    // 3: the support library.
    if (Nu_koGetVersion() < 210) {
        Ask(strings::kStdlibVersionMismatch, {}, PromptButtons::Ok, PromptIcon::Error);
        exit_code_ = 1;
        return false;
    }
    // 4-5: the settings store.
    store_ = std::make_unique<settings::SettingsStore>(folders::SettingsFile());
    settings_ = store_->ReadAll();
    path::SetCurrentDriveMap(settings_.drives);
    // 8: the work folder.
    work_folder_ = ChooseWorkFolder(settings_.tool);
    session_ = MakeLogindSessionControl();

    // 11: the main frame, which reads the settings while it is made.
    dispatcher_ = std::make_unique<QtDispatcher>(this);
    CoreContext ctx;
    ctx.settings = &settings_;
    ctx.store = store_.get();
    ctx.work_folder = work_folder_;
    ctx.program_folder = folders::ProgramFolder();
    ctx.dispatcher = dispatcher_.get();
    ctx.background_lists = true;
    ctx.background_copies = true;
    ctx.copy_view = [this]() -> std::unique_ptr<playback::FileCopyView> {
        return std::make_unique<playback::FileCopyDialog>(frame_.get());
    };
    // The SMF converter, when a user has put one in the program folder.
    ctx.converters.smf_convert = [this](const std::string& smf, const std::string& cfg) -> std::string {
        const settings::SmfkTool& t = settings_.smfk;
        if (t.used == 0) return {};
        playback::SmfConvertRequest request;
        request.library = folders::ProgramFolder() + playback::kSmfkLibrary;
        request.song = smf;
        request.out = path::Join(work_folder_, t.file);
        request.cfg = cfg;
        request.settings = {t.jv, t.mac, t.p, t.bank};
        return playback::RunSmfConversion(request, t.dlg_view != 0, frame_.get());
    };
    ctx.rcp_view = [this]() -> std::unique_ptr<playback::RcpConversionView> {
        return std::make_unique<playback::RcpConvertDialog>(frame_.get());
    };
    ctx.movie_window = playback::MakeMovieFrameFactory([this] {
        const settings::MovieSection& m = settings_.movie;
        playback::MovieFramePlace place;
        place.x = m.position.left;
        place.y = m.position.top;
        place.maximised = m.maximam != 0 || m.forcibly_max != 0;
        place.caption = m.caption != 0;
        place.activate = m.start_active != 0;
        // Where the user leaves it, the next movie opens; its size is the
        // next movie's own.
        place.left_at = [this](int x, int y, bool maximised) {
            settings::MovieSection& m = settings_.movie;
            const int w = m.position.right - m.position.left, h = m.position.bottom - m.position.top;
            m.position = {true, x, y, x + w, y + h};
            if (m.forcibly_max == 0) m.maximam = maximised ? 1 : 0;
        };
        return place;
    });
    ctx.clock = &clock_;
    ctx.ask_archive_kind = [this](const std::string& archive) {
        return media::ArchiveKindDialog::Ask(archive, core_ ? media::Code(core_->kind()) : 0, frame_.get());
    };
    archive_ui_ = std::make_unique<media::ArchiveProgressDialog>();
    ctx.archive_ui = archive_ui_.get();
    core_ = std::make_unique<PlayerCore>(ctx);
    router_ = std::make_unique<CommandRouter>();
    // 14: the first show command.
    ShowCommand show = FirstShowCommand(settings_.main, ShowCommand::Normal);
    // A returning user's window comes up at its stored place before its
    // panels, menu and fonts are made, which take longer than the window
    // itself. A command-line path is read first (a path with nothing to play
    // ends the start without a window), the splash is the first window when
    // it is on, and the first start needs the panels for its natural size.
    const bool window_first = command_line_.empty() && !settings_.main.splash && settings_.main.position.set &&
                              show != ShowCommand::Hide && show != ShowCommand::Minimized;
    frame_ = std::make_unique<CMainFrame>(*core_, *router_, session_.get(),
                                          window_first ? CMainFrame::Contents::Later : CMainFrame::Contents::Now);
    PlaceMainWindow();
    if (window_first) {
        ShowMainWindow(show);
        frame_->MakeContents();
    }
    instance_->SetHandler([this](const QByteArray& m) { return HandleMessage(m); });

    // 12: the splash.
    std::unique_ptr<SplashDialog> splash;
    if (settings_.main.splash) {
        splash = std::make_unique<SplashDialog>(frame_.get());
        splash->show();
        QApplication::processEvents();
    }
    // 15: the command-line path.
    if (!command_line_.empty()) {
        // Read before the answer: a path that gives no rows ends the start.
        const OpenResult r = frame_->OpenPath(command_line_, true);
        if (r == kNothingOpened) {
            // No window to say it in: the reason goes to standard error.
            std::fprintf(stderr, "nu_kop32: 再生できるものがありません: %s\nnothing to play in %s\n", command_line_.c_str(),
                         command_line_.c_str());
            exit_code_ = 1;
            return false;
        }
        frame_->PostPlay();
        if (r == kDriveChosen) show = ShowCommandAfterCdSelection(settings_.main);
    }
    // 16-17: show the window, then the splash goes.
    if (!window_first) {
        // Hidden for the tray, but no tray to bring it back from: shown.
        if (show == ShowCommand::Hide && settings_.main.tray_icon && !frame_->HoldsProgramOnClose())
            show = ShowCommand::Normal;
        ShowMainWindow(show);
    }
    splash.reset();
    // 18: the MCI check dialog.
    if (settings_.main.mci_check) {
        playback::PlatformFacts facts = playback::GatherPlatformFacts(MidiSynthOptionsFrom(settings_).sound_fonts, folders::ProgramFolder());
        MciCheckDialog check(playback::BuildProbe(facts, settings_.movie.active_movie != 0), frame_.get());
        check.exec();
        if (check.dont_show_again()) settings_.main.mci_check = 0;
    }
    frame_->ApplyTooltips();
    // The session ends: the same shutdown steps, without the question.
    QPointer<CMainFrame> frame = frame_.get();
    connect(&app_, &QGuiApplication::commitDataRequest, this, [frame] {
        if (frame) frame->Shutdown();
    });
    connect(&app_, &QCoreApplication::aboutToQuit, this, [frame] {
        if (frame) frame->Shutdown();
    });
    return true;
}

}  // namespace nuko::app
