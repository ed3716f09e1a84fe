// Movies and sound files through MediaDevice on the real back ends (libmpv
// into its silent output, as fast as it goes).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "device_fixture.h"
#include "playback/media_errors.h"
#include "media_fixtures.h"
#include "playback/mpv_backend.h"

namespace nuko::playback {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

class MpvDeviceTest : public test::RealDeviceTest {
protected:
    std::string Wav(const std::string& name, double seconds) {
        test::WriteBytes(media_.File(name), test::MakeWav(seconds));
        return media_.File(name);
    }

    // Opens on the back end itself, running the queue until the load ends.
    int OpenBackend(Backend& b, const std::string& path) {
        int result = mci::kPending;
        b.SetOpenHandler([&](int r) { result = r; });
        int r = b.Open(path);
        if (r != mci::kPending) return r;
        RunUntil([&] { return result != mci::kPending; });
        return result;
    }

    TempDir media_;
};

TEST_F(MpvDeviceTest, ShortSoundsInHundredthsLongOnesInSeconds) {
    MediaDevice& d = Device();
    ASSERT_EQ(OpenNow(MediaKind::Sound, Wav("short.wav", 9.9)), 0);
    EXPECT_EQ(d.Length(MediaKind::Sound), 990u);
    EXPECT_FALSE(d.TimeUnitSeconds());
    ASSERT_EQ(d.Seek(MediaKind::Sound, 250), 0);
    ASSERT_TRUE(WaitForSeek(MediaKind::Sound));
    EXPECT_EQ(d.Position(MediaKind::Sound), 250u);
    d.Close(MediaKind::Sound);

    ASSERT_EQ(OpenNow(MediaKind::Sound, Wav("long.wav", 10.0)), 0);
    EXPECT_EQ(d.Length(MediaKind::Sound), 10u);
    EXPECT_TRUE(d.TimeUnitSeconds());
    ASSERT_EQ(d.Play(MediaKind::Sound, 0, 0, false, true, false), 0);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(notices_.back(), kNotifySuccessful);
    EXPECT_EQ(d.Position(MediaKind::Sound), 10u);
    EXPECT_TRUE(d.IsStoppedOrPaused(MediaKind::Sound));
}

TEST_F(MpvDeviceTest, CorpusSoundsAndMoviesPlayToTheEnd) {
    NUKO_CORPUS_FILE(corpus, "");
    struct Item {
        MediaKind kind;
        std::string file;
    };
    std::vector<Item> items = {{MediaKind::Sound, corpus + "mp3/mutagen_silence-44-s-v1.mp3"},
                               {MediaKind::Sound, corpus + "mp3/tinytag_mpeg2_id3v1.mp3"},
                               {MediaKind::Sound, corpus + "asf/mutagen_silence-2.wma"},
                               {MediaKind::Sound, corpus + "asf/tinytag_mp3_audio.asf"},
                               {MediaKind::Sound, corpus + "wav/tinytag_mp3_audio.wav"},
                               {MediaKind::Movie, corpus + "asf/wine_wmvcore_test.wmv"},
                               {MediaKind::Movie, corpus + "asf/wine_mfplat_test-wmv1.wmv"}};
    if (test::MakeMovie(media_.File("clip.avi"), 2.0)) items.push_back({MediaKind::Movie, media_.File("clip.avi")});
    else ADD_FAILURE() << "ffmpeg could not make an AVI file";
    MediaDevice& d = Device();
    for (const auto& item : items) {
        ASSERT_EQ(OpenNow(item.kind, item.file), 0) << item.file << ": " << d.ErrorText(item.kind, 0);
        EXPECT_GT(d.Length(item.kind) + (d.TimeUnitSeconds() ? 1 : 0), 0u) << item.file;
        ASSERT_EQ(d.Play(item.kind, 0, 0, false, true, false), 0) << item.file;
        ASSERT_TRUE(WaitForNotice()) << item.file;
        EXPECT_EQ(notices_.back(), kNotifySuccessful) << item.file;
        d.Close(item.kind);
    }
}

TEST_F(MpvDeviceTest, SeekPauseAndResumeLandWhereTheyShould) {
    MediaDevice& d = Device(/*fast=*/false);  // real time, so that pausing means something
    ASSERT_EQ(OpenNow(MediaKind::Sound, Wav("ten.wav", 12.0)), 0);
    ASSERT_EQ(d.Length(MediaKind::Sound), 12u);
    ASSERT_EQ(d.Seek(MediaKind::Sound, 4), 0);
    ASSERT_TRUE(WaitForSeek(MediaKind::Sound));
    EXPECT_EQ(d.Position(MediaKind::Sound), 4u);
    EXPECT_TRUE(d.IsStoppedOrPaused(MediaKind::Sound));
    // It goes on from 4 s: never back before it, and on past it.
    ASSERT_EQ(d.Resume(MediaKind::Sound, true), 0);
    std::uint32_t lowest = d.Position(MediaKind::Sound);
    ASSERT_TRUE(RunUntil([&] {
        lowest = std::min(lowest, d.Position(MediaKind::Sound));
        return d.Position(MediaKind::Sound) >= 5;
    })) << "the play did not go on";
    EXPECT_EQ(lowest, 4u);

    ASSERT_EQ(d.Pause(MediaKind::Sound), 0);
    bool paused = false;
    EXPECT_TRUE(d.IsStoppedOrPaused(MediaKind::Sound, &paused));
    EXPECT_TRUE(paused);
    // Paused, it stays put however long it waits (a second is long enough
    // for a running play to show).
    std::uint32_t at = d.Position(MediaKind::Sound);
    std::this_thread::sleep_for(1200ms);
    queue_.RunPending();
    EXPECT_EQ(d.Position(MediaKind::Sound), at);
    // Resumed, it goes on from there.
    ASSERT_EQ(d.Resume(MediaKind::Sound, true), 0);
    EXPECT_GE(d.Position(MediaKind::Sound), at);
    EXPECT_TRUE(RunUntil([&] { return d.Position(MediaKind::Sound) >= at + 1; })) << "the play did not resume";
    EXPECT_TRUE(notices_.empty());
}

TEST_F(MpvDeviceTest, AnEndPointStopsThePlayAndContinuingGoesPastIt) {
    MediaDevice& d = Device();
    ASSERT_EQ(OpenNow(MediaKind::Sound, Wav("five.wav", 12.0)), 0);
    ASSERT_EQ(d.Length(MediaKind::Sound), 12u);
    ASSERT_EQ(d.Play(MediaKind::Sound, 1, 3, false, true, false), 0);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(d.Position(MediaKind::Sound), 3u);
    ASSERT_EQ(d.Resume(MediaKind::Sound, true), 0);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(d.Position(MediaKind::Sound), 12u);
    EXPECT_EQ(notices_, (std::vector<int>{kNotifySuccessful, kNotifySuccessful}));
}

TEST_F(MpvDeviceTest, OpensGoOnInTheBackgroundAndACloseDropsThem) {
    MediaDevice& d = Device();
    // The open returns before the player has loaded anything: its end comes
    // only through the queue.
    ASSERT_EQ(d.Open(MediaKind::Sound, Wav("a.wav", 2.0)), mci::kPending);
    EXPECT_TRUE(d.IsOpening(MediaKind::Sound));
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.Play(MediaKind::Sound, 0, 0, false, true, false), mci::kInvalidDeviceId);
    EXPECT_EQ(d.Length(MediaKind::Sound), 0u);
    d.Close(MediaKind::Sound);
    EXPECT_FALSE(d.IsOpening(MediaKind::Sound));
    // The late end of that load finds nothing to open.
    RunUntil([] { return false; }, 300ms);
    EXPECT_EQ(opened_, 0);
    EXPECT_FALSE(d.IsOpen());
    EXPECT_TRUE(notices_.empty());

