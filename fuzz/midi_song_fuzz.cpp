// Standard MIDI files: read, write back, read again, and the tempo map's
// conversions.
#include <cstdint>
#include <string_view>

#include "playback/midi_song.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto song = nuko::midi::ParseSmf(bytes);
    if (!song) return 0;
    std::uint32_t end = song->end_tick();
    for (std::uint32_t tick : {0u, end / 3, end / 2, end}) {
        std::int64_t ms = song->TickToMs(tick);
        (void)song->MsToTick(ms);
        (void)song->BpmAt(tick);
        (void)song->SixteenthsAt(tick);
    }
    (void)song->MsToTick(-1);
    for (bool markers : {false, true}) {
        auto again = nuko::midi::ParseSmf(song->ToSmf(markers));
        if (!again || again->end_tick() != end) __builtin_trap();
    }
    for (const auto& e : song->events())
        if (e.IsMeta() && e.bytes.size() > 2) (void)nuko::midi::SysexMarkerIndex(std::string_view(e.bytes).substr(2));
    return 0;
}
