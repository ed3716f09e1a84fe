// The C interface of the support library, called as other programs call it.
#include <nu_32std.h>

#include <cstring>

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include "nuko/desktop.h"
#include "nuko/prompt.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "test_support.h"

using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(ExportStrings, CaseAndControlRoutinesChangeAsciiOnly) {
    char text[] = "Song.MID 曲名ＡＢ";
    Nu_koMakeLower(text);
    EXPECT_STREQ(text, "song.mid 曲名ＡＢ");
    Nu_koMakeUpper(text);
    EXPECT_STREQ(text, "SONG.MID 曲名ＡＢ");
    char ctrl[] = "a\tb\x01" "c\x1f";
    Nu_koContolcodeToCharacter(ctrl, ' ');
    EXPECT_STREQ(ctrl, "a b c ");
    char spaced[] = " a b　c ";  // the ideographic blank is no single-byte blank
    Nu_koSpaceCut(spaced);
    EXPECT_STREQ(spaced, "ab　c");
    char path[] = "/Music.DIR/Song.MID";
    Nu_koExtMakeLower(path);
    EXPECT_STREQ(path, "/Music.DIR/Song.mid");
}

TEST(ExportStrings, StringCheckAddsOneQuotePair) {
    EXPECT_STREQ(Nu_koStringCheck("\"quoted\""), "\"\"quoted\"\"");
    EXPECT_STREQ(Nu_koStringCheck("'q'"), "''q''");
    EXPECT_STREQ(Nu_koStringCheck("\""), "\"");  // one character: unchanged
    EXPECT_STREQ(Nu_koStringCheck("\"mixed'"), "\"mixed'");
    EXPECT_STREQ(Nu_koStringCheck("plain"), "plain");
}

TEST(ExportPaths, SplitAndLongPath) {
    char folder[NUKO_PATH_MAX];
    char name[NUKO_PATH_MAX];
    Nu_koSplitPath("/a/b/曲.mid", folder, name);
    EXPECT_STREQ(folder, "/a/b/");
    EXPECT_STREQ(name, "曲.mid");
    TempDir dir;
    WriteBytes(dir.File("Song.Mid"), "x");
    char out[NUKO_PATH_MAX];
    Nu_koGetLongPathName((dir.path() + "SONG.MID").c_str(), out, sizeof out);
    EXPECT_EQ(std::string(out), dir.File("Song.Mid"));
    // The size limits the copy and never splits a character.
    char small[6];
    Nu_koGetLongPathName("/曲曲", small, sizeof small);
    EXPECT_STREQ(small, "/曲");
}

TEST(ExportFiles, FileFoundFillsNameOrMessage) {
    TempDir dir;
    WriteBytes(dir.File("a.mid"), "x");
    char name[NUKO_NAME_MAX];
    EXPECT_EQ(Nu_koIsFileFound(dir.File("a.mid").c_str(), 0, name), 1);
    EXPECT_STREQ(name, "a.mid");
    EXPECT_EQ(Nu_koIsFileFound(dir.File("b.mid").c_str(), 0, name), 0);
    EXPECT_STREQ(name, "ﾌｧｲﾙがありません.");
    EXPECT_EQ(Nu_koIsFolder(dir.path().c_str()), 1);
    EXPECT_EQ(Nu_koIsFolder(nullptr), 0);
}

