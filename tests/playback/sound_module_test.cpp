#include "playback/sound_module.h"

#include <gtest/gtest.h>

#include "test_support.h"


namespace nuko::midi {
namespace {

std::string Bytes(std::string_view hex) { return test::HexBytes(hex); }

Event Ev(std::string_view hex, std::uint32_t tick = 0) { return Event{tick, Bytes(hex)}; }

// Checksums below are worked out by hand: (128 - sum of address and data
// % 128) % 128.
constexpr const char* kGsReset = "F0 41 10 42 12 40 00 7F 00 41 F7";  // 40+00+7F+00 = 191 -> 65
constexpr const char* kXgOn = "F0 43 10 4C 00 00 7E 00 F7";
constexpr const char* kGmOn = "F0 7E 7F 09 01 F7";
constexpr const char* kGm2On = "F0 7E 7F 09 03 F7";
// Part B (channel 11) as a rhythm part, drum map 2: 40+1A+15+02 = 113 -> 15.
constexpr const char* kPart11Drum = "F0 41 10 42 12 40 1A 15 02 0F F7";

struct FakeSink : SynthSink {
    int resets = 0;
    std::array<bool, 16> drum{};
    std::array<std::optional<ResolvedPreset>, 16> preset{};
    std::vector<std::string> log;
    std::vector<std::string> forwarded;
    std::optional<ReverbParams> reverb;
    std::optional<ChorusParams> chorus;
    int reverb_calls = 0;

    void ResetSynth() override {
        ++resets;
        log.push_back("reset");
    }
    void SetDrumChannel(int channel, bool d) override {
        drum[static_cast<std::size_t>(channel)] = d;
        log.push_back("drum " + std::to_string(channel) + (d ? " on" : " off"));
    }
    void SelectPreset(int channel, const ResolvedPreset& p) override {
        preset[static_cast<std::size_t>(channel)] = p;
        log.push_back("select " + std::to_string(channel) + " " + std::to_string(p.bank) + ":" +
                      std::to_string(p.program));
    }
    void SetReverb(const ReverbParams& p) override {
        reverb = p;
        ++reverb_calls;
    }
    void SetChorus(const ChorusParams& p) override { chorus = p; }
    void Forward(const Event& e) override { forwarded.push_back(e.bytes); }
};

PresetCatalog SmallCatalog() {
    PresetCatalog c;
    c.AddFont({{0, 0, "Piano 1"},
               {0, 4, "E.Piano 1"},
               {0, 48, "Strings"},
               {8, 4, "Detuned EP 1"},
               {64, 0, "SFX Voice"},
               {128, 0, "Standard"},
               {128, 16, "Power"},
               {128, 56, "SFX Kit"}});
    // A second font: its Piano 1 is hidden by the first one's.
    c.AddFont({{0, 0, "Other Piano"}, {0, 1, "Piano 2"}, {128, 8, "Room"}});
    return c;
}

class SoundModuleTest : public ::testing::Test {
protected:
    SoundModuleTest() : catalog_(SmallCatalog()) {}

    SoundModule Fresh(ModuleMode mode) {
        SoundModule m(mode, &catalog_);
        m.Reset(sink_);
        sink_ = FakeSink{};
        return m;
    }
    void Feed(SoundModule& m, std::string_view hex) { m.Feed(Ev(hex), sink_); }

    PresetCatalog catalog_;
    FakeSink sink_;
};

TEST_F(SoundModuleTest, CatalogPrefersTheFirstFontAndNamesPresets) {
    EXPECT_EQ(catalog_.Find(0, 0), 0);
    EXPECT_EQ(catalog_.Find(0, 1), 1);
    EXPECT_EQ(catalog_.Find(128, 8), 1);
    EXPECT_EQ(catalog_.Find(3, 3), std::nullopt);
    EXPECT_EQ(catalog_.Name(0, 0, 0), "Piano 1");
    EXPECT_EQ(catalog_.Name(1, 0, 0), "Other Piano");
    EXPECT_EQ(catalog_.Name(1, 0, 48), "");
    EXPECT_EQ(catalog_.Name(7, 0, 0), "");
}

TEST_F(SoundModuleTest, ResetLeavesChannelTenTheOnlyDrumChannel) {
    SoundModule m(ModuleMode::GS, &catalog_);
    m.Reset(sink_);
    EXPECT_EQ(sink_.resets, 1);
    EXPECT_EQ(sink_.log.front(), "reset");
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sink_.drum[static_cast<std::size_t>(i)], i == 9);
        ASSERT_TRUE(sink_.preset[static_cast<std::size_t>(i)]);
        EXPECT_EQ(sink_.preset[static_cast<std::size_t>(i)]->bank, i == 9 ? 128 : 0);
        EXPECT_EQ(sink_.preset[static_cast<std::size_t>(i)]->program, 0);
        EXPECT_FALSE(m.channel(i).used);
    }
    EXPECT_EQ(sink_.preset[9]->name, "Standard");
    EXPECT_EQ(sink_.preset[0]->name, "Piano 1");
    EXPECT_TRUE(sink_.reverb);
    EXPECT_TRUE(sink_.chorus);
    EXPECT_TRUE(sink_.forwarded.empty());
}

