#include "session_bus.h"

#include <csignal>

#include "media_fixtures.h"
#include "test_support.h"

namespace nuko::test {

SessionBus::~SessionBus() {
    if (daemon_ && daemon_->started()) {
        daemon_->Signal(SIGTERM);
        daemon_->Wait(std::chrono::seconds(5));
    }
}

bool SessionBus::Start(std::string* why) {
    const std::string daemon = FindProgram("dbus-daemon");
    if (daemon.empty()) {
        *why = "no dbus-daemon";
        return false;
    }
    daemon_ = std::make_unique<ChildProgram>(
        std::vector<std::string>{daemon, "--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!daemon_->started()) {
        *why = "dbus-daemon did not start";
        return false;
    }
    // The address is its first line, printed once the bus listens.
    std::optional<std::string> line = daemon_->ReadLine(std::chrono::seconds(10));
    if (!line || line->empty()) {
        *why = "dbus-daemon printed no address";
        return false;
    }
    address_ = *line;
    return true;
}

}  // namespace nuko::test
