// The playback clock's time source for a silent output that runs faster
// than real time (the command-line tool's --fast, tests): it moves by the
// media time that played since the last sample or by the wall time that
// passed, whichever is more. The position refresh, intro play and the A-B
// section then keep pace with the media, and the clock still moves while
// nothing plays (a seek, a pause at A, no item).
#pragma once

#include <cstdint>

#include "media_device.h"
#include "nuko/clock.h"

namespace nuko::playback {

class MediaTimeClock final : public Clock {
public:
    explicit MediaTimeClock(const Clock& wall);

    // The open item's position in milliseconds, taken before each tick;
    // negative when no item is open. A position that went back (a new
    // item, a seek) counts as no media time.
    void Sample(std::int64_t media_ms);
    // The same from the device's item of `kind`, or none when no item is
    // active.
    void Sample(MediaDevice& device, MediaKind kind, bool active);
    std::int64_t NowMs() const override { return now_; }

private:
    const Clock& wall_;
    std::int64_t now_ = 0;
    std::int64_t last_wall_ = 0;
    std::int64_t last_media_ = -1;
};

}  // namespace nuko::playback
