// A PulseAudio server of a test's own with one null sink ("nullsink"), for
// the life of the object; the environment points this process and its
// children at it.
//
// Running as root: pulseaudio prints "This program is not intended to be run
// as root (unless --system is specified)" and then runs normally in this
// per-user mode; --system is not needed (nor wanted: it would use the
// machine's shared runtime folder). HOME, XDG_RUNTIME_DIR and
// PULSE_RUNTIME_PATH point into a private temporary folder so that the
// server's cookie, socket and pid file stay there.
#pragma once

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "test_support.h"

namespace nuko::test {

class PulseServer {
public:
    PulseServer() = default;
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // False, with the reason, when no server could be started.
    bool Start(std::string* why);
    const std::string& folder() const { return dir_.path(); }

private:
    void Set(const std::string& name, const std::string& value);

    TempDir dir_;
    std::string run_;
    pid_t pid_ = -1;
    std::vector<std::unique_ptr<ScopedEnv>> env_;
};

}  // namespace nuko::test
