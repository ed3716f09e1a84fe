// nu_kotool play and probe, run as users run them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "lzh_writer.h"
#include "media_fixtures.h"
#include "test_support.h"

namespace {

using nuko::test::KoTool;
using nuko::test::RunProgram;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

class PlayToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Settings of our own, so that the user's do not count.
        ::setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
    std::string Run(std::vector<std::string> args, int* code) {
        args.insert(args.begin(), KoTool());
        std::string out;
        *code = RunProgram(args, &out);
        return out;
    }
    TempDir config_, media_;
};

TEST_F(PlayToolTest, ASoundPrintsItsLengthEverySecondAndItsEnd) {
    WriteBytes(media_.File("three.wav"), nuko::test::MakeWav(3.0));
    int code = -1;
    std::string out = Run({"play", media_.File("three.wav"), "--fast"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "length: 300 cs\npos: 0\npos: 100\npos: 200\npos: 300\nend: success\n");
}

TEST_F(PlayToolTest, ASongInSeconds) {
    nuko::test::SmfWriter w(480);
    w.Track().Note(0, 60, 480 * 8);  // eight beats at 120: four seconds
    WriteBytes(media_.File("song.mid"), w.Bytes());
    int code = -1;
    std::string out = Run({"play", media_.File("song.mid"), "--fast"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "length: 4 s\npos: 0\npos: 1\npos: 2\npos: 3\npos: 4\nend: success\n");
}

TEST_F(PlayToolTest, AnRcpSongPlaysThroughTheConverterLibrary) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    int code = -1;
    // Three measures of 4/4 at 120, the last note ending just before six seconds.
    std::string out = Run({"play", rcp + "sted2clone_sted-cli_test.rcp", "--fast"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "length: 5 s\npos: 0\npos: 1\npos: 2\npos: 3\npos: 4\npos: 5\nend: success\n");
}

TEST_F(PlayToolTest, FromAndForChooseWhatPlays) {
    WriteBytes(media_.File("five.wav"), nuko::test::MakeWav(5.0));
    int code = -1;
    auto lines = Lines(Run({"play", media_.File("five.wav"), "--from", "3", "--fast"}, &code));
    EXPECT_EQ(code, 0);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "pos: 300");
    EXPECT_EQ(lines.back(), "end: success");

    WriteBytes(media_.File("long.wav"), nuko::test::MakeWav(12.0));
    lines = Lines(Run({"play", media_.File("long.wav"), "--for", "2", "--fast"}, &code));
    EXPECT_EQ(code, 0);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "length: 12 s");
    EXPECT_EQ(lines.back(), "end: stopped");
    EXPECT_EQ(lines[lines.size() - 2], "pos: 2");
}

TEST_F(PlayToolTest, ACdTrackOfADiscImage) {
    std::string cue = nuko::test::WriteCdImage(media_.path(), "disc", {150, 300, 225});
    int code = -1;
    std::string out = Run({"play", cue, "--track", "2", "--fast"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "length: 4 s\npos: 0\npos: 1\npos: 2\npos: 3\npos: 4\nend: success\n");
    out = Run({"play", cue, "--track", "7"}, &code);
    EXPECT_EQ(code, 1);
}

TEST_F(PlayToolTest, BadInputIsRefusedWithACode) {
    int code = -1;
    EXPECT_EQ(Run({"play", media_.File("missing.mid")}, &code), "");
    EXPECT_EQ(code, 1);
    WriteBytes(media_.File("notes.txt"), "x");
    Run({"play", media_.File("notes.txt")}, &code);
    EXPECT_EQ(code, 1);
    WriteBytes(media_.File("noise.mid"), "MThd but nothing else");
    Run({"play", media_.File("noise.mid"), "--fast"}, &code);
    EXPECT_EQ(code, 1);
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"play"}, {"play", "a.mid", "--kind", "tape"}, {"play", "a.mid", "--for"}, {"play", "a.mid", "--from", "x"}}) {
        Run(bad, &code);
        EXPECT_EQ(code, 2) << bad.size();
    }
}

TEST_F(PlayToolTest, ProbePrintsTheListsOfTheCheckDialog) {
    int code = -1;
    auto lines = Lines(Run({"probe"}, &code));
    EXPECT_EQ(code, 0);
    auto at = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) - lines.begin(); };
    auto playable = at("[playable]"), needed = at("[driver needed]"), tools = at("[tools]");
    ASSERT_LT(playable, needed);
    ASSERT_LT(needed, tools);
    EXPECT_LT(at("WAV\tWave Audio用ﾄﾞﾗｲﾊﾞｰ"), needed);
    // The RCP family plays through the converter built beside the tool,
    // wherever MIDI plays.
    EXPECT_EQ(at("MID\tMIDI用ﾄﾞﾗｲﾊﾞｰ") < needed, at("RCP\tRCP用ﾄﾞﾗｲﾊﾞｰ (Rcpcv.dll使用)") < needed);
    EXPECT_LT(at("RCP変換 (librcpcv.so)\t○ RCP変換が使えます."), lines.size());
    EXPECT_EQ(lines.size() - static_cast<std::size_t>(tools), 4u);
}

}  // namespace

TEST_F(PlayToolTest, AnArchivePlaysItsChosenMember) {
    nuko::test::SmfWriter w(480);
    w.Track().Note(0, 60, 480 * 4);  // two seconds
    TempDir scratch;
    ::setenv("TMPDIR", scratch.path().c_str(), 1);
    WriteBytes(media_.File("song.lzh"), nuko::test::LzhArchive({{"readme.txt", "r"}, {"song.mid", w.Bytes()}}));
    int code = -1;
    std::string out = Run({"play", media_.File("song.lzh"), "--fast"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "length: 2 s\npos: 0\npos: 1\npos: 2\nend: success\n");
    WriteBytes(media_.File("docs.lzh"), nuko::test::LzhArchive({{"readme.txt", "r"}}));
    Run({"play", media_.File("docs.lzh")}, &code);
    EXPECT_EQ(code, 1);
    ::unsetenv("TMPDIR");
    EXPECT_TRUE(nuko::test::FolderEntries(scratch.path()).empty());  // nothing left behind
}
