// Palettes, fades, graphics and pictures of the MIDI-Word screen, and what
// the composed screen shows.
#include <gtest/gtest.h>

#include "test_support.h"
#include "wrd_encoders.h"
#include "wrd_test_util.h"

using nuko::test::BoxGlyphs;
using nuko::test::Script;
using nuko::test::TempDir;
using nuko::test::TestScreen;
using nuko::test::WriteBytes;
using nuko::wrd::Color;
using nuko::wrd::kResetPalette;
using nuko::wrd::Palette;

namespace {

const char* kSixteen = "F00,0F0,00F,FFF,000,111,222,333,444,555,666,777,888,999,AAA,BBB";

Palette Sixteen() {
    return {0xF00, 0x0F0, 0x00F, 0xFFF, 0x000, 0x111, 0x222, 0x333, 0x444, 0x555, 0x666, 0x777,
            0x888, 0x999, 0xAAA, 0xBBB};
}

Palette Flat(std::uint16_t c) {
    Palette p;
    p.fill(c);
    return p;
}

std::string Hex(std::uint16_t c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03X", c);
    return buf;
}

std::string PalLine(const std::string& head, std::uint16_t c) {
    std::string line = "@PAL(" + head;
    for (int i = 0; i < 16; ++i) line += (i || !head.empty() ? "," : "") + Hex(c);
    return line + ")";
}

// The colour of page point (x, y) on screen.
std::uint32_t Shown(const TestScreen& s, int x, int y) { return s.frame.Compose().At(x, y); }

nuko::test::MagSpec SmallMag(std::uint8_t colour_base) {
    nuko::test::MagSpec m;
    m.start_x = 16;
    m.start_y = 8;
    m.width = 16;
    m.height = 8;
    m.points = nuko::test::PatternPoints(16, 8, 16, 3);
    for (std::uint8_t i = 0; i < 16; ++i) m.colors[i] = {i, colour_base, static_cast<std::uint8_t>(15 - i)};
    return m;
}

}  // namespace

TEST(WrdPalettes, NamedPaletteChangesOnlyTheBank) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({std::string("@PAL(#3,") + kSixteen + ")"})));
    auto before = s.frame.Compose().pixels;
    s.Tick(0);
    EXPECT_EQ(s.frame.palettes()[3], Sixteen());
    EXPECT_EQ(s.frame.palettes()[0], kResetPalette);
    EXPECT_EQ(s.frame.page(0).Colors()[1], Color::FromRgb12(0x00F));
    EXPECT_EQ(s.frame.Compose().pixels, before);
}

TEST(WrdPalettes, PaletteZeroIsAppliedAndBadListsChangeNothing) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({std::string("@PAL(") + kSixteen + ");",
                                "@PAL(#2,1,FF, x0F,0,0,0,0,0,0,0,0,0,0,0,0,0);",
                                "@PAL(#4,1,2,3);",  // ends early
                                "@PAL(#5,,2,3,4,5,6,7,8,9,A,B,C,D,E,F,0)", "X"})));
    s.Tick(0);
    EXPECT_EQ(s.frame.palettes()[0], Sixteen());
    EXPECT_EQ(s.frame.page(0).Colors()[0], Color::FromRgb12(0xF00));
    EXPECT_EQ(s.frame.page(1).Colors()[3], Color::FromRgb12(0xFFF));
    EXPECT_EQ(s.frame.palettes().PagePalette(1), Sixteen());
    // Digits weigh 256, 16, 1 from the left; a non-digit keeps its place.
    EXPECT_EQ(s.frame.palettes()[2][0], 0x100);
    EXPECT_EQ(s.frame.palettes()[2][1], 0xFF0);
    EXPECT_EQ(s.frame.palettes()[2][2], 0x00F);
    EXPECT_EQ(s.frame.palettes()[4], Palette{});
    EXPECT_EQ(s.frame.palettes()[5], Palette{});
    EXPECT_EQ(Shown(s, 0, 100), 0xFFFF0000u);  // colour 0 of the page is now red
}

