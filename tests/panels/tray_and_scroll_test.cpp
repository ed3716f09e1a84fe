// The tray icon's choice of icon and what it sends, the scrolling title's
// movement, and the timer set dialog's changes.
#include <gtest/gtest.h>

#include "panels/scroll_title_model.h"
#include "panels/timer_set.h"
#include "panels/tray_icon_model.h"

using namespace nuko::panels;

TEST(TrayIconModel, IconsByKindAndState) {
    EXPECT_EQ(TrayIconModel::IconIndex(0, 1), 1);
    EXPECT_EQ(TrayIconModel::IconIndex(1, 1), 4);
    EXPECT_EQ(TrayIconModel::IconIndex(2, 1), 7);
    EXPECT_EQ(TrayIconModel::IconIndex(3, 3), 12);
    EXPECT_EQ(TrayIconModel::IconIndex(4, 1), 0);
    EXPECT_EQ(TrayIconModel::IconIndex(0, 4), 0);

    TrayIconModel m;
    EXPECT_EQ(m.Current(), 0);  // no item: idle
    m.SetPlay(3, 2, true);
    EXPECT_EQ(m.Current(), 7);
    m.SetPlay(4, 2, true);
    EXPECT_EQ(m.Current(), 8);
    m.SetDance(false);
    m.SetPlay(1, 2, true);
    EXPECT_EQ(m.Current(), 9);
    EXPECT_FALSE(m.Step());
    m.SetDance(true);
    EXPECT_EQ(m.Current(), 7);
    EXPECT_TRUE(m.Step());
    EXPECT_EQ(m.Current(), 8);
    m.Step();
    m.Step();
    EXPECT_EQ(m.Current(), 7);  // round the group
    m.SetPlay(3, 2, true);
    EXPECT_FALSE(m.Step());  // only a play dances
}

TEST(TrayIconModel, SendsTheIconWhenItChangesAndTheTipWhenItDiffers) {
    TrayIconModel m;
    auto s = m.Modify(3, "x");  // not added yet: nothing
    EXPECT_FALSE(s.icon || s.tip);
    s = m.Add(0, "NU-KO Player for WIN32");
    EXPECT_TRUE(s.icon && s.tip);
    s = m.Modify(0, "NU-KO Player for WIN32");
    EXPECT_FALSE(s.icon || s.tip);
    s = m.Modify(1, "NU-KO Player for WIN32");
    EXPECT_TRUE(s.icon);
    EXPECT_FALSE(s.tip);
    s = m.SetTip("song");
    EXPECT_TRUE(s.tip);
    EXPECT_FALSE(m.SetTip("song").tip);
    m.Remove();
    EXPECT_TRUE(m.tip().empty());
    EXPECT_TRUE(m.Add(1, "song").tip);
}

TEST(TrayIconModel, TipsAreCutAtSixtyThreeCharactersWhole) {
    const std::string ascii(80, 'a');
    EXPECT_EQ(TrayIconModel::Tip(ascii).size(), 63u);
    std::string kana;
    for (int i = 0; i < 70; ++i) kana += "あ";
    EXPECT_EQ(TrayIconModel::Tip(kana), kana.substr(0, 63 * 3));
    EXPECT_EQ(TrayIconModel::Tip("abc\xE3\x81"), "abc");  // a cut character at the end goes
}

TEST(ScrollTitle, SettingsOutOfRangeAreBroughtIn) {
    const int huge[5] = {1, 100000, -5, 0, 7};
    ScrollParams p = ScrollParams::From(huge, 99999);
    EXPECT_EQ(p.speed, 10);
    EXPECT_EQ(p.gap_percent, 0);
    EXPECT_FALSE(p.keep_short);
    EXPECT_TRUE(p.show_time);
    EXPECT_EQ(p.delay_seconds, 60);
    int back[5];
    int delay = 0;
    p.To(back, delay);
    EXPECT_EQ(back[1], 10);
    EXPECT_EQ(delay, 60);
}

TEST(ScrollTitle, MovesAfterTheDelayAndWrapsWithTheGap) {
    ScrollTitleModel m;
    const int fields[5] = {1, 2, 50, 1, 0};
    m.SetParams(ScrollParams::From(fields, 1));
    m.SetSizes(80, 100);  // fits: stays
    EXPECT_FALSE(m.moving());
    EXPECT_FALSE(m.Advance(5000));
    m.SetSizes(300, 100);
    EXPECT_TRUE(m.moving());
    EXPECT_EQ(m.period(), 350);
    EXPECT_FALSE(m.Advance(999));  // the start delay
    EXPECT_FALSE(m.Advance(1 + 39));
    EXPECT_TRUE(m.Advance(1));
    EXPECT_EQ(m.offset(), 2);
    m.Advance(40 * 174);
    EXPECT_EQ(m.offset(), 350 % 350);
    m.Restart();
    EXPECT_EQ(m.offset(), 0);
    EXPECT_FALSE(m.Advance(40));  // the delay again

    const int off[5] = {0, 2, 100, 0, 0};
    m.SetParams(ScrollParams::From(off, 0));
    EXPECT_FALSE(m.moving());
}

TEST(TimerSet, OnlyWhatChangedIsSent) {
    TimerSwitches before{false, {true, false, false, false}};
    TimerSwitches after = before;
    EXPECT_TRUE(ChangedSwitches(before, after).empty());
    after.sleep = true;
    after.clocks[0] = false;
    after.clocks[3] = true;
    EXPECT_EQ(ChangedSwitches(before, after), (std::vector<int>{0, 1, 4}));
}
