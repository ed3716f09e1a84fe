// The WRD reader's timing: when each line of a script shows, waits, rests,
// line times, step text, the start run, catch-up and restarts.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"
#include "wrd/wrd_reader.h"
#include "wrd_test_util.h"

using nuko::test::Script;
using nuko::test::Sjis;
using nuko::test::TestScreen;

TEST(WrdReader, TextLinesComeOneBarApart) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"ONE", "TWO", "THREE"})));
    s.Tick(0);
    EXPECT_EQ(s.Rows(0, 1), "ONE||");
    EXPECT_EQ(s.PositionShowing(1, "TWO", 1, 40), 16);
    EXPECT_EQ(s.PositionShowing(2, "THREE", 17, 40), 32);
    EXPECT_EQ(s.frame.cursor_row(), 3);
}

TEST(WrdReader, ContinuedLinesPrintAsOneRowInOneTick) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"AB;", "CD", "EF"})));
    s.Tick(0);
    EXPECT_EQ(s.Rows(0, 1), "ABCD||");
    EXPECT_EQ(s.PositionShowing(1, "EF", 1, 40), 16);
}

TEST(WrdReader, WaitScalesByTheSongsBeatsPerBar) {
    {
        TestScreen s;
        ASSERT_TRUE(s.Start(Script({"@WAI(3)", "XX"})));
        EXPECT_EQ(s.PositionShowing(0, "XX", 0, 100), 32);  // clock 192
    }
    {
        TestScreen s;
        ASSERT_TRUE(s.Start(Script({"@WAIT(3,0)", "XX"})));
        s.frame.SetWaitRatio(3, 4);  // 3 x 3 / 4 = 2, bar 1 from 0
        EXPECT_EQ(s.PositionShowing(0, "XX", 0, 100), 16);  // clock 96
    }
    {
        // Steps are written at 48 per quarter note.
        TestScreen s;
        ASSERT_TRUE(s.Start(Script({"@WAI(2,48)", "XX"})));
        s.Tick(0);
        EXPECT_EQ(s.frame.reader().due_time(), 96 + 24);
        // A ratio with a zero is not taken.
        s.frame.SetWaitRatio(0, 4);
        EXPECT_EQ(s.frame.reader().wait_ratio(), std::make_pair(4, 4));
    }
}

TEST(WrdReader, CommandsAfterAWaitRunWhenItHasPassed) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@WAI(2)@COL(31)", "XX"})));
    s.TickRange(0, 15);
    EXPECT_EQ(s.frame.attribute(), 37);
    EXPECT_EQ(s.frame.reader().pending_line(), "@COL(31)");
    s.Tick(16);
    EXPECT_EQ(s.frame.attribute(), 31);
    EXPECT_EQ(s.PositionShowing(0, "XX", 17, 60), 32);
    EXPECT_EQ(s.frame.grid().At(0, 0).attr, 31);
}

TEST(WrdReader, AWaitAlreadyPastDoesNotHold) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"A", "B", "@WAI(1)", "CC"})));
    EXPECT_EQ(s.PositionShowing(1, "B", 0, 40), 16);
    s.TickRange(17, 32);  // the wait (bar 1 = clock 0) is read at clock 192
    EXPECT_EQ(s.Row(2), "");
    s.Tick(33);
    EXPECT_EQ(s.Row(2), "CC");
}

TEST(WrdReader, RestCountsBarsFromTheClockAndIgnoresLoneSteps) {
    {
        TestScreen s;
        ASSERT_TRUE(s.Start(Script({"@RES(0,10)", "XX"})));
        EXPECT_EQ(s.PositionShowing(0, "XX", 0, 100), 16);  // the default bar
    }
    {
        TestScreen s;
        ASSERT_TRUE(s.Start(Script({"A", "@REST(1)", "XX"})));
        s.Tick(0);
        s.Tick(20);  // clock 120: the rest line runs late
        EXPECT_EQ(s.frame.reader().due_time(), 120 + 96);
        EXPECT_EQ(s.PositionShowing(1, "XX", 21, 100), 36);
    }
}

TEST(WrdReader, WmodeGivesEveryLineItsLineTime) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@WMO(3)", "A", "B", "C", "END"})));
    s.Tick(0);
    EXPECT_EQ(s.frame.reader().line_time(), 4);
    EXPECT_EQ(s.frame.reader().due_time(), 4);
    s.Tick(1);  // clock 6
    EXPECT_EQ(s.Row(0), "A");
    EXPECT_EQ(s.frame.reader().due_time(), 8);
    s.Tick(2);  // clock 12
    EXPECT_EQ(s.Row(1), "B");
    EXPECT_EQ(s.frame.reader().due_time(), 12);
    s.Tick(2);
    EXPECT_EQ(s.Row(2), "C");
}

