// The time display's record: which values a change sets and which slots it
// redraws.
#include "panels/time_display_model.h"

#include <gtest/gtest.h>

#include <vector>

using nuko::panels::TimeDisplayModel;

TEST(TimeDisplayModel, RecordAndMasksOfAPlay) {
    std::vector<std::pair<unsigned, TimeDisplayModel::Record>> shown;
    std::vector<bool> colons;
    TimeDisplayModel m([&](unsigned mask, const TimeDisplayModel::Record& r, bool colon) {
        shown.emplace_back(mask, r);
        colons.push_back(colon);
    });
    constexpr auto N = TimeDisplayModel::kNone;
    m.ListLoaded(2);
    EXPECT_EQ(shown.back().first, 0x0Fu);
    EXPECT_EQ(shown.back().second, (TimeDisplayModel::Record{2, N, N, N, N, N}));
    m.ItemStarted(3, 125);
    EXPECT_EQ(shown.back().first, 0x0Bu);
    EXPECT_EQ(shown.back().second, (TimeDisplayModel::Record{3, 0, N, 125, N, N}));
    m.Position(7);
    m.Blink(true);  // paused: the colon goes off, then on
    EXPECT_FALSE(colons.back());
    m.Blink(true);
    EXPECT_TRUE(colons.back());
    m.Blink(true);
    m.AbWaitCountdown(3);  // the countdown always shows its colon
    EXPECT_TRUE(colons.back());
    EXPECT_EQ(shown.back().second[1], 3);
    m.Blink(false);
    EXPECT_TRUE(m.colon_on());
    m.Sleep(true, 40000);  // more than 8 hours shows 8 hours
    EXPECT_EQ(shown.back().first, 0x10u);
    EXPECT_EQ(shown.back().second[4], 28800);
    EXPECT_TRUE(m.sleep_shown());
    const std::size_t before = shown.size();
    m.Clock(13 * 3600 + 5 * 60);  // the clock slot is hidden: nothing drawn
    EXPECT_EQ(shown.size(), before);
    m.SetClockShown(true);
    m.Clock(13 * 3600 + 5 * 60);
    EXPECT_EQ(shown.back().second[5], 1305);
    m.ItemStopped();
    EXPECT_EQ(shown.back().first, 0x0Au);
    EXPECT_EQ(shown.back().second[1], N);
}
