#include "cd/disc_toc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "media_fixtures.h"
#include "test_support.h"

namespace nuko::cd {
namespace {

using test::TempDir;

TEST(DiscTocTest, CorpusCueSheetHasOneAudioTrackOfItsSectors) {
    NUKO_CORPUS_FILE(cue, "cd/images/cdda.cue");
    std::string error;
    auto disc = OpenDisc(cue, &error);
    ASSERT_TRUE(disc) << error;
    const DiscToc& toc = disc->Toc();
    ASSERT_EQ(toc.TrackCount(), 1);
    EXPECT_EQ(toc.FirstTrack(), 1);
    EXPECT_TRUE(toc.tracks[0].audio);
    EXPECT_EQ(toc.TrackFrames(1), 302);
    EXPECT_EQ(toc.DiscFrames(), 302);
    EXPECT_TRUE(disc->IsImage());
    EXPECT_TRUE(disc->MediaPresent());

    std::vector<char> buf(2 * kSectorBytes);
    EXPECT_TRUE(disc->ReadAudio(toc.tracks[0].start, 2, buf.data()));
    EXPECT_TRUE(disc->ReadAudio(toc.leadout - 1, 1, buf.data()));
    EXPECT_FALSE(disc->ReadAudio(toc.leadout, 1, buf.data()));
    EXPECT_FALSE(disc->ReadAudio(toc.tracks[0].start - 1, 1, buf.data()));
}

TEST(DiscTocTest, NeroImageAndBareBinOpenToo) {
    NUKO_CORPUS_FILE(nrg, "cd/images/p1.nrg");
    auto disc = OpenDisc(nrg);
    ASSERT_TRUE(disc);
    ASSERT_EQ(disc->Toc().TrackCount(), 2);
    EXPECT_EQ(disc->Toc().tracks[1].start - disc->Toc().tracks[0].start, 150);
    EXPECT_EQ(disc->Toc().TrackFrames(2), 2);

    NUKO_CORPUS_FILE(bin, "cd/images/cdda.bin");
    auto bare = OpenDisc(bin);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->Toc().DiscFrames(), 302);
}

TEST(DiscTocTest, GeneratedThreeTrackImage) {
    TempDir dir;
    std::string cue = test::WriteCdImage(dir.path(), "three", {150, 300, 225});
    auto disc = OpenDisc(cue);
    ASSERT_TRUE(disc);
    const DiscToc& toc = disc->Toc();
    ASSERT_EQ(toc.TrackCount(), 3);
    EXPECT_EQ(toc.TrackFrames(1), 150);
    EXPECT_EQ(toc.TrackFrames(2), 300);
    EXPECT_EQ(toc.TrackFrames(3), 225);
    EXPECT_EQ(toc.DiscFrames(), 675);
    EXPECT_EQ(toc.TrackAt(toc.tracks[0].start), 1);
    EXPECT_EQ(toc.TrackAt(toc.tracks[1].start - 1), 1);
    EXPECT_EQ(toc.TrackAt(toc.tracks[1].start), 2);
    EXPECT_EQ(toc.TrackAt(toc.leadout), 0);
    EXPECT_EQ(toc.AudioEndAfter(toc.tracks[0].start), toc.leadout);

    // The samples come back as written: track 2's first sector is not
    // silence and differs from track 1's.
    std::vector<char> a(kSectorBytes), b(kSectorBytes);
    ASSERT_TRUE(disc->ReadAudio(toc.tracks[0].start + 10, 1, a.data()));
    ASSERT_TRUE(disc->ReadAudio(toc.tracks[1].start + 10, 1, b.data()));
    EXPECT_NE(a, b);
    EXPECT_NE(b, std::vector<char>(kSectorBytes, 0));
}

TEST(DiscTocTest, HostileAndIncompleteImagesAreRefusedWithAReason) {
    NUKO_CORPUS_FILE(dir, "cd/images/");
    // Overlapping, falling track starts.
    std::string error;
    EXPECT_FALSE(OpenDisc(dir + "t9.toc", &error));
    EXPECT_EQ(error, "inconsistent table of contents");
    // Cue sheets whose .bin is absent.
    for (const char* name : {"p1.cue", "cdda_4_5.cue", "isofs-m1.cue"}) {
        error.clear();
        EXPECT_FALSE(OpenDisc(dir + name, &error)) << name;
        EXPECT_NE(error.find("No such file"), std::string::npos) << name << ": " << error;
    }
    // A start inside the lead-in is odd but still a disc.
    auto odd = OpenDisc(dir + "cdda.toc", &error);
    ASSERT_TRUE(odd) << error;
    EXPECT_EQ(odd->Toc().DiscFrames(), 302);
}

TEST(DiscTocTest, TocFilesFindTheirDataBesideThemAndBadOnesAreRefused) {
    TempDir dir;
    test::WriteCdImage(dir.path(), "data", {150, 75});
    test::WriteBytes(dir.File("good.toc"), "CD_DA\n// two tracks\nTRACK AUDIO\nFILE \"data.bin\" 0 0:2:0\n"
                                          "TRACK AUDIO\nFILE \"data.bin\" 0:2:0 0:1:0\n");
    auto disc = OpenDisc(dir.File("good.toc"));
    ASSERT_TRUE(disc);
    EXPECT_EQ(disc->Toc().TrackCount(), 2);
    EXPECT_EQ(disc->Toc().TrackFrames(1), 150);
    std::string error;
    test::WriteBytes(dir.File("nul.toc"), std::string("CD_DA\nTRACK AUDIO\0\nFILE \"data.bin\" 0:1:0\n", 36));
    EXPECT_FALSE(OpenDisc(dir.File("nul.toc"), &error));
    // An image whose data file is missing says so.
    test::WriteBytes(dir.File("lost.toc"), "CD_DA\nTRACK AUDIO\nFILE \"gone.bin\" 0 0:2:0\n");
    EXPECT_FALSE(OpenDisc(dir.File("lost.toc"), &error));
    EXPECT_FALSE(error.empty());
}

// libcdio's .toc reader divides by zero on these; the child that reads them
// dies, the caller lives on and refuses the image.
TEST(DiscTocTest, ImagesThatKillTheReaderAreRefusedInTheCallersProcess) {
    TempDir dir, temp;
    test::ScopedEnv tmpdir("TMPDIR", temp.path());
    test::WriteCdImage(dir.path(), "data", {150, 75});
    const std::pair<const char*, std::string> killers[] = {
        {"silence.toc", std::string("CD_DA\nSILENCE 1:0:0")},  // 19 bytes, found by fuzzing
        {"nomode.toc", std::string("CD_DA\nTRACK\nFILE \"data.bin\" 0:1:0\n")},
        {"notrack.toc", std::string("CD_DA\n// no track\nSILENCE 0:0:1\n")},
    };
    for (const auto& [name, bytes] : killers) {
        test::WriteBytes(dir.File(name), bytes);
        std::string error;
        EXPECT_FALSE(OpenDisc(dir.File(name), &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        ImageProbe probe = ProbeImageToc(dir.File(name));
        EXPECT_FALSE(probe.ok) << name;
        EXPECT_TRUE(probe.toc.tracks.empty()) << name;
    }
    // The private copies of the .toc files went with the children.
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
    // A good image passes the probe with the table the caller then reads.
    test::WriteBytes(dir.File("good.toc"), "CD_DA\nTRACK AUDIO\nFILE \"data.bin\" 0 0:2:0\n");
    ImageProbe good = ProbeImageToc(dir.File("good.toc"));
    ASSERT_TRUE(good.ok) << good.error;
    EXPECT_EQ(good.toc.TrackCount(), 1);
    EXPECT_EQ(good.toc.TrackFrames(1), 150);
}

// A reader that never answers is stopped at the time limit: a FIFO named as
// an image blocks libcdio's open for ever.
TEST(DiscTocTest, AProbeThatHangsIsStoppedAtItsTimeLimit) {
    TempDir dir;
    const std::string fifo = dir.File("stuck.cue");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    SetImageProbeTimeLimit(300);
    ImageProbe probe = ProbeImageToc(fifo);
    SetImageProbeTimeLimit(5000);
    EXPECT_FALSE(probe.ok);
    EXPECT_EQ(probe.error, "the disc image could not be read in time");
}

TEST(DiscTocTest, PathsThatAreNoDiscFail) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(OpenDisc(dir.File("missing.cue"), &error));
    test::WriteBytes(dir.File("garbage.cue"), "FILE \"x.bin\" WAVE\nTRACK 99 MODE9\nINDEX 01 99:99:99\n");
    EXPECT_FALSE(OpenDisc(dir.File("garbage.cue"), &error));
    test::WriteBytes(dir.File("notes.txt"), "not a drive");
    EXPECT_FALSE(OpenDisc(dir.File("notes.txt"), &error));
    EXPECT_EQ(error, "not a CD drive");
    EXPECT_EQ(SetDoor(dir.File("notes.txt"), true), -1);
    EXPECT_EQ(SetDoor("", false), -1);
}

TEST(DiscTocTest, ConsistencyRules) {
    DiscToc toc;
    EXPECT_FALSE(IsConsistent(toc));
    toc.tracks = {{1, 0, true}, {2, 100, true}};
    toc.leadout = 200;
    EXPECT_TRUE(IsConsistent(toc));
    toc.leadout = 100;  // lead-out at the last start
    EXPECT_FALSE(IsConsistent(toc));
    toc.leadout = 200;
    toc.tracks[1].start = 0;  // not rising
    EXPECT_FALSE(IsConsistent(toc));
    toc.tracks[1] = {3, 100, true};  // a gap in the numbers
    EXPECT_FALSE(IsConsistent(toc));
    toc.tracks.clear();
    for (int n = 1; n <= 100; ++n) toc.tracks.push_back({n, n * 10, true});
    toc.leadout = 2000;
    EXPECT_FALSE(IsConsistent(toc));
}

TEST(DiscTocTest, MinutesSecondsFrames) {
    Msf m = FramesToMsf(4 * 60 * 75 + 12 * 75 + 40);
    EXPECT_EQ(m.minutes, 4u);
    EXPECT_EQ(m.seconds, 12u);
    EXPECT_EQ(m.frames, 40u);
    EXPECT_EQ(FramesToMsf(-5).minutes, 0u);
    EXPECT_EQ(FramesToMsf(101 * 60 * 75).minutes, 101u);
    EXPECT_EQ(FramesToMs(75), 1000);
    EXPECT_EQ(MsToFrames(2000), 150);
}

TEST(DiscTocTest, DriveListingNamesTheDrivesThatExist) {
    std::vector<std::string> drives = ListCdDrives();
    // The SCSI optical drives the kernel shows, looked up on our own.
    std::set<std::string> kernel;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/dev", ec)) {
        std::string name = e.path().filename().string();
        if (name.size() > 2 && name.starts_with("sr") && name.find_first_not_of("0123456789", 2) == std::string::npos &&
            e.is_block_file(ec) && ::access(e.path().c_str(), R_OK) == 0)
            kernel.insert(e.path().string());
    }
    if (drives.empty() && kernel.empty()) NUKO_SKIP_WITHOUT(test::Missing::CdDrive);
    std::set<std::string> listed;
    for (const auto& d : drives) {
        // Each a block device (a name like /dev/cdrom may link to one).
        EXPECT_TRUE(std::filesystem::is_block_file(d, ec)) << d;
        listed.insert(std::filesystem::canonical(d, ec).string());
    }
    for (const auto& k : kernel) EXPECT_TRUE(listed.count(k)) << k << " is not listed";
}

}  // namespace
}  // namespace nuko::cd
