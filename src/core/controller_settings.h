// The play controller's and the media device's settings read from the
// player's settings: one reading for the main frame and the command-line
// tool, so that both play alike.
#pragma once

#include <string>

#include "playback/media_device.h"
#include "playback/midi_renderer.h"
#include "playback/play_controller.h"
#include "settings/settings.h"

namespace nuko::app {

// `work` is the work folder (ending in "/").
playback::ControllerOptions ControllerOptionsFrom(const settings::Settings& s, const std::string& work);
playback::MediaDeviceConfig DeviceConfigFrom(const settings::Settings& s, const std::string& work);
// The MIDI page's settings for the internal synthesizer.
playback::MidiSynthOptions MidiSynthOptionsFrom(const settings::Settings& s);
// The offline renderer's request: the MIDI page's synthesizer, and our RCP
// converter from `program_folder`.
playback::MidiRenderRequest MidiRenderRequestFrom(const settings::Settings& s, const std::string& program_folder);

}  // namespace nuko::app
