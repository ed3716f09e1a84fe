// MIDI output ports other than the internal synthesizer: the ALSA
// sequencer's writable ports. A chosen port receives the song's events as
// MIDI bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuko::playback {

class MidiOut {
public:
    virtual ~MidiOut() = default;
    // One complete message: a channel message, or a system exclusive
    // message beginning with F0. Thread-safe.
    virtual void Send(const std::uint8_t* bytes, std::size_t size) = 0;
};

class MidiPortProvider {
public:
    virtual ~MidiPortProvider() = default;
    // Names of the ports that take MIDI output, each once.
    virtual std::vector<std::string> List() = 0;
    // Connects to the port of that name; null when there is none.
    virtual std::unique_ptr<MidiOut> Open(const std::string& name) = 0;
};

// The ALSA sequencer's ports ("client name:port name"). Lists nothing when
// the machine has no sequencer.
std::unique_ptr<MidiPortProvider> MakeAlsaMidiPorts();

}  // namespace nuko::playback
