// The text screen: output with its conversions and wrapping, ESC
// sequences, clearing and scrolling, attributes, double width.
#include <gtest/gtest.h>

#include "wrd_test_util.h"

using nuko::test::BoxGlyphs;
using nuko::test::Sjis;
using nuko::wrd::CMidiWordDibFrame;
using nuko::wrd::kLeadCell;
using nuko::wrd::kSingleCell;
using nuko::wrd::kTrailCell;

namespace {

std::string Row(const CMidiWordDibFrame& f, int row) { return f.grid().RowText(row); }

}  // namespace

TEST(WrdText, OneColumnCharactersLinePiecesAndTabs) {
    CMidiWordDibFrame f(nullptr, nullptr);
    f.PrintText("\x85\x40\x85\x60\x85\x81|\x86\x43\x86\x45\x86\x41|\x86\xA2|A\tB");
    const auto& g = f.grid();
    EXPECT_EQ(g.At(0, 0).ch, '.');   // below 0x50
    EXPECT_EQ(g.At(1, 0).ch, 0x41);  // 0x60 - 0x1F
    EXPECT_EQ(g.At(2, 0).ch, 0x61);  // 0x81 - 0x20
    EXPECT_EQ(Row(f, 0).substr(3, 5), "|-|.|");
    EXPECT_EQ(g.At(8, 0).ch, 0x84);  // a double-byte line piece
    EXPECT_EQ(g.At(8, 0).kind, kLeadCell);
    EXPECT_EQ(g.At(9, 0).ch, 0xAA);
    EXPECT_EQ(g.At(11, 0).ch, 'A');
    EXPECT_EQ(g.At(16, 0).ch, 'B');  // the tab ran to column 16
    EXPECT_EQ(f.cursor_column(), 17);
}

TEST(WrdText, DoubleByteCharacterAtColumn79WrapsWhole) {
    CMidiWordDibFrame f(nullptr, nullptr);
    f.SetCursor(79, 3);
    f.PrintText(Sjis("あい"));
    EXPECT_EQ(f.grid().At(79, 3).ch, ' ');
    EXPECT_EQ(Row(f, 4), "あい");
    EXPECT_EQ(f.grid().At(0, 4).kind, kLeadCell);
    EXPECT_EQ(f.grid().At(1, 4).kind, kTrailCell);
    EXPECT_EQ(f.cursor_column(), 4);
    EXPECT_EQ(f.cursor_row(), 4);

    // A lone first byte at the end of a text takes one cell of its own.
    CMidiWordDibFrame g(nullptr, nullptr);
    g.SetCursor(79, 0);
    g.PrintText("\x82");
    EXPECT_EQ(g.grid().At(79, 0).ch, 0x82);
    EXPECT_EQ(g.grid().At(79, 0).kind, kSingleCell);
}

TEST(WrdText, LongTextWrapsInRowsOf80AndScrollsAtTheBottom) {
    CMidiWordDibFrame f(nullptr, nullptr);
    f.SetCursor(70, 22);
    f.PrintText(std::string(100, 'x'));
    EXPECT_EQ(Row(f, 22), std::string(70, ' ') + std::string(10, 'x'));
    EXPECT_EQ(Row(f, 23), std::string(80, 'x'));
    EXPECT_EQ(Row(f, 24), std::string(10, 'x'));
    EXPECT_EQ(f.cursor_column(), 10);
    // Exactly to the end of the row: the cursor waits past it.
    f.PrintText(std::string(70, 'y'));
    EXPECT_EQ(f.cursor_column(), 80);
    EXPECT_EQ(f.cursor_row(), 24);
    f.PrintText("z");
    EXPECT_EQ(f.cursor_row(), 24);
    EXPECT_EQ(Row(f, 24), "z");
    EXPECT_EQ(Row(f, 23), std::string(10, 'x') + std::string(70, 'y'));
    EXPECT_EQ(Row(f, 21), std::string(70, ' ') + std::string(10, 'x'));
}

TEST(WrdText, WritingIntoHalfACharacterBlanksTheOtherHalf) {
    CMidiWordDibFrame f(nullptr, nullptr);
    f.PrintText(Sjis("あい"));
    f.SetCursor(1, 0);
    f.PrintText("X");  // into the second half of "あ": starts at its first half
    EXPECT_EQ(Row(f, 0), " Xい");
    f.SetCursor(2, 0);
    f.PrintText("Y");  // over the first half of "い": its second half goes
    EXPECT_EQ(Row(f, 0), " XY");
    EXPECT_EQ(f.grid().At(3, 0).kind, kSingleCell);
}

