// The interface between the device layer and a back-end module: a shared
// library in the program folder (nuko_backend_fluidsynth.so,
// nuko_backend_mpv.so) that holds one family of back ends and the large
// libraries they need. The device layer loads a module the first time it
// needs one of its back ends, so a program that plays nothing never loads
// FluidSynth or libmpv.
//
// A module exports one C function, kBackendModuleEntry, that returns its
// table. The table passes C++ objects: a module is built from this tree
// with the same compiler and flags as the programs that load it, and the
// version tells an old module from a new one.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "audio_outputs.h"
#include "backend.h"
#include "level/loudness.h"
#include "midi_synth_options.h"
#include "device_types.h"
#include "midi_ports.h"
#include "midi_renderer.h"
#include "nuko/clock.h"
#include "nuko/dispatch.h"

namespace nuko::playback {

inline constexpr int kBackendModuleVersion = 4;
inline constexpr const char* kBackendModuleEntry = "nuko_backend_module";
inline constexpr const char* kFluidSynthModuleFile = "nuko_backend_fluidsynth.so";
inline constexpr const char* kMpvModuleFile = "nuko_backend_mpv.so";

// What a back end is made with.
struct BackendRequest {
    Dispatcher* dispatcher = nullptr;
    BackendType type = BackendType::None;
    bool video = false;           // a movie rather than a sound file
    MidiSynthOptions synth;       // the MIDI page
    AudioOutputs outputs;
    bool fast = false;            // see BackendSettings
    const Clock* clock = nullptr;
    MidiPortProvider* ports = nullptr;  // from make_midi_ports; may be null
    std::string program_folder;   // ending in "/": where the outside libraries are
};

// An item whose loudness is to be measured by the module that plays it.
struct LoudnessRequest {
    std::string path;  // a sound file or movie; for a CD track the drive or disc image
    int track = 0;     // the CD track, from 1; 0 for a file
    // Set from another thread to stop the measurement early.
    const std::atomic<bool>* cancel = nullptr;
    // Only so much of the item is measured (level::kMaxMeasureSeconds).
    double max_seconds = level::kMaxMeasureSeconds;
};

struct BackendModule {
    int version = 0;  // kBackendModuleVersion
    // Null when the module does not make that type.
    std::unique_ptr<Backend> (*create)(const BackendRequest& request) = nullptr;
    // The MIDI ports besides the internal synthesizer; null in a module
    // without MIDI.
    std::unique_ptr<MidiPortProvider> (*make_midi_ports)() = nullptr;
    // An offline renderer of MIDI songs; null in a module without one.
    std::unique_ptr<MidiRenderer> (*make_midi_renderer)(const MidiRenderRequest& request) = nullptr;
    // Measures the loudness of an item the module plays (the sound as
    // libmpv decodes it, or a CD track as read from the disc); false with
    // the reason (Japanese) when it cannot be read. Runs on the caller's
    // thread; null in a module that plays no such items.
    bool (*measure_loudness)(const LoudnessRequest& request, level::Loudness* out, std::string* error) = nullptr;
};

// The module file that holds a back-end type; empty for None.
std::string BackendModuleFile(BackendType type);

// Loads `folder` + `file` (once per process; a loaded module stays loaded,
// since the back ends it made may live as long as the process) and returns
// its table; null with `error` set when the file is missing, does not load,
// or is of another version.
const BackendModule* LoadBackendModule(const std::string& folder, const std::string& file, std::string* error);

}  // namespace nuko::playback

extern "C" {
// Each module's one export.
using NukoBackendModuleEntry = const nuko::playback::BackendModule* (*)();
}
