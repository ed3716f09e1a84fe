// An X server of a test's own (Xvfb); the display's number comes back
// through a pipe once it is ready.
#pragma once

#include <string>
#include <sys/types.h>

namespace nuko::test {

class XServer {
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // False, with the reason, when no server could be started.
    bool Start(std::string* why, const std::string& screen = "640x480x24");
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace nuko::test
