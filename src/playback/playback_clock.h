// The accumulators of the playback clock: the frame's timer ticks every
// `Interval` ms; the elapsed milliseconds feed accumulators that raise a flag
// when they pass their period and keep the remainder.
#pragma once

#include <cstdint>

namespace nuko::playback {

enum ClockFlag : unsigned {
    kEvery100 = 1u << 0,   // position refresh
    kEvery500 = 1u << 1,   // sleep and alarm checks, clock display
    kEvery700 = 1u << 2,   // icon animation
    kEvery800 = 1u << 3,   // CD panel refresh
    kEvery1000 = 1u << 4,
    kEvery1500 = 1u << 5,  // blinking of the paused time
    kEvery2000 = 1u << 6,  // polling for an end without a notice
    kCdRead = 1u << 7,     // `Cd`/`ReadTime`
    kCdInsert = 1u << 8,   // `Cd`/`InsertTime`
    kAbPause = 1u << 9,    // `Main`/`AtoBPauseTime` since the pause at A began
};

struct ClockPeriods {
    int cd_read_ms = 150;
    int cd_insert_ms = 3000;
    int ab_pause_ms = 0;  // 0: no pause at A
};

class PlaybackClock {
public:
    explicit PlaybackClock(ClockPeriods periods = {}) : periods_(periods) {}
    void set_periods(const ClockPeriods& p) { periods_ = p; }
    const ClockPeriods& periods() const { return periods_; }

    // Adds the milliseconds since the last tick and returns the flags raised.
    // 500, 700 and 800 are tested only when 100 passes, 1000 and 1500 only
    // when 500 passes, 2000 only when 1000 passes.
    unsigned Tick(std::int64_t elapsed_ms);

    // Starts the count of the pause at point A afresh.
    void RestartAbPause() { ab_pause_ = 0; }
    // Milliseconds counted since the pause at A began.
    int ab_pause_elapsed() const { return ab_pause_; }

private:
    ClockPeriods periods_;
    // Sixteen-bit accumulators (saturating, so a long stall cannot wrap them).
    std::uint16_t a100_ = 0, a500_ = 0, a700_ = 0, a800_ = 0, a1000_ = 0, a1500_ = 0, a2000_ = 0;
    std::uint16_t cd_read_ = 0, cd_insert_ = 0, ab_pause_ = 0;
};

}  // namespace nuko::playback
