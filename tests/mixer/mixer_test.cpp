// The mixer's volume lines: the level conversions, the list over a fake
// system, and the real ALSA mixers over a PulseAudio server of the test's
// own (the `default` device goes to its null sink).
#include "mixer/mixer_control_list.h"
#include "mixer/volume_panel_model.h"

#include <gtest/gtest.h>

#include <map>

#include "media_fixtures.h"
#include "pulse_server.h"
#include "test_support.h"

using namespace nuko;
using mixer::MixerControlList;
using mixer::MixerLine;

TEST(MixerLevels, StepsConvertBothWays) {
    EXPECT_EQ(mixer::RawFromLevel(31, 31), 65535);
    EXPECT_EQ(mixer::RawFromLevel(0, 31), 0);
    EXPECT_EQ(mixer::RawFromLevel(16, 31), 32896);
    EXPECT_EQ(mixer::LevelFromRaw(32896, 31), 16);
    EXPECT_EQ(mixer::RawFromLevel(15, 15), 65535);
    EXPECT_EQ(mixer::RawFromLevel(99, 31), 65535);  // capped
    EXPECT_EQ(mixer::RawFromLevel(-3, 31), 0);
    for (int steps : {15, 31, 63, 127})
        for (int l = 0; l <= steps; ++l) EXPECT_EQ(mixer::LevelFromRaw(mixer::RawFromLevel(l, steps), steps), l) << steps;
    EXPECT_EQ(mixer::ValidMaxLevel(20), 31);
    EXPECT_EQ(mixer::ValidMaxLevel(127), 127);
}

namespace {

struct FakeMixers final : mixer::MixerSystem {
    std::vector<MixerLine> lines;
    std::map<int, std::pair<std::uint16_t, std::uint16_t>> values;
    bool fail = false;
    std::vector<MixerLine> Lines() override { return lines; }
    bool Read(int i, std::uint16_t* l, std::uint16_t* r) override {
        if (fail) return false;
        *l = values[i].first;
        *r = values[i].second;
        return true;
    }
    bool Write(int i, std::uint16_t l, std::uint16_t r) override {
        if (fail) return false;
        values[i] = {l, r};
        return true;
    }
};

}  // namespace

TEST(MixerControlList, LinesOfTwoDevicesStayApartAndMonoLinesHaveOneLevel) {
    auto fake = std::make_unique<FakeMixers>();
    FakeMixers* f = fake.get();
    f->lines = {{"Card A", "PCM", true}, {"Card B", "PCM", true}, {"Card B", "Synth", false}};
    MixerControlList list(std::move(fake));
    ASSERT_EQ(list.Enumerate(), 3);
    EXPECT_EQ(list.Labels(), (std::vector<std::string>{"Card A | PCM", "Card B | PCM", "Card B | Synth"}));
    EXPECT_EQ(list.FindByLabel("Card B | PCM"), 1);
    EXPECT_EQ(list.FindByLabel("Card C | PCM"), -1);

    list.SetMaxLevel(31);
    ASSERT_TRUE(list.SetLevels(1, 16, 31));
    EXPECT_EQ(f->values[1], (std::pair<std::uint16_t, std::uint16_t>{32896, 65535}));
    EXPECT_EQ(f->values.count(0), 0u);  // the other device's PCM is untouched
    int l = 0, r = 0;
    ASSERT_TRUE(list.GetLevels(1, &l, &r));
    EXPECT_EQ(l, 16);
    EXPECT_EQ(r, 31);

    // Mono: one level on both sides.
    EXPECT_FALSE(list.IsStereo(2));
    ASSERT_TRUE(list.SetLevels(2, 8, 30));
    EXPECT_EQ(f->values[2].first, f->values[2].second);
    ASSERT_TRUE(list.GetLevels(2, &l, &r));
    EXPECT_EQ(l, 8);
    EXPECT_EQ(r, 8);

    // Not in the list, or a failing device.
    EXPECT_FALSE(list.GetLevels(7, &l, &r));
    EXPECT_EQ(l + r, 0);
    EXPECT_EQ(list.MaxLevel(7), 0);
    EXPECT_TRUE(list.IsStereo(-1));
    f->fail = true;
    EXPECT_FALSE(list.GetLevels(0, &l, &r));
    EXPECT_FALSE(list.SetLevels(0, 1, 1));
}

