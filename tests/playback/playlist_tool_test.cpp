// nu_kotool playlist, run as users' scripts run it: the events of folders
// and catalogs played through the play controller on the real back ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "library/catalog.h"
#include "child_program.h"
#include "media_fixtures.h"
#include "media_test_util.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using nuko::test::ChildProgram;
using nuko::test::FolderEntries;
using nuko::test::TempDir;
using nuko::test::WriteBytes;
using Lines = std::vector<std::string>;

constexpr const char* kMacCut = "$Nu-kop_MacCut$.mid";
constexpr const char* kMp3Cut = "$Nu-kop_Mp3$.mp3";

// A song of `seconds` at 120 beats a minute (960 ticks a second).
std::string Song(std::uint32_t seconds, int key = 60) {
    nuko::test::SmfWriter w(480);
    w.Track().Note(0, key, 240).EndAfter(seconds * 960 - 240);
    return w.Bytes();
}

// Longer than any test waits for: only intro play or the A-B section
// moves on from it in time.
std::string EndlessSong(int key = 60) { return Song(65000, key); }

Lines PlayEnd(std::initializer_list<std::pair<int, std::string>> items) {
    Lines out;
    for (const auto& [n, path] : items) {
        out.push_back("play " + std::to_string(n) + " " + path);
        out.push_back("end " + std::to_string(n));
    }
    return out;
}

Lines WithStop(Lines lines) {
    lines.push_back("stop");
    return lines;
}

class PlaylistToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        config_home_.emplace("XDG_CONFIG_HOME", config_.path());
        // The work folder of the run is ours, to see what stays behind.
        std::filesystem::create_directories(config_.path() + "NU-KO Application");
        WriteBytes(config_.File("NU-KO Application/NU-KO Player32.ini"),
                   "[Tool]\nUserTmp=1\nTmpDir=" + work_.path() + "\n");
    }

    // Runs the tool to its end (killed after a deadline no working run
    // comes near); the exit code goes to `code`.
    Lines Run(std::vector<std::string> args, int* code) {
        args.insert(args.begin(), {nuko::test::KoTool(), "playlist"});
        ChildProgram child(args);
        Lines lines = child.ReadAll(180s);
        *code = child.Wait(30s);
        return lines;
    }
    Lines RunOk(const std::vector<std::string>& args) {
        int code = -1;
        Lines lines = Run(args, &code);
        EXPECT_EQ(code, 0);
        const Lines left = FolderEntries(work_.path());
        EXPECT_TRUE(left.empty()) << "left in the work folder: " << left.front();
        return lines;
    }

    TempDir config_, work_, media_;
    std::optional<nuko::test::ScopedEnv> config_home_;
};

TEST_F(PlaylistToolTest, SequentialPlaysTheFolderInNameOrderAndLeavesNothingBehind) {
    WriteBytes(media_.File("b.mid"), Song(1, 62));
    WriteBytes(media_.File("a.mid"), Song(1, 61));
    WriteBytes(media_.File("c.mid"), nuko::test::MacBinary(Song(1, 63)));  // plays from a cut copy
    WriteBytes(media_.File("notes.txt"), "not a song");
    EXPECT_EQ(RunOk({media_.path(), "--fast"}),
              WithStop(PlayEnd({{1, media_.File("a.mid")}, {2, media_.File("b.mid")}, {3, work_.File(kMacCut)}})));

    // A file as the source: its folder, from that file on.
    EXPECT_EQ(RunOk({media_.File("b.mid"), "--mode", "1", "--fast"}),
              WithStop(PlayEnd({{2, media_.File("b.mid")}, {3, work_.File(kMacCut)}})));
}

