// nu_kotool midiinfo and render: a MIDI or RCP song as the internal
// synthesizer holds and sounds it, with the player's own settings.
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/controller_settings.h"
#include "level/audio_writer.h"
#include "level/loudness.h"
#include "nuko/paths.h"
#include "play_args.h"
#include "playback/backend_module.h"
#include "settings/settings_store.h"
#include "tool_commands.h"

namespace nuko::tool {
namespace {

// The FluidSynth module's renderer, with the settings of the MIDI page.
std::unique_ptr<playback::MidiRenderer> MakeRenderer(const settings::Settings& s) {
    std::string error;
    const std::string folder = folders::ProgramFolder();
    const playback::BackendModule* module =
        playback::LoadBackendModule(folder, playback::kFluidSynthModuleFile, &error);
    if (!module || !module->make_midi_renderer) {
        std::fprintf(stderr, "nu_kotool: 内蔵ｼﾝｾｻｲｻﾞｰを読み込めません (cannot load the synthesizer): %s\n", error.c_str());
        return nullptr;
    }
    return module->make_midi_renderer(app::MidiRenderRequestFrom(s, folder));
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
    auto renderer = MakeRenderer(settings::SettingsStore(folders::SettingsFile()).ReadAll());
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
    static const char* const kUsage =
        "usage: nu_kotool render SONG OUT [--from S] [--for S] [--format wav|flac|ogg|mp3] [--normalise]\n";
    std::vector<std::string> paths;
    double from = 0, length = -1;
    std::optional<level::AudioFormat> format;
    bool normalise = false;
    bool bad = false;
    for (std::size_t i = 0; i < args.size() && !bad; ++i) {
        if (args[i] == "--from" && i + 1 < args.size() && ParseNumber(args[i + 1], &from)) {
            ++i;
        } else if (args[i] == "--for" && i + 1 < args.size() && ParseNumber(args[i + 1], &length)) {
            ++i;
        } else if (args[i] == "--format" && i + 1 < args.size()) {
            format = level::AudioFormatByName(args[++i]);
            bad = !format;
        } else if (args[i] == "--normalise" || args[i] == "--normalize") {
            normalise = true;
        } else if (args[i].rfind("--", 0) != 0 && paths.size() < 2) {
            paths.push_back(args[i]);
        } else {
            bad = true;
        }
    }
    if (bad || paths.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Without --format the name tells, else a WAVE file.
    if (!format) format = level::AudioFormatByName(path::Extension(paths[1]));
    if (!format) format = level::AudioFormat::Wav;

    settings::Settings s = settings::SettingsStore(folders::SettingsFile()).ReadAll();
    auto renderer = MakeRenderer(s);
    if (!renderer) return 1;
    if (!OpenSong(*renderer, paths[0])) return 1;
    const auto skip_ms = static_cast<std::int64_t>(std::llround(from * 1000));
    const auto rate = static_cast<unsigned>(playback::MidiRenderer::kSampleRate);

    level::WriteRequest request;
    request.path = paths[1];
    request.format = *format;
    request.sample_rate = rate;
    if (length >= 0) request.max_frames = static_cast<std::uint64_t>(std::llround(length * rate));
    renderer->SkipTo(skip_ms);
    auto source = [&](float* b, std::size_t n) { return renderer->Render(b, n); };
    level::WriteResult result;
    if (normalise) {
        double gain = 0;
        result = level::WriteNormalisedAudioFile(request, source, s.level.target, nullptr, &gain);
        if (result.ok) std::printf("gain: %.2f\n", gain);
    } else {
        result = level::WriteAudioFile(request, source);
    }
    SayNotices(*renderer);
    if (!result.ok) {
        std::fprintf(stderr, "nu_kotool: %s\n", result.error.c_str());
        return 1;
    }
    std::printf("seconds: %.3f\n", static_cast<double>(result.frames) / rate);
    if (result.rms_db > level::kNoPeakDb)
        std::printf("rms: %.1f\n", result.rms_db);
    else
        std::printf("rms: -inf\n");
    if (result.loudness.lufs)
        std::printf("lufs: %.1f\n", *result.loudness.lufs);
    else
        std::printf("lufs: -inf\n");
    return 0;
}

}  // namespace nuko::tool