TEST(ExportFiles, CopyFileReportsThroughTheCallback) {
    TempDir dir;
    WriteBytes(dir.File("s"), std::string(1000, 'x'));
    std::vector<int> seen;
    auto cb = [](void* ctx, int32_t p) { static_cast<std::vector<int>*>(ctx)->push_back(p); };
    EXPECT_EQ(Nu_koCopyFile(dir.File("s").c_str(), dir.File("t").c_str(), cb, &seen), 1);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_EQ(Nu_koCopyFile(dir.File("s").c_str(), dir.File("u").c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(Nu_koCopyFileGetVersion(), 100);
}

TEST(ExportFiles, MakeDirAsksThroughThePrompt) {
    TempDir dir;
    nuko::test::ScriptedPrompt prompt;
    nuko::ScopedPrompt scope(&prompt);
    prompt.Answer(nuko::PromptAnswer::Yes);
    EXPECT_EQ(Nu_koMakeDir(dir.File("new/one").c_str(), "ﾌｫﾙﾀﾞ", nullptr), 1);
    EXPECT_EQ(prompt.ids(), std::vector<int>{1006});
    EXPECT_EQ(Nu_koMakeDir("", "", nullptr), 0);
}

TEST(ExportSystem, Versions) {
    EXPECT_EQ(Nu_koGetVersion(), 210);
    EXPECT_EQ(Nu_koGetWindowsVersion(), 5);
}

TEST(ExportSystem, TimeConvert) {
    NuKoTimeRecord r{};
    r.first_time = 3725;
    r.second_time = 0xFFFF;
    r.seconds_mode = 1;
    Nu_koTimeConvert(&r);
    EXPECT_STREQ(r.first_text, "1:02:05");
    EXPECT_STREQ(r.second_text, "-:--:--");
    r.first_time = 1234;
    r.second_time = 0;
    r.seconds_mode = 0;
    Nu_koTimeConvert(&r);
    EXPECT_STREQ(r.first_text, "0:12:34");
    EXPECT_STREQ(r.second_text, "0:00:00");
    r.first_time = 65534;  // the largest time still fits the 10-byte text
    r.seconds_mode = 1;
    Nu_koTimeConvert(&r);
    EXPECT_STREQ(r.first_text, "18:12:14");
}

TEST(WindowPos, KeepsWindowsOnTheDesktopAndOffThePanel) {
    using nuko::desktop::Rect;
    const Rect desktop{0, 0, 1024, 768};
    int x = -5, y = 10;
    nuko::desktop::CheckWindowPos(x, y, 100, 100, desktop, {});
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 10);
    x = 1000, y = 700;
    nuko::desktop::CheckWindowPos(x, y, 100, 100, desktop, {});
    EXPECT_EQ(x, 924);
    EXPECT_EQ(y, 668);
    // Bottom panel 40 high: the window moves up above it.
    x = 10, y = 700;
    nuko::desktop::CheckWindowPos(x, y, 100, 60, desktop, {0, 728, 1024, 768});
    EXPECT_EQ(y, 668);
    // Top panel: pushed below it.
    x = 10, y = 5;
    nuko::desktop::CheckWindowPos(x, y, 100, 60, desktop, {0, 0, 1024, 30});
    EXPECT_EQ(y, 30);
    // Left panel: pushed right of it.
    x = 5, y = 5;
    nuko::desktop::CheckWindowPos(x, y, 100, 60, desktop, {0, 0, 60, 768});
    EXPECT_EQ(x, 60);
    // Right panel: moved left of it.
    x = 950, y = 5;
    nuko::desktop::CheckWindowPos(x, y, 100, 60, desktop, {984, 0, 1024, 768});
    EXPECT_EQ(x, 884);
    // The panel is the strip the available area leaves out.
    Rect p = nuko::desktop::PanelRect(desktop, {0, 0, 1024, 728});
    EXPECT_EQ(p.top, 728);
    EXPECT_TRUE(nuko::desktop::PanelRect(desktop, desktop).empty());
}

TEST(WindowPos, ExportsOnARealWidget) {
    nuko::test::QtApp();
    QWidget w;
    w.resize(200, 100);
    w.move(33, 44);
    NuKoPoint zero{0, 0};
    Nu_koSetWindowPos(&w, &zero);  // (0, 0) does nothing
    EXPECT_EQ(w.pos(), QPoint(33, 44));
    NuKoPoint p{-5, 20};
    Nu_koCheckWindowPos(&p, 200, 100);
    EXPECT_EQ(p.x, 0);
    Nu_koSetWindowPos(&w, &p);
    EXPECT_EQ(w.pos().x(), 0);
    Nu_koSetTransparence(&w, 25);
    EXPECT_NEAR(w.windowOpacity(), 0.75, 0.01);
    Nu_koSetTransparence(&w, 0);
    EXPECT_NEAR(w.windowOpacity(), 1.0, 0.01);
}
