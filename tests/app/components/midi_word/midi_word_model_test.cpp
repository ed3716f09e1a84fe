// The MIDI-Word window's model: which songs open it, the full-screen mark
// that carries over a song without a script, the keys, and where the window
// may stand.
#include "app/components/midi_word/midi_word_model.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "nuko/dispatch.h"
#include "nuko/text.h"
#include "test_support.h"
#include "wrd/midi_word_dib_frame.h"

using namespace nuko;
using app::MidiWordModel;
using app::WordKey;
using app::WordRect;
using media::MediaKind;

TEST(MidiWordPlace, AWindowOutOfReachComesBackAndOnePartlyShownStays) {
    const WordRect desktop{0, 0, 1920, 1080};
    // Wholly left of and above the desktop: to 0.
    EXPECT_EQ(app::KeepOnDesktop({-700, -500, 640, 400}, desktop), (WordRect{0, 0, 640, 400}));
    // Starting beyond the right and bottom edges: moved in by its size.
    EXPECT_EQ(app::KeepOnDesktop({2500, 1200, 640, 400}, desktop), (WordRect{1280, 680, 640, 400}));
    // Partly on the desktop: the user can reach it, it stays.
    EXPECT_EQ(app::KeepOnDesktop({-600, 1000, 640, 400}, desktop), (WordRect{-600, 1000, 640, 400}));
    // A desktop that does not start at 0 (a screen left of the primary one).
    EXPECT_EQ(app::KeepOnDesktop({-3000, 10, 640, 400}, {-1280, 0, 3200, 1080}), (WordRect{-1280, 10, 640, 400}));
    // A window larger than the desktop keeps its top-left corner on it.
    EXPECT_EQ(app::KeepOnDesktop({900, 0, 1280, 800}, {0, 0, 800, 600}), (WordRect{0, 0, 1280, 800}));
}

TEST(MidiWordPlace, TheFirstPlaceIsBesideTheMainWindowAndCoversItLeastWhenNothingFits) {
    // The main window's frame: 400 x 500 at (6, 0); the screen 640 x 400.
    const WordRect main{6, 0, 400, 500};
    // Room to the right.
    EXPECT_EQ(app::FirstPlaceBeside(main, 640, 400, {0, 0, 1400, 900}), (WordRect{406, 0, 640, 400}));
    // Not to the right (406 + 640 > 1024; slid back to 384 it would cover
    // the main window), but below: rows 500-899 leave the main window whole.
    EXPECT_EQ(app::FirstPlaceBeside(main, 640, 400, {0, 0, 1024, 1000}), (WordRect{6, 500, 640, 400}));
    // The main window on the right half: to its left.
    EXPECT_EQ(app::FirstPlaceBeside({700, 0, 400, 700}, 640, 400, {0, 0, 1100, 768}), (WordRect{60, 0, 640, 400}));
    // Nowhere whole on 1024 x 768: right, slid to x 384, covers 22 x 400
    // points of it; below (slid to y 368) 400 x 132; left (slid to 0)
    // 400 x 400; above (at 0) 400 x 400. The least wins.
    EXPECT_EQ(app::FirstPlaceBeside(main, 640, 400, {0, 0, 1024, 768}), (WordRect{384, 0, 640, 400}));
    // A desktop that does not start at 0.
    EXPECT_EQ(app::FirstPlaceBeside({-1280, 100, 300, 300}, 640, 400, {-1280, 0, 3200, 1080}),
              (WordRect{-980, 100, 640, 400}));
}

TEST(MidiWordPlace, FullScreenScalesByWholeFactorsAndCentres) {
    EXPECT_EQ(app::FullScreenPicture(640, 400, {0, 0, 1920, 1080}), (WordRect{320, 140, 1280, 800}));
    EXPECT_EQ(app::FullScreenPicture(640, 400, {0, 0, 1024, 768}), (WordRect{192, 184, 640, 400}));
    EXPECT_EQ(app::FullScreenPicture(640, 400, {1920, 0, 2560, 1600}), (WordRect{1920, 0, 2560, 1600}));
    // A screen smaller than the picture: scaled down, shape kept.
    EXPECT_EQ(app::FullScreenPicture(640, 400, {0, 0, 320, 480}), (WordRect{0, 140, 320, 200}));
    EXPECT_EQ(app::FullScreenPicture(0, 400, {0, 0, 320, 480}).width, 0);
}

