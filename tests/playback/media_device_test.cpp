#include "playback/media_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "fake_backend.h"
#include "nuko/dispatch.h"
#include "playback/media_errors.h"
#include "scripted_prompt.h"
#include "test_support.h"

namespace nuko::playback {
namespace {

using test::FakeBackend;
using test::FakeBackends;
using test::FakeMovieWindow;
using test::TempDir;

class MediaDeviceTest : public ::testing::Test {
protected:
    MediaDeviceTest() : scoped_prompt_(&prompt_) {}

    MediaDevice& Device() {
        if (!device_) {
            config_.work_folder = work_.path();
            hooks_.notice = [this](MediaKind kind, int code) { notices_.push_back({kind, code}); };
            hooks_.movie_window = [this](void* owner) -> std::unique_ptr<MovieWindow> {
                owners_.push_back(owner);
                auto w = std::make_unique<FakeMovieWindow>(&windows_);
                last_window_ = w.get();
                return w;
            };
            device_ = std::make_unique<MediaDevice>(backends_, config_, hooks_);
        }
        return *device_;
    }
    FakeBackend& Last() { return *backends_.made.back(); }
    std::string MediaFile(const std::string& name) {
        test::WriteBytes(media_.File(name), "bytes");
        return media_.File(name);
    }
    // A disc whose tracks start at the given seconds, ending at `end`.
    void SetDisc(std::vector<int> starts, int end, int data_tracks = 0) {
        auto fill = [=](FakeBackend& b) {
            b.toc.tracks.clear();
            int n = 1;
            for (int s : starts) b.toc.tracks.push_back({n++, s * 75, n > data_tracks + 1});
            b.toc.leadout = end * 75;
        };
        backends_.setup[MediaKind::Cd] = fill;
        for (FakeBackend* b : backends_.made)
            if (b->Disc()) fill(*b);
    }

    test::ScriptedPrompt prompt_;
    ScopedPrompt scoped_prompt_;
    TempDir work_, media_;
    FakeBackends backends_;
    MediaDeviceConfig config_;
    MediaDeviceHooks hooks_;
    std::unique_ptr<MediaDevice> device_;
    std::vector<std::pair<MediaKind, int>> notices_;
    std::vector<void*> owners_;
    int windows_ = 0;
    FakeMovieWindow* last_window_ = nullptr;
};

TEST_F(MediaDeviceTest, ShortSoundsCountInHundredthsAndLongOnesInSeconds) {
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Sound, MediaFile("short.wav")), 0);
    Last().length_ms = 9900;
    EXPECT_EQ(d.Length(MediaKind::Sound), 990u);
    EXPECT_FALSE(d.TimeUnitSeconds());
    Last().position_ms = 4321;
    EXPECT_EQ(d.Position(MediaKind::Sound), 432u);
    // Seek in hundredths; Resume starts there and forgets the target.
    EXPECT_EQ(d.Seek(MediaKind::Sound, 500), 0);
    EXPECT_EQ(Last().seek_ms, 5000);
    EXPECT_EQ(d.SeekTarget(), 5000u);
    EXPECT_EQ(d.Resume(MediaKind::Sound, true), 0);
    EXPECT_EQ(Last().play_from, 5000);
    EXPECT_EQ(Last().play_to, -1);
    EXPECT_EQ(d.SeekTarget(), 0u);

    Last().length_ms = 10000;
    EXPECT_EQ(d.Length(MediaKind::Sound), 10u);
    EXPECT_TRUE(d.TimeUnitSeconds());
    EXPECT_EQ(d.Seek(MediaKind::Sound, 3), 0);
    EXPECT_EQ(Last().seek_ms, 3000);

    // Other kinds are always in seconds.
    ASSERT_EQ(d.Open(MediaKind::Midi, MediaFile("a.mid")), 0);
    Last().length_ms = 9900;
    EXPECT_EQ(d.Length(MediaKind::Midi), 9u);
    EXPECT_TRUE(d.TimeUnitSeconds());
}

TEST_F(MediaDeviceTest, ContinuingWithoutSeekTargetPlaysFromWhereItStands) {
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Movie, MediaFile("m.avi")), 0);
    EXPECT_EQ(d.Play(MediaKind::Movie, kContinue, 0, false, false, false), 0);
    EXPECT_EQ(Last().play_from, -1);
    EXPECT_EQ(d.Play(MediaKind::Movie, 0, 0, false, false, false), 0);
    EXPECT_EQ(Last().play_from, 0);
    EXPECT_TRUE(d.IsPlaying());
}

