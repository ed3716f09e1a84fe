#include "pulse_server.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>

#include "media_fixtures.h"

namespace nuko::test {

using namespace std::chrono_literals;

bool PulseServer::Start(std::string* why) {
    std::string pulseaudio = FindProgram("pulseaudio");
    if (pulseaudio.empty()) return *why = "no pulseaudio program", false;
    run_ = dir_.path() + "run";
    std::filesystem::create_directories(run_);
    std::filesystem::create_directories(dir_.path() + "home");
    std::filesystem::permissions(run_, std::filesystem::perms::owner_all);
    Set("HOME", dir_.path() + "home");
    Set("XDG_RUNTIME_DIR", run_);
    Set("PULSE_RUNTIME_PATH", run_ + "/pulse");
    Set("PULSE_SERVER", "unix:" + run_ + "/pulse/native");
    ProgramOptions o;
    o.output_file = dir_.File("pulse.log");
    pid_ = StartProgram({pulseaudio, "-n", "--daemonize=no", "--exit-idle-time=-1", "-L",
                         "module-null-sink sink_name=nullsink", "-L", "module-native-protocol-unix"},
                        o);
    bool ended = false;
    bool up = PollUntil(
        [&] {
            ended = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
            return ended || std::filesystem::exists(run_ + "/pulse/native");
        },
        30s, 50ms);
    if (up && !ended) return true;
    if (ended) pid_ = -1;
    *why = "pulseaudio did not start: " + ReadBytes(dir_.File("pulse.log"));
    return false;
}

PulseServer::~PulseServer() { StopProgram(pid_, SIGTERM); }

void PulseServer::Set(const std::string& name, const std::string& value) {
    env_.push_back(std::make_unique<ScopedEnv>(name, value));
}

}  // namespace nuko::test