TEST(MidiWordKeys, PlayKeysCountOnlyInFullScreenAndTheHotKeyTableComesFirst) {
    settings::HotkeySection keys;  // every record disabled
    namespace vk = app::vk;
    EXPECT_EQ(app::WordKeyAction(vk::kEscape, 0, keys, false, true), WordKey::None);
    EXPECT_EQ(app::WordKeyAction(vk::kEscape, 0, keys, true, true), WordKey::Pause);
    EXPECT_EQ(app::WordKeyAction(vk::kSpace, 0, keys, true, true), WordKey::Stop);
    EXPECT_EQ(app::WordKeyAction(vk::kLeft, 0, keys, true, true), WordKey::Previous);
    EXPECT_EQ(app::WordKeyAction(vk::kDown, 0, keys, true, true), WordKey::Next);
    EXPECT_EQ(app::WordKeyAction(vk::kReturn, 0, keys, true, true), WordKey::Play);
    EXPECT_EQ(app::WordKeyAction(vk::kF, 0, keys, false, true), WordKey::FullScreen);
    EXPECT_EQ(app::WordKeyAction(vk::kF, 0, keys, true, false), WordKey::None);  // no full screen here
    EXPECT_EQ(app::WordKeyAction(vk::kF, 2, keys, false, true), WordKey::None);  // Ctrl+F is not F
    EXPECT_EQ(app::WordKeyAction('Q', 0, keys, true, true), WordKey::None);

    // Enabled records: Ctrl+Shift+F (extended bit ignored) is full screen,
    // Ctrl+Shift+Space stops in full screen; a disabled Play record does not
    // count.
    keys.keys[10].enabled = 1;  // WrdFull, Ctrl+Shift+F by default
    keys.keys[10].modifiers |= 8;
    keys.keys[3].enabled = 1;  // Stop, Ctrl+Shift+Space
    EXPECT_EQ(app::WordKeyAction('F', 3, keys, false, true), WordKey::FullScreen);
    EXPECT_EQ(app::WordKeyAction(vk::kSpace, 3, keys, true, true), WordKey::Stop);
    EXPECT_EQ(app::WordKeyAction(vk::kSpace, 3, keys, false, true), WordKey::None);
    EXPECT_EQ(app::WordKeyAction(vk::kReturn, 3, keys, true, true), WordKey::None);
    // A record on a plain key takes it over from the window's own meaning.
    keys.keys[4].enabled = 1;  // Pause on plain Space
    keys.keys[4].virtual_key = vk::kSpace;
    keys.keys[4].modifiers = 0;
    EXPECT_EQ(app::WordKeyAction(vk::kSpace, 0, keys, true, true), WordKey::Pause);
}

namespace {

class WordModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        NUKO_CORPUS_FILE(corpus, "wrd/yoshitan98_MidiToWRD_sample");
        song = dir.File("song.mid");
        test::WriteBytes(song, test::ReadBytes(corpus + ".mid"));
        // The script's name in another case still belongs to the song.
        test::WriteBytes(dir.File("SONG.WRD"), test::ReadBytes(corpus + ".wrd"));
        // The same song without its script shows its lyrics; a plain song
        // (one empty track) has neither.
        lyric = dir.File("lyric.mid");
        test::WriteBytes(lyric, test::ReadBytes(corpus + ".mid"));
        plain = dir.File("plain.mid");
        test::WriteBytes(plain, std::string("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\4\0\xFF\x2F\0", 26));
        model.ApplySettings(word, true);
    }
    std::string Row(int r) const { return model.frame().grid().RowText(r); }

    test::TempDir dir;
    std::string song, lyric, plain;
    CallQueue queue;
    settings::WordSection word;
    MidiWordModel model{nullptr, &queue};
};

}  // namespace

TEST_F(WordModelTest, ASongWithAScriptOpensTheScreenAndTicksDrawIt) {
    EXPECT_FALSE(model.open());
    model.Tick(100);  // nothing loaded: ignored
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, song));
    EXPECT_TRUE(model.open());
    EXPECT_EQ(model.song(), song);
    EXPECT_EQ(model.ScriptPath(), dir.File("SONG.WRD"));
    EXPECT_EQ(model.frame().reader().wait_ratio(), (std::pair<int, int>{4, 4}));
    EXPECT_NE(dynamic_cast<wrd::CMidiWordDibFrame*>(&model.frame()), nullptr);
    model.Tick(0);
    EXPECT_EQ(Row(0), "");
    for (std::uint32_t p = 1; p <= 8; ++p) model.Tick(p);
    EXPECT_EQ(Row(0), "はるが");

    // A song without a script, a movie, or the switch turned off: closed.
    EXPECT_FALSE(model.SongStarted(MediaKind::Midi, plain));
    EXPECT_FALSE(model.open());
    EXPECT_TRUE(model.ScriptPath().empty());
    EXPECT_TRUE(model.SongStarted(MediaKind::Midi, song));
    EXPECT_FALSE(model.SongStarted(MediaKind::Movie, song));
    model.ApplySettings(word, false);
    EXPECT_FALSE(model.SongStarted(MediaKind::Midi, song));
}