TEST_F(MediaDeviceTest, ExtensionsWithoutADeviceGiveMinusOneWithoutAMessage) {
    MediaDevice& d = Device();
    EXPECT_EQ(d.Open(MediaKind::Midi, MediaFile("song.rcp")), mci::kNoDevice);
    EXPECT_EQ(d.Open(MediaKind::Sound, MediaFile("notes.txt")), mci::kNoDevice);
    EXPECT_TRUE(backends_.made.empty());
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_FALSE(d.IsOpen());
    // Without a sound font nothing plays MIDI.
    backends_.facts.sound_font.clear();
    EXPECT_EQ(d.Open(MediaKind::Midi, MediaFile("song.mid")), mci::kNoDevice);
    std::string type;
    EXPECT_FALSE(d.DeviceTypeFor("mid", &type));
    EXPECT_TRUE(d.DeviceTypeFor("WAV", &type));
    EXPECT_EQ(type, "mpv");
}

TEST_F(MediaDeviceTest, OpenRetriesAnUnknownDeviceOnceAndShowsOnlyOutOfMemory) {
    MediaDevice& d = Device();
    backends_.setup[MediaKind::Sound] = [](FakeBackend& b) { b.open_results = {mci::kInvalidDeviceName, 0}; };
    EXPECT_EQ(d.Open(MediaKind::Sound, MediaFile("a.wav")), 0);
    EXPECT_EQ(Last().opened.size(), 2u);
    EXPECT_TRUE(d.IsOpen());

    backends_.setup[MediaKind::Movie] = [](FakeBackend& b) { b.open_results = {mci::kInvalidFile}; };
    EXPECT_EQ(d.Open(MediaKind::Movie, MediaFile("b.avi")), mci::kInvalidFile);
    EXPECT_TRUE(prompt_.asked().empty());

    backends_.setup[MediaKind::Midi] = [](FakeBackend& b) { b.open_results = {mci::kOutOfMemory}; };
    EXPECT_EQ(d.Open(MediaKind::Midi, MediaFile("c.mid")), mci::kOutOfMemory);
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, "fake error 264");
}

TEST_F(MediaDeviceTest, AFailedPlayThatReportsShowsTheTextAndClosesTheItem) {
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Sound, MediaFile("a.wav")), 0);
    Last().play_result = mci::kDriver;
    EXPECT_EQ(d.Play(MediaKind::Sound, 0, 0, false, true, false), mci::kDriver);
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(d.Play(MediaKind::Sound, 0, 0, true, true, false), mci::kDriver);
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, "fake error 278");
    EXPECT_FALSE(d.IsOpen());
    EXPECT_FALSE(d.IsPlaying());
    EXPECT_EQ(Last().closes, 1);
}

TEST_F(MediaDeviceTest, NoticesComeOnlyForThePlayThatAskedAndIsStillCurrent) {
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Midi, MediaFile("a.mid")), 0);
    FakeBackend& b = Last();
    d.Play(MediaKind::Midi, 0, 0, false, true, false);
    b.Finish(EndReason::Success);
    b.Finish(EndReason::Success);  // one notice per play
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_EQ(notices_[0], std::make_pair(MediaKind::Midi, kNotifySuccessful));

    d.Play(MediaKind::Midi, 0, 0, false, true, false);
    b.Finish(EndReason::Failure);
    ASSERT_EQ(notices_.size(), 2u);
    EXPECT_EQ(notices_[1].second, kNotifyFailure);

    d.Play(MediaKind::Midi, 0, 0, false, false, false);  // no notice asked
    b.Finish(EndReason::Success);
    d.Play(MediaKind::Midi, 0, 0, false, true, false);
    d.Stop(MediaKind::Midi);  // a stopped play says nothing more
    b.Finish(EndReason::Success);
    d.Play(MediaKind::Midi, 0, 0, false, true, false);
    d.Close(MediaKind::Midi);
    b.Finish(EndReason::Success);
    d.Play(MediaKind::Midi, 0, 0, false, true, true);  // waited for: no notice
    b.Finish(EndReason::Success);
    EXPECT_EQ(notices_.size(), 2u);
}

