#include "playback_clock.h"

#include <algorithm>

namespace nuko::playback {
namespace {

void Add(std::uint16_t& acc, std::int64_t ms) {
    std::int64_t v = std::clamp<std::int64_t>(acc + std::max<std::int64_t>(ms, 0), 0, 0xFFFF);
    acc = static_cast<std::uint16_t>(v);
}

// True when the accumulator passed its period; it keeps the remainder.
bool Pass(std::uint16_t& acc, int period) {
    if (period <= 0 || acc < period) return false;
    acc = static_cast<std::uint16_t>(acc % period);
    return true;
}

}  // namespace

unsigned PlaybackClock::Tick(std::int64_t ms) {
    for (std::uint16_t* a : {&a100_, &a500_, &a700_, &a800_, &a1000_, &a1500_, &a2000_, &cd_read_, &cd_insert_, &ab_pause_})
        Add(*a, ms);
    unsigned flags = 0;
    if (Pass(a100_, 100)) {
        flags |= kEvery100;
        if (Pass(a500_, 500)) {
            flags |= kEvery500;
            if (Pass(a1500_, 1500)) flags |= kEvery1500;
            if (Pass(a1000_, 1000)) {
                flags |= kEvery1000;
                if (Pass(a2000_, 2000)) flags |= kEvery2000;
            }
        }
        if (Pass(a700_, 700)) flags |= kEvery700;
        if (Pass(a800_, 800)) flags |= kEvery800;
    }
    if (Pass(cd_read_, periods_.cd_read_ms)) flags |= kCdRead;
    if (Pass(cd_insert_, periods_.cd_insert_ms)) flags |= kCdInsert;
    if (periods_.ab_pause_ms > 0 && ab_pause_ >= periods_.ab_pause_ms) flags |= kAbPause;
    return flags;
}

}  // namespace nuko::playback