TEST(WrdPalettes, InvertingPaletteZeroAppliesIt) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@PALR(0);", "@PALR(99)", "X"})));
    s.Tick(0);
    EXPECT_EQ(s.frame.palettes()[0][0], 0xFFF);
    EXPECT_EQ(s.frame.palettes()[0][7], 0x000);
    EXPECT_EQ(s.frame.palettes()[19], Flat(0xFFF));
    EXPECT_EQ(s.frame.page(0).Colors()[0], Color::FromRgb12(0xFFF));
}

TEST(WrdPalettes, FadeWithSpeedZeroSwitchesAtOnce) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({PalLine("#5", 0x48C) + ";", "@FAD(0,5,0)", "X"})));
    s.Tick(0);
    EXPECT_EQ(s.frame.palettes()[0], Flat(0x48C));
    EXPECT_EQ(s.frame.page(0).Colors()[9], Color::FromRgb12(0x48C));
    EXPECT_FALSE(s.frame.palettes().fade().running);
    // With a fade target set, "#0" only changes the bank.
    s.frame.SetPaletteColors(0, true, Flat(0x111));
    EXPECT_EQ(s.frame.page(0).Colors()[9], Color::FromRgb12(0x48C));
}

TEST(WrdPalettes, FadeWithSpeed8Takes15StepsEvery4Clocks) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({PalLine("#5", 0xFFF) + ";", PalLine("#6", 0x000) + ";", "@FAD(6,5,8)", "X"})));
    s.Tick(0);
    const auto& fade = s.frame.palettes().fade();
    EXPECT_TRUE(fade.running);
    EXPECT_EQ(fade.interval, 4);
    EXPECT_EQ(fade.end, 60);
    EXPECT_EQ(fade.next, 4);
    EXPECT_EQ(s.frame.palettes()[0], Flat(0x000));
    // One unit per step; each tick (6 clocks) is past the next step time.
    for (int p = 1; p <= 14; ++p) {
        s.Tick(p);
        EXPECT_EQ(s.frame.palettes()[0][3], p * 0x111) << p;
        EXPECT_EQ(fade.next, 4 + 4 * p);
    }
    s.Tick(15);
    EXPECT_EQ(s.frame.palettes()[0], Flat(0xFFF));
    EXPECT_FALSE(fade.running);
    EXPECT_EQ(s.frame.page(1).Colors()[0], Color::FromRgb12(0xFFF));
}

TEST(WrdPalettes, LateFadeFinishesAtOnceWithCatchUpAndDefaultSpeedMovesFourUnits) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({PalLine("#5", 0xFFF) + ";", PalLine("#6", 0x000) + ";", "@FAD(6,5)", "X"})));
    s.frame.SetOptions(true, false);
    s.Tick(0);
    EXPECT_EQ(s.frame.palettes().fade().repeats, 4);
    s.Tick(1);
    EXPECT_EQ(s.frame.palettes()[0][0], 0x444);
    s.Tick(100);  // far past the end
    EXPECT_EQ(s.frame.palettes()[0], Flat(0xFFF));
    EXPECT_FALSE(s.frame.palettes().fade().running);
}

TEST(WrdGraphics, LineWithFiveValuesIsDashedByItsColour) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@GLI(0,0,100,100,9,2);", "@GLI(0,10,15,10,5);", "@GLI(0,20,15,20,0);",
                                "@GLI(0,30,15,30,3,0,240);", "@GLI(0,40,15,40,3,0,15)", "X"})));
    s.Tick(0);
    const auto& page = s.frame.page(0);
    std::string dashed, solid, coloured, patterned;
    for (int x = 0; x < 16; ++x) {
        dashed += static_cast<char>('0' + page.At(x, 10));
        solid += static_cast<char>('0' + page.At(x, 20));
        coloured += static_cast<char>('0' + page.At(x, 30));
        patterned += static_cast<char>('0' + page.At(x, 40));
    }
    EXPECT_EQ(dashed, "9999959599999595");  // 5 = 00000101
    EXPECT_EQ(solid, "0000000000000000");   // colour 0: pattern 0, solid
    EXPECT_EQ(coloured, "9999993399999933");  // 240 is no pattern: colour 3
    EXPECT_EQ(patterned, "9999333399993333");
    EXPECT_EQ(page.At(100, 100), 9);
    EXPECT_EQ(page.At(101, 100), 0);
}