TEST_F(SoundModuleTest, GsRhythmPartMakesChannelElevenADrumChannelAtOnce) {
    SoundModule m = Fresh(ModuleMode::GM);
    Feed(m, kGsReset);
    EXPECT_EQ(m.mode(), ModuleMode::GS);
    EXPECT_EQ(sink_.resets, 1);
    sink_.log.clear();

    Feed(m, kPart11Drum);
    // No program change needed: the kit is chosen there and then.
    ASSERT_EQ(sink_.log.size(), 2u);
    EXPECT_EQ(sink_.log[0], "drum 10 on");
    EXPECT_EQ(sink_.log[1], "select 10 128:0");
    EXPECT_TRUE(m.channel(10).drum);
    EXPECT_EQ(m.channel(10).preset.name, "Standard");
    EXPECT_FALSE(m.channel(10).preset.fallback);

    // A program change on it now picks a kit.
    Feed(m, "CA 10");
    EXPECT_EQ(sink_.log.back(), "select 10 128:16");
    EXPECT_EQ(m.channel(10).preset.name, "Power");
    EXPECT_TRUE(sink_.forwarded.empty());  // neither the exclusives nor the program change
    EXPECT_TRUE(m.TakeProblems().empty());
}

TEST_F(SoundModuleTest, GsPartNumbersMapOntoChannelsAsTheModuleDoes) {
    SoundModule m = Fresh(ModuleMode::GS);
    // Part 0 is channel 10: off (40+10+15+00 = 101 -> 27).
    Feed(m, "F0 41 10 42 12 40 10 15 00 1B F7");
    EXPECT_FALSE(m.channel(9).drum);
    EXPECT_EQ(sink_.log.back(), "select 9 0:0");
    // Part 1 is channel 1, drum map 1 (40+11+15+01 = 103 -> 25); device 17.
    Feed(m, "F0 41 17 42 12 40 11 15 01 19 F7");
    EXPECT_TRUE(m.channel(0).drum);
    EXPECT_EQ(m.channel(0).preset.bank, 128);
    // Part 15 is channel 16 (40+1F+15+01 = 117 -> 11).
    Feed(m, "F0 41 10 42 12 40 1F 15 01 0B F7");
    EXPECT_TRUE(m.channel(15).drum);
    EXPECT_FALSE(m.channel(14).drum);
}

TEST_F(SoundModuleTest, GmResetAfterAGsSongMakesChannelElevenMelodicAgain) {
    SoundModule m = Fresh(ModuleMode::GS);
    Feed(m, kPart11Drum);
    ASSERT_TRUE(sink_.drum[10]);
    Feed(m, kGmOn);
    EXPECT_EQ(m.mode(), ModuleMode::GM);
    EXPECT_EQ(sink_.resets, 1);
    EXPECT_FALSE(sink_.drum[10]);
    EXPECT_FALSE(m.channel(10).drum);
    EXPECT_EQ(sink_.preset[10]->bank, 0);
    EXPECT_TRUE(sink_.drum[9]);
    EXPECT_TRUE(sink_.forwarded.empty());
}

