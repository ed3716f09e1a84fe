// The sleep timer and the four clock timers of the player. Times are
// seconds of the local day (0 ... 86399); the core feeds them from its
// playback clock (sleep every 500 ms, clock timers every 2000 ms).
#pragma once

#include <array>

#include "settings/settings.h"

namespace nuko::app {

inline constexpr int kSecondsPerDay = 86400;

class SleepTimer {
public:
    explicit SleepTimer(int length_seconds = 3600) : length_(length_seconds) {}

    void set_length(int seconds) { length_ = seconds; }
    int length() const { return length_; }
    bool on() const { return end_ >= 0; }
    int end() const { return end_; }

    // Starts the timer (only when it is off): it ends `length` from now,
    // across midnight when need be.
    void On(int now);
    void Off() { end_ = -1; }

    struct Tick {
        bool fired = false;
        int remaining = -1;  // seconds left; -1 when off or fired
    };
    // Fires when the end lies in the past by less than a minute (a later
    // check, say after the computer slept, does not fire and counts on
    // across midnight); firing switches the timer off.
    Tick Check(int now);

private:
    int length_;
    int end_ = -1;
};

class ClockTimers {
public:
    enum Which { kOn1 = 0, kOff1 = 1, kOn2 = 2, kOff2 = 3 };

    void Set(Which which, const settings::ClockTimer& t) { timers_[which] = t; }
    const settings::ClockTimer& Get(Which which) const { return timers_[which]; }
    void Toggle(Which which) { timers_[which].enabled = timers_[which].enabled ? 0 : 1; }

    enum class Fired { None, On, Off };
    // Compares in whole minutes; each timer fires once in its minute. ON
    // timers are tested first; once one fires, the rest waits.
    Fired Check(int now);

private:
    std::array<settings::ClockTimer, 4> timers_{};
    std::array<bool, 4> latch_{};
};

// The core's part for the timers; its functions are the core's
// (timer_session.cpp).
struct TimerSession {
    SleepTimer sleep;
    ClockTimers clocks;
};

}  // namespace nuko::app