TEST_F(MediaDeviceTest, StopActsOnlyWhileSomethingPlays) {
    MediaDevice& d = Device();
    EXPECT_TRUE(d.IsStoppedOrPaused(MediaKind::Sound));  // nothing open
    ASSERT_EQ(d.Open(MediaKind::Sound, MediaFile("a.wav")), 0);
    EXPECT_EQ(d.Stop(MediaKind::Sound), 0);
    EXPECT_EQ(Last().stops, 0);
    d.Play(MediaKind::Sound, 0, 0, false, false, false);
    Last().mode = DeviceMode::Paused;
    bool paused = false;
    EXPECT_TRUE(d.IsStoppedOrPaused(MediaKind::Sound, &paused));
    EXPECT_TRUE(paused);
    Last().mode = DeviceMode::Seeking;
    EXPECT_TRUE(d.IsSeeking(MediaKind::Sound));
    EXPECT_FALSE(d.IsStoppedOrPaused(MediaKind::Sound));
    EXPECT_EQ(d.Stop(MediaKind::Sound), 0);
    EXPECT_EQ(Last().stops, 1);
    EXPECT_FALSE(d.IsPlaying());
}

TEST_F(MediaDeviceTest, FilesFromRemovableMediaPlayFromACopyThatCloseDeletes) {
    config_.file_copy.used = true;
    config_.copy_from = [](const std::string&) { return true; };
    MediaDevice& d = Device();
    std::string source = MediaFile("song.mid");
    ASSERT_EQ(d.Open(MediaKind::Midi, source), 0);
    std::string copy = work_.path() + "$Nu-kop_FileCopy$song.mid";
    ASSERT_EQ(Last().opened.back(), copy);
    EXPECT_EQ(test::ReadBytes(copy), "bytes");
    EXPECT_EQ(d.TemporaryFile(), copy);
    d.Close(MediaKind::Midi);
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_TRUE(std::filesystem::exists(source));

    // A failed open leaves nothing behind either.
    backends_.setup[MediaKind::Sound] = [](FakeBackend& b) { b.open_results = {mci::kInvalidFile}; };
    EXPECT_NE(d.Open(MediaKind::Sound, MediaFile("bad.wav")), 0);
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
}

TEST_F(MediaDeviceTest, ACancelledCopyPlaysTheOriginal) {
    config_.file_copy.used = true;
    config_.copy_from = [](const std::string&) { return true; };
    std::vector<int> seen;
    hooks_.copy_progress = [&](int percent) {
        seen.push_back(percent);
        return percent < 30;
    };
    MediaDevice& d = Device();
    std::string source = MediaFile("song.mid");
    ASSERT_EQ(d.Open(MediaKind::Midi, source), 0);
    EXPECT_EQ(Last().opened.back(), source);
    EXPECT_FALSE(seen.empty());
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));

    // Files on fixed disks play where they are.
    config_.copy_from = nullptr;
    device_.reset();
    MediaDevice& fixed = Device();
    ASSERT_EQ(fixed.Open(MediaKind::Midi, source), 0);
    EXPECT_EQ(Last().opened.back(), source);
}

// ---- The copy to the work folder off the window's thread ----

// A queue that holds the first call posted from another thread until the
// test lets it through: the copy then waits midway, after its first piece.
class GatedQueue final : public Dispatcher {
public:
    void Post(std::function<void()> call) override {
        {
            std::unique_lock lock(mutex_);
            if (gate_ && !held_) {
                held_ = true;
                changed_.notify_all();
                changed_.wait(lock, [this] { return !gate_; });
            }
        }
        queue.Post(std::move(call));
    }
    void WaitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return held_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        gate_ = false;
        changed_.notify_all();
    }
    CallQueue queue;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool gate_ = true;
    bool held_ = false;
};

struct CopyWindow {
    std::string file_name;
    std::function<void()> cancel;
    std::vector<int> progress;
    int begun = 0, ended = 0;
};

class FakeCopyView final : public FileCopyView {
public:
    explicit FakeCopyView(CopyWindow& w) : w_(w) {}
    void Begin(std::string_view file_name, std::function<void()> cancel) override {
        ++w_.begun;
        w_.file_name = file_name;
        w_.cancel = std::move(cancel);
    }
    void SetProgress(int percent) override { w_.progress.push_back(percent); }
    void End() override { ++w_.ended; }

private:
    CopyWindow& w_;
};