TEST_F(SoundModuleTest, XgBank127MakesAnyChannelADrumChannel) {
    SoundModule m = Fresh(ModuleMode::GM);
    Feed(m, kXgOn);
    EXPECT_EQ(m.mode(), ModuleMode::XG);
    EXPECT_EQ(m.channel(9).bank_msb, 127);
    Feed(m, "B0 00 7F");
    Feed(m, "B0 20 00");
    EXPECT_FALSE(m.channel(0).drum);  // held until the program change
    Feed(m, "C0 00");
    EXPECT_TRUE(sink_.drum[0]);
    EXPECT_EQ(sink_.preset[0]->bank, 128);
    EXPECT_EQ(sink_.preset[0]->name, "Standard");

    // MSB 0 makes it melodic again; the LSB picks the variation.
    Feed(m, "B0 00 00");
    Feed(m, "B0 20 08");
    Feed(m, "C0 04");
    EXPECT_FALSE(sink_.drum[0]);
    EXPECT_EQ(sink_.preset[0]->name, "Detuned EP 1");
    EXPECT_FALSE(sink_.preset[0]->fallback);

    // SFX kit and SFX voices.
    Feed(m, "B1 00 7E");
    Feed(m, "C1 00");
    EXPECT_TRUE(sink_.drum[1]);
    EXPECT_EQ(sink_.preset[1]->name, "SFX Kit");
    Feed(m, "B2 00 40");
    Feed(m, "C2 00");
    EXPECT_FALSE(sink_.drum[2]);
    EXPECT_EQ(sink_.preset[2]->name, "SFX Voice");

    // Channel 10 is a drum channel only through its bank.
    Feed(m, "B9 00 00");
    Feed(m, "C9 30");
    EXPECT_FALSE(sink_.drum[9]);
    EXPECT_EQ(sink_.preset[9]->name, "Strings");
    EXPECT_TRUE(sink_.forwarded.empty());
}

TEST_F(SoundModuleTest, GsTakesTheMsbAndIgnoresTheLsb) {
    SoundModule m = Fresh(ModuleMode::GS);
    Feed(m, "B3 00 08");
    Feed(m, "B3 20 05");
    Feed(m, "C3 04");
    EXPECT_EQ(sink_.preset[3]->name, "Detuned EP 1");
    // A bank select on channel 10 changes nothing of its being a drum channel.
    Feed(m, "B9 00 08");
    Feed(m, "C9 10");
    EXPECT_TRUE(m.channel(9).drum);
    EXPECT_EQ(sink_.preset[9]->bank, 128);
    EXPECT_EQ(sink_.preset[9]->name, "Power");
}

TEST_F(SoundModuleTest, Gm2BanksChooseDrumOrMelodic) {
    SoundModule m = Fresh(ModuleMode::GM);
    Feed(m, kGm2On);
    EXPECT_EQ(m.mode(), ModuleMode::GM2);
    Feed(m, "B4 00 78");
    Feed(m, "C4 00");
    EXPECT_TRUE(sink_.drum[4]);
    Feed(m, "B4 00 79");
    Feed(m, "B4 20 08");
    Feed(m, "C4 04");
    EXPECT_FALSE(sink_.drum[4]);
    EXPECT_EQ(sink_.preset[4]->name, "Detuned EP 1");
}

TEST_F(SoundModuleTest, MissingVariationFallsBackToTheCapitalTone) {
    SoundModule m = Fresh(ModuleMode::GS);
    // Bank 8 exists, but not with Strings: bank 0's Strings.
    Feed(m, "B0 00 08");
    Feed(m, "C0 30");
    EXPECT_EQ(sink_.preset[0]->bank, 0);
    EXPECT_EQ(sink_.preset[0]->program, 48);
    EXPECT_EQ(sink_.preset[0]->name, "Strings");
    EXPECT_TRUE(sink_.preset[0]->fallback);
    EXPECT_TRUE(m.TakeProblems().empty());

    // Bank 16 is in no font: the same fallback, said once for two channels.
    Feed(m, "B1 00 10");
    Feed(m, "C1 04");
    Feed(m, "B2 00 10");
    Feed(m, "C2 30");
    EXPECT_EQ(sink_.preset[1]->name, "E.Piano 1");
    EXPECT_TRUE(sink_.preset[1]->fallback);
    auto problems = m.TakeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("16"), std::string::npos);

    // A program that no bank has: the piano rather than silence.
    Feed(m, "B5 00 00");
    Feed(m, "C5 63");
    EXPECT_EQ(sink_.preset[5]->bank, 0);
    EXPECT_EQ(sink_.preset[5]->program, 0);
    EXPECT_TRUE(sink_.preset[5]->fallback);

    // What the song asks for, when a font has it, is no fallback.
    Feed(m, "C5 01");
    EXPECT_EQ(sink_.preset[5]->name, "Piano 2");
    EXPECT_EQ(sink_.preset[5]->font, 1);
    EXPECT_FALSE(sink_.preset[5]->fallback);
}