TEST(MixerControlList, TheStartLevelsComeBack) {
    auto fake = std::make_unique<FakeMixers>();
    FakeMixers* f = fake.get();
    f->lines = {{"A", "Master", true}, {"A", "CD", false}};
    f->values[0] = {mixer::RawFromLevel(40, 63), mixer::RawFromLevel(20, 63)};
    f->values[1] = {mixer::RawFromLevel(63, 63), mixer::RawFromLevel(63, 63)};
    MixerControlList list(std::move(fake));
    list.Enumerate();
    list.SetMaxLevel(15);
    list.SnapshotAll();
    EXPECT_EQ(list.snapshot(), (std::vector<std::uint32_t>{(20u << 16) | 40u, (63u << 16) | 63u}));
    list.SetLevels(0, 0, 0);
    list.SetLevels(1, 3, 3);
    list.RestoreAll();
    EXPECT_EQ(f->values[0], (std::pair<std::uint16_t, std::uint16_t>{mixer::RawFromLevel(40, 63), mixer::RawFromLevel(20, 63)}));
    EXPECT_EQ(mixer::LevelFromRaw(f->values[1].first, 63), 63);
    EXPECT_EQ(list.MaxLevel(0), 15);  // the panel's own steps again
}

TEST(AlsaMixers, TheSoundServersVolumeFollowsBothWays) {
    test::PulseServer server;
    std::string why;
    NUKO_REQUIRE_TOOL(server.Start(&why), why);
    const std::string pactl = test::FindProgram("pactl");
    ASSERT_FALSE(pactl.empty());
    auto pactl_out = [&](std::vector<std::string> args) {
        args.insert(args.begin(), pactl);
        std::string out;
        test::RunProgram(args, &out);
        return out;
    };
    test::ScopedEnv config("XDG_CONFIG_HOME", server.folder() + "home");
    std::string listing;
    ASSERT_EQ(test::RunProgram({test::KoTool(), "mixer"}, &listing), 0);
    ASSERT_NE(listing.find("0\tdefault | Master\tstereo\t"), std::string::npos) << listing;

    // Level 16 of 31 is half the server's volume.
    ASSERT_EQ(test::RunProgram({test::KoTool(), "mixer", "set", "0", "16", "16", "--steps", "31"}, nullptr), 0);
    EXPECT_NE(pactl_out({"get-sink-volume", "nullsink"}).find("/  50% /"), std::string::npos)
        << pactl_out({"get-sink-volume", "nullsink"});
    // A change made elsewhere reads back in the list's steps.
    pactl_out({"set-sink-volume", "nullsink", "25%"});
    mixer::MixerControlList list(mixer::MakeAlsaMixers());
    ASSERT_GE(list.Enumerate(), 1);
    list.SetMaxLevel(31);
    int l = 0, r = 0;
    ASSERT_TRUE(list.GetLevels(list.FindByLabel("default | Master"), &l, &r));
    EXPECT_EQ(l, 8);
    EXPECT_EQ(r, 8);
    // A line that is not there, bad arguments.
    EXPECT_EQ(test::RunProgram({test::KoTool(), "mixer", "set", "99", "1", "1"}, nullptr), 1);
    EXPECT_EQ(test::RunProgram({test::KoTool(), "mixer", "set", "0", "1"}, nullptr), 2);
    EXPECT_EQ(test::RunProgram({test::KoTool(), "mixer", "set", "0", "1", "1", "--steps", "20"}, nullptr), 2);
}

namespace {

struct PanelFixture {
    FakeMixers* f;
    MixerControlList list;
    mixer::VolumePanelModel panel{list};
    PanelFixture() : PanelFixture(std::make_unique<FakeMixers>()) {}
    explicit PanelFixture(std::unique_ptr<FakeMixers> fake) : f(fake.get()), list(std::move(fake)) {
        f->lines = {{"default", "Master", true}, {"Card", "Synth", false}};
        f->values[0] = {mixer::RawFromLevel(20, 31), mixer::RawFromLevel(10, 31)};
        f->values[1] = {mixer::RawFromLevel(6, 31), mixer::RawFromLevel(6, 31)};
        list.Enumerate();
        std::array<mixer::VolumeChoice, 4> kinds = {{{"Card | Synth", 12, 12}, {"gone | CD", 5, 5},
                                                     {"default | Master", 30, 30}, {"default | Master", 31, 0}}};
        panel.Configure(31, kinds, {"", 50, 50});
    }
    int Left(int i) { return mixer::LevelFromRaw(f->values[i].first, 31); }
    int Right(int i) { return mixer::LevelFromRaw(f->values[i].second, 31); }
};

}  // namespace

