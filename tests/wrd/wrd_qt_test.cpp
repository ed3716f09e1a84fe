// The real glyph source (Qt, IPA fonts) and nu_kotool wrd run as users run
// it on the corpus script and its song.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QImage>
#include <map>

#include "wrd/midi_word_dib_frame.h"
#include "nuko/paths.h"
#include "qt_app.h"
#include "test_support.h"
#include "wrd/wrd_qt_glyphs.h"
#include "wrd_test_util.h"

using nuko::test::KoTool;
using nuko::test::RunProgram;
using nuko::test::TempDir;
using nuko::wrd::GlyphMask;
using nuko::wrd::QtGlyphSource;

namespace {

int InkColumns(const GlyphMask& g) {
    int n = 0;
    for (int x = 0; x < g.width; ++x) {
        bool any = false;
        for (int y = 0; y < g.height; ++y) any = any || g.ink[static_cast<std::size_t>(y * g.width + x)];
        n += any;
    }
    return n;
}

int InkPoints(const GlyphMask& g) {
    int n = 0;
    for (auto v : g.ink) n += v != 0;
    return n;
}

// Splits nu_kotool's grid output into its screens by position.
std::map<int, std::vector<std::string>> Screens(const std::string& out) {
    std::map<int, std::vector<std::string>> screens;
    std::vector<std::string>* current = nullptr;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        std::string line = out.substr(start, end - start);
        start = end == std::string::npos ? out.size() : end + 1;
        if (line.rfind("at ", 0) == 0) {
            current = &screens[std::stoi(line.substr(3))];
        } else if (current) {
            current->push_back(line);
        }
    }
    return screens;
}

// What the corpus script shows up to a position, read straight from its
// lines: each "@LOCATE(row;column);" places the next line's text there, and
// after the opening "@WMODE(23)" (24 clocks, 4 sixteenths per line) the k-th
// text line is due at position 4k.
std::vector<std::string> ExpectedCorpusScreen(const std::string& script, int position) {
    std::vector<std::string> rows(25, std::string(80, ' '));
    std::size_t start = 0;
    int row = 0, column = 0, text_lines = 0;
    while (start < script.size()) {
        std::size_t end = script.find("\r\n", start);
        std::string line = script.substr(start, end - start);
        start = end == std::string::npos ? script.size() : end + 2;
        if (line.rfind("@LOCATE(", 0) == 0) {
            std::size_t semi = line.find(';');
            row = std::stoi(line.substr(8, semi - 8)) - 1;
            column = std::stoi(line.substr(semi + 1)) - 1;
        } else if (line[0] != '@') {
            ++text_lines;
            if (4 * text_lines > position) break;
            rows[static_cast<std::size_t>(row)].replace(static_cast<std::size_t>(column), line.size(), line);
        }
    }
    for (auto& r : rows) {
        r = nuko::text::Cp932ToUtf8(r);
        r.erase(r.find_last_not_of(' ') + 1);
    }
    return rows;
}

}  // namespace

TEST(WrdQtGlyphs, WindowsFacesResolveToInstalledJapaneseFaces) {
    nuko::test::QtApp();
    EXPECT_EQ(nuko::wrd::ResolveWordFamily("ＭＳ 明朝"), "IPAMincho");
    EXPECT_EQ(nuko::wrd::ResolveWordFamily("MS Gothic"), "IPAGothic");
    EXPECT_EQ(nuko::wrd::ResolveWordFamily("No Such Face"), "IPAMincho");
    EXPECT_EQ(nuko::wrd::ResolveWordFamily(""), "IPAMincho");
    ASSERT_TRUE(QFontDatabase::hasFamily("IPAMincho"));
}

TEST(WrdQtGlyphs, CharactersHaveInkInTheirBoxAndDoubleWidthIsTwiceAsWide) {
    nuko::test::QtApp();
    QtGlyphSource glyphs;
    glyphs.SetFont("ＭＳ 明朝", 16);
    GlyphMask kanji = glyphs.Render(nuko::test::Sjis("漢"), false, 16, 16);
    ASSERT_EQ(kanji.width, 16);
    ASSERT_EQ(kanji.height, 16);
    EXPECT_GT(InkPoints(kanji), 30);
    EXPECT_LT(InkPoints(kanji), 16 * 16 / 2);
    EXPECT_GE(InkColumns(kanji), 12);
    EXPECT_EQ(InkPoints(glyphs.Render(" ", false, 8, 16)), 0);
    EXPECT_EQ(InkPoints(glyphs.Render("\x81", false, 8, 16)), 0);  // half a character
    GlyphMask narrow = glyphs.Render("H", false, 8, 16);
    GlyphMask wide = glyphs.Render("H", true, 16, 16);
    EXPECT_GT(InkColumns(narrow), 2);
    EXPECT_EQ(InkColumns(wide), 2 * InkColumns(narrow));
    EXPECT_EQ(InkPoints(glyphs.Render("\\", false, 8, 16)) > 0, true);  // drawn as the yen sign
}

