// A D-Bus session bus of a test's own (dbus-daemon), for the life of the
// object, so that tests never meet the desktop's bus or its players.
#pragma once

#include <memory>
#include <string>

#include "child_program.h"

namespace nuko::test {

class SessionBus {
public:
    SessionBus() = default;
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // False, with the reason, when no bus could be started.
    bool Start(std::string* why);
    // What DBUS_SESSION_BUS_ADDRESS names.
    const std::string& address() const { return address_; }

private:
    std::unique_ptr<ChildProgram> daemon_;
    std::string address_;
};

}  // namespace nuko::test