TEST_F(SoundModuleTest, MissingKitFallsBackToTheStandardKit) {
    SoundModule m = Fresh(ModuleMode::GS);
    Feed(m, "C9 19");  // TR-808: in no font
    EXPECT_EQ(sink_.preset[9]->bank, 128);
    EXPECT_EQ(sink_.preset[9]->program, 0);
    EXPECT_TRUE(sink_.preset[9]->fallback);
    Feed(m, "C9 08");  // Room: in the second font
    EXPECT_EQ(sink_.preset[9]->font, 1);
    EXPECT_FALSE(sink_.preset[9]->fallback);
}

TEST_F(SoundModuleTest, BrokenExclusivesAreDroppedAndSaidOnce) {
    SoundModule m = Fresh(ModuleMode::GS);
    for (int i = 0; i < 500; ++i) Feed(m, "F0 41 10 42 12 40 1A 15 02 10 F7");  // checksum should be 0F
    EXPECT_FALSE(m.channel(10).drum);
    EXPECT_TRUE(sink_.log.empty());
    EXPECT_TRUE(sink_.forwarded.empty());
    auto problems = m.TakeProblems();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(m.TakeProblems().empty());

    // Cut short: no F7, shorter than its form, a status byte inside.
    Feed(m, "F0 41 10 42 12 40 1A 15 02 0F");
    Feed(m, "F0 41 10 42 12 40 1A F7");
    Feed(m, "F0 43 10 4C 02 01 F7");
    Feed(m, "F0 7E 7F 09 F7");
    Feed(m, "F0 41 10 42 F7");
    Feed(m, "F0 41 10 42 12 40 1A 90 02 0F F7");
    EXPECT_FALSE(m.channel(10).drum);
    EXPECT_EQ(m.mode(), ModuleMode::GS);
    EXPECT_EQ(sink_.reverb_calls, 0);
    EXPECT_TRUE(sink_.forwarded.empty());
    EXPECT_EQ(m.TakeProblems().size(), 1u);

    // A new song may say it again.
    m.Reset(sink_);
    Feed(m, "F0 41 10 42 12 40 1A 15 02 10 F7");
    EXPECT_EQ(m.TakeProblems().size(), 1u);
}

TEST_F(SoundModuleTest, GsReverbMacrosShapeTheRoom) {
    SoundModule m = Fresh(ModuleMode::GS);
    Feed(m, "F0 41 10 42 12 40 01 30 04 0B F7");  // Hall 2: 40+01+30+04 = 117 -> 11
    ASSERT_TRUE(sink_.reverb);
    ReverbParams hall = *sink_.reverb;
    Feed(m, "F0 41 10 42 12 40 01 30 00 0F F7");  // Room 1: 113 -> 15
    ReverbParams room = *sink_.reverb;
    EXPECT_GT(hall.room_size, room.room_size);
    EXPECT_GT(room.damping, hall.damping);
    Feed(m, "F0 41 10 42 12 40 01 30 05 0A F7");  // Plate: 118 -> 10
    EXPECT_LT(sink_.reverb->damping, room.damping);  // brighter

    // A longer time, a larger room; level 0 silences it.
    Feed(m, "F0 41 10 42 12 40 01 30 00 0F F7");
    Feed(m, "F0 41 10 42 12 40 01 34 7F 0C F7");  // 40+01+34+7F = 244 -> 12
    EXPECT_GT(sink_.reverb->room_size, room.room_size);
    Feed(m, "F0 41 10 42 12 40 01 33 00 0C F7");  // 40+01+33+00 = 116 -> 12
    EXPECT_DOUBLE_EQ(sink_.reverb->level, 0.0);
    EXPECT_GT(sink_.reverb->room_size, room.room_size);  // the whole set each time
    EXPECT_EQ(sink_.reverb_calls, 6);
    EXPECT_TRUE(sink_.forwarded.empty());
}