TEST(WrdGraphics, BoxesLinesAndCirclesStayOnThePage) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@GLI(10,60,5,50,4,1,0);", "@GLI(0,0,4000000000,4000000000,6,0,0);",
                                "@GCI(500,100,10,4,0,0);", "@GCI(300,200,5,4,2,2);",
                                "@GLI(700,500,99999,99999,1,2)", "X"})));
    s.Tick(0);
    const auto& page = s.frame.page(0);
    // The box: corners sorted, both included.
    EXPECT_EQ(page.At(5, 50), 4);
    EXPECT_EQ(page.At(10, 60), 4);
    EXPECT_EQ(page.At(7, 55), 0);
    // The diagonal runs to the page's corner and no further.
    EXPECT_EQ(page.At(399, 399), 6);
    EXPECT_EQ(page.At(123, 123), 6);
    // Circle outline around (500, 100) with radius 10.
    EXPECT_EQ(page.At(510, 100), 4);
    EXPECT_EQ(page.At(490, 100), 4);
    EXPECT_EQ(page.At(500, 110), 4);
    EXPECT_EQ(page.At(500, 90), 4);
    EXPECT_EQ(page.At(500, 100), 0);
    EXPECT_EQ(page.At(511, 100), 0);
    EXPECT_EQ(page.At(508, 108), 0);
    // Filled: outline in the colour, inside in the fill colour.
    EXPECT_EQ(page.At(300, 200), 2);
    EXPECT_EQ(page.At(305, 200), 4);
    EXPECT_EQ(page.At(306, 200), 0);
}

TEST(WrdGraphics, HugeCircleFillsThePageAndVersion379MasksColours) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@GCI(320,200,99999999999,1,2,3);", "@STA(379);", "@GCI(10,10,2,12,2,13)", "X"})));
    s.Tick(0);
    EXPECT_EQ(s.frame.page(0).At(639, 399), 3);
    EXPECT_EQ(s.frame.page(0).At(10, 10), 13 & 7);
    EXPECT_EQ(s.frame.page(0).At(12, 10), 12 & 7);
}

TEST(WrdGraphics, PlaneMaskAndPlaneClearing) {
    TestScreen t;
    ASSERT_TRUE(t.Start(Script({"@GLI(0,0,639,399,10,2);", "@GMODE(1);", "@GLI(0,5,9,5,15,0,0);",
                                "@GLI(0,6,9,6,0);", "@GMOD(0);", "@GLI(0,7,9,7,15,0,0);", "@GMOD(15);",
                                "@GCL(2)", "X"})));
    t.Tick(0);
    const auto& p = t.frame.page(0);
    // Through mask 1 only plane 0 changes; then @GCL(2) clears plane 1.
    EXPECT_EQ(p.At(3, 5), 9);  // 15 on 10: 11, without plane 1: 9
    EXPECT_EQ(p.At(3, 6), 8);  // 0 on 10: 10, then 8
    EXPECT_EQ(p.At(3, 7), 8);  // mask 0 draws nothing
    EXPECT_EQ(p.At(300, 300), 8);
    EXPECT_EQ(t.frame.graphics_mode(), 15);
    t.frame.ClearGraphics(0);  // 0 means every plane
    EXPECT_EQ(p.At(300, 300), 0);
}

TEST(WrdGraphics, BlockMoveCopiesAndExchangesWholeByteColumns) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@GLI(0,0,15,1,7,2);", "@GMOV(3,0,12,1,101,10,0,1,0);",
                                "@GLI(100,50,103,50,2,2);", "@GSC(1,0);", "@GLI(96,50,111,50,5,2);",
                                "@GSC(0,0);", "@GMOV(96,50,103,50,96,50,0,1,1);", "@GMOV(0,0,7,0,0,0,2,0,0)",
                                "X"})));
    s.Tick(0);
    const auto& p0 = s.frame.page(0);
    const auto& p1 = s.frame.page(1);
    // Columns 0-15 (3 and 12 rounded out) to 96 (101 rounded down).
    EXPECT_EQ(p1.At(96, 10), 7);
    EXPECT_EQ(p1.At(111, 11), 7);
    EXPECT_EQ(p1.At(112, 10), 0);
    EXPECT_EQ(p1.At(95, 10), 0);
    // Exchanged: page 0 gets page 1's 5s, page 1 gets page 0's 2s (and 0s).
    EXPECT_EQ(p0.At(100, 50), 5);
    EXPECT_EQ(p1.At(100, 50), 2);
    EXPECT_EQ(p1.At(97, 50), 0);
    EXPECT_EQ(p1.At(104, 50), 5);
    EXPECT_EQ(p0.At(0, 0), 7);
}