TEST(WrdReader, WmodeOnAContinuedLineHoldsTheNextLineAndCarriesIt) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@WMODE(23);", "A", "B", "C", "END"})));
    s.Tick(0);
    EXPECT_EQ(s.Row(0), "");
    EXPECT_EQ(s.frame.reader().pending_line(), "A");
    // The held line comes one line time later, and the @WMO that did not
    // end its tick lets the line after it come along.
    EXPECT_EQ(s.PositionShowing(0, "A", 1, 20), 4);
    EXPECT_EQ(s.Row(1), "B");
    EXPECT_EQ(s.PositionShowing(2, "C", 5, 20), 8);
}

TEST(WrdReader, EscCommandIsReadAsUpperCaseSequence) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"R0", "R1", "R2", "@COL(33);", "@LOC(1,2);", "@ESC(0m)", "@ESC(1m)", "@ESC(2J)", "END"})));
    s.TickRange(0, 48);
    // "0m" is ESC [ 0 M: no row deleted, the colour stays.
    EXPECT_EQ(s.Rows(0, 2), "R0|R1|R2|");
    EXPECT_EQ(s.frame.attribute(), 33);
    EXPECT_EQ(s.frame.cursor_row(), 1);
    s.TickRange(49, 64);
    EXPECT_EQ(s.Rows(0, 2), "R0|R2||");
    s.TickRange(65, 80);
    EXPECT_EQ(s.Rows(0, 2), "|||");
    EXPECT_EQ(s.frame.cursor_row(), 0);
    EXPECT_EQ(s.frame.cursor_column(), 0);
}

TEST(WrdReader, TrailingBackslashKeepsTheRowUnlessItIsASecondByte) {
    TestScreen s;
    // "ソ" is 0x83 0x5C: its second byte is no mark.
    ASSERT_TRUE(s.Start(Script({"AB\\", "CD", "ソ", "EF"})));
    s.TickRange(0, 16);
    EXPECT_EQ(s.Rows(0, 1), "ABCD||");
    s.TickRange(17, 48);
    EXPECT_EQ(s.Rows(1, 2), "ソ|EF|");
}

TEST(WrdReader, EndStopsReadingForGood) {
    TestScreen s;
    std::string script = Script({"@END", "TEXT", "MORE"});
    ASSERT_TRUE(s.Start(script));
    s.TickRange(0, 200);
    EXPECT_TRUE(s.frame.reader().ended());
    EXPECT_EQ(s.Row(0), "");
    EXPECT_EQ(s.frame.reader().bytes_consumed(), 6u);

    TestScreen only;
    ASSERT_TRUE(only.Start(Script({"@END"})));
    only.TickRange(0, 50);
    EXPECT_TRUE(only.frame.reader().ended());
    EXPECT_EQ(only.Rows(0, 24), std::string(25, '|'));
}

TEST(WrdReader, ScriptEndsAndDropsAShortLastLine) {
    TestScreen s;
    ASSERT_TRUE(s.Start("AB\r\nCD\r\nE"));
    s.TickRange(0, 100);
    EXPECT_TRUE(s.frame.reader().ended());
    EXPECT_EQ(s.Rows(0, 2), "AB|CD||");
    EXPECT_FALSE(s.frame.LoadScriptBytes("", "/x/song.mid"));
}

TEST(WrdReader, CatchUpRunsThroughDueLinesInPostedTicks) {
    std::string script = Script({"A", "B", "C", "D", "E", "F", "G"});
    TestScreen late;
    ASSERT_TRUE(late.Start(script));
    late.Tick(0);
    late.Tick(80);  // 5 bars on: without catch-up one line per tick
    EXPECT_EQ(late.Rows(0, 2), "A|B||");

    TestScreen s;
    ASSERT_TRUE(s.Start(script));
    s.frame.SetOptions(true, false);
    s.frame.OnWrdTick(0);
    EXPECT_TRUE(s.queue.empty());  // positions 0 and 1 are never re-posted
    s.frame.OnWrdTick(80);
    EXPECT_FALSE(s.queue.empty());
    EXPECT_EQ(s.Rows(0, 2), "A|B||");
    s.queue.RunPending();
    // Re-posted while the due time is below the clock: F is due at 480,
    // the clock itself, and waits for the next tick.
    EXPECT_EQ(s.Rows(0, 5), "A|B|C|D|E||");
    EXPECT_EQ(s.frame.reader().due_time(), 480);
}

