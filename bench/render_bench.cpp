// `nu_kotool render` beside `fluidsynth -F` on the same song and font in
// the same run, each rendering the whole song to a WAVE file: the offline
// render must keep within 1.1x of FluidSynth's own file renderer. Then the
// export to FLAC at the normalised level (a measuring pass and a render)
// and to WAVE, beside the same anchor: at least as fast is the goal.
//
//   render_bench [SONG.mid] [FONT.sf2]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench_util.h"

int main(int argc, char** argv) {
    std::string song = argc > 1 ? argv[1] : NUKO_CORPUS_DIR "/midi/tonejs_debussy_claire_de_lune.mid";
    std::string font = argc > 2 ? argv[2] : "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    std::string tool = (nuko::bench::SelfFolder().parent_path().parent_path() / "bin" / "nu_kotool").string();
    if (!std::filesystem::exists(song) || !std::filesystem::exists(font) || !std::filesystem::exists(tool)) {
        std::fprintf(stderr, "render_bench: needs %s, %s and %s\n", song.c_str(), font.c_str(), tool.c_str());
        return 1;
    }
    // The player's settings of a scratch home: the one font, loops played
    // through, as fluidsynth plays them.
    char scratch_template[] = "/tmp/render_bench.XXXXXX";
    std::string scratch = ::mkdtemp(scratch_template);
    std::filesystem::create_directories(scratch + "/config/NU-KO Application");
    std::ofstream(scratch + "/config/NU-KO Application/NU-KO Player32.ini")
        << "[Midi]\r\nSoundFont=" << font << "\r\nLoopMode=0\r\n";
    ::setenv("XDG_CONFIG_HOME", (scratch + "/config").c_str(), 1);
    ::setenv("HOME", scratch.c_str(), 1);

    std::string ours = scratch + "/ours.wav", theirs = scratch + "/fluidsynth.wav";
    bool ok = true;
    auto best = nuko::bench::BestPairMs(
        3, [&] { ok = nuko::bench::RunQuiet({tool, "render", song, ours}) && ok; },
        [&] { ok = nuko::bench::RunQuiet({"fluidsynth", "-ni", "-q", "-r", "44100", "-F", theirs, font, song}) && ok; });
    if (!ok) {
        std::fprintf(stderr, "render_bench: a render failed\n");
        return 1;
    }
    std::printf("song: %s\nfont: %s\n", song.c_str(), font.c_str());
    nuko::bench::Report("nu_kotool render (whole song)", best.ms, "fluidsynth -F", best.baseline_ms);
    std::printf("goal: ratio at most 1.10 -> %s\n", best.ms <= 1.10 * best.baseline_ms ? "met" : "NOT met");
    for (const auto& [what, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"export to WAVE", {tool, "render", song, scratch + "/e.wav"}},
             {"export to FLAC", {tool, "render", song, scratch + "/e.flac"}},
             {"export to FLAC, normalised", {tool, "render", song, scratch + "/n.flac", "--normalise"}}}) {
        auto pair = nuko::bench::BestPairMs(
            3, [&] { ok = nuko::bench::RunQuiet(args) && ok; },
            [&] { ok = nuko::bench::RunQuiet({"fluidsynth", "-ni", "-q", "-r", "44100", "-F", theirs, font, song}) && ok; });
        nuko::bench::Report(what.c_str(), pair.ms, "fluidsynth -F", pair.baseline_ms);
        std::printf("goal: at least as fast -> %s\n", pair.ms <= pair.baseline_ms ? "met" : "NOT met");
    }
    if (!ok) std::fprintf(stderr, "render_bench: an export failed\n");
    std::filesystem::remove_all(scratch);
    return 0;
}