TEST_F(SoundModuleTest, GsChorusMacroAndLevel) {
    SoundModule m = Fresh(ModuleMode::GS);
    Feed(m, "F0 41 10 42 12 40 01 38 05 02 F7");  // Flanger: 40+01+38+05 = 126 -> 2
    ASSERT_TRUE(sink_.chorus);
    ChorusParams flanger = *sink_.chorus;
    Feed(m, "F0 41 10 42 12 40 01 38 00 07 F7");  // Chorus 1: 121 -> 7
    EXPECT_NE(sink_.chorus->depth, flanger.depth);
    Feed(m, "F0 41 10 42 12 40 01 3A 00 05 F7");  // level 0: 123 -> 5
    EXPECT_DOUBLE_EQ(sink_.chorus->level, 0.0);
    Feed(m, "F0 41 10 42 12 40 01 3A 7F 06 F7");  // level 127: 250 -> 6
    EXPECT_GT(sink_.chorus->level, 0.0);
}

TEST_F(SoundModuleTest, XgReverbAndChorusTypes) {
    SoundModule m = Fresh(ModuleMode::XG);
    Feed(m, "F0 43 10 4C 02 01 00 01 00 F7");  // Hall 1
    ReverbParams hall = *sink_.reverb;
    Feed(m, "F0 43 10 4C 02 01 00 02 00 F7");  // Room 1
    ReverbParams room = *sink_.reverb;
    EXPECT_GT(hall.room_size, room.room_size);
    EXPECT_GT(room.level, 0.0);
    EXPECT_EQ(sink_.reverb_calls, 2);  // one message, one change
    Feed(m, "F0 43 10 4C 02 01 0C 7F F7");  // return 127
    EXPECT_DOUBLE_EQ(sink_.reverb->level, 1.0);
    Feed(m, "F0 43 10 4C 02 01 00 00 00 F7");  // no effect
    EXPECT_DOUBLE_EQ(sink_.reverb->level, 0.0);

    Feed(m, "F0 43 10 4C 02 01 20 00 00 F7");  // chorus off
    EXPECT_DOUBLE_EQ(sink_.chorus->level, 0.0);
    Feed(m, "F0 43 10 4C 02 01 20 43 00 F7");  // flanger
    EXPECT_GT(sink_.chorus->level, 0.0);
    EXPECT_TRUE(sink_.forwarded.empty());
}

TEST_F(SoundModuleTest, ForwardsWhatItDoesNotTakeOver) {
    SoundModule m = Fresh(ModuleMode::GS);
    const char* forwarded[] = {
        "90 3C 64", "80 3C 00", "B0 5B 28", "B0 5D 10", "B0 07 64", "E0 00 40", "D0 20",
        "F0 7F 7F 04 01 00 7F F7",             // master volume
        "F0 41 10 42 12 40 11 02 01 2C F7",    // a part's receive channel: 40+11+02+01 = 84 -> 44
        "F0 43 10 4C 08 00 07 01 F7",          // an XG part parameter
    };
    for (const char* hex : forwarded) Feed(m, hex);
    ASSERT_EQ(sink_.forwarded.size(), std::size(forwarded));
    for (std::size_t i = 0; i < std::size(forwarded); ++i) EXPECT_EQ(sink_.forwarded[i], Bytes(forwarded[i]));

    sink_.forwarded.clear();
    for (const char* hex : {"B0 00 08", "B0 20 01", "C0 04", kGsReset, kXgOn, kGmOn, "FF 06 61 62"}) Feed(m, hex);
    EXPECT_TRUE(sink_.forwarded.empty());
}

TEST_F(SoundModuleTest, ChannelCountsAsUsedOnItsFirstSoundingNote) {
    SoundModule m = Fresh(ModuleMode::GM);
    Feed(m, "92 3C 00");
    EXPECT_FALSE(m.channel(2).used);
    Feed(m, "92 3C 01");
    EXPECT_TRUE(m.channel(2).used);
    EXPECT_FALSE(m.channel(3).used);
    Feed(m, kGsReset);  // inside the song: still used
    EXPECT_TRUE(m.channel(2).used);
    m.Reset(sink_);  // the next song
    EXPECT_FALSE(m.channel(2).used);
}

// A song of these events, one tick apart.
Song SongOf(std::initializer_list<const char*> hexes) {
    std::vector<Event> events;
    std::uint32_t tick = 0;
    for (const char* hex : hexes) events.push_back(Ev(hex, tick++));
    return Song::FromEvents(Song(), std::move(events), tick);
}

