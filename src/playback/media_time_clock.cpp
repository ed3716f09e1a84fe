#include "media_time_clock.h"

#include <algorithm>

namespace nuko::playback {

MediaTimeClock::MediaTimeClock(const Clock& wall) : wall_(wall), last_wall_(wall.NowMs()) {}

void MediaTimeClock::Sample(std::int64_t media_ms) {
    const std::int64_t wall = wall_.NowMs();
    const std::int64_t wall_step = std::max<std::int64_t>(0, wall - last_wall_);
    const std::int64_t media_step =
        media_ms >= 0 && last_media_ >= 0 ? std::max<std::int64_t>(0, media_ms - last_media_) : 0;
    now_ += std::max(wall_step, media_step);
    last_wall_ = wall;
    last_media_ = media_ms;
}

void MediaTimeClock::Sample(MediaDevice& device, MediaKind kind, bool active) {
    if (!active) return Sample(-1);
    const std::int64_t unit_ms = device.TimeUnitSeconds() ? 1000 : 10;
    Sample(static_cast<std::int64_t>(device.Position(kind)) * unit_ms);
}

}  // namespace nuko::playback
