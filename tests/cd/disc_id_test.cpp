#include "cd/disc_id.h"

#include <gtest/gtest.h>

#include "cd_test_util.h"
#include "scripted_prompt.h"

using namespace nuko::cd;
using nuko::test::Disc;
using nuko::test::Time;

TEST(DiscId, ExampleDiscGivesItsCurrentAndOlderId) {
    DiscLengths d;
    d.track_count = 12;
    d.disc = Time(52, 34, 18);
    d.tracks = {Time(4, 12, 40)};
    for (int i = 1; i < 12; ++i) d.tracks.push_back(Time(4, 0, 0));
    EXPECT_EQ(DiscId(d), "0125234180412");
    EXPECT_EQ(OlderDiscId(d), "012523418");
    EXPECT_TRUE(IsOlderId(OlderDiscId(d)));
    EXPECT_FALSE(IsOlderId(DiscId(d)));
}

TEST(DiscId, LengthsFromFramesAndWideFields) {
    // 52:34:18 is 236568 frames.
    EXPECT_EQ(TrackKeyText(FramesToMsf(236568)), "52:34:18");
    EXPECT_EQ(FramesOf(Time(52, 34, 18)), 236568);
    EXPECT_EQ(MillisecondsOf(Time(0, 1, 15)), 1200);
    EXPECT_EQ(TrackKeyText(Time(3, 58, 20)), "03:58:20");
    // A field of 100 or more prints with 3 digits.
    EXPECT_EQ(DiscLengthText(Time(100, 2, 3)), "1000203");
    DiscLengths d;
    d.track_count = 150;  // counts above 99 are capped in the id
    d.disc = Time(79, 59, 74);
    d.tracks = {Time(0, 2, 0)};
    EXPECT_EQ(DiscId(d), "0997959740002");
    DiscLengths none;
    EXPECT_EQ(DiscId(none), "0000000000000");
}

TEST(DiscId, TrackCountLimit) {
    EXPECT_EQ(UsableTrackCount(12), 12);
    EXPECT_EQ(UsableTrackCount(99), 99);
    EXPECT_EQ(UsableTrackCount(100), 99);
    EXPECT_EQ(UsableTrackCount(200), 99);
    EXPECT_EQ(UsableTrackCount(201), 0);
    EXPECT_FALSE(TrackCountOverLimit(99));
    EXPECT_TRUE(TrackCountOverLimit(100));
    EXPECT_FALSE(TrackCountOverLimit(201));

    nuko::test::ScriptedPrompt prompt;
    nuko::ScopedPrompt scope(&prompt);
    WarnTrackLimit();
    ASSERT_EQ(prompt.ids(), std::vector<int>{166});
    EXPECT_EQ(prompt.asked()[0].text, "CDの曲数が限度(99曲)を超えました.\n99曲まで再生可能です.");
}

TEST(DiscId, EqualTrackLengthsGetBumpedKeys) {
    auto d = Disc({Time(4, 12, 40), Time(3, 58, 20), Time(3, 58, 20), Time(3, 58, 21), Time(3, 58, 20)});
    EXPECT_EQ(UniqueTrackKeys(d),
              (std::vector<std::string>{"04:12:40", "03:58:20", "03:58:21", "03:58:22", "03:58:23"}));
    // The key of a bumped 99 frames field grows a digit and stays unique.
    auto wide = Disc({Time(1, 0, 99), Time(1, 0, 99)});
    EXPECT_EQ(UniqueTrackKeys(wide), (std::vector<std::string>{"01:00:99", "01:00:100"}));
    // Keys are made for the tracks the drive reported, at most 99.
    auto d2 = d;
    d2.track_count = 2;
    EXPECT_EQ(UniqueTrackKeys(d2).size(), 2u);
}

TEST(DiscId, IdDigitsAndBcaNumbers) {
    EXPECT_EQ(IdDigitsOfTrackKey("04:12:40"), "0412");
    EXPECT_EQ(IdDigitsOfTrackKey("100:12:40"), "1012");
    EXPECT_EQ(IdDigitsOfTrackKey(""), "");
    auto d = Disc({Time(0, 1, 0), Time(0, 2, 0)});
    BcaNumbers b = BcaNumbersOf(d);
    EXPECT_EQ(b.first, 2u * 3000u);
    EXPECT_EQ(b.increment, 1000u);
}
