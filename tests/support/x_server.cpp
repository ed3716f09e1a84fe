#include "x_server.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "media_fixtures.h"

namespace nuko::test {

bool XServer::Start(std::string* why, const std::string& screen) {
    std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) return *why = "no Xvfb program", false;
    int fds[2];
    if (::pipe(fds) != 0) return *why = "no pipe", false;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        ::execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) return *why = "Xvfb did not start", false;
    display_ = ":" + number;
    return true;
}

XServer::~XServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

}  // namespace nuko::test
