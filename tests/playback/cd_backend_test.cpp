// Audio CD through MediaDevice on the real back end: disc images read by
// libcdio, their sound played by libmpv.
#include <gtest/gtest.h>

#include <filesystem>

#include "device_fixture.h"
#include "playback/media_errors.h"
#include "media_fixtures.h"

namespace nuko::playback {
namespace {

using test::TempDir;

class CdDeviceTest : public test::RealDeviceTest {
protected:
    // Three tracks of 2, 4 and 3 seconds.
    std::string ThreeTracks() { return test::WriteCdImage(dir_.path(), "three", {150, 300, 225}); }

    TempDir dir_;
};

TEST_F(CdDeviceTest, CorpusImageGivesItsTrackAndLength) {
    NUKO_CORPUS_FILE(cue, "cd/images/cdda.cue");
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, cue), 0) << d.ErrorText(MediaKind::Cd, 0);
    EXPECT_EQ(d.CdTrackCount(), 1);
    EXPECT_EQ(d.CdTotalLength(), 4);
    EXPECT_EQ(d.Length(MediaKind::Cd, 1), 4u);
    EXPECT_EQ(d.CdTrackLengthText(1, true), "00:04:02");
    EXPECT_TRUE(d.MediaPresent(MediaKind::Cd));
    ASSERT_EQ(d.Play(MediaKind::Cd, 1, 1, false, true, false), 0);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(notices_.back(), kNotifySuccessful);
}

TEST_F(CdDeviceTest, ThreeTrackImageGivesCountsAndLengths) {
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, ThreeTracks()), 0);
    EXPECT_EQ(d.CdTrackCount(), 3);
    EXPECT_EQ(d.CdTotalLength(), 9);
    EXPECT_EQ(d.Length(MediaKind::Cd, 1), 2u);
    EXPECT_EQ(d.Length(MediaKind::Cd, 2), 4u);
    EXPECT_EQ(d.Length(MediaKind::Cd, 3), 3u);
    EXPECT_EQ(d.CdTrackLengthText(2, false), "000400");
    EXPECT_EQ(d.CdTotalLengthText(true), "00:09:00");
}

TEST_F(CdDeviceTest, TrackTwoPlaysAloneUnlessContinuous) {
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, ThreeTracks()), 0);
    ASSERT_EQ(d.Play(MediaKind::Cd, 2, 3, false, true, false), 0);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(notices_.back(), kNotifySuccessful);
    // It stopped where track 3 begins.
    EXPECT_EQ(d.Position(MediaKind::Cd), 0u);
    EXPECT_EQ(d.CdPosition() & 0xFF, 3u);

    d.SetCdContinuous(true);
    ASSERT_EQ(d.Play(MediaKind::Cd, 2, 3, false, true, false), 0);
    ASSERT_TRUE(WaitForNotice());
    // On to the end of the disc: the end of track 3.
    EXPECT_EQ(d.Position(MediaKind::Cd), 3u);
    EXPECT_EQ(d.CdPosition() & 0xFF, 3u);
}

TEST_F(CdDeviceTest, SeekWithinTheTrackAndResume) {
    MediaDevice& d = Device(/*fast=*/false);
    ASSERT_EQ(d.Open(MediaKind::Cd, ThreeTracks()), 0);
    ASSERT_EQ(d.Play(MediaKind::Cd, 2, 3, false, true, false), 0);
    ASSERT_EQ(d.Seek(MediaKind::Cd, 3), 0);
    EXPECT_EQ(d.Position(MediaKind::Cd), 3u);
    EXPECT_EQ(d.CdPosition() & 0xFF, 2u);
    EXPECT_TRUE(d.IsStoppedOrPaused(MediaKind::Cd));
    ASSERT_EQ(d.Resume(MediaKind::Cd, true), 0);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(notices_.back(), kNotifySuccessful);
    // The last second of track 2, not the rest of the disc: it stopped where
    // track 3 begins (the rest of the disc would end 3 s into track 3).
    EXPECT_EQ(d.Position(MediaKind::Cd), 0u);
    EXPECT_EQ(d.CdPosition() & 0xFF, 3u);
}

TEST_F(CdDeviceTest, ADiscThatGoesAwayWhilePlayingFails) {
    std::string cue = test::WriteCdImage(dir_.path(), "long", {75 * 30});
    MediaDevice& d = Device(/*fast=*/false);
    ASSERT_EQ(d.Open(MediaKind::Cd, cue), 0);
    ASSERT_EQ(d.Play(MediaKind::Cd, 1, 1, false, true, false), 0);
    // Gone once the play is under way.
    ASSERT_TRUE(RunUntil([&] { return d.Position(MediaKind::Cd) >= 1; })) << "the play did not start";
    std::filesystem::resize_file(dir_.File("long.bin"), 0);
    std::filesystem::remove(cue);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(notices_.back(), kNotifyFailure);
    EXPECT_FALSE(d.MediaPresent(MediaKind::Cd));
    d.Close(MediaKind::Cd);
}

TEST_F(CdDeviceTest, BrokenImagesGiveErrors) {
    NUKO_CORPUS_FILE(dir, "cd/images/");
    MediaDevice& d = Device();
    EXPECT_EQ(d.Open(MediaKind::Cd, dir + "p1.cue"), mci::kFileNotFound);  // its .bin is absent
    EXPECT_EQ(d.Open(MediaKind::Cd, dir + "t9.toc"), mci::kInvalidFile);
    EXPECT_NE(d.ErrorText(MediaKind::Cd, mci::kInvalidFile).find("inconsistent"), std::string::npos);
    EXPECT_EQ(d.Open(MediaKind::Cd, dir_.File("none.cue")), mci::kFileNotFound);
    EXPECT_EQ(d.Open(MediaKind::Cd, "/dev/nonexistent-cd"), mci::kDeviceNotReady);
    EXPECT_EQ(d.CdTrackCount(), 0);
    EXPECT_TRUE(prompt_.asked().empty());
    // The tray of an image is no drive.
    EXPECT_EQ(d.CdDoor(dir + "cdda.cue", true), -1);
}

}  // namespace
}  // namespace nuko::playback
