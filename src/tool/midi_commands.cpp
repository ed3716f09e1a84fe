// nu_kotool midiinfo and render: a MIDI or RCP song as the internal
// synthesizer holds and sounds it, with the player's own settings.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/controller_settings.h"
#include "nuko/paths.h"
#include "play_args.h"
#include "playback/backend_module.h"
#include "playback/rcpcv_binding.h"
#include "settings/settings_store.h"
#include "tool_commands.h"

namespace nuko::tool {
namespace {

// A render is made in blocks of this many frames.
constexpr std::size_t kBlockFrames = 4096;

// The FluidSynth module's renderer, with the settings of the MIDI page.
std::unique_ptr<playback::MidiRenderer> MakeRenderer() {
    std::string error;
    const std::string folder = folders::ProgramFolder();
    const playback::BackendModule* module =
        playback::LoadBackendModule(folder, playback::kFluidSynthModuleFile, &error);
    if (!module || !module->make_midi_renderer) {
        std::fprintf(stderr, "nu_kotool: 内蔵ｼﾝｾｻｲｻﾞｰを読み込めません (cannot load the synthesizer): %s\n", error.c_str());
        return nullptr;
    }
    settings::Settings s = settings::SettingsStore(folders::SettingsFile()).ReadAll();
    playback::MidiRenderRequest request;
    request.synth = app::MidiSynthOptionsFrom(s);
    request.rcp_library = folder + playback::kRcpcvLibraryFile;
    return module->make_midi_renderer(request);
}

void SayNotices(playback::MidiRenderer& r) {
    for (const auto& n : r.TakeNotices()) std::fprintf(stderr, "nu_kotool: %s\n", n.c_str());
}

bool OpenSong(playback::MidiRenderer& r, const std::string& path) {
    std::string error;
    if (r.Open(path, &error)) return true;
    std::fprintf(stderr, "nu_kotool: %s\n", error.c_str());
    return false;
}

}  // namespace

int RunMidiInfo(const Args& args) {
    std::string path;
    double at = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--at" && i + 1 < args.size() && ParseNumber(args[i + 1], &at)) {
            ++i;
        } else if (path.empty() && args[i].rfind("--", 0) != 0) {
            path = args[i];
        } else {
            std::fprintf(stderr, "usage: nu_kotool midiinfo FILE [--at SECONDS]\n");
            return 2;
        }
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: nu_kotool midiinfo FILE [--at SECONDS]\n");
        return 2;
    }
    auto renderer = MakeRenderer();
    if (!renderer) return 1;
    if (!OpenSong(*renderer, path)) return 1;
    renderer->SkipTo(at >= 0 ? static_cast<std::int64_t>(std::llround(at * 1000)) : renderer->FirstNoteMs());
    std::printf("mode: %s\n", renderer->Mode().c_str());
    for (const auto& f : renderer->Fonts()) std::printf("font: %s\n", f.c_str());
    for (const auto& c : renderer->Channels())
        std::printf("channel %d bank %d,%d program %d %s \"%s\"%s\n", c.channel, c.bank_msb, c.bank_lsb, c.program,
                    c.drum ? "drum" : "melodic", c.preset.c_str(), c.fallback ? " fallback" : "");
    SayNotices(*renderer);
    return 0;
}

int RunRender(const Args& args) {
    std::vector<std::string> paths;
    double from = 0, length = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--from" && i + 1 < args.size() && ParseNumber(args[i + 1], &from)) {
            ++i;
        } else if (args[i] == "--for" && i + 1 < args.size() && ParseNumber(args[i + 1], &length)) {
            ++i;
        } else if (args[i].rfind("--", 0) != 0 && paths.size() < 2) {
            paths.push_back(args[i]);
        } else {
            paths.clear();
            break;
        }
    }
    if (paths.size() != 2) {
        std::fprintf(stderr, "usage: nu_kotool render SONG OUT.wav [--from S] [--for S]\n");
        return 2;
    }
    auto renderer = MakeRenderer();
    if (!renderer) return 1;
    if (!OpenSong(*renderer, paths[0])) return 1;
    renderer->SkipTo(static_cast<std::int64_t>(std::llround(from * 1000)));

    SF_INFO info{};
    info.samplerate = playback::MidiRenderer::kSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(paths[1].c_str(), SFM_WRITE, &info);
    if (!out) {
        std::fprintf(stderr, "nu_kotool: %s: 書き込めません (cannot write): %s\n", paths[1].c_str(), sf_strerror(nullptr));
        return 1;
    }
    // Clipped rather than wrapped where the song is louder than full scale.
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::uint64_t limit = length < 0 ? UINT64_MAX
                                     : static_cast<std::uint64_t>(std::llround(length * playback::MidiRenderer::kSampleRate));
    std::vector<float> block(2 * kBlockFrames);
    std::uint64_t frames = 0;
    double sum = 0;
    bool failed = false;
    while (frames < limit) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, limit - frames));
        std::size_t got = renderer->Render(block.data(), want);
        if (got == 0) break;
        for (std::size_t i = 0; i < 2 * got; ++i) sum += static_cast<double>(block[i]) * block[i];
        if (sf_writef_float(out, block.data(), static_cast<sf_count_t>(got)) != static_cast<sf_count_t>(got)) {
            failed = true;
            break;
        }
        frames += got;
    }
    std::string write_error = failed ? sf_strerror(out) : "";
    if (sf_close(out) != 0 && !failed) {
        failed = true;
        write_error = "close";
    }
    SayNotices(*renderer);
    if (failed) {
        std::remove(paths[1].c_str());
        std::fprintf(stderr, "nu_kotool: %s: 書き込めません (cannot write): %s\n", paths[1].c_str(), write_error.c_str());
        return 1;
    }
    double seconds = static_cast<double>(frames) / playback::MidiRenderer::kSampleRate;
    double mean = frames ? sum / (2.0 * static_cast<double>(frames)) : 0;
    std::printf("seconds: %.3f\n", seconds);
    if (mean > 0)
        std::printf("rms: %.1f\n", 10.0 * std::log10(mean));
    else
        std::printf("rms: -inf\n");
    return 0;
}

}  // namespace nuko::tool
