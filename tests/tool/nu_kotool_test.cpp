// nu_kotool run as users run it.
#include <gtest/gtest.h>

#include "lzh_writer.h"
#include "test_support.h"

using nuko::test::KoTool;
using nuko::test::RunProgram;
using nuko::test::ScopedEnv;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(NuKoTool, VersionAndUsage) {
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "version"}, &out), 0);
    EXPECT_EQ(out, "Ver 2.27\nnu_32std 210\n");
    EXPECT_EQ(RunProgram({KoTool(), "no-such-command"}, &out), 2);
    EXPECT_EQ(RunProgram({KoTool(), "mediatype"}, &out), 2);
}

TEST(NuKoTool, MediaTypeOfTheCorpusAsfFiles) {
    NUKO_CORPUS_FILE(asf, "asf/");
    const std::pair<const char*, const char*> cases[] = {
        {"mutagen_silence-2.wma", "1\n"}, {"mutagen_silence-3.wma", "1\n"},
        {"taglib_silence-1.wma", "1\n"},  {"wine_wmvcore_test.wmv", "2\n"},
        {"wine_mfplat_test-wmv1.wmv", "2\n"},
    };
    for (auto [file, want] : cases) {
        std::string out;
        EXPECT_EQ(RunProgram({KoTool(), "mediatype", asf + file}, &out), 0);
        EXPECT_EQ(out, want) << file;
    }
}

TEST(NuKoTool, LongPathAndSettings) {
    TempDir dir;
    WriteBytes(dir.File("Mixed.Case"), "x");
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "longpath", dir.path() + "mixed.case"}, &out), 0);
    EXPECT_EQ(out, dir.File("Mixed.Case") + "\n");

    ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    std::string folder = dir.File("NU-KO Application");
    ASSERT_EQ(RunProgram({"/bin/mkdir", "-p", folder}, nullptr), 0);
    WriteBytes(folder + "/NU-KO Player32.ini", "[Main]\nTitle_Bottom=3\n[Cd\\File]\n0125234180412=X -> /t\n");
    EXPECT_EQ(RunProgram({KoTool(), "settings", "Main", "Title_Bottom"}, &out), 0);
    EXPECT_EQ(out, "10\n");
    EXPECT_EQ(RunProgram({KoTool(), "settings", "Main", "Interval"}, &out), 0);
    EXPECT_EQ(out, "40\n");
    EXPECT_EQ(RunProgram({KoTool(), "settings", "Hotkey", "Pause"}, &out), 0);
    EXPECT_EQ(out, "852,0,27,1\n");
    EXPECT_EQ(RunProgram({KoTool(), "settings", "Cd\\File", "0125234180412"}, &out), 0);
    EXPECT_EQ(out, "X -> /t\n");
    EXPECT_EQ(RunProgram({KoTool(), "settings", "Main", "Nope"}, &out), 1);
}

TEST(NuKoTool, CatalogPrintsThePlayableList) {
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    WriteBytes(dir.File("song.mid"), "x");
    WriteBytes(dir.File("c.MIT"), "Ver 1.00\r\n\x83\x65\x83\x58\x83\x67\r\nsub\r\nSONG.MID\t\x8B\xC8\tinit.mid\r\n\x1a");
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "catalog", dir.File("c.MIT")}, &out), 0);
    EXPECT_EQ(out, "title: テスト\nsubtitle: sub\n" + dir.File("song.mid") + "\t曲\tinit.mid\t\n");
    EXPECT_EQ(RunProgram({KoTool(), "catalog", dir.File("missing.mit")}, &out), 1);
}

TEST(NuKoTool, OldCatalogIsConvertedThroughTheLibraryThenRead) {
    NUKO_CORPUS_FILE(song, "midi/mutagen_sample.mid");
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    ASSERT_EQ(RunProgram({"/bin/cp", song, dir.File("sample.mid")}, nullptr), 0);
    // The sequence name (meta event FF 03) at the start of the file's first
    // track, read from its bytes.
    const std::string expected_title = "Wikipedia MIDI (extended)";

    WriteBytes(dir.File("old.mit"), "Old songs\r\nsample.mid\tinit.cfg\r\n");
    std::string out;
    // The reader meets the old layout and opens libnu_32cnv.so beside the tool.
    EXPECT_EQ(RunProgram({KoTool(), "catalog", dir.File("old.mit")}, &out), 0);
    EXPECT_EQ(out, "title: Old songs\nsubtitle: \n" + dir.File("sample.mid") + "\t" + expected_title +
                       "\tinit.cfg\t\n");
    EXPECT_EQ(RunProgram({KoTool(), "catconvert", dir.File("old.mit")}, &out), 0);
    EXPECT_EQ(out, "0\nalready in the current layout\n");
    WriteBytes(dir.File("old2.wat"), "Sounds\r\na.wav\r\n");
    EXPECT_EQ(RunProgram({KoTool(), "catconvert", dir.File("old2.wat")}, &out), 0);
    EXPECT_EQ(out, "1\nconverted 1 items\n");
    EXPECT_EQ(nuko::test::ReadBytes(dir.File("old2.wat")), "Ver 1.00\r\nSounds\r\n\r\na.wav\ta.wav\r\n\x1a");
    EXPECT_EQ(RunProgram({KoTool(), "catconvert", dir.File("none.mit")}, &out), 1);
}