TEST_F(PlaylistToolTest, TheModeDecidesWhatFollowsAndMaxCountsEnds) {
    WriteBytes(media_.File("1.mid"), Song(1, 61));
    WriteBytes(media_.File("2.mid"), Song(1, 62));
    const std::string one = media_.File("1.mid"), two = media_.File("2.mid");

    EXPECT_EQ(RunOk({media_.path(), "--mode", "0", "--fast"}), WithStop(PlayEnd({{1, one}})));
    EXPECT_EQ(RunOk({media_.path(), "--mode", "2", "--max", "5", "--fast"}),
              WithStop(PlayEnd({{1, one}, {2, two}, {1, one}, {2, two}, {1, one}})));
    EXPECT_EQ(RunOk({media_.path(), "--mode", "3", "--max", "3", "--fast"}),
              WithStop(PlayEnd({{1, one}, {1, one}, {1, one}})));
    // A limit beyond the list's end changes nothing.
    EXPECT_EQ(RunOk({media_.path(), "--mode", "1", "--max", "9", "--fast"}),
              WithStop(PlayEnd({{1, one}, {2, two}})));
}

TEST_F(PlaylistToolTest, RandomWithASeedPlaysTheSameOrderEveryTime) {
    const int count = 7;
    for (int i = 1; i <= count; ++i) WriteBytes(media_.File("s" + std::to_string(i) + ".mid"), Song(1, 60 + i));
    // The items in the order they played: each "play N PATH" line is followed
    // by its "end N", and the run ends with "stop".
    auto order_of = [&](const std::string& seed) {
        const Lines lines = RunOk({media_.path(), "--mode", "1", "--random", "--seed", seed, "--fast"});
        std::vector<int> order;
        EXPECT_EQ(lines.size(), 2u * count + 1) << seed;
        if (lines.size() != 2u * count + 1) return order;
        for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
            const int n = std::stoi(lines[i].substr(5));
            EXPECT_EQ(lines[i], "play " + std::to_string(n) + " " + media_.File("s" + std::to_string(n) + ".mid"));
            EXPECT_EQ(lines[i + 1], "end " + std::to_string(n));
            order.push_back(n);
        }
        EXPECT_EQ(lines.back(), "stop");
        return order;
    };
    const std::vector<int> first = order_of("4242");
    ASSERT_EQ(first.size(), static_cast<std::size_t>(count));
    // The selected item (the first row) starts, and every item plays once.
    EXPECT_EQ(first.front(), 1);
    std::vector<int> sorted = first;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(order_of("4242"), first);
    // The seed decides the order: among a few other seeds at least one
    // plays another one (720 orders can follow the first item).
    bool another = false;
    for (const char* seed : {"1", "2", "3", "77"}) another = another || order_of(seed) != first;
    EXPECT_TRUE(another);
}

TEST_F(PlaylistToolTest, MissingAndBrokenItemsArePassedOver) {
    WriteBytes(media_.File("a.mid"), Song(1, 61));
    WriteBytes(media_.File("noise.mid"), std::string("\x13\x99random bytes, no song\x00\xff", 25));
    WriteBytes(media_.File("header.mid"), Song(1).substr(0, 20));  // cut inside its track
    WriteBytes(media_.File("b.mid"), Song(1, 62));
    nuko::media::MediaList list;
    list.path = media_.File("list.mit");
    for (const char* name : {"a.mid", "gone.mid", "noise.mid", "header.mid", "b.mid"}) {
        nuko::media::MediaItem item;
        item.name = name;
        list.Add(item);
    }
    ASSERT_FALSE(nuko::media::WriteCatalog(list));
    const std::string a = media_.File("a.mid"), b = media_.File("b.mid");

    // In a loop the bad items are passed over on every round.
    EXPECT_EQ(RunOk({list.path, "--mode", "2", "--max", "4", "--fast"}),
              WithStop(PlayEnd({{1, a}, {5, b}, {1, a}, {5, b}})));

    // Nothing playable at all: the controller says so.
    TempDir bad;
    WriteBytes(bad.File("noise.mid"), "MThd and then nothing");
    EXPECT_EQ(RunOk({bad.path(), "--fast"}), (Lines{"message 134", "stop"}));
    // No items: it stops without a word.
    TempDir empty;
    EXPECT_EQ(RunOk({empty.path(), "--fast"}), (Lines{"stop"}));
}

