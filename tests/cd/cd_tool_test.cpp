// nu_kotool discid and cdtitle run as users run them, on disc images.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "media_fixtures.h"
#include "nuko/text.h"
#include "test_support.h"

using nuko::test::KoTool;
using nuko::test::RunProgram;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// The player's folders of a test, so that nothing of the user's is read.
class ToolFolders {
public:
    explicit ToolFolders(const TempDir& dir)
        : config_("XDG_CONFIG_HOME", dir.path() + "config"), data_("XDG_DATA_HOME", dir.path() + "data") {}

private:
    nuko::test::ScopedEnv config_, data_;
};

}  // namespace

TEST(CdTool, DiscIdOfAGeneratedImage) {
    TempDir dir;
    std::string cue = nuko::test::WriteCdImage(dir.path(), "three", {225, 190, 335});
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "discid", cue}, &out), 0);
    // freedb: track starts at 2, 5 and 7 s (digit sums 14 = 0x0e), 10 s long,
    // 3 tracks; MusicBrainz: SHA-1 of "0103" and the offsets, worked out by
    // hand.
    EXPECT_EQ(out,
              "id: 0030010000003\ntracks: 3\nfreedb: 0e000a03\nmusicbrainz: 1jm759N7uV7hEKMxMajHuVJAvUs-\n"
              "1 00:03:00\n2 00:02:40\n3 00:04:35\n");
    EXPECT_EQ(RunProgram({KoTool(), "discid"}, &out), 2);
}

TEST(CdTool, CdTitleShowsTheDatabaseNames) {
    TempDir dir;
    ToolFolders folders(dir);
    std::string cue = nuko::test::WriteCdImage(dir.path(), "three", {225, 190, 225});
    std::string out;
    ASSERT_EQ(RunProgram({KoTool(), "cdtitle", cue}, &out), 0);
    EXPECT_EQ(out, "artist: \ntitle: \n1\tTrack 01\n2\tTrack 02\n3\tTrack 03\n");
    // Nothing is written for a disc the database does not know.
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "data"));

    std::filesystem::create_directories(dir.path() + "data/NU-KO Application");
    WriteBytes(dir.path() + "data/NU-KO Application/nu_kopcd.txt",
               *nuko::text::Utf8ToCp932("[0030008400003]\r\nArtist=歌手\r\nTitle=盤\r\n001/00:03=一\r\n"
                                        "003/00:03=@三\r\n"));
    ASSERT_EQ(RunProgram({KoTool(), "cdtitle", cue}, &out), 0);
    EXPECT_EQ(out, "artist: 歌手\ntitle: 盤\n1\t一\n2\tTrack 02\n3\t@三\n");
}

TEST(CdTool, ImagesThatCannotBeReadAreSaidSo) {
    TempDir dir;
    WriteBytes(dir.File("gone.cue"), "FILE \"gone.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    WriteBytes(dir.File("empty.cue"), "");
    // libcdio's reader divides by zero on this one.
    WriteBytes(dir.File("silence.toc"), "CD_DA\nSILENCE 1:0:0");
    for (const char* name : {"gone.cue", "empty.cue", "missing.cue", "silence.toc"}) {
        std::string out;
        EXPECT_EQ(RunProgram({KoTool(), "discid", dir.File(name)}, &out), 1) << name;
        EXPECT_EQ(out, "") << name;
        EXPECT_EQ(RunProgram({KoTool(), "cdtitle", dir.File(name)}, &out), 1) << name;
    }
}

TEST(CdTool, DiscIdOfTheCorpusImages) {
    NUKO_CORPUS_FILE(images, "cd/images/");
    // cdda.bin holds 302 sectors of audio: 4 seconds and 2 frames.
    std::string cdda;
    ASSERT_EQ(RunProgram({KoTool(), "discid", images + "cdda.cue"}, &cdda), 0);
    EXPECT_EQ(cdda, "id: 0010004020004\ntracks: 1\nfreedb: 02000401\nmusicbrainz: BYu.c_jbPYTjSffcaKTHoMgj06w-\n"
                    "1 00:04:02\n");
    for (const auto& entry : std::filesystem::directory_iterator(images)) {
        std::string ext = entry.path().extension().string();
        if (ext != ".cue" && ext != ".toc" && ext != ".nrg") continue;
        std::string out;
        int rc = RunProgram({KoTool(), "discid", entry.path().string()}, &out);
        SCOPED_TRACE(entry.path().filename().string() + ":\n" + out);
        ASSERT_TRUE(rc == 0 || rc == 1);
        if (rc == 1) {
            EXPECT_EQ(out, "");
            continue;
        }
        // id, track count, then one length per track.
        ASSERT_TRUE(out.starts_with("id: "));
        std::string id = out.substr(4, out.find('\n') - 4);
        EXPECT_EQ(id.size(), 13u);
        int tracks = std::atoi(out.substr(out.find("tracks: ") + 8).c_str());
        EXPECT_EQ(id.substr(0, 3), (tracks < 10 ? "00" : "0") + std::to_string(tracks));
        EXPECT_EQ(static_cast<int>(std::count(out.begin(), out.end(), '\n')), tracks + 4);
        EXPECT_NE(out.find("\nfreedb: "), std::string::npos);
        EXPECT_NE(out.find("\nmusicbrainz: "), std::string::npos);
    }
}
