// The offline renderer on the synth engine: the song's events are played
// at their sample frames, not through FluidSynth's player, so a render is
// exact to the frame and as fast as the synthesis.
#pragma once

#include <memory>

#include "midi_renderer.h"

namespace nuko::playback {

std::unique_ptr<MidiRenderer> MakeFluidSynthRenderer(const MidiRenderRequest& request);

}  // namespace nuko::playback