    // Replaced by another open, the first load's end is dropped as well:
    // what opens is the second item, once.
    ASSERT_EQ(d.Open(MediaKind::Sound, Wav("b.wav", 2.0)), mci::kPending);
    ASSERT_EQ(d.Open(MediaKind::Sound, Wav("c.wav", 12.0)), mci::kPending);
    ASSERT_TRUE(RunUntil([&] { return !d.IsOpening(MediaKind::Sound); }));
    RunUntil([] { return false; }, 300ms);
    EXPECT_EQ(opened_, 1);
    EXPECT_EQ(d.OpenResult(MediaKind::Sound), 0);
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(d.Length(MediaKind::Sound), 12u);
}

TEST_F(MpvDeviceTest, SeeksInCorpusFilesArriveThroughThePlayersEvents) {
    NUKO_CORPUS_FILE(corpus, "");
    struct Item {
        MediaKind kind;
        std::string file;
        std::uint32_t target;  // in the item's time unit
    };
    const Item items[] = {{MediaKind::Sound, corpus + "mp3/mutagen_silence-44-s-v1.mp3", 200},
                          {MediaKind::Movie, corpus + "asf/wine_wmvcore_test.wmv", 1}};
    MediaDevice& d = Device();
    for (const auto& item : items) {
        ASSERT_EQ(OpenNow(item.kind, item.file), 0) << item.file << ": " << d.ErrorText(item.kind, 0);
        ASSERT_GT(d.Length(item.kind), item.target) << item.file;
        ASSERT_EQ(d.Seek(item.kind, item.target), 0) << item.file;
        // Nothing has drained the player's events yet: the seek goes on,
        // and the item already tells where it is going.
        EXPECT_TRUE(d.IsSeeking(item.kind)) << item.file;
        EXPECT_EQ(d.Position(item.kind), item.target) << item.file;
        ASSERT_TRUE(WaitForSeek(item.kind)) << item.file;
        EXPECT_EQ(d.Position(item.kind), item.target) << item.file;
        EXPECT_TRUE(d.IsStoppedOrPaused(item.kind)) << item.file;
        // It plays on from there to its end.
        ASSERT_EQ(d.Resume(item.kind, true), 0) << item.file;
        ASSERT_TRUE(WaitForNotice()) << item.file;
        EXPECT_EQ(notices_.back(), kNotifySuccessful) << item.file;
        d.Close(item.kind);
    }
}

