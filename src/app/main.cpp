// nu_kop32: the player.
#include <QApplication>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/frame/main_frame.h"
#include "nuko/qt_prompt.h"
#include "nuko/qt_translations.h"
#include "app/player_app.h"
#include "playback/audio_outputs.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

void OnTerminate(int) {
    char c = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signal_pipe[1], &c, 1);
}

// SIGTERM and SIGINT (the session ending, a service manager) take the same
// shutdown steps as the end of a session: the settings are written.
void WatchTerminationSignals(QApplication& app, nuko::app::CPlayerApp& player) {
    if (::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, &player] {
        char buf[16];
        while (::read(g_signal_pipe[0], buf, sizeof buf) > 0) {
        }
        if (auto* frame = player.frame()) frame->Shutdown();
        app.quit();
    });
    struct sigaction sa {};
    sa.sa_handler = OnTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt starts its threads.
    nuko::playback::NameAudioStreams();
    QApplication app(argc, argv);
    nuko::InstallQtTranslations(app);
    // The menu entry's name: the desktop ties the windows to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.nuko.NuKop32"));
    // libmpv needs the C numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    nuko::QtPrompt prompt;
    nuko::SetCurrentPrompt(&prompt);

    // The whole command line after the program name is one path.
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) path += ' ';
        path += argv[i];
    }
    nuko::app::CPlayerApp player(app, path);
    // Before the start: the window shows before the start has ended, and a
    // signal then is taken once the event loop runs.
    WatchTerminationSignals(app, player);
    if (!player.Start()) {
        nuko::SetCurrentPrompt(nullptr);
        return player.exit_code();
    }
    int code = app.exec();
    nuko::SetCurrentPrompt(nullptr);
    return code;
}