TEST(WrdReader, RestartOnRewindLoadsTheScriptAgainAndKeepsTheRatio) {
    nuko::test::TempDir dir;
    nuko::test::WriteBytes(dir.File("song.wrd"), Script({"A", "@WAI(4)", "BB"}));
    TestScreen s;
    ASSERT_TRUE(s.frame.LoadScript(dir.File("song.mid")));
    s.frame.ResetAndStart();
    s.frame.SetWaitRatio(3, 4);
    s.frame.SetOptions(false, true);
    s.TickRange(0, 40);
    EXPECT_EQ(s.Rows(0, 1), "A|BB|");
    s.Tick(2);  // back: read from the start again
    EXPECT_EQ(s.Rows(0, 1), "A||");
    // Bar 4 at 3/4 is 3 x 4 / 4 = 3, bar 2 from 0: clock 192 again (at 4/4
    // it would be 288).
    EXPECT_EQ(s.PositionShowing(1, "BB", 3, 60), 32);
}

TEST(WrdReader, RunsOnlyWhileVisibleWhenAsked) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"A", "B"})));
    s.frame.SetRunOnlyWhileVisible(true);
    s.frame.SetVisible(false);
    s.TickRange(0, 20);
    EXPECT_EQ(s.Row(0), "");
    s.frame.SetVisible(true);
    s.Tick(21);
    EXPECT_EQ(s.Row(0), "A");
}

TEST(WrdReader, ScriptIsFoundBesideTheSongInAnyCase) {
    nuko::test::TempDir dir;
    nuko::test::WriteBytes(dir.File("SONG.WRD"), Script({"HELLO"}));
    TestScreen s;
    ASSERT_TRUE(s.frame.LoadScript(dir.File("song.mid")));
    s.frame.ResetAndStart();
    s.Tick(0);
    EXPECT_EQ(s.Row(0), "HELLO");
    EXPECT_FALSE(s.frame.LoadScript(dir.File("other.mid")));
    EXPECT_FALSE(s.frame.HasScript());
    nuko::test::WriteBytes(dir.File("empty.wrd"), "");
    EXPECT_FALSE(s.frame.LoadScript(dir.File("empty.mid")));
}

TEST(WrdReader, StepTextShowsOneUnitPerLineTime) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@WMO(0,1)", "AB|CD|E_F\\G", "NEXT"})));
    std::vector<std::string> seen;
    for (int p = 0; p <= 16 * 8; p += 16) {
        s.Tick(p);
        seen.push_back(s.Row(0));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"", "A", "AB", "ABCD", "ABCDE", "ABCDE", "ABCDEF", "ABCDEFG",
                                              "ABCDEFG"}));
    // The line break came with the last unit; the next line starts below.
    EXPECT_EQ(s.Row(1), "N");
}

TEST(WrdReader, OlderScriptsStepWholeBlanksAndBreakInAUnitOfTheirOwn) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@STA(0);", "@WMO(0,1)", "A   B", "C", "END"})));
    std::vector<std::pair<std::string, int>> seen;
    for (int p = 0; p <= 16 * 5; p += 16) {
        s.Tick(p);
        seen.push_back({s.Row(0), s.frame.cursor_row()});
    }
    EXPECT_EQ(s.frame.reader().version(), 300);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{
                        {"", 0}, {"A", 0}, {"A", 0}, {"A   B", 0}, {"A   B", 1}, {"A   B", 1}}));
    EXPECT_EQ(s.Row(1), "C");
}

TEST(WrdReader, StartRunReadsTheHeadBeforeTheSongStarts) {
    std::string script = Script({"@STARTUP(380);", "HELLO", "WORLD"});
    {
        TestScreen s;
        ASSERT_TRUE(s.Start(script));
        EXPECT_EQ(s.Row(0), "HELLO");
        EXPECT_EQ(s.frame.reader().start_run_state(), 0);
        EXPECT_EQ(s.frame.reader().due_time(), 0);
        s.Tick(0);
        EXPECT_EQ(s.Row(1), "WORLD");
    }
    {
        TestScreen hidden;
        hidden.frame.SetVisible(false);
        ASSERT_TRUE(hidden.Start(script));
        EXPECT_EQ(hidden.Row(0), "");
    }
    {
        // The marker counts only in the first 1000 bytes.
        TestScreen s;
        ASSERT_TRUE(s.Start(std::string(1000, ' ') + "\r\n" + script));
        EXPECT_EQ(s.Row(0), "");
    }
}