class MediaDeviceCopyTest : public MediaDeviceTest {
protected:
    MediaDeviceCopyTest() {
        config_.file_copy.used = true;
        config_.copy_from = [](const std::string&) { return true; };
        hooks_.copy_view = [this] { return std::make_unique<FakeCopyView>(window_); };
        // 8000 bytes of a pattern: eight pieces of 1000.
        for (int i = 0; i < 8000; ++i) song_ += static_cast<char>('a' + i % 26);
        test::WriteBytes(media_.File("song.mid"), song_);
    }
    // Runs the posted calls until the device says the open has ended.
    void RunUntilOpened(CallQueue& queue) {
        while (std::find(notices_.begin(), notices_.end(), std::pair{MediaKind::Midi, kNotifyOpened}) == notices_.end())
            queue.WaitAndRun(std::chrono::milliseconds(100));
    }
    std::string Copy() const { return work_.path() + "$Nu-kop_FileCopy$song.mid"; }

    CopyWindow window_;
    std::string song_;
};

TEST_F(MediaDeviceCopyTest, TheOpenWaitsForTheCopyWhichShowsItsProgressAndPlaysFromTheWorkFolder) {
    CallQueue queue;
    config_.dispatcher = &queue;
    MediaDevice& d = Device();
    const std::string source = media_.File("song.mid");
    ASSERT_EQ(d.Open(MediaKind::Midi, source), mci::kPending);
    EXPECT_TRUE(d.IsCopying(MediaKind::Midi));
    EXPECT_TRUE(d.IsOpening(MediaKind::Midi));
    EXPECT_EQ(window_.begun, 1);
    EXPECT_EQ(window_.file_name, "song.mid");
    RunUntilOpened(queue);
    EXPECT_FALSE(d.IsOpening(MediaKind::Midi));
    EXPECT_EQ(d.OpenResult(MediaKind::Midi), 0);
    ASSERT_FALSE(Last().opened.empty());
    EXPECT_EQ(Last().opened.back(), Copy());
    EXPECT_EQ(test::ReadBytes(Copy()), song_);
    // The eight pieces read, then the write.
    EXPECT_EQ(window_.progress, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(window_.ended, 1);
    d.Close(MediaKind::Midi);
    EXPECT_FALSE(std::filesystem::exists(Copy()));
}

TEST_F(MediaDeviceCopyTest, CancelMidwayLeavesNoPartialFileAndPlaysTheOriginal) {
    GatedQueue gated;
    config_.dispatcher = &gated;
    MediaDevice& d = Device();
    const std::string source = media_.File("song.mid");
    ASSERT_EQ(d.Open(MediaKind::Midi, source), mci::kPending);
    gated.WaitUntilHeld();  // the first piece is read, the copy waits
    ASSERT_TRUE(window_.cancel);
    window_.cancel();  // the window's Cancel, on this thread
    gated.Release();
    RunUntilOpened(gated.queue);
    EXPECT_EQ(Last().opened.back(), source);
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
    EXPECT_EQ(d.TemporaryFile(), "");
    EXPECT_EQ(window_.ended, 1);
}

TEST_F(MediaDeviceCopyTest, ACloseWhileCopyingDropsTheCopyAndItsOpen) {
    GatedQueue gated;
    config_.dispatcher = &gated;
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Midi, media_.File("song.mid")), mci::kPending);
    gated.WaitUntilHeld();
    gated.Release();
    // The copy may end before the close or be stopped by it: either way
    // nothing of it stays, and its open never ends.
    d.Close(MediaKind::Midi);
    EXPECT_FALSE(d.IsOpening(MediaKind::Midi));
    gated.queue.RunPending();
    EXPECT_TRUE(notices_.empty());
    EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
    EXPECT_EQ(window_.ended, 1);
    for (FakeBackend* b : backends_.made) EXPECT_TRUE(b->opened.empty());
}

TEST_F(MediaDeviceTest, DiscTracksLengthsAndTexts) {
    SetDisc({0, 20, 60}, 80);
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, "/dev/sr0"), 0);
    EXPECT_EQ(d.CdTrackCount(), 3);
    EXPECT_EQ(d.CdTotalLength(), 80);
    EXPECT_EQ(d.Length(MediaKind::Cd, 2), 40u);
    EXPECT_EQ(d.CdTrackLengthMs(1), 20000u);
    EXPECT_EQ(d.CdTrackLengthText(2, true), "00:40:00");
    EXPECT_EQ(d.CdTotalLengthText(true), "01:20:00");
    EXPECT_EQ(d.CdTotalLengthText(false), "012000");
    d.Close(MediaKind::Cd);
    EXPECT_EQ(d.CdTrackCount(), 0);
    EXPECT_EQ(d.CdTotalLength(), -1);
}

