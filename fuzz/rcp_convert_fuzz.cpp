// RCP, R36 and G36 files to standard MIDI files: whatever comes in, the
// output is a file the MIDI reader takes, within the limits asked for.
#include <cstdint>
#include <string_view>

#include "playback/midi_song.h"
#include "rcpcv/rcp_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    nuko::rcpcv::ConvertLimits limits;
    limits.max_seconds = 120;
    limits.max_events = 20000;
    nuko::rcpcv::ConvertResult r = nuko::rcpcv::ConvertRcp(bytes, limits);
    if (r.error != nuko::rcpcv::ConvertError::None) return 0;
    auto song = nuko::midi::ParseSmf(std::string_view(reinterpret_cast<const char*>(r.smf.data()), r.smf.size()));
    if (!song) __builtin_trap();
    if (r.report.seconds > limits.max_seconds + 1) __builtin_trap();
    std::uint64_t ons = 0;
    for (const auto& e : song->events())
        if ((e.Status() & 0xF0) == 0x90 && e.bytes.size() == 3 && e.bytes[2] != 0) ++ons;
    if (ons != r.report.notes || ons > limits.max_events) __builtin_trap();
    return 0;
}
