#include "app/session_control.h"

#include <QDBusConnection>
#include <QDBusMessage>
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
        // One call straight to the manager: no introspection first, which
        // a locked-down bus may refuse though the call itself is allowed.
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QString::fromStdString(method));
        if (method == "TerminateSession") {
            const char* id = std::getenv("XDG_SESSION_ID");
            if (!id || !*id) return false;
            call << QString::fromUtf8(id);
        } else {
            call << false;  // not interactive
        }
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected()) return false;
        return bus.call(call, QDBus::Block).type() == QDBusMessage::ReplyMessage;
    }
};

}  // namespace

std::unique_ptr<SessionControl> MakeLogindSessionControl() { return std::make_unique<LogindSessionControl>(); }

}  // namespace nuko::app