TEST(WrdText, EscapeSequencesMoveClearAndColour) {
    CMidiWordDibFrame f(nullptr, nullptr);
    f.PrintText("\x1b[5;10HA\x1b[2A\x1b[3DB\x1b[99999999999999999999B\x1b[C");
    EXPECT_EQ(f.grid().At(9, 4).ch, 'A');
    EXPECT_EQ(f.grid().At(7, 2).ch, 'B');
    EXPECT_EQ(f.cursor_row(), 24);
    EXPECT_EQ(f.cursor_column(), 9);
    f.PrintText("\x1b[H\x1b[0;0f");
    EXPECT_EQ(f.cursor_row(), 0);
    EXPECT_EQ(f.cursor_column(), 0);
    f.PrintText("\x1b[30;99H");  // beyond the screen: held at its edge
    EXPECT_EQ(f.cursor_row(), 24);
    EXPECT_EQ(f.cursor_column(), 79);

    // Attributes: 7 makes the final colour reverse.
    f.PrintText("\x1b[31m");
    EXPECT_EQ(f.attribute(), 31);
    f.PrintText("\x1b[7;32m");
    EXPECT_EQ(f.attribute(), 42);
    f.PrintText("\x1b[m");
    EXPECT_EQ(f.attribute(), 0);
    // Save and restore cursor and attribute; ESC ) takes one byte with it.
    f.PrintText("\x1b[3;4H\x1b[33m\x1b[s\x1b[H\x1b[m\x1b)Z\x1b[u");
    EXPECT_EQ(f.cursor_row(), 2);
    EXPECT_EQ(f.cursor_column(), 3);
    EXPECT_EQ(f.attribute(), 33);
    EXPECT_EQ(Row(f, 0), "");
    // ESC = addresses by two bytes, each + 0x20.
    f.PrintText("\x1b=\x25\x2AQ");
    EXPECT_EQ(f.grid().At(10, 5).ch, 'Q');
}

TEST(WrdText, EscapeClearsRowsAndScreenParts) {
    CMidiWordDibFrame f(nullptr, nullptr);
    auto fill = [&] {
        for (int r = 0; r < 5; ++r) {
            f.SetCursor(0, r);
            f.PrintText("0123456789");
        }
        f.SetCursor(4, 2);
    };
    fill();
    f.PrintText("\x1b[K");
    EXPECT_EQ(Row(f, 2), "0123");
    f.PrintText("\x1b[1K");
    EXPECT_EQ(Row(f, 2), "");
    fill();
    f.PrintText("\x1b[J");
    EXPECT_EQ(Row(f, 1) + "|" + Row(f, 2) + "|" + Row(f, 3), "0123456789|0123|");
    fill();
    f.PrintText("\x1b[1J");
    EXPECT_EQ(Row(f, 1) + "|" + Row(f, 2) + "|" + Row(f, 3), "|     56789|0123456789");
    fill();
    f.PrintText("\x1b[2L");
    EXPECT_EQ(Row(f, 2) + "|" + Row(f, 3) + "|" + Row(f, 4) + "|" + Row(f, 6), "||0123456789|0123456789");
    f.PrintText("\x1b[2M\x1b[0M");
    EXPECT_EQ(Row(f, 2) + "|" + Row(f, 4), "0123456789|0123456789");
    f.SetCursor(0, 24);
    f.PrintText("\x1b[M");  // nothing below the last row to delete
    f.PrintText("\x1b*");
    EXPECT_EQ(Row(f, 0), "");
    EXPECT_EQ(f.cursor_row(), 0);
    // ESC D on the last row scrolls up, ESC M on the first scrolls down.
    f.PrintText("TOP");
    f.PrintText("\x1bM");
    EXPECT_EQ(Row(f, 1), "TOP");
    f.SetCursor(0, 24);
    f.PrintText("END\x1b" "E");
    EXPECT_EQ(Row(f, 23), "END");
    EXPECT_EQ(f.cursor_column(), 0);
}

TEST(WrdText, ClearingHalfACharacterLeavesNoOrphan) {
    CMidiWordDibFrame f(nullptr, nullptr);
    f.PrintText(Sjis("あいう"));
    f.SetCursor(3, 0);
    f.PrintText("\x1b[K");  // from the second half of "い"
    EXPECT_EQ(Row(f, 0), "あ");
    EXPECT_EQ(f.grid().At(2, 0).kind, kSingleCell);
}

TEST(WrdText, AttributeColoursAndReverse) {
    using nuko::wrd::AttributeColor;
    using nuko::wrd::MakeReverse;
    EXPECT_EQ(AttributeColor(37), 7);
    EXPECT_EQ(AttributeColor(0), 7);
    EXPECT_EQ(AttributeColor(17), 4);
    EXPECT_EQ(AttributeColor(44), 1);
    EXPECT_EQ(AttributeColor(35), 5);
    EXPECT_EQ(AttributeColor(42), 2);
    EXPECT_EQ(AttributeColor(21), 6);
    EXPECT_EQ(AttributeColor(46), 3);
    EXPECT_EQ(AttributeColor(16), 0);
    EXPECT_EQ(AttributeColor(48), 0);
    EXPECT_EQ(AttributeColor(255), 0);
    const std::pair<int, int> reverse[] = {{17, 41}, {23, 47}, {3, 40}, {8, 8}, {16, 16}, {7, 17}, {31, 41},
                                           {37, 47}, {30, 40}, {44, 44}, {60, 60}};
    for (auto [from, to] : reverse) EXPECT_EQ(MakeReverse(from), to) << from;
}

