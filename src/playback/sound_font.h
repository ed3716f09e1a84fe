// The internal synthesizer's sound fonts, found without FluidSynth, so that
// the device check does not load the MIDI back end.
#pragma once

#include <string>
#include <vector>

namespace nuko::playback {

// The system's fonts for songs made for GS and XG modules as much as for GM
// ones, first font first: the GS variation tones over the GM set with its
// drum kits; failing those, the first General MIDI font there is. Only the
// ones that exist.
std::vector<std::string> DefaultSoundFonts();

// The fonts a song plays with, first font first: a font named as the song
// ("song.sf2", "song.sf3") beside it, the other fonts in its folder (by
// name), then `chain` (the MIDI page's; empty: DefaultSoundFonts). Each font
// once. Only files that exist; whether they are sound fonts is for the
// synthesizer to say.
std::vector<std::string> SoundFontsForSong(const std::string& song_path, const std::vector<std::string>& chain);

// The first font of `chain` that exists, else the default chain's General
// MIDI font (the one that carries a song by itself, not the GS add-on over
// it); empty when there is none.
std::string FindSoundFont(const std::vector<std::string>& chain);

}  // namespace nuko::playback
