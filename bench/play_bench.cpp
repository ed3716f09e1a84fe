// CPU time of nu_kotool playing a 60 s MIDI song and a 60 s sound file,
// beside the libraries' own command-line players doing the same into the
// same output:
//   fluidsynth -ni with the same sound font, and mpv --no-video.
// By default every player renders into a silent output as fast as it can
// (nu_kotool --fast, fluidsynth into /dev/null, mpv into its null output),
// which measures the work itself. With --realtime, each plays in real time
// into the PulseAudio server the environment names (PULSE_SERVER); run it
// with a null sink to keep the machine quiet. Measure a release build: a
// sanitizer build of nu_kotool is several times slower.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_util.h"
#include "playback/fluidsynth_backend.h"

namespace {

struct Cost {
    double cpu_s = -1;
    double wall_s = 0;
    int status = -1;
};

Cost Measure(const std::vector<std::string>& argv) {
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = nuko::bench::SpawnQuiet(argv);
    Cost c;
    int status = 0;
    struct rusage ru {};
    if (::wait4(pid, &status, 0, &ru) != pid) return c;
    c.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    c.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    c.cpu_s = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
              static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    return c;
}

Cost Best(int repeat, const std::vector<std::string>& argv) {
    Cost best;
    for (int i = 0; i < repeat; ++i) {
        Cost c = Measure(argv);
        if (c.status != 0) return c;
        if (best.cpu_s < 0 || c.cpu_s < best.cpu_s) best = c;
    }
    return best;
}

bool OnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string file = dirs.substr(start, end - start) + "/" + name;
        if (::access(file.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// 60 s at 120 bpm: a four-voice chord on every beat on four channels.
std::string SixtySecondSong() {
    std::string track;
    for (int ch = 0; ch < 4; ++ch) {
        track += std::string{0, static_cast<char>(0xC0 | ch), static_cast<char>(ch * 8)};
    }
    for (int beat = 0; beat < 120; ++beat) {
        for (int ch = 0; ch < 4; ++ch)
            track += std::string{0, static_cast<char>(0x90 | ch), static_cast<char>(48 + ch * 7 + beat % 12), 100};
        for (int ch = 0; ch < 4; ++ch) {
            track += ch == 0 ? std::string{static_cast<char>(0x83), 0x60} : std::string{0};  // 480 ticks
            track += std::string{static_cast<char>(0x80 | ch), static_cast<char>(48 + ch * 7 + beat % 12), 64};
        }
    }
    track += std::string("\x00\xFF\x2F\x00", 4);
    std::string smf = std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14) + "MTrk";
    for (int s = 24; s >= 0; s -= 8) smf.push_back(static_cast<char>((track.size() >> s) & 0xFF));
    return smf + track;
}

std::string SixtySecondWave() {
    const int rate = 44100;
    std::string pcm;
    pcm.reserve(static_cast<std::size_t>(rate) * 60 * 4);
    for (int i = 0; i < rate * 60; ++i) {
        auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::sin(i * 0.0627) * 9000));
        Put16(pcm, v);
        Put16(pcm, v);
    }
    std::string wav = "RIFF";
    Put32(wav, static_cast<std::uint32_t>(36 + pcm.size()));
    wav += "WAVEfmt ";
    Put32(wav, 16);
    Put16(wav, 1);
    Put16(wav, 2);
    Put32(wav, rate);
    Put32(wav, rate * 4);
    Put16(wav, 4);
    Put16(wav, 16);
    wav += "data";
    Put32(wav, static_cast<std::uint32_t>(pcm.size()));
    return wav + pcm;
}

void Row(const char* what, const Cost& ours, const char* baseline, const Cost& theirs) {
    if (ours.status != 0 || theirs.status != 0) {
        std::printf("%-24s failed (nu_kotool %d, %s %d)\n", what, ours.status, baseline, theirs.status);
        return;
    }
    std::printf("%-24s nu_kotool %7.3f s CPU (%6.2f s wall)   %s %7.3f s CPU (%6.2f s wall)   ratio %.2f\n", what,
                ours.cpu_s, ours.wall_s, baseline, theirs.cpu_s, theirs.wall_s,
                theirs.cpu_s > 0 ? ours.cpu_s / theirs.cpu_s : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    bool realtime = argc > 1 && std::strcmp(argv[1], "--realtime") == 0;
    if (realtime && !std::getenv("PULSE_SERVER")) {
        std::printf("--realtime needs PULSE_SERVER naming a running PulseAudio server\n");
        return 1;
    }
    char tmpl[] = "/tmp/nuko-play-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    std::string dir = tmpl;
    std::string song = dir + "/sixty.mid";
    std::string wave = dir + "/sixty.wav";
    std::ofstream(song, std::ios::binary) << SixtySecondSong();
    std::ofstream(wave, std::ios::binary) << SixtySecondWave();
    std::string tool = std::string(NUKO_PROGRAM_DIR) + "/nu_kotool";
    std::string font = nuko::playback::FindSoundFont({});
    std::printf("%s, 60 s song and 60 s sound; sound font %s\n",
                realtime ? "real time into the PulseAudio server" : "silent output, as fast as it renders",
                font.c_str());
    int repeat = realtime ? 1 : 3;

    std::vector<std::string> ours_midi = {tool, "play", song};
    std::vector<std::string> ours_wave = {tool, "play", wave};
    if (!realtime) {
        ours_midi.push_back("--fast");
        ours_wave.push_back("--fast");
    }
    if (OnPath("fluidsynth") && !font.empty()) {
        std::vector<std::string> theirs = realtime
            ? std::vector<std::string>{"fluidsynth", "-ni", "-a", "pulseaudio", "-r", "44100", font, song}
            : std::vector<std::string>{"fluidsynth", "-ni", "-F", "/dev/null", "-T", "raw", "-r", "44100", font, song};
        Row("MIDI (60 s)", Best(repeat, ours_midi), "fluidsynth -ni", Best(repeat, theirs));
    } else {
        std::printf("MIDI: fluidsynth or a sound font is missing; nu_kotool alone: %.3f s CPU\n",
                    Best(repeat, ours_midi).cpu_s);
    }
    if (OnPath("mpv")) {
        std::vector<std::string> theirs = {"mpv", "--no-config", "--no-video", "--really-quiet"};
        if (realtime) {
            theirs.push_back("--ao=pulse");
        } else {
            theirs.push_back("--ao=null");
            theirs.push_back("--ao-null-untimed=yes");
        }
        theirs.push_back(wave);
        Row("sound file (60 s)", Best(repeat, ours_wave), "mpv --no-video", Best(repeat, theirs));
    } else {
        std::printf("sound: mpv is missing; nu_kotool alone: %.3f s CPU\n", Best(repeat, ours_wave).cpu_s);
    }
    ::unlink(song.c_str());
    ::unlink(wave.c_str());
    ::rmdir(tmpl);
    return 0;
}
