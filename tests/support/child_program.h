// A program run as a child process whose standard output is read line by
// line as it comes, with deadlines, so that a test (or a benchmark) can act
// on what the program prints while it runs.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace nuko::test {

class ChildProgram {
public:
    // Starts argv[0] (a path) with the environment of this process plus
    // `env` ("NAME=value" entries); standard error stays this process's.
    explicit ChildProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    // Kills a child that still runs and reaps it.
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    pid_t pid() const { return pid_; }
    bool started() const { return pid_ > 0; }
    // The next line (without its line end), waiting up to `timeout` for it;
    // nullopt when the output ended or the time ran out (then timed_out()).
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    bool timed_out() const { return timed_out_; }
    // Every line until the output ends, within `timeout` in all.
    std::vector<std::string> ReadAll(std::chrono::milliseconds timeout);
    void Signal(int signal);
    // Waits up to `timeout` for the end: the exit code, or -1 after a
    // signal or when the time ran out (the child is killed then).
    int Wait(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
    bool eof_ = false;
    bool timed_out_ = false;
    bool reaped_ = false;
    int exit_code_ = -1;
};

}  // namespace nuko::test
