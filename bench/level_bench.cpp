// Loudness analysis of a MIDI song as the player's measuring worker does it
// (the offline renderer with the playback settings into the EBU R128
// meter, no output), beside the song's own length, its anchor: the goal is
// at least 100 times faster than real time on one core. The fonts load
// once per settings, as in the worker, so their loading is shown apart.
//
//   level_bench [SONG] [FONT.sf2]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_util.h"
#include "level/loudness.h"
#include "playback/backend_module.h"

int main(int argc, char** argv) {
    std::string song = argc > 1 ? argv[1] : NUKO_CORPUS_DIR "/midi/tonejs_debussy_claire_de_lune.mid";
    std::string font = argc > 2 ? argv[2] : "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    if (!std::filesystem::exists(song) || !std::filesystem::exists(font)) {
        std::fprintf(stderr, "level_bench: needs %s and %s\n", song.c_str(), font.c_str());
        return 1;
    }
    std::string folder = nuko::bench::SelfFolder().string() + "/";
    std::string error;
    const auto* module = nuko::playback::LoadBackendModule(folder, nuko::playback::kFluidSynthModuleFile, &error);
    if (!module || !module->make_midi_renderer) {
        std::fprintf(stderr, "level_bench: %s\n", error.c_str());
        return 1;
    }
    nuko::playback::MidiRenderRequest request;
    request.synth.sound_fonts = {font};
    request.synth.loops.mode = nuko::midi::LoopOptions::Mode::PlayThrough;
    auto renderer = module->make_midi_renderer(request);

    double load_ms = nuko::bench::BestMs(1, [&] {
        if (!renderer->Open(song, &error)) std::fprintf(stderr, "level_bench: %s\n", error.c_str());
    });
    double song_ms = static_cast<double>(renderer->LengthMs());
    std::optional<nuko::level::Loudness> loudness;
    double measure_ms = nuko::bench::BestMs(3, [&] {
        renderer->Open(song, &error);
        loudness = nuko::level::MeasureSource([&](float* b, std::size_t n) { return renderer->Render(b, n); },
                                              nuko::playback::MidiRenderer::kSampleRate);
    });
    if (!loudness || !loudness->lufs) {
        std::fprintf(stderr, "level_bench: the song measured no loudness\n");
        return 1;
    }
    std::printf("song: %s\nfont: %s\n", song.c_str(), font.c_str());
    std::printf("loudness: %.1f LUFS, peak %.1f dBFS\n", *loudness->lufs, loudness->peak_db);
    std::printf("first open (fonts loaded): %.0f ms\n", load_ms);
    nuko::bench::Report("loudness analysis (whole song)", measure_ms, "the song's length", song_ms);
    double speed = song_ms / measure_ms;
    std::printf("speed: %.0fx real time; goal at least 100x -> %s\n", speed, speed >= 100 ? "met" : "NOT met");
    return 0;
}
