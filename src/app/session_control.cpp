#include "app/session_control.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <cstdlib>

namespace nuko::app {

std::string LogindMethodFor(int mode) {
    // A negative value carries every flag bit; it is no request to end
    // anything, however the settings came to hold it.
    if (mode < 0) return {};
    if (mode & (1 | 8)) return "PowerOff";  // shutting down becomes powering off
    if (mode & 2) return "Reboot";
    return "TerminateSession";
}

namespace {

class LogindSessionControl final : public SessionControl {
public:
    bool End(int exit_mode) override {
        const std::string method = LogindMethodFor(exit_mode);
        if (method.empty()) return false;
        QDBusInterface manager(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                               QStringLiteral("org.freedesktop.login1.Manager"), QDBusConnection::systemBus());
        if (!manager.isValid()) return false;
        QDBusMessage reply;
        if (method == "TerminateSession") {
            const char* id = std::getenv("XDG_SESSION_ID");
            if (!id || !*id) return false;
            reply = manager.call(QString::fromStdString(method), QString::fromUtf8(id));
        } else {
            reply = manager.call(QString::fromStdString(method), false /* not interactive */);
        }
        return reply.type() != QDBusMessage::ErrorMessage;
    }
};

}  // namespace

std::unique_ptr<SessionControl> MakeLogindSessionControl() { return std::make_unique<LogindSessionControl>(); }

}  // namespace nuko::app
