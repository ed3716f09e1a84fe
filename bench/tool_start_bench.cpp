// How fast nu_kotool starts for commands that play nothing, beside a bare
// program linked with QtWidgets (bare_qt_start), measured in the same run:
// medians of many starts, the ratio, and how many shared objects each
// start loads (the dynamic loader's own count, LD_DEBUG=files).
//   tool_start_bench [RUNS] [PROGRAM_FOLDER]
// PROGRAM_FOLDER defaults to this build's bin/; another build's folder
// measures that build's tool beside the same anchor.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "bench_util.h"

namespace {

namespace fs = std::filesystem;

double Median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

double TimedRunMs(const std::vector<std::string>& argv) {
    auto t0 = std::chrono::steady_clock::now();
    nuko::bench::RunQuiet(argv);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Medians of `argv` and of the anchor, started by turns so that a change of
// the machine's load during the run moves both alike.
std::pair<double, double> MedianMs(int runs, const std::vector<std::string>& argv,
                                   const std::vector<std::string>& anchor) {
    std::vector<double> ms, base;
    nuko::bench::RunQuiet(argv);  // warms the page cache
    for (int i = 0; i < runs; ++i) {
        ms.push_back(TimedRunMs(argv));
        base.push_back(TimedRunMs(anchor));
    }
    return {Median(ms), Median(base)};
}

// The shared objects one start of `argv` loads, itself left out.
int LoadedObjects(const std::vector<std::string>& argv, const fs::path& scratch) {
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    ::setenv("LD_DEBUG", "files", 1);
    ::setenv("LD_DEBUG_OUTPUT", (scratch / "ld").c_str(), 1);
    nuko::bench::RunQuiet(argv);
    ::unsetenv("LD_DEBUG");
    ::unsetenv("LD_DEBUG_OUTPUT");
    int count = 0;
    for (const auto& e : fs::directory_iterator(scratch)) {
        std::ifstream in(e.path());
        for (std::string line; std::getline(in, line);)
            if (line.find("generating link map") != std::string::npos) ++count;
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
    const fs::path bin = argc > 2 ? fs::path(argv[2]) : nuko::bench::SelfFolder().parent_path().parent_path() / "bin";
    const std::string tool = (bin / "nu_kotool").string();
    const std::string anchor = (nuko::bench::SelfFolder() / "bare_qt_start").string();
    const std::string song = std::string(NUKO_CORPUS_DIR) + "/midi/tonejs_debussy_menuet.mid";
    const std::string catalog = std::string(NUKO_TEST_DATA_DIR) + "/catalog/current.mit";
    char tmpl[] = "/tmp/nuko-tool-start-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const fs::path scratch = fs::path(tmpl);
    // Settings of its own, so that the user's do not change what is read.
    ::setenv("XDG_CONFIG_HOME", (scratch / "cfg").c_str(), 1);

    struct Case {
        const char* name;
        std::vector<std::string> argv;
    };
    const std::vector<Case> cases = {
        {"nu_kotool version", {tool, "version"}},
        {"nu_kotool title FILE.mid", {tool, "title", song}},
        {"nu_kotool catalog FILE.mit", {tool, "catalog", catalog}},
    };
    for (const Case& c : cases)
        if (!nuko::bench::RunQuiet(c.argv)) std::printf("warning: %s failed\n", c.name);

    std::printf("tool: %s\nmedians of %d starts each\n", tool.c_str(), runs);
    const std::vector<std::string> bare = {anchor};
    int bare_objects = LoadedObjects(bare, scratch / "ld-bare");
    std::printf("%-40s %10s   shared objects loaded: %d\n", "bare_qt_start (anchor)", "", bare_objects);
    for (const Case& c : cases) {
        auto [ms, base] = MedianMs(runs, c.argv, bare);
        nuko::bench::Report(c.name, ms, "bare_qt_start", base);
        std::printf("%-40s %10s   shared objects loaded: %d\n", "", "", LoadedObjects(c.argv, scratch / "ld"));
    }
    fs::remove_all(scratch);
    return 0;
}
