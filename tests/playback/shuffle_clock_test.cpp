#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "manual_clock.h"
#include "playback/media_time_clock.h"
#include "playback/playback_clock.h"
#include "playback/shuffle_order.h"

using namespace nuko::playback;

TEST(ShuffleOrder, PermutationStepsAndEnds) {
    ShuffleOrder s;
    s.Build(10, 42);
    std::set<int> seen(s.order().begin(), s.order().end());
    EXPECT_EQ(seen.size(), 10u);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 10);
    int steps = 0;
    ShuffleOrder::Step st;
    while (!(st = s.Advance(false, true)).ended) ++steps;
    EXPECT_EQ(steps, 9);
    EXPECT_EQ(s.cursor(), 9);  // stays at the end
    st = s.Advance(false, false);
    EXPECT_TRUE(st.ended);
    EXPECT_EQ(s.cursor(), 0);  // wraps
    st = s.Advance(true, false);
    EXPECT_TRUE(st.ended);
    EXPECT_EQ(s.cursor(), 9);
    ShuffleOrder again;
    again.Build(10, 42);
    EXPECT_EQ(again.order(), s.order());  // a fixed seed repeats the order
}

TEST(ShuffleOrder, SwapAndSeekTheCurrentItem) {
    ShuffleOrder s;
    s.Build(5, 7);
    int first = s.order()[0];
    int other = first == 3 ? 4 : 3;
    s.SwapCurrent(other);
    EXPECT_EQ(s.Current(), other);
    EXPECT_EQ(std::count(s.order().begin(), s.order().end(), first), 1);
    s.SeekCurrent(first);
    EXPECT_EQ(s.Current(), first);
    ShuffleOrder empty;
    EXPECT_EQ(empty.Current(), 0);
    EXPECT_TRUE(empty.Advance(false, false).ended);
}

TEST(ShuffleOrder, AGrowingListJoinsTheEntriesNotYetPlayed) {
    ShuffleOrder o;
    o.Extend(5, 1);  // from nothing: a whole order
    EXPECT_EQ(o.size(), 5);
    o.Advance(false, true);
    o.Advance(false, true);
    const std::vector<int> played(o.order().begin(), o.order().begin() + o.cursor() + 1);
    o.Extend(40, 2);
    ASSERT_EQ(o.size(), 40);
    EXPECT_EQ(std::vector<int>(o.order().begin(), o.order().begin() + o.cursor() + 1), played);
    EXPECT_EQ(std::set<int>(o.order().begin(), o.order().end()).size(), 40u);
    EXPECT_EQ(*std::max_element(o.order().begin(), o.order().end()), 40);
    o.Extend(30, 3);  // never shrinks
    EXPECT_EQ(o.size(), 40);
}

TEST(PlaybackClock, AccumulatorsAndTheirChain) {
    PlaybackClock c({150, 3000, 0});
    int n100 = 0, n500 = 0, n700 = 0, n1500 = 0, n2000 = 0, cd = 0, insert = 0;
    for (int t = 0; t < 6000; t += 40) {
        unsigned f = c.Tick(40);
        n100 += !!(f & kEvery100);
        n500 += !!(f & kEvery500);
        n700 += !!(f & kEvery700);
        n1500 += !!(f & kEvery1500);
        n2000 += !!(f & kEvery2000);
        cd += !!(f & kCdRead);
        insert += !!(f & kCdInsert);
    }
    EXPECT_EQ(n100, 60);
    EXPECT_NEAR(n500, 12, 1);
    EXPECT_NEAR(n700, 8, 1);
    EXPECT_NEAR(n1500, 4, 1);
    EXPECT_NEAR(n2000, 3, 1);
    EXPECT_EQ(cd, 40);
    EXPECT_EQ(insert, 2);
}

TEST(PlaybackClock, AbPauseAndLongStalls) {
    PlaybackClock c({150, 3000, 1000});
    c.RestartAbPause();
    unsigned f = 0;
    int ticks = 0;
    while (!((f = c.Tick(40)) & kAbPause)) ++ticks;
    EXPECT_EQ(ticks, 24);  // 25 ticks of 40 ms reach 1000 ms
    c.RestartAbPause();
    EXPECT_FALSE(c.Tick(40) & kAbPause);
    // An hour without ticks (the computer slept) saturates instead of wrapping.
    f = c.Tick(3600000);
    EXPECT_TRUE(f & kEvery100);
    EXPECT_TRUE(f & kAbPause);
}

TEST(MediaTimeClock, FollowsTheMediaOrTheWallWhicheverMovesMore) {
    nuko::test::ManualClock wall;
    wall.Set(5000);
    nuko::playback::MediaTimeClock clock(wall);
    struct Step {
        int wall_ms;
        int media_ms;  // -1: no item
        int now;
    };
    const Step steps[] = {
        {0, 0, 0},
        {2, 1000, 1000},   // a silent output ahead of real time: the media's time
        {40, 1000, 1040},  // nothing plays (a seek, a pause): the wall's time
        {30, -1, 1070},    // no item
        {1, 200, 1071},    // an earlier position (a new item, a seek back) ...
        {1, 700, 1571},    // ... and on from there
    };
    for (const Step& step : steps) {
        wall.Advance(step.wall_ms);
        clock.Sample(step.media_ms);
        EXPECT_EQ(clock.NowMs(), step.now) << step.media_ms;
    }
}
