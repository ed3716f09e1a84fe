#include "core/timers.h"

#include <gtest/gtest.h>

using namespace nuko::app;

namespace {
int At(int h, int m, int s = 0) { return h * 3600 + m * 60 + s; }
}  // namespace

TEST(SleepTimer, ThirtyMinutesAt2350FiresAt0020) {
    SleepTimer t(1800);
    t.On(At(23, 50));
    EXPECT_EQ(t.end(), At(0, 20));
    EXPECT_EQ(t.Check(At(23, 50)).remaining, 1800);
    EXPECT_EQ(t.Check(At(23, 59, 59)).remaining, 1201);
    auto before = t.Check(At(0, 19, 59));
    EXPECT_FALSE(before.fired);
    EXPECT_EQ(before.remaining, 1);
    EXPECT_TRUE(t.Check(At(0, 20)).fired);
    EXPECT_FALSE(t.on());
}

TEST(SleepTimer, LateChecksFireWithinAMinuteOnly) {
    SleepTimer t(600);
    t.On(At(12, 0));
    EXPECT_TRUE(t.Check(At(12, 10, 59)).fired);  // 59 s late still fires
    t.On(At(12, 0));
    auto late = t.Check(At(12, 11, 30));       // after a sleep of the computer
    EXPECT_FALSE(late.fired);
    EXPECT_EQ(late.remaining, At(12, 10) - At(12, 11, 30) + kSecondsPerDay);
    t.Off();
    t.On(At(23, 59, 50));
    t.set_length(5);  // a running timer keeps its end, 00:09:50
    auto just_before = t.Check(At(0, 9, 45));
    EXPECT_FALSE(just_before.fired);
    EXPECT_EQ(just_before.remaining, 5);
    EXPECT_TRUE(t.Check(At(0, 9, 50)).fired);
}

TEST(ClockTimers, OnTimerFiresOnceInItsMinute) {
    ClockTimers c;
    c.Set(ClockTimers::kOn1, {1, 7, 0});
    c.Set(ClockTimers::kOff1, {1, 7, 0});  // same minute: the ON timer wins first
    int fired_on = 0, fired_off = 0;
    for (int s = At(6, 59); s < At(7, 2); s += 2) {
        auto f = c.Check(s);
        fired_on += f == ClockTimers::Fired::On;
        fired_off += f == ClockTimers::Fired::Off;
    }
    EXPECT_EQ(fired_on, 1);
    EXPECT_EQ(fired_off, 1);  // on the next tick of the same minute
    c.Toggle(ClockTimers::kOn1);
    c.Toggle(ClockTimers::kOff1);
    EXPECT_EQ(c.Get(ClockTimers::kOn1).enabled, 0);
    EXPECT_EQ(c.Check(At(7, 0)), ClockTimers::Fired::None);
}