TEST_F(MpvDeviceTest, FramesStepOneAtATime) {
    ASSERT_TRUE(test::MakeMovie(media_.File("clip.avi"), 2.0, 25)) << "ffmpeg could not make an AVI file";
    MpvOptions o;
    o.untimed = true;
    o.video = true;
    MpvBackend b(queue_, o);
    ASSERT_EQ(OpenBackend(b, media_.File("clip.avi")), 0) << b.ErrorText(0);
    EXPECT_EQ(b.VideoSize().width, 160);
    EXPECT_EQ(b.VideoSize().height, 120);
    ASSERT_EQ(b.Seek(1000), 0);
    ASSERT_TRUE(RunUntil([&] { return b.Mode() != DeviceMode::Seeking; }));
    EXPECT_EQ(b.PositionMs(), 1000);
    auto shown = [&] {
        return RunUntil([&] {
            b.Poll();
            return b.Mode() != DeviceMode::Seeking;
        });
    };
    ASSERT_EQ(b.Step(1, false), 0);
    ASSERT_TRUE(shown());
    EXPECT_EQ(b.PositionMs(), 1040);
    ASSERT_EQ(b.Step(2, false), 0);
    ASSERT_TRUE(shown());
    EXPECT_EQ(b.PositionMs(), 1120);
    ASSERT_EQ(b.Step(1, true), 0);
    ASSERT_TRUE(shown());
    EXPECT_EQ(b.PositionMs(), 1080);
    EXPECT_NE(b.Mode(), DeviceMode::Playing);
    // A step asked for during a seek counts from where the seek arrives.
    ASSERT_EQ(b.Seek(600), 0);
    ASSERT_EQ(b.Step(1, false), 0);
    ASSERT_TRUE(shown());
    EXPECT_EQ(b.PositionMs(), 640);
    EXPECT_NE(b.Mode(), DeviceMode::Playing);

    // Sound items have no frames to step.
    MpvOptions sound;
    sound.untimed = true;
    MpvBackend s(queue_, sound);
    ASSERT_EQ(OpenBackend(s, media_.File("clip.avi")), 0);
    EXPECT_EQ(s.Movie(), nullptr);
}

