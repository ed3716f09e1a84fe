// Songs made for GS and XG modules on the real synthesizer with the
// system's fonts, through the offline renderer that `nu_kotool midiinfo`
// and `render` use. The songs are written byte by byte from the published
// message formats; the fonts' preset names come from the fonts themselves.
#include "playback/fluidsynth_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>

#include "media_fixtures.h"
#include "playback/sound_font.h"
#include "synth_engine.h"
#include "test_support.h"

namespace nuko::playback {
namespace {

using namespace std::string_literals;

using test::SmfWriter;
using test::TempDir;
using test::VarLen;

const char kGmFont[] = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
const char kGsFont[] = "/usr/share/sounds/sf2/FluidR3_GS.sf2";

// F0 <length> <body> as an SMF event.
std::string Sysex(std::string_view body) { return "\xF0" + VarLen(static_cast<std::uint32_t>(body.size())) + std::string(body); }

// GS Reset: F0 41 10 42 12 40 00 7F 00 41 F7.
const std::string kGsReset = Sysex(std::string("\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 10));
// XG System On: F0 43 10 4C 00 00 7E 00 F7.
const std::string kXgOn = Sysex(std::string("\x43\x10\x4C\x00\x00\x7E\x00\xF7", 8));
// GM System On: F0 7E 7F 09 01 F7.
const std::string kGmOn = Sysex(std::string("\x7E\x7F\x09\x01\xF7", 5));
// GS "use for rhythm part" of part 11 (block 1A, channel 11) = 1:
// 40 1A 15 01, checksum 128 - (0x40+0x1A+0x15+0x01) % 128 = 0x10.
const std::string kGsCh11Rhythm = Sysex(std::string("\x41\x10\x42\x12\x40\x1A\x15\x01\x10\xF7", 10));

class SynthEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        NUKO_REQUIRE_TOOL(std::filesystem::exists(kGmFont) && std::filesystem::exists(kGsFont),
                          "the FluidR3 GM and GS sound fonts (fluid-soundfont-gm, fluid-soundfont-gs)");
    }
    std::unique_ptr<MidiRenderer> Open(const std::string& bytes, MidiSynthOptions options = {}) {
        std::string path = dir_.File("song" + std::to_string(++songs_) + ".mid");
        test::WriteBytes(path, bytes);
        return OpenPath(path, options);
    }
    std::unique_ptr<MidiRenderer> OpenPath(const std::string& path, MidiSynthOptions options = {}) {
        MidiRenderRequest request;
        request.synth = std::move(options);
        auto r = MakeFluidSynthRenderer(request);
        std::string error;
        EXPECT_TRUE(r->Open(path, &error)) << error;
        return r;
    }
    static const MidiChannelInfo* Channel(const std::vector<MidiChannelInfo>& channels, int n) {
        for (const auto& c : channels)
            if (c.channel == n) return &c;
        return nullptr;
    }
    // Channel `n` (1..16) as the synthesizer holds it at the song's first
    // note.
    static std::optional<MidiChannelInfo> AtFirstNote(MidiRenderer& r, int n) {
        r.SkipTo(r.FirstNoteMs());
        auto channels = r.Channels();
        const MidiChannelInfo* c = Channel(channels, n);
        return c ? std::optional<MidiChannelInfo>(*c) : std::nullopt;
    }
    // The RMS of a render in dBFS, -inf for silence.
    static double RenderRms(MidiRenderer& r, double seconds) {
        std::vector<float> buffer(2 * 4096);
        double sum = 0;
        std::size_t frames = 0, want = static_cast<std::size_t>(seconds * MidiRenderer::kSampleRate);
        while (frames < want) {
            std::size_t got = r.Render(buffer.data(), std::min<std::size_t>(4096, want - frames));
            if (got == 0) break;
            for (std::size_t i = 0; i < 2 * got; ++i) sum += double(buffer[i]) * buffer[i];
            frames += got;
        }
        return frames ? 10 * std::log10(sum / (2.0 * frames) + 1e-30) : -300;
    }
    TempDir dir_;
    int songs_ = 0;
};

TEST_F(SynthEngineTest, TheDefaultChainIsTheGsFontOverTheGmOne) {
    EXPECT_EQ(DefaultSoundFonts(), (std::vector<std::string>{kGsFont, kGmFont}));
}

TEST_F(SynthEngineTest, AGsRhythmPartIsADrumChannelAtOnceAndAGmSongAfterItIsMelodicAgain) {
    // Division 96, 120 bpm: the note at tick 96 sounds at 0.5 s. No program
    // change follows the exclusive: the kit comes with the switch itself.
    std::string gs = SmfWriter(96, 0)
                         .Track()
                         .Raw(0, kGsReset)
                         .Raw(0, kGsCh11Rhythm)
                         .Raw(96, "\x9A\x24\x64"s)
                         .Raw(96, "\x8A\x24\x00"s)
                         .EndAfter(0)
                         .Bytes();
    MidiRenderRequest request;
    auto r = MakeFluidSynthRenderer(request);
    std::string error;
    std::string gs_path = dir_.File("gs.mid"), gm_path = dir_.File("gm.mid");
    test::WriteBytes(gs_path, gs);
    ASSERT_TRUE(r->Open(gs_path, &error)) << error;
    EXPECT_EQ(r->Mode(), "GS");
    auto c11 = AtFirstNote(*r, 11);
    ASSERT_TRUE(c11);
    EXPECT_TRUE(c11->drum);
    EXPECT_EQ(c11->preset, "Standard");  // FluidR3_GM's 128:0
    EXPECT_FALSE(c11->fallback);
    EXPECT_GT(RenderRms(*r, 1.0), -60.0);  // the kit sounds from its first note: key 36, a bass drum

    // The same synthesizer, the next song a GM one: channel 11 plays its
    // program again, not a kit left over.
    std::string gm = SmfWriter(96, 0)
                         .Track()
                         .Raw(0, kGmOn)
                         .Raw(0, "\xCA\x00"s)
                         .Raw(0, "\x9A\x3C\x64"s)
                         .Raw(96, "\x8A\x3C\x00"s)
                         .EndAfter(0)
                         .Bytes();
    test::WriteBytes(gm_path, gm);
    ASSERT_TRUE(r->Open(gm_path, &error)) << error;
    EXPECT_EQ(r->Mode(), "GM");
    c11 = AtFirstNote(*r, 11);
    ASSERT_TRUE(c11);
    EXPECT_FALSE(c11->drum);
    EXPECT_EQ(c11->preset, "Yamaha Grand Piano");  // FluidR3_GM's 0:0
}

TEST_F(SynthEngineTest, AnInitialisationFileSetsTheModuleUpForTheSongAfterIt) {
    // The file has no notes: a GS reset and channel 11 as a rhythm part.
    std::string init = SmfWriter(96, 0).Track().Raw(0, kGsReset).Raw(0, kGsCh11Rhythm).EndAfter(96).Bytes();
    // The song names no module.
    std::string song = SmfWriter(96, 0).Track().Raw(0, "\x9A\x24\x64"s).Raw(96, "\x8A\x24\x00"s).EndAfter(0).Bytes();
    MidiRenderRequest request;
    auto r = MakeFluidSynthRenderer(request);
    std::string error;
    test::WriteBytes(dir_.File("init.mid"), init);
    test::WriteBytes(dir_.File("song.mid"), song);
    ASSERT_TRUE(r->Open(dir_.File("init.mid"), &error)) << error;
    std::vector<float> buffer(2 * 4096);
    while (r->Render(buffer.data(), 4096) > 0) {
    }
    ASSERT_TRUE(r->Open(dir_.File("song.mid"), &error)) << error;
    EXPECT_EQ(r->Mode(), "GS");  // the file's, as the song names none
    auto c11 = AtFirstNote(*r, 11);
    ASSERT_TRUE(c11);
    EXPECT_TRUE(c11->drum);
    // A song with notes resets the module for the next one.
    ASSERT_TRUE(r->Open(dir_.File("song.mid"), &error)) << error;
    c11 = AtFirstNote(*r, 11);
    ASSERT_TRUE(c11);
    EXPECT_FALSE(c11->drum);
}

TEST_F(SynthEngineTest, AnXgDrumBankMakesAnyChannelADrumChannel) {
    // Channel 1: bank MSB 127 (B0 00 7F), program 0 (C0 00).
    auto r = Open(SmfWriter(96, 0)
                      .Track()
                      .Raw(0, kXgOn)
                      .Raw(0, "\xB0\x00\x7F"s)
                      .Raw(0, "\xC0\x00"s)
                      .Raw(0, "\x90\x26\x64"s)
                      .Raw(96, "\x80\x26\x00"s)
                      .EndAfter(0)
                      .Bytes());
    EXPECT_EQ(r->Mode(), "XG");
    auto c1 = AtFirstNote(*r, 1);
    ASSERT_TRUE(c1);
    EXPECT_TRUE(c1->drum);
    EXPECT_EQ(c1->bank_msb, 127);
    EXPECT_EQ(c1->preset, "Standard");
}

TEST_F(SynthEngineTest, AVariationToneTheFontsLackFallsBackToItsCapitalToneAndSounds) {
    // GS bank 24 is in neither font; program 4 of bank 0 is.
    auto r = Open(SmfWriter(96, 0)
                      .Track()
                      .Raw(0, kGsReset)
                      .Raw(0, "\xB0\x00\x18"s)
                      .Raw(0, "\xC0\x04"s)
                      .Raw(0, "\x90\x3C\x64"s)
                      .Raw(192, "\x80\x3C\x00"s)
                      .EndAfter(0)
                      .Bytes());
    auto c1 = AtFirstNote(*r, 1);
    ASSERT_TRUE(c1);
    EXPECT_EQ(c1->bank_msb, 24);
    EXPECT_EQ(c1->program, 4);
    EXPECT_TRUE(c1->fallback);
    EXPECT_FALSE(c1->preset.empty());
    EXPECT_GT(RenderRms(*r, 1.0), -50.0);
}

TEST_F(SynthEngineTest, TheEightGsKitsAreKitsOfTheirOwnInTheDefaultChain) {
    // Channel 10 changes kit every half second: Standard, Room, Power,
    // Electronic, TR-808, Jazz, Brush, Orchestra.
    const int kits[] = {0, 8, 16, 24, 25, 32, 40, 48};
    SmfWriter w(96, 0);
    w.Track().Raw(0, kGsReset);
    for (int kit : kits) {
        w.Raw(0, std::string{'\xC9', static_cast<char>(kit)});
        w.Raw(0, "\x99\x24\x64"s);
        w.Raw(48, "\x89\x24\x00"s);
        w.Raw(48, "\xB9\x07\x64"s);  // something at the end of the half second
    }
    auto r = Open(w.EndAfter(0).Bytes());
    std::vector<std::string> names;
    for (int i = 0; i < 8; ++i) {
        r->SkipTo(i * 500 + 100);
        auto channels = r->Channels();
        const MidiChannelInfo* c10 = Channel(channels, 10);
        ASSERT_NE(c10, nullptr);
        EXPECT_TRUE(c10->drum);
        EXPECT_EQ(c10->program, kits[i]);
        EXPECT_FALSE(c10->fallback) << "kit " << kits[i];
        names.push_back(c10->preset);
    }
    // FluidR3_GM's names for 128:0, 8, 16, 24, 25, 32, 40, 48.
    EXPECT_EQ(names, (std::vector<std::string>{"Standard", "Room", "Power", "Electronic", "TR-808", "Jazz", "Brush",
                                               "Orchestra Kit"}));
}

TEST_F(SynthEngineTest, GsAndXgReverbTypesChangeTheSynthesizersReverb) {
    SynthEngine engine;
    ASSERT_TRUE(engine.UseFonts({kGmFont}));
    PreparedSong song;
    song.mode = midi::ModuleMode::GS;
    engine.BeginSong(song);
    auto room = [&] {
        double v = 0;
        fluid_synth_get_reverb_group_roomsize(engine.synth(), 0, &v);
        return v;
    };
    auto play = [&](std::string_view bytes) { engine.Play(midi::Event{0, std::string(bytes)}); };
    // GS reverb macro (40 01 30): 0 Room 1, then 4 Hall 2; checksums
    // 128 - (0x40+0x01+0x30+v) % 128.
    play(std::string("\xF0\x41\x10\x42\x12\x40\x01\x30\x00\x0F\xF7", 11));
    double room1 = room();
    play(std::string("\xF0\x41\x10\x42\x12\x40\x01\x30\x04\x0B\xF7", 11));
    double hall2 = room();
    EXPECT_GT(hall2, room1);
    // XG reverb type (4C 02 01 00): Room (02 00), then Hall (01 00).
    play(std::string("\xF0\x43\x10\x4C\x00\x00\x7E\x00\xF7", 9));
    play(std::string("\xF0\x43\x10\x4C\x02\x01\x00\x02\x00\xF7", 10));
    double xg_room = room();
    play(std::string("\xF0\x43\x10\x4C\x02\x01\x00\x01\x00\xF7", 10));
    EXPECT_GT(room(), xg_room);
    // A wrong checksum changes nothing.
    double before = room();
    play(std::string("\xF0\x41\x10\x42\x12\x40\x01\x30\x00\x00\xF7", 11));
    EXPECT_EQ(room(), before);
}

TEST_F(SynthEngineTest, AControllerLoopPlaysTwiceThenFadesOut) {
    // 120 bpm, division 96: intro of 1 s (192 ticks), CC 111 at 1 s, a loop
    // body of 2 s (384 ticks) with a note through it. Two passes and an 8 s
    // fade: 1 + 2 + 2 + 8 = 13 s.
    auto r = Open(SmfWriter(96, 0)
                      .Track()
                      .Raw(0, "\xC0\x00"s)
                      .Raw(0, "\x90\x3C\x64"s)
                      .Raw(192, "\xB0\x6F\x00"s)
                      .Raw(0, "\x90\x40\x64"s)
                      .Raw(384, "\x80\x40\x00"s)
                      .EndAfter(0)
                      .Bytes());
    EXPECT_NEAR(static_cast<double>(r->LengthMs()), 13000.0, 20.0);
    double loud = RenderRms(*r, 5.0);     // intro and the two passes
    double fading = RenderRms(*r, 4.0);   // the fade's first half
    double last = RenderRms(*r, 4.0);     // its second half
    EXPECT_LT(fading, loud);
    EXPECT_LT(last, fading - 3.0);
    std::vector<float> rest(2 * 4096);
    EXPECT_LT(r->Render(rest.data(), 4096), 4096u);  // the song ends at 13 s

    // Played through: the song's own 3 s.
    MidiSynthOptions through;
    through.loops.mode = midi::LoopOptions::Mode::PlayThrough;
    auto plain = OpenPath(dir_.File("song1.mid"), through);
    EXPECT_NEAR(static_cast<double>(plain->LengthMs()), 3000.0, 20.0);
}

TEST_F(SynthEngineTest, ABrokenFontIsSaidOnceAndTheNextFontPlays) {
    std::string broken = dir_.File("broken.sf2");
    test::WriteBytes(broken, "RIFF\x04\x00\x00\x00sfbk");
    MidiSynthOptions options;
    options.sound_fonts = {broken, kGmFont};
    auto r = Open(SmfWriter(96, 0).Track().Raw(0, "\x90\x3C\x64"s).Raw(96, "\x80\x3C\x00"s).EndAfter(0).Bytes(), options);
    EXPECT_EQ(r->Fonts(), (std::vector<std::string>{kGmFont}));
    auto notices = r->TakeNotices();
    ASSERT_EQ(notices.size(), 1u) << testing::PrintToString(notices);
    EXPECT_NE(notices[0].find(broken), std::string::npos);
    EXPECT_GT(RenderRms(*r, 0.5), -60.0);
}

TEST_F(SynthEngineTest, AFontNamedAsTheSongPlaysFirst) {
    std::filesystem::copy_file(kGsFont, dir_.File("song1.sf2"));
    auto r = Open(SmfWriter(96, 0).Track().Raw(0, "\x90\x3C\x64"s).Raw(96, "\x80\x3C\x00"s).EndAfter(0).Bytes());
    auto fonts = r->Fonts();
    ASSERT_FALSE(fonts.empty());
    EXPECT_EQ(fonts.front(), dir_.File("song1.sf2"));
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), std::string(kGmFont)), fonts.end());
}