TEST_F(MediaDeviceTest, DiscPlaysOneTrackUnlessContinuous) {
    SetDisc({0, 20, 60}, 80);
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, "/dev/sr0"), 0);
    FakeBackend& b = Last();
    d.Play(MediaKind::Cd, 2, 3, false, true, false);
    EXPECT_EQ(b.play_from, 20000);
    EXPECT_EQ(b.play_to, 60000);
    EXPECT_EQ(d.CdLastTrack(), 3);
    d.Play(MediaKind::Cd, 3, 3, false, true, false);  // from >= to: to the end
    EXPECT_EQ(b.play_to, -1);
    d.SetCdContinuous(true);
    d.Play(MediaKind::Cd, 1, 3, false, true, false);
    EXPECT_EQ(b.play_from, 0);
    EXPECT_EQ(b.play_to, -1);
    EXPECT_EQ(d.Play(MediaKind::Cd, 7, 9, false, true, false), mci::kOutOfRange);
}

TEST_F(MediaDeviceTest, DiscPositionsAreTrackRelativeAndSeekKeepsTheTrack) {
    SetDisc({0, 20, 60}, 80);
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, "/dev/sr0"), 0);
    FakeBackend& b = Last();
    d.Play(MediaKind::Cd, 2, 3, false, true, false);
    b.position_ms = 23500;
    EXPECT_EQ(d.Position(MediaKind::Cd), 3u);
    EXPECT_EQ(d.CdPosition(), 2u | (0u << 8) | (3u << 16) | (37u << 24));

    EXPECT_EQ(d.Seek(MediaKind::Cd, 75), 0);  // 1:15 into track 2
    EXPECT_EQ(d.SeekTarget(), 2u | (1u << 8) | (15u << 16));
    EXPECT_EQ(b.seek_ms, 95000);
    EXPECT_EQ(b.stops, 1);
    d.Resume(MediaKind::Cd, true);
    EXPECT_EQ(b.play_from, 95000);
    EXPECT_EQ(b.play_to, -1);  // past the range's end: the last track is played out
    EXPECT_EQ(d.SeekTarget(), 0u);

    b.position_ms = 30000;
    d.Seek(MediaKind::Cd, 2);
    d.Resume(MediaKind::Cd, true);
    EXPECT_EQ(b.play_from, 22000);
    EXPECT_EQ(b.play_to, 60000);  // the range still ends after track 2
}

TEST_F(MediaDeviceTest, ADiscNeedsAnAudioTrackAmongItsFirstFive) {
    MediaDevice& d = Device();
    SetDisc({0, 10, 20, 30, 40, 50}, 60, 4);  // tracks 1-4 data, 5 audio
    EXPECT_EQ(d.Open(MediaKind::Cd, "/dev/sr0"), 0);
    SetDisc({0, 10, 20, 30, 40, 50}, 60, 5);  // only track 6 is audio
    EXPECT_EQ(d.Open(MediaKind::Cd, "/dev/sr0"), mci::kNoDevice);
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.CdTrackCount(), 0);
    // Opened shareable (for the tray), the disc is not read.
    EXPECT_EQ(d.Open(MediaKind::Cd, "/dev/sr0", nullptr, true), 0);
}

TEST_F(MediaDeviceTest, TrackCountsAreCappedAt99WithAMessageAndAbove200Mean0) {
    MediaDevice& d = Device();
    std::vector<int> starts;
    for (int i = 0; i < 150; ++i) starts.push_back(i * 2);
    SetDisc(starts, 400);
    ASSERT_EQ(d.Open(MediaKind::Cd, "/dev/sr0"), 0);
    EXPECT_EQ(d.CdTrackCount(), 99);
    ASSERT_EQ(prompt_.ids(), std::vector<int>{166});
    EXPECT_EQ(prompt_.asked()[0].text, "CDの曲数が限度(99曲)を超えました.\n99曲まで再生可能です.");

    for (int i = 150; i < 250; ++i) starts.push_back(i * 2);
    SetDisc(starts, 600);
    d.Open(MediaKind::Cd, "/dev/sr0");
    EXPECT_EQ(d.CdTrackCount(), 0);
    EXPECT_EQ(d.CdTotalLength(), -1);
    EXPECT_FALSE(d.IsOpen());
}