TEST_F(MpvDeviceTest, CopiesFromRemovableMediaPlayAndGoAtClose) {
    config_.file_copy.used = true;
    config_.copy_from = [](const std::string&) { return true; };
    MediaDevice& d = Device();
    std::string source = Wav("song.wav", 1.0);
    ASSERT_EQ(OpenNow(MediaKind::Sound, source), 0);
    std::string copy = work_.path() + "$Nu-kop_FileCopy$song.wav";
    EXPECT_EQ(d.TemporaryFile(), copy);
    ASSERT_TRUE(std::filesystem::exists(copy));
    // What plays is the copy: with the original gone it still plays.
    std::filesystem::remove(source);
    ASSERT_EQ(d.Play(MediaKind::Sound, 0, 0, false, true, false), 0);
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(notices_.back(), kNotifySuccessful);
    d.Close(MediaKind::Sound);
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
}

TEST_F(MpvDeviceTest, BadFilesGiveErrorsAndLeaveNothingBehind) {
    config_.file_copy.used = true;
    config_.copy_from = [](const std::string&) { return true; };
    MediaDevice& d = Device();
    EXPECT_EQ(OpenNow(MediaKind::Sound, media_.File("missing.wav")), mci::kFileNotFound);
    test::WriteBytes(media_.File("text.wav"), "this is no sound at all\n");
    EXPECT_EQ(OpenNow(MediaKind::Sound, media_.File("text.wav")), mci::kInvalidFile);
    EXPECT_FALSE(d.ErrorText(MediaKind::Sound, mci::kInvalidFile).empty());
    // A song under a movie name.
    test::SmfWriter w;
    w.Track().Note(0, 60, 100);
    test::WriteBytes(media_.File("song.avi"), w.Bytes());
    EXPECT_EQ(OpenNow(MediaKind::Movie, media_.File("song.avi")), mci::kInvalidFile);
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_FALSE(d.IsOpen());
}

TEST_F(MpvDeviceTest, NoticesOfClosedItemsAreDroppedAndAFinishedItemEndsAgainAtOnce) {
    MediaDevice& d = Device();
    // Calls queued for an item that closes before the queue runs: the drain
    // its load queued (nothing has run the queue since) and the end of a
    // play from its end, which completes at once and is queued before Play
    // returns.
    ASSERT_EQ(OpenNow(MediaKind::Sound, Wav("a.wav", 1.0)), 0);
    ASSERT_EQ(d.Play(MediaKind::Sound, 0, 0, false, false, true), 0);  // to the end, no notice
    ASSERT_TRUE(notices_.empty());
    ASSERT_EQ(d.Resume(MediaKind::Sound, true), 0);
    ASSERT_FALSE(queue_.empty());
    d.Close(MediaKind::Sound);
    queue_.RunPending();
    EXPECT_TRUE(notices_.empty());

    // The same with another item open by the time the queue runs.
    ASSERT_EQ(OpenNow(MediaKind::Sound, Wav("c.wav", 1.0)), 0);
    ASSERT_EQ(d.Play(MediaKind::Sound, 0, 0, false, false, true), 0);
    ASSERT_EQ(d.Resume(MediaKind::Sound, true), 0);
    d.Close(MediaKind::Sound);
    ASSERT_EQ(OpenNow(MediaKind::Sound, Wav("b.wav", 0.5)), 0);
    queue_.RunPending();
    EXPECT_TRUE(notices_.empty());

    ASSERT_EQ(d.Play(MediaKind::Sound, 0, 0, false, true, false), 0);
    ASSERT_TRUE(WaitForNotice());
    ASSERT_EQ(d.Resume(MediaKind::Sound, true), 0);  // at the end already
    ASSERT_TRUE(WaitForNotice());
    EXPECT_EQ(notices_, (std::vector<int>{kNotifySuccessful, kNotifySuccessful}));
    // A play that waits returns at the end.
    EXPECT_EQ(d.Length(MediaKind::Sound), 50u);
    ASSERT_EQ(d.Play(MediaKind::Sound, 0, 0, false, false, true), 0);
    EXPECT_EQ(d.Position(MediaKind::Sound), 50u);
}

}  // namespace
}  // namespace nuko::playback