TEST(WrdQtGlyphs, ScreenDrawsTextInItsCells) {
    nuko::test::QtApp();
    QtGlyphSource glyphs;
    nuko::wrd::CMidiWordDibFrame frame(&glyphs, nullptr);
    frame.SetCursor(10, 5);
    frame.SetAttribute(31);
    frame.PrintText(nuko::test::Sjis("歌詞"));
    auto img = frame.Compose();
    ASSERT_EQ(img.width, 640);
    int red = 0, other = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 640; ++x) {
            std::uint32_t c = img.At(x, y);
            bool inside = x >= 80 && x < 112 && y >= 80 && y < 96;
            if (c == 0xFFFF0000u && inside) ++red;
            else if (c != 0xFF000000u) ++other;
        }
    EXPECT_GT(red, 40);
    EXPECT_EQ(other, 0);
}

TEST(WrdTool, CorpusLyricsShowWhereAndWhenTheScriptSays) {
    NUKO_CORPUS_FILE(song, "wrd/yoshitan98_MidiToWRD_sample.mid");
    std::string script = nuko::test::ReadBytes(nuko::path::ReplaceExtension(song, "wrd"));
    TempDir dir;
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "wrd", song, dir.path(), "--grid", "--at", "3,4,8,100,200,383"}, &out), 0);
    auto screens = Screens(out);
    ASSERT_EQ(screens.size(), 6u);
    for (auto& [position, rows] : screens) {
        ASSERT_EQ(rows.size(), 25u) << position;
        EXPECT_EQ(rows, ExpectedCorpusScreen(script, position)) << "at " << position;
    }
    EXPECT_EQ(screens[3][0], "");
    EXPECT_EQ(screens[4][0], "は");
    EXPECT_EQ(screens[8][0], "はるが");

    // The PNGs: the composed 640 x 400 screen, white lyrics on black.
    QImage first(QString::fromStdString(dir.File("4.png")));
    ASSERT_EQ(first.size(), QSize(640, 400));
    QImage last(QString::fromStdString(dir.File("383.png")));
    int white_top = 0, white_below = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 640; ++x) {
            if (last.pixel(x, y) == qRgb(255, 255, 255)) (y < 48 ? white_top : white_below)++;
            else EXPECT_EQ(last.pixel(x, y), qRgb(0, 0, 0));
        }
    EXPECT_GT(white_top, 1000);
    EXPECT_EQ(white_below, 0);

    // Without positions: the screen where the script ends.
    ASSERT_EQ(RunProgram({KoTool(), "wrd", song, dir.File("end"), "--grid"}, &out), 0);
    auto end = Screens(out);
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(end.begin()->first, 384);
    EXPECT_EQ(end.begin()->second, ExpectedCorpusScreen(script, 384));
    EXPECT_TRUE(QImage(QString::fromStdString(dir.File("end/384.png"))).size() == QSize(640, 400));
}

TEST(WrdTool, TempoTicksAndCatchUp) {
    NUKO_CORPUS_FILE(song, "wrd/yoshitan98_MidiToWRD_sample.mid");
    std::string script = nuko::test::ReadBytes(nuko::path::ReplaceExtension(song, "wrd"));
    TempDir dir;
    std::string out;
    // 120 beats a minute every 40 ms: 0.32 sixteenths a tick.
    ASSERT_EQ(RunProgram({KoTool(), "wrd", song, dir.path(), "--grid", "--at", "50", "--tempo", "120", "--interval",
                          "40"},
                         &out),
              0);
    EXPECT_EQ(Screens(out)[50], ExpectedCorpusScreen(script, 50));
    // A tick a second at 120: 8 sixteenths, two lines due per tick. Without
    // catch-up the reader reads one line a tick and falls behind.
    ASSERT_EQ(RunProgram({KoTool(), "wrd", song, dir.path(), "--grid", "--at", "96", "--tempo", "120", "--interval",
                          "1000"},
                         &out),
              0);
    auto behind = Screens(out)[96];
    EXPECT_EQ(behind, ExpectedCorpusScreen(script, 48));
    ASSERT_EQ(RunProgram({KoTool(), "wrd", song, dir.path(), "--grid", "--catchup", "--at", "96", "--tempo", "120",
                          "--interval", "1000"},
                         &out),
              0);
    // Re-posted while a line is due before the clock: all but the line due
    // at the clock itself, which the next tick shows.
    EXPECT_EQ(Screens(out)[96], ExpectedCorpusScreen(script, 92));
}

TEST(WrdTool, RefusesWhatItCannotRun) {
    TempDir dir;
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "wrd", dir.File("none.mid"), dir.path()}, &out), 1);
    EXPECT_EQ(RunProgram({KoTool(), "wrd", dir.File("none.mid")}, &out), 2);
    EXPECT_EQ(RunProgram({KoTool(), "wrd", "a.mid", dir.path(), "--at", "1,x"}, &out), 2);
    EXPECT_EQ(RunProgram({KoTool(), "wrd", "a.mid", dir.path(), "--tempo", "120"}, &out), 2);
    EXPECT_EQ(RunProgram({KoTool(), "wrd", "a.mid", dir.path(), "--bogus"}, &out), 2);
}
