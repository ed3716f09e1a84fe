// The player's own costs beside plain baselines of the same run:
//  - `nu_kotool scan --sub` over 20,000 files in 200 folders beside
//    `find -type f` on the same tree;
//  - the player's start-up to its first shown window beside a bare Qt
//    window program (on an X server of its own, timed by its map notices).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include <X11/Xlib.h>

#include "bench_util.h"

namespace {

using nuko::bench::SpawnQuiet;

int Run(const std::vector<std::string>& argv) {
    int status = 0;
    ::waitpid(SpawnQuiet(argv), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An X server of the benchmark's own, on a display number it picks itself
// (-displayfd), so that a test's server on the same machine cannot clash;
// it does not reset when a client leaves, or the next one could not connect.
pid_t g_x_server = -1;

void StopXServer() {
    if (g_x_server <= 0) return;
    ::kill(g_x_server, SIGTERM);
    ::waitpid(g_x_server, nullptr, 0);
    g_x_server = -1;
}

std::string StartXServer() {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    g_x_server = ::fork();
    if (g_x_server == 0) {
        ::close(fds[0]);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
}

// Milliseconds from starting `argv` until the X server maps a top-level
// window named `title`; `size` gets its size as WIDTHxHEIGHT. The map is
// read from the server's own notice, not by polling with another program,
// which would take a core from the program timed and see it late.
double TimeToWindow(Display* x, const std::vector<std::string>& argv, const std::string& title,
                    std::string* size = nullptr) {
    const Window root = DefaultRootWindow(x);
    XSelectInput(x, root, SubstructureNotifyMask);
    XSync(x, True);
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = SpawnQuiet(argv);
    Window shown = 0;
    while (!shown) {
        while (!shown && XPending(x) > 0) {
            XEvent e;
            XNextEvent(x, &e);
            if (e.type != MapNotify || e.xmap.event != root) continue;
            char* name = nullptr;
            if (XFetchName(x, e.xmap.window, &name) && name) {
                if (title == name) shown = e.xmap.window;
                XFree(name);
            }
        }
        if (shown) break;
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before its window showed\n", argv[0].c_str());
            StopXServer();
            std::exit(1);
        }
        pollfd fd{ConnectionNumber(x), POLLIN, 0};
        ::poll(&fd, 1, 100);
    }
    auto t1 = std::chrono::steady_clock::now();
    if (size) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(x, shown, &a)) *size = std::to_string(a.width) + "x" + std::to_string(a.height);
    }
    XSelectInput(x, root, NoEventMask);
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
    if (std::system("command -v Xvfb >/dev/null") != 0) {
        std::printf("start-up: skipped (needs Xvfb)\n");
        return 0;
    }
    const std::string display = StartXServer();
    if (display.empty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    ::setenv("DISPLAY", display.c_str(), 1);
    Display* x = XOpenDisplay(display.c_str());
    if (!x) {
        std::fprintf(stderr, "cannot open display %s\n", display.c_str());
        StopXServer();
        return 1;
    }
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    ::chmod(root.c_str(), 0700);
    std::filesystem::create_directories(root + "cfg/NU-KO Application");
    const std::string ini = root + "cfg/NU-KO Application/NU-KO Player32.ini";
    auto write_ini = [&ini](const std::string& main_lines) {
        if (FILE* f = std::fopen(ini.c_str(), "wb")) {
            std::fputs(("[Main]\nMciCheck=0\nSplush=0\nPOffChk=0\n" + main_lines).c_str(), f);
            std::fclose(f);
        }
    };
    auto first_start = [&] { write_ini(""); };
    // The bare window takes the size of the player's first window, and the
    // two start in turn, so that a machine busy for a while slows both. The
    // timed starts are a returning user's: the window's place is stored.
    first_start();
    std::string size = "400x300";
    TimeToWindow(x, {bin + "nu_kop32"}, "NU-KO Player for WIN32", &size);
    int width = 400, height = 300;
    std::sscanf(size.c_str(), "%dx%d", &width, &height);
    auto returning = [&] {
        write_ini("Position=5,5," + std::to_string(5 + width) + "," + std::to_string(5 + height) + "\n");
    };
    // Best of 7 in turn. Only the time to the window counts, not the time
    // the program takes to end afterwards.
    auto best_pair = [&](const std::function<void()>& before) {
        nuko::bench::PairMs best;
        for (int i = 0; i < 7; ++i) {
            best.baseline_ms =
                std::min(best.baseline_ms, TimeToWindow(x, {bench_bin + "bare_qt_window", size}, "bare Qt window"));
            before();
            best.ms = std::min(best.ms, TimeToWindow(x, {bin + "nu_kop32"}, "NU-KO Player for WIN32"));
        }
        return best;
    };
    const nuko::bench::PairMs start = best_pair(returning);
    std::printf("window: %s (goal: at most 1.2 times the bare window)\n", size.c_str());
    nuko::bench::Report("nu_kop32 start-up to its window", start.ms, "bare Qt window", start.baseline_ms);
    // The very first start has no stored place: its window waits for the
    // panels that give its natural size.
    const nuko::bench::PairMs fresh = best_pair(first_start);
    nuko::bench::Report("nu_kop32 first start, no stored place", fresh.ms, "bare Qt window", fresh.baseline_ms);
    XCloseDisplay(x);
    StopXServer();
    std::filesystem::remove_all(root);
    return 0;
}
