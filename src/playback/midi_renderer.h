// A MIDI or RCP song rendered offline with exactly the playback settings
// (module mode, fonts, effects, loops), as fast as the machine goes: for
// `nu_kotool render` and `midiinfo`, and for whatever measures or exports a
// song. The FluidSynth module makes one (BackendModule::make_midi_renderer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi_synth_options.h"

namespace nuko::playback {

struct MidiChannelInfo {
    int channel = 0;  // 1..16
    int bank_msb = 0;
    int bank_lsb = 0;
    int program = 0;
    bool drum = false;
    std::string preset;     // the name of the preset the synthesizer holds
    bool fallback = false;  // not the one the song asked for
};

class MidiRenderer {
public:
    static constexpr int kSampleRate = 44100;

    virtual ~MidiRenderer() = default;

    // Opens the song; false with the reason (Japanese) in `error`.
    virtual bool Open(const std::string& path, std::string* error) = 0;
    // "GM", "GS", ... of the open song as it begins (an initialisation
    // file's mode holds for a song that names none).
    virtual std::string Mode() = 0;
    // The fonts loaded for it, first font first.
    virtual std::vector<std::string> Fonts() = 0;
    // The length as played (loops and fade included).
    virtual std::int64_t LengthMs() = 0;
    // Where the song's first note sounds.
    virtual std::int64_t FirstNoteMs() = 0;
    // Plays the song's events up to `ms` without sound, as a seek does; the
    // next Render goes on from there. Only forwards.
    virtual void SkipTo(std::int64_t ms) = 0;
    // Renders from now on `db` decibels louder than the song is (the
    // player's level normalisation); 0: as it is.
    virtual void SetLevel(double db) = 0;
    // Renders up to `frames` stereo frames (left and right interleaved) at
    // kSampleRate; fewer at the song's end, 0 after it.
    virtual std::size_t Render(float* interleaved, std::size_t frames) = 0;
    // The channels the song sounds notes on, as the synthesizer holds them
    // now.
    virtual std::vector<MidiChannelInfo> Channels() = 0;
    // Notices about the song (see MidiControls::TakeSongNotices).
    virtual std::vector<std::string> TakeNotices() = 0;
};

struct MidiRenderRequest {
    MidiSynthOptions synth;
    std::string rcp_library;  // librcpcv.so; empty: RCP songs do not open
};

}  // namespace nuko::playback
