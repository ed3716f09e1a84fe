// The internal synthesizer's sound font, found without FluidSynth, so that
// the device check does not load the MIDI back end.
#pragma once

#include <string>

namespace nuko::playback {

// The setting when it names a file, else the first of the system's General
// MIDI fonts that exists; empty when there is none.
std::string FindSoundFont(const std::string& setting);

}  // namespace nuko::playback