TEST(WrdText, TextClearFillsOrClearsRows) {
    CMidiWordDibFrame f(nullptr, nullptr);
    for (int r = 0; r < 4; ++r) {
        f.SetCursor(0, r);
        f.PrintText("abcdefgh");
    }
    f.SetCursor(5, 5);
    f.TextClear(6, 3, 2, 2, 9, '*');  // reversed corners
    EXPECT_EQ(Row(f, 1), "a*****gh");
    EXPECT_EQ(Row(f, 2), "a*****gh");
    EXPECT_EQ(f.grid().At(1, 1).attr, 41);  // colour 9: reverse
    f.TextClear(1, 1, 1, 1, 2, 10);         // a control character fills as a blank
    EXPECT_EQ(f.grid().At(0, 0).ch, ' ');
    EXPECT_EQ(f.grid().At(0, 0).attr, 32);
    f.TextClear(-1, 2, 80, 1, 0, 32);  // without x1: rows 1-2
    EXPECT_EQ(Row(f, 0) + "|" + Row(f, 1) + "|" + Row(f, 3), "||abcdefgh");
    EXPECT_EQ(f.cursor_column(), 5);
    f.TextClear(-1, 0, 80, 999, 0, 32);  // rows limited to the screen
    EXPECT_EQ(Row(f, 3), "");
}

TEST(WrdText, TextScrollMovesARectangleByOneCell) {
    CMidiWordDibFrame f(nullptr, nullptr);
    const char* rows[] = {"A123456", "B234567", "C345678"};
    for (int r = 0; r < 3; ++r) {
        f.SetCursor(0, r);
        f.PrintText(rows[r]);
    }
    f.TextScroll(2, 1, 4, 3, 0, 0, '.');  // up
    EXPECT_EQ(Row(f, 0) + "|" + Row(f, 1) + "|" + Row(f, 2), "A234456|B345567|C...678");
    f.TextScroll(2, 1, 4, 3, 1, 0, 20);  // down, a blank fills
    EXPECT_EQ(Row(f, 0) + "|" + Row(f, 1) + "|" + Row(f, 2), "A   456|B234567|C345678");
    f.TextScroll(1, 3, 7, 3, 2, 0, '>');  // right
    EXPECT_EQ(Row(f, 2), ">C34567");
    f.TextScroll(1, 3, 7, 3, 3, 0, '<');  // left
    EXPECT_EQ(Row(f, 2), "C34567<");
    f.TextScroll(1, 3, 7, 3, 7, 0, '?');  // no such mode
    EXPECT_EQ(Row(f, 2), "C34567<");
    // A character cut at the rectangle's edge does not survive in halves.
    f.SetCursor(0, 5);
    f.PrintText(Sjis("あい"));
    f.TextScroll(2, 6, 4, 6, 3, 0, '-');
    EXPECT_EQ(Row(f, 5), " い-");
}

TEST(WrdText, ProgramTextBreaksAtLineEndsAndStaysOnTheScreen) {
    CMidiWordDibFrame f(nullptr, nullptr);
    f.SetAttribute(31);
    f.SetCursor(75, 22);
    f.PrintProgramText("ABCDEFGH\r\nI\nJ\rK");
    EXPECT_EQ(Row(f, 22), std::string(75, ' ') + "ABCDE");
    EXPECT_EQ(Row(f, 23), "FGH");
    EXPECT_EQ(Row(f, 24), "K");  // no scrolling: the last rows are written over
    EXPECT_EQ(f.grid().At(0, 23).attr, 37);
    EXPECT_EQ(f.attribute(), 31);
}

TEST(WrdText, DoubleWidthThinsTheDrawnString) {
    BoxGlyphs glyphs;
    CMidiWordDibFrame f(&glyphs, nullptr);
    f.SetTextDisplay(2);
    f.PrintText("ABCD");
    EXPECT_EQ(glyphs.drawn, (std::vector<std::string>{"A", "C"}));
    EXPECT_TRUE(glyphs.last_double);
    EXPECT_EQ(Row(f, 0), "ABCD");  // the grid keeps every character
    glyphs.drawn.clear();
    f.SetCursor(0, 1);
    f.PrintText(Sjis("あい　う"));
    EXPECT_EQ(glyphs.drawn, (std::vector<std::string>{Sjis("あ"), Sjis("う")}));
    // Ink: "A" covers cells 0-1 (its left half is cell 0), "C" cells 2-3.
    const auto& layers = f.layers();
    auto ink = [&](int col, int row) { return layers.ColourRow(row * 16 + 8)[col * 8 + 2] != 0; };
    EXPECT_TRUE(ink(0, 0));
    EXPECT_FALSE(ink(1, 0));
    EXPECT_TRUE(ink(2, 0));
    EXPECT_FALSE(ink(3, 0));
    // Back to normal width: everything is drawn again, one box per cell.
    f.SetTextDisplay(1);
    EXPECT_TRUE(ink(1, 0));
    EXPECT_TRUE(ink(3, 0));
    f.SetTextDisplay(0);
    EXPECT_FALSE(f.text_on());
}