TEST_F(PlaylistToolTest, SoundFormsPlayAndTheirCutCopiesGo) {
    NUKO_CORPUS_FILE(mp3_path, "mp3/mutagen_silence-44-s-v1.mp3");
    std::string mp3 = nuko::test::ReadBytes(mp3_path);
    WriteBytes(media_.File("a.wav"), nuko::test::MakeWav(1.0));
    WriteBytes(media_.File("b.mp3"), mp3);
    WriteBytes(media_.File("c.rmp"), nuko::test::RiffMp3(mp3));
    WriteBytes(media_.File("d.mp3"), nuko::test::MacBinary(mp3));
    WriteBytes(media_.File("e.wav"), nuko::test::WaveWithMp3(mp3));
    WriteBytes(media_.File("f.mp3"), mp3.substr(0, mp3.size() / 3));  // truncated: plays what there is
    WriteBytes(media_.File("g.mp3"), mp3.substr(0, 300));              // not one whole frame
    WriteBytes(media_.File("z.mid"), Song(1));
    // More sound files than songs: the folder plays as sound. The search
    // for the item after the sixth finds nothing playable before the end of
    // the sequence, and says so.
    Lines expected = PlayEnd({{1, media_.File("a.wav")},
                              {2, media_.File("b.mp3")},
                              {3, work_.File(kMp3Cut)},
                              {4, work_.File(kMp3Cut)},
                              {5, media_.File("e.wav")},
                              {6, media_.File("f.mp3")}});
    expected.push_back("message 134");
    EXPECT_EQ(RunOk({media_.path(), "--fast"}), WithStop(expected));
    // --kind chooses the other list of the same folder.
    EXPECT_EQ(RunOk({media_.path(), "--kind", "midi", "--fast"}), WithStop(PlayEnd({{1, media_.File("z.mid")}})));
}

TEST_F(PlaylistToolTest, IntroMovesOnAtItsTimeInFastMode) {
    for (int i = 1; i <= 3; ++i) WriteBytes(media_.File(std::to_string(i) + ".mid"), EndlessSong(60 + i));
    EXPECT_EQ(RunOk({media_.path(), "--mode", "1", "--intro", "1", "--fast"}),
              WithStop(PlayEnd({{1, media_.File("1.mid")}, {2, media_.File("2.mid")}, {3, media_.File("3.mid")}})));
}

TEST_F(PlaylistToolTest, TheSectionPlaysAgainFromPointA) {
    WriteBytes(media_.File("1.mid"), EndlessSong(61));
    WriteBytes(media_.File("2.mid"), EndlessSong(62));
    const std::string one = media_.File("1.mid");
    EXPECT_EQ(RunOk({media_.path(), "--mode", "1", "--ab", "2,3", "--max", "3", "--fast"}),
              WithStop(PlayEnd({{1, one}, {1, one}, {1, one}})));

    // A short sound counts in hundredths; the section is still in seconds:
    // without it the sound would end and the next one follow. Fast play
    // runs far ahead of real time, so the sound is long enough that a busy
    // machine still sees point B pass before the end.
    TempDir sounds;
    WriteBytes(sounds.File("1.wav"), nuko::test::MakeWav(60.0));
    WriteBytes(sounds.File("2.wav"), nuko::test::MakeWav(5.0));
    const std::string wav = sounds.File("1.wav");
    EXPECT_EQ(RunOk({sounds.path(), "--mode", "2", "--ab", "1,2", "--max", "3", "--fast"}),
              WithStop(PlayEnd({{1, wav}, {1, wav}, {1, wav}})));
}

