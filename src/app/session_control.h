// Ending the user's session or the machine when the sleep timer says so.
// The exit mode keeps the Windows flag values the settings store holds
// (`Timer`/`SleepOff`): 0 log off, 1 shut down, 2 reboot, 8 power off
// (4, "force", is ignored).
#pragma once

#include <memory>
#include <string>

namespace nuko::app {

class SessionControl {
public:
    virtual ~SessionControl() = default;
    // True when the request was accepted.
    virtual bool End(int exit_mode) = 0;
};

// Through logind on the system bus (org.freedesktop.login1).
std::unique_ptr<SessionControl> MakeLogindSessionControl();

// What End asks logind to do: "PowerOff", "Reboot" or "TerminateSession";
// empty for a negative mode, which End refuses.
std::string LogindMethodFor(int exit_mode);

}  // namespace nuko::app
