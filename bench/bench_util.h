// Small timing helpers for the benchmark programs: each measures an
// operation and prints it beside a plain baseline of the same run.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace nuko::bench {

// Best wall time of `repeat` runs, in milliseconds.
inline double BestMs(int repeat, const std::function<void()>& f) {
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

// Best wall times of an operation and its baseline, run in turn `repeat`
// times each: a machine that slows down for a while slows both, and the
// ratio of the bests stays fair.
struct PairMs {
    double ms = 1e300;
    double baseline_ms = 1e300;
};
inline PairMs BestPairMs(int repeat, const std::function<void()>& f, const std::function<void()>& baseline) {
    PairMs best;
    for (int i = 0; i < repeat; ++i) {
        best.baseline_ms = std::min(best.baseline_ms, BestMs(1, baseline));
        best.ms = std::min(best.ms, BestMs(1, f));
    }
    return best;
}

inline void Report(const char* what, double ms, const char* baseline_name, double baseline_ms) {
    std::printf("%-40s %10.3f ms   (%s %.3f ms, ratio %.2f)\n", what, ms, baseline_name, baseline_ms,
                baseline_ms > 0 ? ms / baseline_ms : 0.0);
}

// Starts a program with its output thrown away; its pid.
inline pid_t SpawnQuiet(const std::vector<std::string>& argv) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

// Runs `argv` to its end with its output thrown away; false when it did not
// exit with 0.
inline bool RunQuiet(const std::vector<std::string>& argv) {
    int status = 0;
    ::waitpid(SpawnQuiet(argv), &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The folder of the running program: the benchmarks live in
// <build>/bench/bin/, the deliverables in <build>/bin/.
inline std::filesystem::path SelfFolder() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    buf[n > 0 ? n : 0] = '\0';
    return std::filesystem::path(buf).parent_path();
}

}  // namespace nuko::bench