TEST_F(PlaylistToolTest, SignalsStopCleanly) {
    // Played in real time from a cut copy, so that something stands in the
    // work folder while it plays.
    WriteBytes(media_.File("1.mid"), nuko::test::MacBinary(EndlessSong()));
    for (int sig : {SIGINT, SIGTERM}) {
        ChildProgram child({nuko::test::KoTool(), "playlist", media_.path(), "--mode", "2"});
        EXPECT_EQ(child.ReadLine(60s), "play 1 " + work_.File(kMacCut));
        EXPECT_EQ(FolderEntries(work_.path()), Lines{kMacCut});
        child.Signal(sig);
        EXPECT_EQ(child.ReadAll(60s), (Lines{"end 1", "stop"})) << sig;
        EXPECT_EQ(child.Wait(30s), 0) << sig;
        EXPECT_TRUE(FolderEntries(work_.path()).empty()) << sig;
    }
}

TEST_F(PlaylistToolTest, BadArgumentsAndSourcesAreRefused) {
    WriteBytes(media_.File("a.mid"), Song(1));
    const std::string dir = media_.path();
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {}, {dir, dir}, {dir, "--mode", "4"}, {dir, "--mode", "x"}, {dir, "--mode"}, {dir, "--seed", "-1"},
             {dir, "--seed", "99999999999"}, {dir, "--intro", "1.5"}, {dir, "--ab", "3,2"}, {dir, "--ab", "2,2"},
             {dir, "--ab", "1"}, {dir, "--ab", "1,x"}, {dir, "--max", "0"}, {dir, "--kind", "tape"}, {dir, "--loud"}}) {
        int code = -1;
        EXPECT_TRUE(Run(bad, &code).empty());
        EXPECT_EQ(code, 2) << (bad.size() > 1 ? bad[1] : "(none)");
    }
    // (Any other text under a catalog's name reads as a catalog of the old
    // format, which the converter library turns into a current one.)
    WriteBytes(media_.File("notes.txt"), "x");
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {media_.File("missing")}, {media_.File("notes.txt")},
             {dir, "--kind", "cd"}, {media_.File("disc.cue")}, {media_.File("a.mid"), "--kind", "sound"},
             {"Q*3", "--kind", "cd"}}) {
        int code = -1;
        EXPECT_TRUE(Run(bad, &code).empty());
        EXPECT_EQ(code, 1) << bad[0];
    }
}

TEST_F(PlaylistToolTest, ADiscImagePlaysItsTracksAsTheCdPanelListsThem) {
    NUKO_CORPUS_FILE(nrg, "cd/images/p1.nrg");
    EXPECT_EQ(RunOk({nrg, "--fast"}), WithStop(PlayEnd({{1, nrg}, {2, nrg}})));
    EXPECT_EQ(RunOk({nrg, "--kind", "cd", "--mode", "0", "--fast"}), WithStop(PlayEnd({{1, nrg}})));

    // The title database's markers apply: track 2 of three is excluded, so
    // sequential play goes 1, 3.
    TempDir data;
    nuko::test::ScopedEnv data_home("XDG_DATA_HOME", data.path());
    std::string cue = nuko::test::WriteCdImage(media_.path(), "three", {75, 75, 75});
    std::filesystem::create_directories(data.path() + "NU-KO Application");
    WriteBytes(data.File("NU-KO Application/nu_kopcd.txt"), "[0030003000001]\r\n002/00:01=@skip\r\n");
    EXPECT_EQ(RunOk({cue, "--kind", "cd", "--fast"}), WithStop(PlayEnd({{1, cue}, {3, cue}})));
}

TEST_F(PlaylistToolTest, HelpShowsTheUsage) {
    std::string out;
    EXPECT_EQ(nuko::test::RunProgram({nuko::test::KoTool(), "help"}, &out), 0);
    EXPECT_NE(out.find("  nu_kotool playlist SOURCE [--kind midi|cd|movie|sound] [--mode 0|1|2|3] [--random] "
                       "[--seed N] [--intro SECONDS] [--ab A,B] [--fast] [--max N]\n"),
              std::string::npos);
}

}  // namespace
