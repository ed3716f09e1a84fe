// nu_kotool lyrics, title and wrd on songs that carry their words inside.
#include <gtest/gtest.h>

#include <QImage>

#include "media_test_util.h"
#include "test_support.h"

using nuko::test::KoTool;
using nuko::test::Meta;
using nuko::test::RunProgram;
using nuko::test::ScopedEnv;
using nuko::test::Smf;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(LyricsTool, Utf8SongOfThreeVoices) {
    NUKO_CORPUS_FILE(song, "midi/gotojo_3funkan_no_tokimeki.mid");
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "lyrics", song}, &out), 0);
    // 319 + 77 + 77 lyric events (tracks 1-3); the first at tick 4544 of
    // 128 a quarter note at 379746 us: 13480 ms.
    EXPECT_TRUE(out.starts_with("encoding: utf-8\nline 13480 とびらを\nline 15189 あけてきみをつれだした\n")) << out;
    EXPECT_TRUE(out.ends_with("\nsyllables: 473\n"));
    long last = -1;
    int lines = 0;
    std::size_t pos = 0;
    while ((pos = out.find("\nline ", pos)) != std::string::npos) {
        long ms = std::stol(out.substr(pos + 6));
        EXPECT_GE(ms, last);
        last = ms;
        ++lines;
        ++pos;
    }
    EXPECT_GT(lines, 40);
}

TEST(LyricsTool, KaraokeSongWithoutItsHeaderLines) {
    NUKO_CORPUS_FILE(song, "midi/jazzsoft_test-karaoke-kar.mid");
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "lyrics", song}, &out), 0);
    EXPECT_EQ(out,
              "encoding: cp932\n"
              "line 0 Mary was a little lame,\n"
              "line 2666 Little lame,\n"
              "line 4000 Little lame,\n"
              "line 5333 Mary was a little lame,\n"
              "line 7666 A little lame was she!\n"
              "syllables: 26\n");
}

TEST(LyricsTool, EncodingForcedAndRefusals) {
    TempDir dir;
    // あ in EUC-JP: A4 A2.
    WriteBytes(dir.File("euc.mid"), Smf(Meta(0x05, "\xA4\xA2")));
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "lyrics", dir.File("euc.mid")}, &out), 0);
    EXPECT_EQ(out, "encoding: euc-jp\nline 0 あ\nsyllables: 1\n");
    ASSERT_EQ(RunProgram({KoTool(), "lyrics", dir.File("euc.mid"), "--encoding", "cp932"}, &out), 0);
    EXPECT_EQ(out, "encoding: cp932\nline 0 ､｢\nsyllables: 1\n");
    WriteBytes(dir.File("plain.mid"), Smf(""));
    ASSERT_EQ(RunProgram({KoTool(), "lyrics", dir.File("plain.mid")}, &out), 0);
    EXPECT_EQ(out, "encoding: cp932\nsyllables: 0\n");
    EXPECT_EQ(RunProgram({KoTool(), "lyrics", dir.File("none.mid")}, &out), 1);
    EXPECT_EQ(RunProgram({KoTool(), "lyrics"}, &out), 2);
    EXPECT_EQ(RunProgram({KoTool(), "lyrics", dir.File("euc.mid"), "--encoding", "latin"}, &out), 2);
}

TEST(LyricsTool, TitleOfAUtf8AndAShiftJisTrackName) {
    TempDir dir;
    // 曲名: E6 9B B2 E5 90 8D in UTF-8, 8B C8 96 BC in CP932.
    WriteBytes(dir.File("utf8.mid"), Smf(Meta(0x03, "\xE6\x9B\xB2\xE5\x90\x8D")));
    WriteBytes(dir.File("sjis.mid"), Smf(Meta(0x03, "\x8B\xC8\x96\xBC")));
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "title", dir.File("utf8.mid"), dir.File("sjis.mid")}, &out), 0);
    EXPECT_NE(out.find("file: " + dir.File("utf8.mid") + "\ntitle: 曲名\n"), std::string::npos) << out;
    EXPECT_NE(out.find("file: " + dir.File("sjis.mid") + "\ntitle: 曲名\n"), std::string::npos) << out;
}

TEST(LyricsTool, WrdDrawsTheLyricScreenOfASongWithoutAScript) {
    NUKO_CORPUS_FILE(song, "midi/jazzsoft_test-karaoke-kar.mid");
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    std::string out;
    // 100 ticks a quarter note: 25 a sixteenth. At 20 (tick 500) the
    // second line, "Little lame," from tick 400, is sung to its end.
    ASSERT_EQ(RunProgram({KoTool(), "wrd", song, dir.File("out"), "--grid", "--at", "0,20"}, &out), 0);
    std::size_t at20 = out.find("at 20\n");
    ASSERT_NE(at20, std::string::npos) << out;
    std::string first = out.substr(0, at20);
    std::string second = out.substr(at20);
    // Double-width letters: each character written twice.
    EXPECT_NE(first.find("KKaarraaookkee  ..KKAARR  TTeesstt"), std::string::npos) << first;
    EXPECT_NE(first.find("MMaarryy  wwaass  aa  lliittttllee  llaammee,,"), std::string::npos);
    EXPECT_NE(second.find("LLiittttllee  llaammee,,"), std::string::npos) << second;

    auto yellow = [&](const std::string& png) {
        QImage image(QString::fromStdString(dir.File("out/" + png)));
        EXPECT_EQ(image.size(), QSize(640, 400));
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == qRgb(255, 255, 0);
        return n;
    };
    const int sung_at_0 = yellow("0.png");  // "Ma"
    const int sung_at_20 = yellow("20.png");  // "Little lame,"
    EXPECT_GT(sung_at_0, 0);
    EXPECT_GT(sung_at_20, sung_at_0);
}
