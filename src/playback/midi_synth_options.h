// How the internal synthesizer plays MIDI songs: the settings of the MIDI
// page, handed from the settings to the back end.
#pragma once

#include <string>
#include <vector>

#include "loop_plan.h"

namespace nuko::playback {

struct MidiSynthOptions {
    // The font chain, first font first (it wins where two fonts offer the
    // same preset); empty: the system's default chain (DefaultSoundFonts).
    std::vector<std::string> sound_fonts;
    midi::LoopOptions loops;
    // The ALSA port that MT-32 songs play on; empty: the synthesizer.
    std::string mt32_port;

    bool operator==(const MidiSynthOptions&) const = default;
};

}  // namespace nuko::playback