TEST(WrdGraphics, DisplayPageBringsItsPalette) {
    TempDir dir;
    nuko::test::ProgramSpec sample;
    sample.pages = 0x04;  // draw page 1, display page 0
    sample.screen_offset = 0;
    sample.width_bytes = 2;
    sample.height = 4;
    sample.points = std::vector<std::uint8_t>(16 * 4, 9);
    for (std::uint8_t i = 0; i < 16; ++i) sample.colors[i] = {15, i, 0};
    sample.flags = 0x04 | 0x08;
    sample.text = "PIC";
    WriteBytes(dir.File("prog.com"), nuko::test::EncodeProgram(sample));
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@LOC(5,3);", "@EXEC(PROG)", "@GSC(0,1)", "@GIN", "X"}), dir.File("song.mid")));
    s.Tick(0);
    // Drawn on page 1 in its colours, palette 0 kept for page 0.
    EXPECT_EQ(s.frame.page(1).At(3, 3), 9);
    EXPECT_EQ(s.frame.page(0).At(3, 3), 0);
    EXPECT_EQ(s.frame.palettes()[0], kResetPalette);
    EXPECT_EQ(s.frame.palettes().PagePalette(1)[9], 0xF90);
    EXPECT_EQ(s.Row(2), "    PIC");
    EXPECT_EQ(s.frame.draw_page(), 1);
    s.Tick(16);
    EXPECT_EQ(s.frame.display_page(), 1);
    EXPECT_EQ(s.frame.palettes()[0][9], 0xF90);
    EXPECT_EQ(Shown(s, 3, 3), 0xFFFF9900u);
    s.Tick(32);
    EXPECT_EQ(s.frame.display_page(), 0);
    EXPECT_EQ(s.frame.draw_page(), 0);
    EXPECT_EQ(Shown(s, 3, 3), 0xFF000000u);
}

TEST(WrdComposition, TextCoversGraphicsAndReverseLetsThemThrough) {
    BoxGlyphs glyphs;
    TestScreen s(&glyphs);
    ASSERT_TRUE(s.Start(Script({"@GLI(0,0,639,399,2,2);", "@COL(33);", "A;", "@COL(34;7);", "B;", "@COL(8);",
                                "C;", "@COL(30);", "DD"})));
    s.Tick(0);
    const std::uint32_t red = 0xFFFF0000u, yellow = 0xFFFFFF00u, blue = 0xFF0000FFu, black = 0xFF000000u;
    auto img = s.frame.Compose();
    // Each box glyph inks the left half of its cell.
    EXPECT_EQ(img.At(1, 5), yellow);  // plain text in its colour
    EXPECT_EQ(img.At(6, 5), red);     // the page beside the letter
    EXPECT_EQ(img.At(9, 5), red);     // reverse: the page shows through the letter
    EXPECT_EQ(img.At(14, 5), blue);   // and the cell is filled
    EXPECT_EQ(img.At(17, 5), red);    // secret: nothing drawn
    EXPECT_EQ(img.At(25, 5), black);  // black text
    EXPECT_EQ(img.At(100, 100), red);
    s.frame.SetTextDisplay(0);
    EXPECT_EQ(s.frame.Compose().At(1, 5), red);
    s.frame.SetTextDisplay(1);
    s.frame.SetGraphicsDisplay(0);
    EXPECT_EQ(s.frame.Compose().At(6, 5), black);
    EXPECT_EQ(s.frame.Compose().At(1, 5), yellow);
}

