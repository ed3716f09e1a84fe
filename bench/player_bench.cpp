// The player's own costs beside plain baselines of the same run:
//  - `nu_kotool scan --sub` over 20,000 files in 200 folders beside
//    `find -type f` on the same tree;
//  - the player's start-up to its first shown window beside a bare Qt
//    window program (on an X server of its own, timed with xdotool --sync).
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_util.h"

namespace {

using nuko::bench::SpawnQuiet;

int Run(const std::vector<std::string>& argv) {
    int status = 0;
    ::waitpid(SpawnQuiet(argv), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a program printed.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    return out;
}

// Milliseconds from starting `argv` until a visible window named `title`
// appears; `size` gets its size as WIDTHxHEIGHT.
double TimeToWindow(const std::vector<std::string>& argv, const std::string& title, std::string* size = nullptr) {
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = SpawnQuiet(argv);
    // Not `search --sync`: it looks only every half second, which hides
    // every difference below that.
    while (Run({"xdotool", "search", "--onlyvisible", "--name", title}) != 0) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before its window showed\n", argv[0].c_str());
            std::exit(1);
        }
        ::usleep(1000);
    }
    auto t1 = std::chrono::steady_clock::now();
    if (size) {
        // "Geometry: 640x520" among xdotool's lines.
        const std::string g = Output("xdotool search --onlyvisible --name '" + title + "' getwindowgeometry");
        const std::size_t at = g.find("Geometry: ");
        if (at != std::string::npos) *size = g.substr(at + 10, g.find('\n', at) - at - 10);
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/nuko-player-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const std::string root = std::string(tmpl) + "/";
    const std::string tree = root + "tree/";
    for (int d = 0; d < 200; ++d) {
        std::string folder = tree + "folder" + std::to_string(d) + "/";
        std::filesystem::create_directories(folder);
        for (int f = 0; f < 100; ++f) {
            FILE* fp = std::fopen((folder + "song" + std::to_string(f) + ".mid").c_str(), "wb");
            if (fp) std::fclose(fp);
        }
    }
    const std::string bin = (nuko::bench::SelfFolder().parent_path().parent_path() / "bin").string() + "/";
    const std::string bench_bin = nuko::bench::SelfFolder().string() + "/";
    ::setenv("XDG_CONFIG_HOME", (root + "cfg").c_str(), 1);
    double find = nuko::bench::BestMs(3, [&] { Run({"find", tree, "-type", "f"}); });
    double scan = nuko::bench::BestMs(3, [&] { Run({bin + "nu_kotool", "scan", tree, "--kind", "midi", "--sub"}); });
    std::printf("tree: 20000 files in 200 folders\n");
    nuko::bench::Report("nu_kotool scan --sub", scan, "find -type f", find);

    // Start-up, on an X server of our own.
    if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) {
        std::printf("start-up: skipped (needs Xvfb and xdotool)\n");
        return 0;
    }
    pid_t x = SpawnQuiet({"Xvfb", ":97", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    ::setenv("DISPLAY", ":97", 1);
    // A busy machine takes a while to bring the server up.
    for (int i = 0; i < 200 && Run({"xdotool", "getmouselocation"}) != 0; ++i) ::usleep(50000);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    std::filesystem::create_directories(root + "cfg/NU-KO Application");
    FILE* ini = std::fopen((root + "cfg/NU-KO Application/NU-KO Player32.ini").c_str(), "wb");
    if (ini) {
        std::fputs("[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n", ini);
        std::fclose(ini);
    }
    // The bare window takes the size of the player's first window, and the
    // two start in turn, so that a machine busy for a while slows both.
    std::string size = "400x300";
    TimeToWindow({bin + "nu_kop32"}, "NU-KO Player for WIN32$", &size);
    const nuko::bench::PairMs start = nuko::bench::BestPairMs(
        7, [&] { TimeToWindow({bin + "nu_kop32"}, "NU-KO Player for WIN32$"); },
        [&] { TimeToWindow({bench_bin + "bare_qt_window", size}, "bare Qt window"); });
    std::printf("window: %s (goal: at most 1.2 times the bare window)\n", size.c_str());
    nuko::bench::Report("nu_kop32 start-up to its window", start.ms, "bare Qt window", start.baseline_ms);
    ::kill(x, SIGTERM);
    ::waitpid(x, nullptr, 0);
    std::filesystem::remove_all(root);
    return 0;
}