TEST(DetectModeTest, FromResetsAndExclusives) {
    EXPECT_EQ(DetectMode(SongOf({kGsReset, "90 3C 64"})), ModuleMode::GS);
    EXPECT_EQ(DetectMode(SongOf({kXgOn})), ModuleMode::XG);
    EXPECT_EQ(DetectMode(SongOf({kGm2On})), ModuleMode::GM2);
    EXPECT_EQ(DetectMode(SongOf({kGmOn, "C0 00"})), ModuleMode::GM);
    // GM System On ahead of the module's own reset, as many songs send it.
    EXPECT_EQ(DetectMode(SongOf({kGmOn, kGsReset})), ModuleMode::GS);
    EXPECT_EQ(DetectMode(SongOf({kGmOn, kXgOn})), ModuleMode::XG);
    // Any GS data set, any XG parameter change.
    EXPECT_EQ(DetectMode(SongOf({"F0 41 10 42 12 40 01 30 04 0B F7"})), ModuleMode::GS);
    EXPECT_EQ(DetectMode(SongOf({"F0 43 10 4C 02 01 00 01 00 F7"})), ModuleMode::XG);
    // MT-32 system area (10 00 01: reverb mode): 10+00+01+01 = 18 -> 110.
    const char* mt32 = "F0 41 10 16 12 10 00 01 01 6E F7";
    EXPECT_EQ(DetectMode(SongOf({"C0 00", mt32})), ModuleMode::MT32);
    EXPECT_EQ(DetectMode(SongOf({kGmOn, mt32})), ModuleMode::MT32);
    EXPECT_EQ(DetectMode(SongOf({kGsReset, mt32})), ModuleMode::GS);
    EXPECT_EQ(DetectMode(SongOf({kXgOn, mt32})), ModuleMode::XG);
    // The first module named decides.
    EXPECT_EQ(DetectMode(SongOf({kGsReset, kXgOn})), ModuleMode::GS);
    EXPECT_EQ(DetectMode(SongOf({kXgOn, kGsReset})), ModuleMode::XG);
}

TEST(DetectModeTest, FromBankUseWithoutExclusives) {
    EXPECT_EQ(DetectMode(SongOf({"90 3C 64", "80 3C 00"})), ModuleMode::GM);
    EXPECT_EQ(DetectMode(SongOf({"B0 00 00", "B0 20 00", "C0 05"})), ModuleMode::GM);
    EXPECT_EQ(DetectMode(SongOf({"B0 00 7F", "C0 00"})), ModuleMode::XG);
    EXPECT_EQ(DetectMode(SongOf({"B3 00 7E", "C3 00"})), ModuleMode::XG);
    EXPECT_EQ(DetectMode(SongOf({"B0 00 00", "B0 20 03", "C0 05"})), ModuleMode::XG);
    EXPECT_EQ(DetectMode(SongOf({"B0 00 79", "B0 20 01", "C0 05"})), ModuleMode::GM2);
    EXPECT_EQ(DetectMode(SongOf({"B0 00 08", "C0 05"})), ModuleMode::GS);
    // A bank select no program change uses says nothing.
    EXPECT_EQ(DetectMode(SongOf({"B0 00 08", "B0 00 00", "C0 05"})), ModuleMode::GM);
}

TEST(DetectModeTest, RealSongs) {
    NUKO_CORPUS_FILE(dir, "midi/");
    auto mode_of = [&](const char* name) {
        auto song = ParseSmf(test::ReadBytes(dir + name));
        EXPECT_TRUE(song) << name;
        return song ? DetectMode(*song) : ModuleMode::MT32;
    };
    // No exclusives; banks 121 (melodic) and 120 (drums) with LSB 0.
    EXPECT_EQ(mode_of("mutagen_sample.mid"), ModuleMode::GM2);
    // Karaoke and lyric songs: no exclusives, no bank selects.
    EXPECT_EQ(mode_of("jazzsoft_test-karaoke-kar.mid"), ModuleMode::GM);
    EXPECT_EQ(mode_of("gotojo_ramen_tabeyou.mid"), ModuleMode::GM);
    EXPECT_EQ(mode_of("nfroidure_MIDIOkFormat1-lyrics.mid"), ModuleMode::GM);
}

}  // namespace
}  // namespace nuko::midi
