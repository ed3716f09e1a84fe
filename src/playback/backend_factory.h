// The back ends of this platform: FluidSynth for MIDI, libmpv for movies
// and sound files, the disc module with libmpv for audio CD.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "media_device.h"
#include "midi_ports.h"
#include "nuko/clock.h"
#include "nuko/dispatch.h"

namespace nuko::playback {

struct BackendSettings {
    std::string sound_font;      // setting `Midi`/`SoundFont`
    std::string program_folder;  // where the outside libraries are; ends in "/"
    // Play into the silent output as fast as it renders (the command-line
    // tool's --fast, tests) instead of through the sound outputs in real time.
    bool fast = false;
    // Where the time limits of loads and seeks are measured; null: the
    // steady clock.
    const Clock* clock = nullptr;
};

class LinuxBackends final : public BackendFactory {
public:
    LinuxBackends(Dispatcher& dispatcher, BackendSettings settings);
    ~LinuxBackends() override;

    std::unique_ptr<Backend> Create(BackendType type, MediaKind kind) override;
    const PlatformFacts& Facts() override;

private:
    Dispatcher& dispatcher_;
    BackendSettings settings_;
    std::unique_ptr<MidiPortProvider> ports_;
    std::optional<PlatformFacts> facts_;
};

}  // namespace nuko::playback
