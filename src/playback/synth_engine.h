// The internal synthesizer as the sound module a song was made for:
// FluidSynth with a chain of fonts, every event of the song going through
// midi::SoundModule, which picks presets, drum channels and effects the way
// a GS or XG module would. The back end and the offline renderer share it,
// so a song sounds the same played and rendered.
//
// Not thread-safe by itself: its owner serialises the calls (the back end
// under its render lock).
#pragma once

#include <fluidsynth.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "loop_plan.h"
#include "midi_renderer.h"
#include "midi_song.h"
#include "midi_synth_options.h"
#include "sound_module.h"

namespace nuko::playback {

// FluidSynth's complaints are kept rather than printed; the last one, taken.
void InstallFluidLog();
std::string TakeFluidLog();

// Reads a MIDI song (SMF or RMI), or an RCP, R36 or G36 song converted in
// memory through `rcp_library`. 0 or an MCI error, with the reason in `why`.
int ReadMidiSong(const std::string& path, const std::string& rcp_library, std::optional<midi::Song>* song,
                 std::string* why);

// A song as it will play: its mode, its loops unrolled, the channels it
// sounds notes on, what was wrong with it.
struct PreparedSong {
    midi::ModuleMode mode = midi::ModuleMode::GM;
    midi::PlayPlan plan;
    std::vector<bool> used_channels = std::vector<bool>(16, false);
    bool has_notes = false;
    std::int64_t first_note_ms = 0;
    std::vector<std::string> problems;
};
PreparedSong PrepareSong(const midi::Song& song, const midi::LoopOptions& loops);

class SynthEngine final : public midi::SynthSink {
public:
    static constexpr int kSampleRate = MidiRenderer::kSampleRate;

    SynthEngine();
    ~SynthEngine() override;
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    bool ok() const { return synth_ != nullptr; }
    fluid_settings_t* settings() const { return settings_; }
    fluid_synth_t* synth() const { return synth_; }

    // Makes `chain` (first font first) the fonts in use, keeping those
    // already loaded. A font that does not load is left out with a notice
    // and the next one carries on; when none of the chain loads, the
    // system's default fonts are tried. False when no font at all loads.
    bool UseFonts(const std::vector<std::string>& chain);
    const std::vector<std::string>& fonts() const { return font_paths_; }

    // A new song in `mode`: a clean module (programs, controllers, drum
    // channels, effects), except after a song without notes (a MIDI
    // initialisation file), whose setup and mode carry over to this song
    // when the song names no module of its own.
    void BeginSong(const PreparedSong& song);
    // Plays one event of the song through the module (meta events are
    // ignored).
    void Play(const midi::Event& event);
    midi::ModuleMode mode() const;

    // The song's notes stop at once; nothing else changes.
    void Silence();

    void SetMuted(bool muted);
    // 1: full level, 0: silent; the fade of a looped song's end.
    void SetFade(double factor);
    // The level normalisation's factor (1: the song as it is); kept from
    // song to song.
    void SetLevel(double factor);

    // The channels of `used` (16 flags), as the synthesizer holds them.
    std::vector<MidiChannelInfo> Channels(const std::vector<bool>& used) const;

    // Notices since the last call (the engine's and the module's).
    std::vector<std::string> TakeNotices();

    // midi::SynthSink
    void ResetSynth() override;
    void SetDrumChannel(int channel, bool drum) override;
    void SelectPreset(int channel, const midi::ResolvedPreset& preset) override;
    void SetReverb(const midi::ReverbParams& params) override;
    void SetChorus(const midi::ChorusParams& params) override;
    void Forward(const midi::Event& event) override;

private:
    struct Font {
        std::string path;
        int id = -1;
    };

    bool LoadChain(const std::vector<std::string>& chain);
    void ApplyGain();
    void Notice(std::string text);

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    std::vector<Font> fonts_;  // first font first
    std::vector<std::string> font_paths_;
    std::vector<std::string> failed_fonts_;  // said once
    midi::PresetCatalog catalog_;
    std::unique_ptr<midi::SoundModule> module_;
    bool last_song_had_notes_ = true;
    std::vector<std::string> notices_;
    float gain_ = 0.2f;
    bool muted_ = false;
    double fade_ = 1.0;
    double level_ = 1.0;
};

}  // namespace nuko::playback
