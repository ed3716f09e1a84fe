#include "core/timers.h"

namespace nuko::app {

void SleepTimer::On(int now) {
    if (on()) return;
    int end = now + length_;
    if (end >= kSecondsPerDay) end -= kSecondsPerDay;
    end_ = end;
}

SleepTimer::Tick SleepTimer::Check(int now) {
    Tick t;
    if (!on()) return t;
    int past = ((now - end_) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
    if (past < 60) {
        t.fired = true;
        end_ = -1;
        return t;
    }
    int left = end_ - now;
    if (left < 0) left += kSecondsPerDay;
    t.remaining = left;
    return t;
}

ClockTimers::Fired ClockTimers::Check(int now) {
    const int minute = now / 60 * 60;
    auto test = [&](Which w) {
        const auto& t = timers_[w];
        bool due = t.enabled && t.hour * 3600 + t.minute * 60 == minute;
        if (!due) {
            latch_[w] = false;  // the minute has passed
            return false;
        }
        if (latch_[w]) return false;
        latch_[w] = true;
        return true;
    };
    bool on_fired = false;
    for (Which w : {kOn1, kOn2}) on_fired = test(w) || on_fired;
    if (on_fired) return Fired::On;
    bool off_fired = false;
    for (Which w : {kOff1, kOff2}) off_fired = test(w) || off_fired;
    return off_fired ? Fired::Off : Fired::None;
}

}  // namespace nuko::app