TEST(NuKoTool, ScanListsTheRowsOfTheFileArea) {
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.path());
    ASSERT_EQ(RunProgram({"/bin/mkdir", "-p", dir.File("m/Sub"), dir.File("m/.hid")}, nullptr), 0);
    for (const char* n : {"m/b.mid", "m/A.MID", "m/c.rcp", "m/Sub/z.mid", "m/.hid/h.mid", "m/.x.mid", "m/n.txt"})
        WriteBytes(dir.File(n), "x");
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "scan", dir.File("m"), "--kind", "midi"}, &out), 0);
    EXPECT_EQ(out, dir.File("m/A.MID") + "\n" + dir.File("m/b.mid") + "\n" + dir.File("m/c.rcp") + "\n");
    EXPECT_EQ(RunProgram({KoTool(), "scan", dir.File("m"), "--kind", "midi", "--sub", "--hidden", "--flags", "1"}, &out),
              0);
    // Sorted by the whole path (the Sort setting is on by default).
    EXPECT_EQ(out, dir.File("m/.x.mid") + "\n" + dir.File("m/A.MID") + "\n" + dir.File("m/b.mid") + "\n" +
                       dir.File("m/Sub/z.mid") + "\n");
    EXPECT_EQ(RunProgram({KoTool(), "scan", dir.File("m"), "--kind", "cd"}, &out), 2);
    EXPECT_EQ(RunProgram({KoTool(), "scan", dir.File("m/b.mid"), "--kind", "midi"}, &out), 1);
}

TEST(NuKoTool, Rcp2MidWritesTheSmfAndReportsWhatItFound) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    TempDir dir;
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "rcp2mid", rcp + "sted2clone_sted-cli_test.rcp", dir.File("a.mid")}, &out), 0);
    EXPECT_EQ(out, "title: Test song\ntracks: 1\nnotes: 16\ntempo: 120\nlength: 6.0 s\nskipped: 0\n");
    EXPECT_EQ(nuko::test::ReadBytes(dir.File("a.mid")).substr(0, 4), "MThd");
    ASSERT_EQ(RunProgram({KoTool(), "rcp2mid", rcp + "sted2clone_recomposer-file_test.rcp", dir.File("b.mid")}, &out), 0);
    EXPECT_EQ(out, "title: Test song\ntracks: 1\nnotes: 8\ntempo: 120\nlength: 3.9 s\nskipped: 0\n");

    // Not an RCP file, a missing one, and a wrong call.
    WriteBytes(dir.File("bad.rcp"), "MThd not at all");
    EXPECT_EQ(RunProgram({KoTool(), "rcp2mid", dir.File("bad.rcp"), dir.File("c.mid")}, &out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(nuko::test::ReadBytes(dir.File("c.mid")), "");
    EXPECT_EQ(RunProgram({KoTool(), "rcp2mid", dir.File("none.rcp"), dir.File("c.mid")}, &out), 1);
    EXPECT_EQ(RunProgram({KoTool(), "rcp2mid", dir.File("bad.rcp")}, &out), 2);
}

TEST(NuKoTool, ArchiveListsMembersAndTheOneThatPlays) {
    TempDir dir;
    TempDir scratch;
    ScopedEnv tmp("TMPDIR", scratch.path());
    using nuko::test::LzhArchive;
    // "\x95\x5C" is a Shift-JIS character whose trail byte is ASCII "\".
    WriteBytes(dir.File("song.lzh"), LzhArchive({{"other.mid", "o"},
                                                 {.name = "dir\\song.mid", .data = "s", .level = 1},
                                                 {"\x95\x5C.txt", "t"}}));
    WriteBytes(dir.File("a.lzh"), LzhArchive({{"a.rcp", "r"}, {"a.mid", "m"}}));
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "archive", dir.File("song.lzh")}, &out), 0);
    EXPECT_EQ(out, "member other.mid\nmember song.mid\nmember \xE8\xA1\xA8.txt\nchosen song.mid\n");
    EXPECT_EQ(RunProgram({KoTool(), "archive", dir.File("song.lzh"), "--kind", "movie"}, &out), 0);
    EXPECT_EQ(out.substr(out.rfind("chosen")), "chosen -\n");
    EXPECT_EQ(RunProgram({KoTool(), "archive", dir.File("a.lzh"), "--kind", "midi"}, &out), 0);
    EXPECT_EQ(out, "member a.rcp\nmember a.mid\nchosen a.mid\n");
    EXPECT_EQ(RunProgram({KoTool(), "archive", dir.File("a.lzh"), "--kind", "midi", "--rcp-first"}, &out), 0);
    EXPECT_EQ(out, "member a.rcp\nmember a.mid\nchosen a.rcp\n");
    // Every kind's list puts ".mid" first: the RCP order is the MIDI kind's.
    EXPECT_EQ(RunProgram({KoTool(), "archive", dir.File("a.lzh"), "--rcp-first"}, &out), 0);
    EXPECT_EQ(out, "member a.rcp\nmember a.mid\nchosen a.mid\n");
    EXPECT_TRUE(nuko::test::FolderEntries(scratch.path()).empty());  // the extraction folder went

    EXPECT_EQ(RunProgram({KoTool(), "archive", dir.File("none.lzh")}, &out), 1);
    EXPECT_EQ(RunProgram({KoTool(), "archive", dir.File("a.lzh"), "--kind", "cd"}, &out), 2);
    EXPECT_EQ(RunProgram({KoTool(), "archive"}, &out), 2);
}

TEST(NuKoTool, ArchiveReadsTheCorpusArchives) {
    NUKO_CORPUS_FILE(lzh, "lzh/");
    std::string out;
    EXPECT_EQ(RunProgram({KoTool(), "archive", lzh + "lhasa_lha_unix114i_h1_subdir.lzh"}, &out), 0);
    EXPECT_EQ(out.substr(out.rfind("chosen")), "chosen -\n");
    EXPECT_NE(out.find("member "), std::string::npos);
}
