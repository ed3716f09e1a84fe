// Which sound outputs this machine offers, found without starting anything:
// a sound server's socket, ALSA playback devices. The back ends try these in
// order and fall back to a silent output that keeps real time, so that
// playing and its completion work on a machine without sound.
#pragma once

#include <string>
#include <vector>

namespace nuko::playback {

struct AudioOutputs {
    bool pulse = false;     // a PulseAudio (or pipewire-pulse) server socket
    bool pipewire = false;  // a PipeWire socket
    bool alsa = false;      // an ALSA playback device

    bool Any() const { return pulse || pipewire || alsa; }

    // Driver names in the order to try them, for FluidSynth
    // ("pulseaudio", "pipewire", "alsa") and for mpv ("pulse", "pipewire",
    // "alsa"). Empty when nothing is there.
    std::vector<std::string> FluidSynthDrivers() const;
    std::vector<std::string> MpvDrivers() const;
};

// The name and icon under which the sound server's mixer shows the
// program's streams.
inline constexpr const char* kStreamClientName = "NU-KOP32";
inline constexpr const char* kStreamIconName = "nu-kop32";

// Names the program's sound-server clients for libpulse (which the
// PulseAudio and PipeWire servers and the ALSA pulse plug-in all go
// through): the application's name and icon, and the role "music" for a
// stream that names none. Libraries read it as they connect, so it is set
// at the start of main, before any thread runs; what the user set is kept.
void NameAudioStreams();

// Looks at the environment (PULSE_SERVER, PULSE_RUNTIME_PATH,
// XDG_RUNTIME_DIR, PIPEWIRE_REMOTE) and at /dev/snd.
AudioOutputs DetectAudioOutputs();

}  // namespace nuko::playback
