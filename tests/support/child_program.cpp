#include "child_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace nuko::test {

using Clock = std::chrono::steady_clock;

ChildProgram::ChildProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int pipefd[2];
    if (argv.empty() || ::pipe2(pipefd, O_CLOEXEC) != 0) return;
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) environment.emplace_back(*e);
    for (const auto& extra : env) {
        const std::string name = extra.substr(0, extra.find('=') + 1);
        std::erase_if(environment, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        environment.push_back(extra);
    }
    // Built before the fork: the child only calls what is safe there.
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(pipefd[1], 1);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipefd[1]);
    if (pid_ < 0) {
        ::close(pipefd[0]);
        return;
    }
    out_ = pipefd[0];
}

ChildProgram::~ChildProgram() {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
}

std::optional<std::string> ChildProgram::ReadLine(std::chrono::milliseconds timeout) {
    timed_out_ = false;
    const auto deadline = Clock::now() + timeout;
    while (true) {
        std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (eof_ || out_ < 0) {
            if (buffer_.empty()) return std::nullopt;
            std::string rest;
            rest.swap(buffer_);
            return rest;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            timed_out_ = true;
            return std::nullopt;
        }
        pollfd p{out_, POLLIN, 0};
        int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (r <= 0) continue;
        char chunk[4096];
        ssize_t n = ::read(out_, chunk, sizeof chunk);
        if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR) eof_ = true;
    }
}

std::vector<std::string> ChildProgram::ReadAll(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::vector<std::string> lines;
    while (auto line = ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())))
        lines.push_back(std::move(*line));
    return lines;
}

void ChildProgram::Signal(int signal) {
    if (pid_ > 0 && !reaped_) ::kill(pid_, signal);
}

int ChildProgram::Wait(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return -1;
    const auto deadline = Clock::now() + timeout;
    while (!reaped_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (Clock::now() >= deadline) {
            timed_out_ = true;
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            reaped_ = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return exit_code_;
}

}  // namespace nuko::test