TEST_F(WordModelTest, ASongWithoutAScriptShowsItsLyricsSyllableBySyllable) {
    auto sung = [&](int row) {
        int n = 0;
        for (int c = 0; c < wrd::kColumns; ++c) {
            const auto& cell = model.frame().grid().At(c, row);
            n += cell.attr == wrd::kLyricSungAttribute && cell.ch != ' ';
        }
        return n;
    };
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, lyric));
    ASSERT_NE(model.lyrics(), nullptr);
    EXPECT_TRUE(model.ScriptPath().empty());
    // The title: the song's only text is the XF control text "XFln:", so
    // its base name; double-width letters.
    EXPECT_NE(Row(1).find("llyyrriicc"), std::string::npos) << Row(1);
    // The first line, は る が き た ... in double-width cells.
    EXPECT_EQ(Row(9).find("は  る  が  き  た"), 0u + Row(9).find_first_not_of(' ')) << Row(9);
    EXPECT_EQ(sung(9), 0);
    model.Tick(0);
    const int first = sung(9);
    EXPECT_GT(first, 0);
    for (std::uint32_t p = 1; p <= 16; ++p) model.Tick(p);
    EXPECT_GT(sung(9), first);

    // A song with a script keeps its script; the setting off, or a song
    // without words: closed.
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, song));
    EXPECT_EQ(model.lyrics(), nullptr);
    EXPECT_FALSE(model.SongStarted(MediaKind::Midi, plain));
    settings::WordSection off = word;
    off.lyrics = 0;
    model.ApplySettings(off, true);
    EXPECT_FALSE(model.SongStarted(MediaKind::Midi, lyric));
    EXPECT_TRUE(model.SongStarted(MediaKind::Midi, song));
}

TEST_F(WordModelTest, AScriptDeletedWhileItsSongPlaysKeepsRunning) {
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, song));
    ASSERT_EQ(std::remove(dir.File("SONG.WRD").c_str()), 0);
    for (std::uint32_t p = 0; p <= 8; ++p) model.Tick(p);
    EXPECT_EQ(Row(0), "はるが");
    EXPECT_TRUE(model.ScriptPath().empty());  // nothing left to show
    // The next start of the song finds none: its lyrics show instead, and
    // without them the window closes.
    EXPECT_TRUE(model.SongStarted(MediaKind::Midi, song));
    EXPECT_NE(model.lyrics(), nullptr);
    settings::WordSection off = word;
    off.lyrics = 0;
    model.ApplySettings(off, true);
    EXPECT_FALSE(model.SongStarted(MediaKind::Midi, song));
}

TEST_F(WordModelTest, TheSwitchClosesAndReopensForTheSongPlaying) {
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, song));
    model.Tick(40);
    EXPECT_FALSE(model.SetWordOn(false));
    EXPECT_FALSE(model.open());
    EXPECT_FALSE(model.frame().HasScript());
    // On again while the song plays: its script from the start.
    EXPECT_TRUE(model.SetWordOn(true));
    EXPECT_TRUE(model.open());
    EXPECT_EQ(model.frame().reader().bytes_consumed(), 0u);
    // On while a song without a script plays: nothing to show.
    model.SongStarted(MediaKind::Midi, plain);
    model.SetWordOn(false);
    EXPECT_FALSE(model.SetWordOn(true));
}

TEST_F(WordModelTest, FullScreenCarriesOverASongWithoutAScript) {
    model.SetFullScreen(true);  // nothing open: no full screen
    EXPECT_FALSE(model.full_screen());
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, song));
    model.SetFullScreen(true);
    EXPECT_TRUE(model.full_screen());
    EXPECT_FALSE(model.full_screen_mark());
    model.SongStarted(MediaKind::Midi, plain);
    EXPECT_FALSE(model.full_screen());
    EXPECT_TRUE(model.full_screen_mark());
    settings::WordSection stored;
    model.StoreSettings(stored);
    EXPECT_EQ(stored.full_screen, 1);
    // The next script's window takes the mark up.
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, song));
    EXPECT_TRUE(model.full_screen_mark());
    model.SetFullScreen(true);
    EXPECT_FALSE(model.full_screen_mark());
    // Leaving full screen by hand clears both.
    model.SetFullScreen(false);
    model.SongStarted(MediaKind::Midi, plain);
    EXPECT_FALSE(model.full_screen_mark());
}

TEST_F(WordModelTest, SettingsChooseTheScreenItsFontAndItsPlace) {
    word.graphic = 0;
    word.font.height = 24;
    word.position.v = {120, 80};
    model.ApplySettings(word, true);
    EXPECT_EQ(dynamic_cast<wrd::CMidiWordDibFrame*>(&model.frame()), nullptr);  // text only
    EXPECT_EQ(model.frame().client_width(), 80 * 12);
    EXPECT_EQ(model.frame().client_height(), 25 * 24);
    EXPECT_EQ(model.x(), 120);
    ASSERT_TRUE(model.SongStarted(MediaKind::Midi, song));
    // The screen is not rebuilt under a running script.
    word.graphic = 1;
    model.ApplySettings(word, true);
    EXPECT_EQ(dynamic_cast<wrd::CMidiWordDibFrame*>(&model.frame()), nullptr);
    EXPECT_TRUE(model.frame().HasScript());
    model.SetPosition(-5, 7);
    settings::WordSection stored;
    model.StoreSettings(stored);
    EXPECT_EQ(stored.position.v, (std::array<int, 2>{-5, 7}));
    EXPECT_EQ(stored.full_screen, 0);
}
