// Soak run of nu_kotool playlist: a child process plays 1,000 items of a
// folder of generated short files in fast loop mode, once for MIDI (plain
// and MacBinary SMF) and once for sound (WAV, MP3, RIFF-MP3, WAV carrying
// MP3, MacBinary MP3). At every 100th item it reads the child's resident
// memory, descriptors and threads from /proc; after the stop it lists what
// stayed in the private work folder. Goals: under 5 MB of growth from item
// 100 to item 1,000, no more descriptors or threads, an empty work folder.
//
//   soak [--items N] [--files N]
//
// A sanitizer build of nu_kotool keeps freed memory in quarantine; the run
// turns the quarantine off so that the figures show what is kept, not what
// waits to be reused. Measure a release build for figures without the
// sanitizers' own costs. Growth that comes in steps of a few MB and then
// stays flat is the C library's per-thread malloc arenas filling (libmpv
// plays each item on new threads): MALLOC_ARENA_MAX=1 in the environment
// shows the run without them.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "child_program.h"
#include "media_fixtures.h"
#include "media_test_util.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

struct Sample {
    int item = 0;
    long rss_kb = -1;
    int fds = -1;
    int threads = -1;
};

Sample Measure(pid_t pid, int item) {
    Sample s;
    s.item = item;
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream status(proc + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) s.rss_kb = std::strtol(line.c_str() + 6, nullptr, 10);
    // libmpv starts and ends threads of its own around each item: the least
    // of a few reads leaves out those coming and going at that moment (a
    // leaked thread or descriptor stays in every read).
    for (int i = 0; i < 4; ++i) {
        if (i) std::this_thread::sleep_for(5ms);
        int fds = static_cast<int>(nuko::test::FolderEntries(proc + "/fd").size());
        int threads = static_cast<int>(nuko::test::FolderEntries(proc + "/task").size());
        s.fds = s.fds < 0 ? fds : std::min(s.fds, fds);
        s.threads = s.threads < 0 ? threads : std::min(s.threads, threads);
    }
    return s;
}

std::string Song(int i) {
    nuko::test::SmfWriter w(480);
    // Half a second to a second at 120, a few notes of their own.
    w.Track().Note(0, 48 + i % 24, 120).Note(0, 55 + i % 12, 240).EndAfter(240 + 240 * static_cast<std::uint32_t>(i % 3));
    return w.Bytes();
}

void MakeMidi(const std::string& folder, int files) {
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "song%04d.mid", i);
        WriteBytes(folder + name, i % 2 ? nuko::test::MacBinary(Song(i)) : Song(i));
    }
}

void MakeSound(const std::string& folder, int files, const std::string& mp3) {
    const std::string wav = nuko::test::MakeWav(0.5, 22050, 1);
    for (int i = 0; i < files; ++i) {
        char name[32];
        switch (i % 5) {
            case 0: std::snprintf(name, sizeof name, "s%04d.wav", i); WriteBytes(folder + name, wav); break;
            case 1: std::snprintf(name, sizeof name, "s%04d.mp3", i); WriteBytes(folder + name, mp3); break;
            case 2:
                std::snprintf(name, sizeof name, "s%04d.rmp", i);
                WriteBytes(folder + name, nuko::test::RiffMp3(mp3));
                break;
            case 3:
                std::snprintf(name, sizeof name, "s%04d.wav", i);
                WriteBytes(folder + name, nuko::test::WaveWithMp3(mp3));
                break;
            default:
                std::snprintf(name, sizeof name, "s%04d.mp3", i);
                WriteBytes(folder + name, nuko::test::MacBinary(mp3));
                break;
        }
    }
}

// Plays the folder to `items` ended items; false when a goal failed.
bool Soak(const char* what, const std::string& folder, int items, int files) {
    TempDir config, work;
    std::filesystem::create_directories(config.path() + "NU-KO Application");
    WriteBytes(config.File("NU-KO Application/NU-KO Player32.ini"),
               "[Tool]\nUserTmp=1\nTmpDir=" + work.path() + "\n");
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string asan_options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "quarantine_size_mb=0";

    const std::string tool = nuko::test::ProgramDir() + "nu_kotool";
    auto t0 = std::chrono::steady_clock::now();
    nuko::test::ChildProgram child(
        // A few items past the last measured one, so that it is measured
        // in the middle of the run and not while the child shuts down.
        {tool, "playlist", folder, "--mode", "2", "--fast", "--max", std::to_string(items + 20)},
        {"XDG_CONFIG_HOME=" + config.path(), "ASAN_OPTIONS=" + asan_options});
    std::vector<Sample> samples;
    int plays = 0;
    bool stopped = false;
    std::vector<std::string> messages;
    while (auto line = child.ReadLine(600s)) {
        if (line->rfind("play ", 0) == 0) {
            ++plays;
            if (plays % 100 == 0 && plays <= items) samples.push_back(Measure(child.pid(), plays));
        } else if (line->rfind("message ", 0) == 0) {
            messages.push_back(*line);
        } else if (*line == "stop") {
            stopped = true;
        }
    }
    const int code = child.Wait(60s);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const std::vector<std::string> left = nuko::test::FolderEntries(work.path());

    std::printf("%s: %d files looped, %d items started in %.1f s, exit %d%s\n", what, files, plays, seconds, code,
                stopped ? "" : ", no stop line");
    for (const auto& s : samples)
        std::printf("  item %5d: VmRSS %7ld kB  descriptors %3d  threads %3d\n", s.item, s.rss_kb, s.fds, s.threads);
    for (const auto& m : messages) std::printf("  %s\n", m.c_str());
    bool ok = stopped && code == 0 && left.empty();
    const Sample* first = nullptr;
    const Sample* last = nullptr;
    for (const auto& s : samples) {
        if (s.item == 100) first = &s;
        if (s.item == items) last = &s;
    }
    if (first && last && first != last) {
        long growth = last->rss_kb - first->rss_kb;
        int fds = last->fds - first->fds, threads = last->threads - first->threads;
        std::printf("  item 100 to %d: RSS %+ld kB (goal under %d kB), descriptors %+d, threads %+d\n", items, growth,
                    5 * 1024, fds, threads);
        ok = ok && growth < 5 * 1024 && fds <= 0 && threads <= 0;
    } else {
        std::printf("  too few items for the item 100 and item %d figures\n", items);
        ok = false;
    }
    std::printf("  work folder after stop: %s\n", left.empty() ? "empty" : "");
    for (const auto& name : left) std::printf("    %s\n", name.c_str());
    std::printf("  %s\n", ok ? "goals met" : "GOALS MISSED");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    int items = 1000, files = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--items") == 0) items = std::max(100, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--files") == 0) files = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::string corpus = nuko::test::CorpusDir();
    if (corpus.empty()) {
        std::printf("the corpus folder is missing: the MP3 items come from it\n");
        return 1;
    }
    const std::string mp3 = nuko::test::ReadBytes(corpus + "mp3/taglib_ape-id3v1.mp3");
    TempDir midi, sound;
    MakeMidi(midi.path(), files);
    MakeSound(sound.path(), files, mp3);
    bool ok = Soak("MIDI (SMF, MacBinary SMF)", midi.path(), items, files);
    ok = Soak("sound (WAV, MP3, RIFF-MP3, WAV with MP3, MacBinary MP3)", sound.path(), items, files) && ok;
    return ok ? 0 : 1;
}