TEST_F(MediaDeviceTest, MoviesGoIntoTheProgramsFrameUnderTheOwner) {
    MediaDevice& d = Device();
    int owner = 0;
    ASSERT_EQ(d.Open(MediaKind::Movie, MediaFile("m.avi"), &owner), 0);
    ASSERT_EQ(windows_, 1);
    EXPECT_EQ(owners_.back(), &owner);
    EXPECT_EQ(Last().target_window, 0x4242u);
    EXPECT_EQ(d.MovieWindow(), last_window_);
    EXPECT_EQ(d.DefaultMovieSize().width, 320);
    EXPECT_EQ(last_window_->size.height, 240);
    d.PutDestination(MediaKind::Movie, {1, 2, 3, 4});
    EXPECT_EQ(last_window_->destination.right, 3);
    d.SetMovieCursor(true);
    EXPECT_TRUE(last_window_->busy);
    d.Play(MediaKind::Movie, 0, 0, false, true, false);
    EXPECT_TRUE(last_window_->playing);
    EXPECT_EQ(d.Step(MediaKind::Movie, 3, false), 0);
    EXPECT_EQ(Last().steps, 3);
    EXPECT_EQ(d.Step(MediaKind::Sound, 3, false), 0);
    d.Close(MediaKind::Movie);
    EXPECT_EQ(windows_, 0);
    EXPECT_EQ(d.MovieWindow(), nullptr);

    // Without an owner there is no frame and no picture.
    ASSERT_EQ(d.Open(MediaKind::Movie, MediaFile("n.avi")), 0);
    EXPECT_EQ(windows_, 0);
    EXPECT_EQ(Last().target_window, 0u);
}

TEST_F(MediaDeviceTest, AMovieThatLoadsInTheBackgroundGetsItsFrameWhenLoaded) {
    backends_.setup[MediaKind::Movie] = [](FakeBackend& b) { b.open_results = {mci::kPending, mci::kPending}; };
    backends_.setup[MediaKind::Sound] = [](FakeBackend& b) { b.open_results = {mci::kInvalidFile}; };
    MediaDevice& d = Device();
    int owner = 0;
    ASSERT_EQ(d.Open(MediaKind::Movie, MediaFile("m.avi"), &owner), mci::kPending);
    FakeBackend& movie = Last();
    EXPECT_TRUE(d.IsOpening(MediaKind::Movie));
    EXPECT_EQ(d.OpenResult(MediaKind::Movie), mci::kPending);
    EXPECT_EQ(windows_, 1);  // the frame waits, empty, for the picture
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(d.Play(MediaKind::Movie, 0, 0, false, true, false), mci::kInvalidDeviceId);
    // Another kind's failed open leaves the movie's frame and load alone.
    EXPECT_EQ(d.Open(MediaKind::Sound, MediaFile("bad.wav")), mci::kInvalidFile);
    EXPECT_EQ(windows_, 1);
    EXPECT_TRUE(d.IsOpening(MediaKind::Movie));

    movie.video_size = {640, 480};
    movie.CompleteOpen(0);
    EXPECT_FALSE(d.IsOpening(MediaKind::Movie));
    EXPECT_EQ(d.OpenResult(MediaKind::Movie), 0);
    EXPECT_TRUE(d.IsOpen());
    EXPECT_EQ(last_window_->size.width, 640);
    EXPECT_EQ(notices_, (std::vector<std::pair<MediaKind, int>>{{MediaKind::Movie, kNotifyOpened}}));
    d.Close(MediaKind::Movie);

    // A failed load takes its frame with it; a late end after Close is lost.
    ASSERT_EQ(d.Open(MediaKind::Movie, MediaFile("n.avi"), &owner), mci::kPending);
    movie.CompleteOpen(mci::kInvalidFile);
    EXPECT_EQ(d.OpenResult(MediaKind::Movie), mci::kInvalidFile);
    EXPECT_EQ(windows_, 0);
    EXPECT_FALSE(d.IsOpen());
    ASSERT_EQ(d.Open(MediaKind::Movie, MediaFile("o.avi"), &owner), 0);
    d.Close(MediaKind::Movie);
    movie.CompleteOpen(0);
    EXPECT_FALSE(d.IsOpen());
    EXPECT_EQ(notices_.size(), 2u);
}

