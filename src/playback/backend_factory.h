// The back ends of this platform: FluidSynth for MIDI, libmpv for movies
// and sound files, the disc module with libmpv for audio CD. They live in
// modules in the program folder (backend_module.h), loaded when a back end
// of theirs is first created; a module that is missing or does not load
// gives a back end whose every open fails with kCannotLoadDriver and the
// loader's message.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "media_device.h"
#include "backend_module.h"
#include "midi_ports.h"
#include "nuko/clock.h"
#include "nuko/dispatch.h"

namespace nuko::playback {

struct BackendSettings {
    MidiSynthOptions synth;      // the MIDI page: fonts, loops, MT-32 port
    // Where the outside libraries and the back-end modules are; ends in
    // "/". Empty: the program folder.
    std::string program_folder;
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
    void SetMidiSynthOptions(const MidiSynthOptions& options) override;

private:
    Dispatcher& dispatcher_;
    BackendSettings settings_;
    std::unique_ptr<MidiPortProvider> ports_;  // made by the MIDI module
    std::optional<PlatformFacts> facts_;
};

}  // namespace nuko::playback