TEST(WrdComposition, LargerFontScalesTheWholeScreen) {
    BoxGlyphs glyphs;
    TestScreen s(&glyphs);
    ASSERT_TRUE(s.Start(Script({"@GLI(320,200,639,399,4,2);", "AA"})));
    s.Tick(0);
    s.frame.SetFont("ＭＳ 明朝", 33);  // cells of 16 x 32
    auto img = s.frame.Compose();
    EXPECT_EQ(img.width, 1280);
    EXPECT_EQ(img.height, 800);
    EXPECT_EQ(img.At(641, 401), 0xFF00FF00u);  // page point (320, 200)
    EXPECT_EQ(img.At(639, 399), 0xFF000000u);
    EXPECT_EQ(img.At(3, 20), 0xFFFFFFFFu);  // the text was drawn again
    EXPECT_EQ(img.At(12, 20), 0xFF000000u);
}

TEST(WrdPictures, SongPictureAndBmpFirst) {
    TempDir dir;
    WriteBytes(dir.File("song.mag"), nuko::test::EncodeMag(SmallMag(5)));
    {
        TestScreen s;
        ASSERT_TRUE(s.Start(Script({"X"}), dir.File("song.mid")));
        auto mag = SmallMag(5);
        EXPECT_EQ(s.frame.page(0).At(16, 8), mag.points[0]);
        EXPECT_EQ(s.frame.page(0).At(31, 15), mag.points.back());
        EXPECT_EQ(s.frame.palettes()[0][3], 0x35C);
        EXPECT_EQ(s.frame.palettes()[17][3], 0x35C);
        EXPECT_EQ(s.frame.palettes()[18][3], 0x35C);
    }
    WriteBytes(dir.File("song.bmp"), "BM");
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"X"}), dir.File("song.mid")));
    EXPECT_EQ(s.frame.palettes()[0], kResetPalette);
    for (int x = 0; x < 64; ++x) EXPECT_EQ(s.frame.page(0).At(x, 10), 0);
}

TEST(WrdPictures, MagPhoAndMissingFiles) {
    TempDir dir;
    auto mag = SmallMag(7);
    WriteBytes(dir.File("pic.mag"), nuko::test::EncodeMag(mag));
    auto pho = nuko::test::PatternPoints(640, 400, 8, 4);
    WriteBytes(dir.File("screen.pho"), nuko::test::EncodePho(pho));
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@MAG(PIC.MAG,100,50,1,1);", "@MAG(missing.mag);", "@PLO(missing);",
                                "@EXE(missing.com)", "@GSC(1,0);", "@PLOAD(screen)", "@MAG(pic,635,0,1,0)", "X"}),
                        dir.File("song.mid")));
    s.Tick(0);
    const auto& p0 = s.frame.page(0);
    EXPECT_EQ(p0.At(96, 50), mag.points[0]);  // x rounded down to 8
    EXPECT_EQ(p0.At(96 + 15, 57), mag.points[8 * 16 - 1]);
    EXPECT_EQ(s.frame.palettes()[0], kResetPalette);  // palette mode 1 keeps the colours
    EXPECT_EQ(s.frame.palettes()[17][2], 0x27D);
    s.Tick(16);
    EXPECT_TRUE(std::equal(pho.begin(), pho.end(), s.frame.page(1).Points().begin()));
    EXPECT_EQ(s.frame.palettes()[0], kResetPalette);
    s.Tick(32);
    // At 632 (635 rounded down): half at the right edge, half at the left.
    EXPECT_EQ(s.frame.page(1).At(632, 0), mag.points[0]);
    EXPECT_EQ(s.frame.page(1).At(0, 0), mag.points[8]);
    EXPECT_EQ(s.frame.page(1).At(7, 1), mag.points[16 + 15]);
    EXPECT_EQ(s.frame.palettes()[0][2], 0x27D);
    EXPECT_EQ(s.frame.palettes()[19][2], 0x27D);  // 18 + draw page 1
}

TEST(WrdPictures, ClearingProgramClearsTheDisplayPage) {
    TempDir dir;
    WriteBytes(dir.File("GCLS.COM"), "");
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@GLI(0,0,639,399,6,2);", "@EXE(gcls)", "X"}), dir.File("song.mid")));
    s.Tick(0);
    EXPECT_EQ(s.frame.page(0).At(320, 200), 0);
}