TEST_F(MediaDeviceTest, MidiQueriesAnswerZeroWhenNothingIsOpen) {
    MediaDevice& d = Device();
    EXPECT_EQ(d.GetTempo(), 0);
    EXPECT_EQ(d.SongPosition(), 0u);
    EXPECT_EQ(d.Position(MediaKind::Midi), 0u);
    ASSERT_EQ(d.Open(MediaKind::Midi, MediaFile("a.mid")), 0);
    EXPECT_EQ(d.GetTempo(), 120);
    EXPECT_EQ(d.SongPosition(), 42u);
    std::vector<std::string> ports{"Synth:Port 1"};
    d.ListMidiPorts(ports);
    EXPECT_EQ(ports, (std::vector<std::string>{"Synth:Port 1", "MIDIﾏｯﾊﾟｰ(標準)"}));
    EXPECT_EQ(d.SelectMidiPort("Synth:Port 1"), "Synth:Port 1");
    d.SetAudio(MediaKind::Midi, false);
    EXPECT_FALSE(Last().audio);
}

TEST_F(MediaDeviceTest, TheSongsModeIsTheOpenSongsAndItsNoticesAreTakenOnce) {
    MediaDevice& d = Device();
    EXPECT_EQ(d.MidiSongMode(), "");
    EXPECT_TRUE(d.TakeMidiSongNotices().empty());
    backends_.setup[MediaKind::Midi] = [](FakeBackend& b) {
        b.song_mode = "XG";
        b.open_results = {mci::kCannotLoadDriver, 0};
        b.song_notices = {"ｻｳﾝﾄﾞﾌｫﾝﾄを読めません: /broken.sf2"};
    };
    // An open that failed still tells why.
    EXPECT_NE(d.Open(MediaKind::Midi, MediaFile("a.mid")), 0);
    EXPECT_EQ(d.MidiSongMode(), "");
    EXPECT_EQ(d.TakeMidiSongNotices(), std::vector<std::string>{"ｻｳﾝﾄﾞﾌｫﾝﾄを読めません: /broken.sf2"});
    EXPECT_TRUE(d.TakeMidiSongNotices().empty());
    ASSERT_EQ(d.Open(MediaKind::Midi, MediaFile("b.mid")), 0);
    EXPECT_EQ(d.MidiSongMode(), "XG");
    d.Close(MediaKind::Midi);
    EXPECT_EQ(d.MidiSongMode(), "");
}

// The level hook: asked once an item has opened, with the item as the
// caller named it; what it answers goes to the back end.
class MediaDeviceLevelTest : public MediaDeviceTest {
protected:
    void SetUp() override {
        hooks_.level_gain = [this](const LevelQuery& q) {
            queries_.push_back(q);
            return answer_;
        };
    }
    std::vector<LevelQuery> queries_;
    double answer_ = -4.5;
};

TEST_F(MediaDeviceLevelTest, FilesGetTheirGainWhenTheyHaveOpened) {
    MediaDevice& d = Device();
    const std::string song = MediaFile("a.mid");
    ASSERT_EQ(d.Open(MediaKind::Midi, song), 0);
    ASSERT_EQ(queries_.size(), 1u);
    EXPECT_EQ(queries_[0].kind, MediaKind::Midi);
    EXPECT_EQ(queries_[0].path, song);
    EXPECT_EQ(queries_[0].track, 0);
    EXPECT_EQ(Last().level_gains, std::vector<double>{-4.5});

    answer_ = 7.25;
    const std::string sound = MediaFile("b.wav");
    ASSERT_EQ(d.Open(MediaKind::Sound, sound), 0);
    ASSERT_EQ(queries_.size(), 2u);
    EXPECT_EQ(queries_[1].kind, MediaKind::Sound);
    EXPECT_EQ(queries_[1].path, sound);
    EXPECT_EQ(Last().level_gains, std::vector<double>{7.25});
    // Playing asks nothing more: the gain stays with the open item.
    d.Play(MediaKind::Sound, 0, 0, false, false, false);
    EXPECT_EQ(queries_.size(), 2u);
}