TEST(WrdReader, LocateTakesColumnAndRowByItsSeparator) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@LOCATE(3;10);", "X;", "@LOC(20,5);", "Y;", "@LOC(200,7);", "Z;", "@LOC(0;0);",
                                "W;", "@LOC(5);", "VV"})));
    s.Tick(0);
    EXPECT_EQ(s.frame.grid().At(9, 2).ch, 'X');
    EXPECT_EQ(s.frame.grid().At(19, 4).ch, 'Y');
    EXPECT_EQ(s.frame.grid().At(0, 7).ch, 'Z');  // column 200 wraps to the next row
    EXPECT_EQ(s.Row(0), "WVV");                   // "(5)" sets nothing
}

TEST(WrdReader, CommandNamesMatchByTheirFirstLettersInAnyCase) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@color(31) text between @locate(5,2) @NOSUCH(1) @LoC(3,3);", "XX"})));
    s.Tick(0);
    EXPECT_EQ(s.frame.grid().At(2, 2).ch, 'X');
    EXPECT_EQ(s.frame.grid().At(2, 2).attr, 31);
    // Without "(" before the next "@" a command with parameters is skipped.
    TestScreen t;
    ASSERT_TRUE(t.Start(Script({"@COL 33 @LOC(2,2);", "YY"})));
    t.Tick(0);
    EXPECT_EQ(t.frame.grid().At(1, 1).attr, 37);
}

TEST(WrdReader, OffsetMovesEveryWait) {
    TestScreen s;
    ASSERT_TRUE(s.Start(Script({"@OFF(2);", "@WAI(1)", "XX"})));
    EXPECT_EQ(s.PositionShowing(0, "XX", 0, 100), 32);
}

TEST(WrdReader, TickArrivingDuringATickIsDropped) {
    // A glyph source that gets a tick while drawing, as a nested message
    // loop would deliver it.
    struct Reentrant final : nuko::wrd::GlyphSource {
        nuko::wrd::CMidiWordFrame* frame = nullptr;
        void SetFont(const std::string&, int) override {}
        nuko::wrd::GlyphMask Render(std::string_view, bool, int, int) override {
            if (frame) frame->OnWrdTick(1000);
            return {};
        }
    } glyphs;
    TestScreen s(&glyphs);
    glyphs.frame = &s.frame;
    ASSERT_TRUE(s.Start(Script({"A", "B", "CC"})));
    s.Tick(0);
    EXPECT_EQ(s.Rows(0, 1), "A||");
}

namespace {

// Writes down every call the reader makes, with its arguments: what a
// picture on the real screen cannot tell apart (a default against a value
// given, the order of nine numbers, a call that changes nothing visible).
class RecordingScreen final : public nuko::wrd::WrdScreen {
public:
    std::vector<std::string> calls;