TEST(VolumePanel, EachKindHasItsControlAndKeepsItsLevels) {
    PanelFixture p;
    p.panel.SelectKind(0, false);  // MIDI: the mono synth line, read
    EXPECT_TRUE(p.panel.available());
    EXPECT_FALSE(p.panel.stereo());
    EXPECT_EQ(p.panel.left(), 6);
    EXPECT_EQ(p.panel.ReadOut(), "6");
    p.panel.Move(mixer::Spin::Right, 1);  // a mono line has one spin
    EXPECT_EQ(p.Left(1), 7);
    EXPECT_EQ(p.panel.ReadOutColour(), 0u);

    p.panel.SelectKind(1, false);  // CD: its line is gone
    EXPECT_FALSE(p.panel.available());
    EXPECT_EQ(p.panel.ReadOut(), "･･");
    p.panel.Step(mixer::StepDirection::Up);  // nothing to move

    p.panel.SelectKind(3, true);  // sound: stored 31/0 written as they are
    EXPECT_EQ(p.Left(0), 31);
    EXPECT_EQ(p.Right(0), 0);
    p.panel.SelectKind(2, true);  // movie, levels written (VolSetStart)
    EXPECT_EQ(p.Left(0), 30);
    EXPECT_EQ(p.Right(0), 30);
    p.panel.Move(mixer::Spin::Left, -1);
    EXPECT_EQ(p.panel.ReadOut(), "29");
    EXPECT_EQ(p.panel.ReadOutColour(), 0xFF0000u);
    p.panel.Move(mixer::Spin::Both, 1);  // both up; the right one is capped
    p.panel.Move(mixer::Spin::Both, 1);
    EXPECT_EQ(p.panel.left(), 31);
    EXPECT_EQ(p.panel.right(), 31);
    p.panel.Move(mixer::Spin::Right, -1);
    EXPECT_EQ(p.panel.ReadOutColour(), 0x0000FFu);
    p.panel.Move(mixer::Spin::Both, -1);
    EXPECT_EQ(p.panel.ReadOutColour(), 0xFF00FFu);  // the sides differ

    // Another program moves the line: read again without writing.
    p.f->values[0] = {mixer::RawFromLevel(3, 31), mixer::RawFromLevel(4, 31)};
    p.panel.Chase();
    EXPECT_EQ(p.panel.left(), 3);
    EXPECT_EQ(p.panel.right(), 4);

    // Back to MIDI and the choices for the settings.
    p.panel.SelectKind(0, false);
    auto choices = p.panel.Choices();
    EXPECT_EQ(choices[2].label, "default | Master");
    EXPECT_EQ(choices[2].left, 3);
    EXPECT_EQ(choices[2].right, 4);
    EXPECT_EQ(choices[0].left, 7);
    EXPECT_EQ(choices[1].label, "gone | CD");  // a gone line keeps its label
}

TEST(VolumePanel, StoredLevelsOutOfRangeAreKeptWithinTheSteps) {
    PanelFixture p;
    std::array<mixer::VolumeChoice, 4> kinds = {{{"default | Master", 9999, -5}, {}, {}, {}}};
    p.panel.Configure(15, kinds, {});
    p.panel.SelectKind(0, true);
    EXPECT_EQ(p.panel.left(), 15);
    EXPECT_EQ(p.panel.right(), 0);
    EXPECT_EQ(mixer::LevelFromRaw(p.f->values[0].first, 15), 15);
}

TEST(VolumePanel, MuteLowersTheLineByItsRateAndComesBack) {
    PanelFixture p;
    p.panel.SelectKind(3, false);  // sound: default | Master at 20/10
    p.panel.ToggleMute();
    EXPECT_TRUE(p.panel.muted());
    EXPECT_TRUE(p.panel.swapped());
    EXPECT_EQ(p.Left(0), 10);
    EXPECT_EQ(p.Right(0), 5);
    EXPECT_EQ(p.panel.Choices()[3].left, 20);  // stored as before the mute
    p.panel.ToggleMute();
    EXPECT_FALSE(p.panel.muted());
    EXPECT_EQ(p.Left(0), 20);
    EXPECT_EQ(p.Right(0), 10);
    // Muted at exit: the level comes back.
    p.panel.ToggleMute();
    p.panel.EndMute();
    EXPECT_EQ(p.Left(0), 20);
}