TEST_F(MediaDeviceLevelTest, ABackgroundOpenIsAskedWhenItEndsAndAFailedOneNever) {
    backends_.setup[MediaKind::Movie] = [](FakeBackend& b) { b.open_results = {mci::kPending, mci::kPending}; };
    MediaDevice& d = Device();
    int owner = 0;
    const std::string movie = MediaFile("m.avi");
    ASSERT_EQ(d.Open(MediaKind::Movie, movie, &owner), mci::kPending);
    FakeBackend& b = Last();
    EXPECT_TRUE(queries_.empty());
    b.CompleteOpen(0);
    ASSERT_EQ(queries_.size(), 1u);
    EXPECT_EQ(queries_[0].kind, MediaKind::Movie);
    EXPECT_EQ(queries_[0].path, movie);
    EXPECT_EQ(b.level_gains, std::vector<double>{-4.5});

    ASSERT_EQ(d.Open(MediaKind::Movie, MediaFile("n.avi"), &owner), mci::kPending);
    b.CompleteOpen(mci::kInvalidFile);
    EXPECT_EQ(queries_.size(), 1u);
    backends_.setup[MediaKind::Sound] = [](FakeBackend& fb) { fb.open_results = {mci::kInvalidFile}; };
    EXPECT_NE(d.Open(MediaKind::Sound, MediaFile("bad.wav")), 0);
    EXPECT_EQ(queries_.size(), 1u);
}

TEST_F(MediaDeviceLevelTest, ACopiedItemIsAskedAboutByItsOwnPath) {
    config_.file_copy.used = true;
    config_.copy_from = [](const std::string&) { return true; };
    MediaDevice& d = Device();
    const std::string sound = MediaFile("far.wav");
    ASSERT_EQ(d.Open(MediaKind::Sound, sound), 0);
    ASSERT_FALSE(d.TemporaryFile().empty());
    EXPECT_EQ(Last().opened, std::vector<std::string>{d.TemporaryFile()});
    ASSERT_EQ(queries_.size(), 1u);
    EXPECT_EQ(queries_[0].path, sound);
}

TEST_F(MediaDeviceLevelTest, EachCdTrackIsAskedWhenItStarts) {
    SetDisc({0, 20, 60}, 80);
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, "/images/disc.cue"), 0);
    FakeBackend& b = Last();
    EXPECT_TRUE(queries_.empty());  // no track plays yet
    answer_ = 3.0;
    d.Play(MediaKind::Cd, 2, 3, false, true, false);
    answer_ = -2.0;
    d.Play(MediaKind::Cd, 3, 3, false, true, false);
    ASSERT_EQ(queries_.size(), 2u);
    EXPECT_EQ(queries_[0].kind, MediaKind::Cd);
    EXPECT_EQ(queries_[0].path, "/images/disc.cue");
    EXPECT_EQ(queries_[0].track, 2);
    EXPECT_EQ(queries_[1].track, 3);
    // An image is told by its path.
    EXPECT_EQ(queries_[0].disc, "");
    EXPECT_EQ(b.level_gains, (std::vector<double>{3.0, -2.0}));
    // Going on where it stands keeps the track's gain; a track that is not
    // on the disc asks nothing.
    d.Pause(MediaKind::Cd);
    d.Resume(MediaKind::Cd, false);
    EXPECT_EQ(d.Play(MediaKind::Cd, 7, 9, false, true, false), mci::kOutOfRange);
    EXPECT_EQ(queries_.size(), 2u);
}

TEST_F(MediaDeviceLevelTest, ADiscInADriveIsToldByItsTableOfContents) {
    SetDisc({0, 20, 60}, 80);
    backends_.setup[MediaKind::Cd] = [fill = backends_.setup[MediaKind::Cd]](FakeBackend& b) {
        fill(b);
        b.image = false;
    };
    MediaDevice& d = Device();
    ASSERT_EQ(d.Open(MediaKind::Cd, "/dev/sr0"), 0);
    d.Play(MediaKind::Cd, 1, 3, false, true, false);
    ASSERT_EQ(queries_.size(), 1u);
    EXPECT_EQ(queries_[0].path, "/dev/sr0");
    EXPECT_EQ(queries_[0].track, 1);
    // Track starts at 0, 20 and 60 s (75 sectors a second), lead-out at 80 s.
    EXPECT_EQ(queries_[0].disc, "0 1500 4500 6000");
}

}  // namespace
}  // namespace nuko::playback