    bool visible() const override { return true; }
    void ResetAndStart() override { Note("ResetAndStart"); }
    void PrintText(std::string_view bytes) override { Note("PrintText", std::string(bytes)); }
    std::size_t Escape(std::string_view seq) override {
        Note("Escape", std::string(seq));
        return 0;
    }
    void NewLine() override { Note("NewLine"); }
    void PrintProgramText(std::string_view t) override { Note("PrintProgramText", std::string(t)); }
    int cursor_column() const override { return 5; }
    int cursor_row() const override { return 7; }
    void SetCursor(int c, int r) override { Note("SetCursor", c, r); }
    void SetAttribute(int a) override { Note("SetAttribute", a); }
    void TextClear(int x1, int y1, int x2, int y2, int c, int ch) override { Note("TextClear", x1, y1, x2, y2, c, ch); }
    void TextScroll(int x1, int y1, int x2, int y2, int m, int c, int ch) override {
        Note("TextScroll", x1, y1, x2, y2, m, c, ch);
    }
    void SetTextDisplay(std::int64_t n) override { Note("SetTextDisplay", n); }
    void SetPaletteColors(int n, bool named, const nuko::wrd::Palette& p) override {
        Note("SetPaletteColors", n, named, p[0], p[15]);
    }
    void InvertPalette(int n) override { Note("InvertPalette", n); }
    void StartFade(int from, int to, std::int64_t speed, std::int32_t due) override {
        Note("StartFade", from, to, speed, due);
    }
    nuko::wrd::Fade& fade() override { return fade_; }
    bool FadeStep() override {
        Note("FadeStep");
        return true;
    }
    void ApplyDisplayPalette() override { Note("ApplyDisplayPalette"); }
    void SetGraphicsDisplay(std::int64_t n) override { Note("SetGraphicsDisplay", n); }
    void SetGraphicsScreen(std::int64_t d, std::int64_t s) override { Note("SetGraphicsScreen", d, s); }
    void InitGraphics() override { Note("InitGraphics"); }
    void SetDisplayPage(int p) override { Note("SetDisplayPage", p); }
    void SetDrawPage(int p) override { Note("SetDrawPage", p); }
    void SetGraphicsOn(bool on) override { Note("SetGraphicsOn", on); }
    bool LoadPicture(nuko::wrd::PictureKind, const std::string& path, int x, int y, int r, int m, std::string*) override {
        Note("LoadPicture", path, x, y, r, m);
        return true;
    }
    void Circle(std::int64_t x, std::int64_t y, std::int64_t r, std::int64_t c, std::int64_t m,
                std::int64_t f) override {
        Note("Circle", x, y, r, c, m, f);
    }
    void ClearGraphics(std::int64_t n) override { Note("ClearGraphics", n); }
    void LineOrBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t c, std::int64_t m,
                   std::int64_t p) override {
        Note("LineOrBox", x1, y1, x2, y2, c, m, p);
    }
    void SetGraphicsMode(std::int64_t n) override { Note("SetGraphicsMode", n); }
    void BlockMove(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t x3,
                   std::int64_t y3, std::int64_t from, std::int64_t to, std::int64_t m) override {
        Note("BlockMove", x1, y1, x2, y2, x3, y3, from, to, m);
    }
    void ClearDisplayPage() override { Note("ClearDisplayPage"); }

private:
    template <typename... T>
    void Note(const char* name, const T&... args) {
        std::ostringstream out;
        out << name;
        const char* sep = " ";
        ((out << sep << args, sep = ","), ...);
        calls.push_back(out.str());
    }
    nuko::wrd::Fade fade_;
};

}  // namespace

TEST(WrdReader, CommandsReachTheScreenWithTheirDefaultsAndInOrder) {
    RecordingScreen screen;
    nuko::wrd::WrdReader reader(screen, nullptr);
    // Continued lines (";"): all of them run in the first tick. A command
    // that takes parameters does nothing without its brackets.
    ASSERT_TRUE(reader.LoadBytes(Script({"@GON();", "@GON(0);", "@TON;", "@TON();", "@GMOV(1,2,3,4,5,6,1,0,3);",
                                         "@GLI(1,2,3,4,5,6);", "@GLI(1,2,3,4,5,6,0);", "@TCL();", "@TCL(2,3);",
                                         "@SCR(,,,,1);", "@LOC(,3);", "@LOC(99,1);", "@GSC(1,0);", "@GCI(9,8,7);",
                                         "@GCL();", "@GMODE(7);", "@PALR(25);", "@FAD(30,-1);", "@GIN;", "AB"}),
                                 "/nonexistent/song.mid"));
    reader.Tick(0);
    const std::vector<std::string> want = {
        "SetGraphicsDisplay 1", "SetGraphicsDisplay 0", "SetTextDisplay 1",
        "BlockMove 1,2,3,4,5,6,1,0,3",
        "LineOrBox 1,2,3,4,5,6,-1",  // no pattern given
        "LineOrBox 1,2,3,4,5,6,0",
        "TextClear -1,1,80,25,0,32",  // the whole screen
        "TextClear 2,3,80,25,0,32",
        "TextScroll 1,1,80,25,1,0,32",
        "SetCursor 5,2",  // the cursor's column kept (0-based 5)
        "SetCursor 0,1",  // past the last column: the next row
        "SetGraphicsScreen 1,0", "Circle 9,8,7,0,0,0", "ClearGraphics 0", "SetGraphicsMode 7",
        "InvertPalette 19", "StartFade 19,0,-1,0", "InitGraphics",
        "PrintText AB", "NewLine"};
    EXPECT_EQ(screen.calls, want);
}
