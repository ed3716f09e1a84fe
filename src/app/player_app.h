// CPlayerApp: everything before and around the main window - one running
// copy per user, the support library's version, the settings store, the
// work folder, the splash and the MCI check dialog, the command-line path,
// and the hand-over of a second start's path to the running copy.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "settings/settings_store.h"
#include "nuko/clock.h"
#include "nuko/qt_dispatch.h"

class QApplication;

namespace nuko::desktop {
class SingleInstance;
}

namespace nuko::media {
class ArchiveProgressDialog;
}

namespace nuko::app {

class CMainFrame;
class CommandRouter;
class PlayerCore;
class SessionControl;
enum class ShowCommand;

// The messages between two copies over the local socket.
QByteArray OpenPathMessage(const std::string& path);
inline QByteArray PlayMessage() { return QByteArrayLiteral("play"); }
inline QByteArray ShowMessage() { return QByteArrayLiteral("show"); }

class CPlayerApp final : public QObject {
    Q_OBJECT
public:
    CPlayerApp(QApplication& app, std::string command_line);
    ~CPlayerApp() override;

    // The start-up, step by step; false ends the process before the event
    // loop (the exit code is then in exit_code()).
    bool Start();
    int exit_code() const { return exit_code_; }
    CMainFrame* frame() const { return frame_.get(); }

    // A message from a second copy: an OpenResult to an open, 0 to the
    // others, -1 to anything unknown.
    int HandleMessage(const QByteArray& message);

private:
    bool HandOver();
    // The main window at its stored place, or at its natural size.
    void PlaceMainWindow();
    void ShowMainWindow(ShowCommand show);

    QApplication& app_;
    std::string command_line_;
    std::unique_ptr<desktop::SingleInstance> instance_;
    std::unique_ptr<settings::SettingsStore> store_;
    settings::Settings settings_;
    std::string work_folder_;
    std::unique_ptr<SessionControl> session_;
    // Declared before the frame, which uses them until it is gone.
    std::unique_ptr<QtDispatcher> dispatcher_;
    SteadyClock clock_;
    std::unique_ptr<media::ArchiveProgressDialog> archive_ui_;
    std::unique_ptr<PlayerCore> core_;
    std::unique_ptr<CommandRouter> router_;
    std::unique_ptr<CMainFrame> frame_;
    int exit_code_ = 0;
};

}  // namespace nuko::app
