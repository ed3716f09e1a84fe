// Scripts that are damaged or hostile: the reader never crashes, never
// writes outside the grid or the pages, and always reaches the end.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "wrd_test_util.h"

using nuko::test::BoxGlyphs;
using nuko::test::Script;
using nuko::test::TestScreen;

namespace {

// Ticks far ahead with catch-up until the reader ends; false when it does
// not within `max_ticks`.
bool RunToEnd(TestScreen& s, int max_ticks) {
    s.frame.SetOptions(true, false);
    for (int i = 0; i < max_ticks && !s.frame.reader().ended(); ++i) s.Tick(INT_MAX);
    return s.frame.reader().ended();
}

std::string Repeat(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

const std::string kForty(40, '9');

}  // namespace

TEST(WrdBadInput, OverlongLineKeepsItsLastByteAndTheNextLine) {
    TestScreen s;
    ASSERT_TRUE(s.Start(std::string(4999, 'a') + "Z\r\nNEXT LINE\r\n"));
    s.Tick(0);
    EXPECT_EQ(s.frame.reader().bytes_consumed(), 5002u);
    // 2047 "a" and the "Z": 25 rows and 48 columns, then a new row.
    EXPECT_EQ(s.frame.grid().At(47, 23).ch, 'Z');
    EXPECT_EQ(s.frame.grid().At(48, 23).ch, ' ');
    s.Tick(16);
    EXPECT_EQ(s.Row(23), "NEXT LINE");  // printed on the last row, which then moved up
}

TEST(WrdBadInput, HugeParameterListsAndNumbers) {
    BoxGlyphs glyphs;
    TestScreen s(&glyphs);
    ASSERT_TRUE(s.Start(Script({
        "@GLI(" + Repeat("1,", 10000) + "1);",
        "@PAL(#2," + Repeat("F,", 10000) + ");",
        "@COL(" + Repeat("31;", 10000) + ");",
        "@ESC(" + Repeat("9;", 5000) + "m);",
        "@LOC(" + kForty + "," + kForty + ");",
        "@TCL(" + kForty + "," + kForty + ",0,0,15," + kForty + ");",
        "@SCR(" + kForty + ",0," + kForty + "," + kForty + ",2,9," + kForty + ");",
        "@FAD(" + kForty + "," + kForty + "," + kForty + ");",
        "@GMOD(" + kForty + ");",
        "@TON(" + kForty + ");",
        "@MAG(x," + kForty + "," + kForty + "," + kForty + "," + kForty + ");",
        "@WAI(" + kForty + "," + kForty + ")",
        "@OFF(" + kForty + ");",
        "@RES(" + kForty + "," + kForty + ")",
        "@WMO(" + kForty + "," + kForty + ")",
        "TEXT",
    })));
    s.Tick(0);
    nuko::wrd::Palette reds;
    reds.fill(0xF00);
    EXPECT_EQ(s.frame.palettes()[2], reds);  // the first 16 of 10,000 colours
    EXPECT_EQ(s.frame.attribute(), 31);
    EXPECT_EQ(s.frame.cursor_row(), 24);
    EXPECT_EQ(s.frame.cursor_column(), 0);
    EXPECT_EQ(s.frame.graphics_mode(), 15);
    // The 40-digit wait is a 16-bit bar number, as the reader stores it.
    EXPECT_EQ(s.frame.reader().due_time(), (0xFFFF - 1) * 96 + 0xFFFF);
    EXPECT_TRUE(RunToEnd(s, 100));
    EXPECT_LE(s.frame.reader().line_time(), 256);
}

TEST(WrdBadInput, EscapeCountsAndCoordinatesFarOutside) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({
        "X\x1b[" + kForty + "L\x1b[" + kForty + "M\x1b[" + kForty + ";" + kForty + "H\x1b[" + kForty + "D;",
        "@ESC(" + kForty + "J);",
        "@GLI(" + kForty + ",0,0," + kForty + ",3,0,0);",
        "@GLI(" + kForty + "," + kForty + ",0,0,3,1);",
        "@GCI(" + kForty + "," + kForty + "," + kForty + ",3,2,4);",
        "@GCI(0,0," + kForty + ",3,1,4);",
        "@GMOV(0,0," + kForty + "," + kForty + "," + kForty + ",0,0,1,1);",
        "@GMOV(" + kForty + "," + kForty + ",0,0,0,0,1,0,0);",
        "@GSC(" + kForty + "," + kForty + ");",
        "@PALR(" + kForty + ");",
        "@EXE(" + std::string(3000, 'x') + " " + kForty + ")",
        "END",
    })));
    s.Tick(0);
    // The line from (huge, 0) to (0, huge) passes far from the page.
    EXPECT_EQ(s.frame.page(1).At(639, 399), 0);
    EXPECT_EQ(s.frame.draw_page(), 1);
    EXPECT_EQ(s.frame.display_page(), 1);
    EXPECT_TRUE(RunToEnd(s, 100));
}

TEST(WrdBadInput, ZeroBytesControlCodesAndLoneLeadBytes) {
    TestScreen s;
    std::string script("A\0B\r\n\x81\r\n\x1b[\r\n\x1b\r\n@\r\n@(\r\n@PAL(#\r\n@LOC(,)\r\n\x85\x20\x86\r\n", 44);
    ASSERT_TRUE(s.Start(script));
    EXPECT_TRUE(RunToEnd(s, 100));
    EXPECT_EQ(s.Row(0), "A");
}

TEST(WrdBadInput, RandomBytesAlwaysReachTheEnd) {
    std::mt19937 rng(2024);
    const std::string kBytes = "@@@(((),,,;;;0123456789\r\n\r\n\x1b[\\|_ #\x81\x82\x85\x86\x5c\xe0\xfc";
    const char* kNames[] = {"COL", "END", "ESC", "EXE", "FAD", "GCI", "GCL", "GIN", "GLI", "GMOD", "GMOV", "GON",
                            "GSC", "LOC", "MAG", "OFF", "PAL", "PALR", "PLO", "RES", "SCR", "STA", "TCL", "TON",
                            "WAI", "WMO"};
    for (int round = 0; round < 30; ++round) {
        std::string script;
        std::size_t size = 200 + rng() % 6000;
        while (script.size() < size) {
            unsigned pick = rng() % 10;
            if (pick < 2) {
                script += '@';
                script += kNames[rng() % std::size(kNames)];
            } else if (pick < 7) {
                script += kBytes[rng() % kBytes.size()];
            } else {
                script += static_cast<char>(rng() & 0xFF);
            }
        }
        TestScreen s;
        ASSERT_TRUE(s.Start(script)) << "round " << round;  // only an empty script is refused
        s.Tick(0);
        s.Tick(1000);
        EXPECT_TRUE(RunToEnd(s, 20000)) << "round " << round;
    }
}