TEST_F(SynthEngineTest, BrokenExclusivesAreSaidOnceAndTheSongPlaysOn) {
    // A GS reverb macro with a wrong checksum, many times; a cut exclusive.
    SmfWriter w(96, 0);
    w.Track().Raw(0, kGsReset);
    for (int i = 0; i < 50; ++i) w.Raw(1, Sysex(std::string("\x41\x10\x42\x12\x40\x01\x30\x04\x00\xF7", 10)));
    w.Raw(0, Sysex(std::string("\x41\x10\x42\x12\x40", 5)));
    w.Raw(0, "\x90\x3C\x64"s).Raw(96, "\x80\x3C\x00"s);
    auto r = Open(w.EndAfter(0).Bytes());
    EXPECT_GT(RenderRms(*r, 1.5), -60.0);
    auto notices = r->TakeNotices();
    EXPECT_GE(notices.size(), 1u);
    EXPECT_LE(notices.size(), 2u);  // the checksum once, the cut message once
    EXPECT_TRUE(r->TakeNotices().empty());
}

TEST_F(SynthEngineTest, RealSongsPlayInTheModeTheyWereMadeFor) {
    // Grand Slam starts with a GS reset; the corpus karaoke and lyric songs
    // name no module.
    NUKO_CORPUS_FILE(grandslam, "rcp/recomposerfile_grandslam.rcp");
    NUKO_CORPUS_FILE(karaoke, "midi/jazzsoft_test-karaoke-kar.mid");
    NUKO_CORPUS_FILE(lyrics, "midi/nfroidure_MIDIOkFormat1-lyrics.mid");
    MidiRenderRequest request;
    request.rcp_library = std::string(NUKO_PROGRAM_DIR) + "/librcpcv.so";
    auto r = MakeFluidSynthRenderer(request);
    std::string error;
    ASSERT_TRUE(r->Open(grandslam, &error)) << error;
    EXPECT_EQ(r->Mode(), "GS");
    // 243.9 s as the converter's reference table has it; no loop markers.
    EXPECT_NEAR(static_cast<double>(r->LengthMs()), 243900.0, 100.0);
    for (const auto& song : {karaoke, lyrics}) {
        ASSERT_TRUE(r->Open(song, &error)) << error;
        EXPECT_EQ(r->Mode(), "GM") << song;
    }
}

}  // namespace
}  // namespace nuko::playback
