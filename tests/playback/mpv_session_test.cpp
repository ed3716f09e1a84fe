// Loads and seeks that do not end: a named pipe nobody writes to, on which
// libmpv's reader waits for ever, and an item that comes through a stream
// whose reads stall (as a scratched disc or a hung network share does), so
// libmpv never gets to a seek's target.
#include <mpv/client.h>
#include <mpv/stream_cb.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <chrono>
#include <cstring>
#include <functional>
#include <vector>
#include <mutex>

#include "playback/media_errors.h"
#include "media_fixtures.h"
#include "playback/mpv_session.h"
#include "manual_clock.h"
#include "test_support.h"
#include "nuko/dispatch.h"

namespace nuko::playback {
namespace {

// The bytes of one file, served to libmpv's demuxer thread; while the gate
// is shut every read and seek waits.
struct StallingSource {
    std::string bytes;
    std::mutex mutex;
    std::condition_variable changed;
    bool shut = false;
    bool cancelled = false;
    int waiting = 0;  // calls held at the gate

    void Shut() {
        std::lock_guard lock(mutex);
        shut = true;
    }
    void Open() {
        std::lock_guard lock(mutex);
        shut = false;
        changed.notify_all();
    }
    // False when the stream was cancelled while it waited.
    bool Pass(std::unique_lock<std::mutex>& lock) {
        ++waiting;
        changed.notify_all();
        changed.wait(lock, [this] { return !shut || cancelled; });
        --waiting;
        return !cancelled;
    }
    bool WaitUntilHeld() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30), [this] { return waiting > 0; });
    }
};

struct Reader {
    StallingSource* source;
    std::int64_t pos = 0;
};

std::int64_t Read(void* cookie, char* buf, std::uint64_t n) {
    auto* r = static_cast<Reader*>(cookie);
    std::unique_lock lock(r->source->mutex);
    if (!r->source->Pass(lock)) return -1;
    const std::string& b = r->source->bytes;
    if (r->pos >= static_cast<std::int64_t>(b.size())) return 0;
    std::size_t count = std::min<std::size_t>(n, b.size() - static_cast<std::size_t>(r->pos));
    std::memcpy(buf, b.data() + r->pos, count);
    r->pos += static_cast<std::int64_t>(count);
    return static_cast<std::int64_t>(count);
}

std::int64_t SeekTo(void* cookie, std::int64_t offset) {
    auto* r = static_cast<Reader*>(cookie);
    std::unique_lock lock(r->source->mutex);
    if (!r->source->Pass(lock)) return MPV_ERROR_GENERIC;
    if (offset < 0 || offset > static_cast<std::int64_t>(r->source->bytes.size())) return MPV_ERROR_GENERIC;
    r->pos = offset;
    return offset;
}

std::int64_t Size(void* cookie) { return static_cast<std::int64_t>(static_cast<Reader*>(cookie)->source->bytes.size()); }

void Cancel(void* cookie) {
    auto* s = static_cast<Reader*>(cookie)->source;
    std::lock_guard lock(s->mutex);
    s->cancelled = true;
    s->changed.notify_all();
}

void Close(void* cookie) { delete static_cast<Reader*>(cookie); }

int OpenStream(void* user_data, char*, mpv_stream_cb_info* info) {
    info->cookie = new Reader{static_cast<StallingSource*>(user_data)};
    info->read_fn = Read;
    info->seek_fn = SeekTo;
    info->size_fn = Size;
    info->cancel_fn = Cancel;
    info->close_fn = Close;
    return 0;
}

using namespace std::chrono_literals;

class MpvLoadTest : public ::testing::Test {
protected:
    MpvLoadTest() {
        MpvOptions o;
        o.untimed = true;
        o.clock = &clock_;
        session_ = std::make_unique<MpvSession>(queue_, o);
    }
    std::string DeadFile() {
        std::string path = dir_.File("dead.wav");
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        return path;
    }
    std::string Wav(const std::string& name, double seconds) {
        test::WriteBytes(dir_.File(name), test::MakeWav(seconds));
        return dir_.File(name);
    }
    MpvSession::LoadHandler Record(std::vector<int>* results) {
        return [results](int r) { results->push_back(r); };
    }
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
        return test::PollUntil(
            [&] {
                queue_.RunPending();
                session_->Poll();
                return done();
            },
            limit, 5ms);
    }
    void RunFor(std::chrono::milliseconds time) {
        RunUntil([] { return false; }, time);
    }

    test::TempDir dir_;
    test::ManualClock clock_;
    CallQueue queue_;
    std::unique_ptr<MpvSession> session_;
    std::vector<int> results_;
};

TEST_F(MpvLoadTest, ALoadThatNeverEndsReturnsAtOnceAndUnloadDropsIt) {
    auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(session_->Load(DeadFile(), {}, Record(&results_)), mci::kPending);
    EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
    EXPECT_TRUE(session_->loading());
    EXPECT_FALSE(session_->loaded());
    EXPECT_EQ(session_->Mode(), DeviceMode::NotReady);
    EXPECT_EQ(session_->Play(0), mci::kInvalidDeviceId);
    EXPECT_EQ(session_->Seek(1), mci::kInvalidDeviceId);
    RunFor(300ms);
    EXPECT_TRUE(session_->loading());

    began = std::chrono::steady_clock::now();
    session_->Unload();
    EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
    EXPECT_FALSE(session_->loading());
    RunFor(200ms);
    EXPECT_TRUE(results_.empty());
}

TEST_F(MpvLoadTest, ALoadThatNeverEndsFailsWhenItsTimeRunsOut) {
    ASSERT_EQ(session_->Load(DeadFile(), {}, Record(&results_)), mci::kPending);
    clock_.Advance(19900);
    RunFor(200ms);
    EXPECT_TRUE(results_.empty());
    clock_.Advance(100);
    ASSERT_TRUE(RunUntil([&] { return !results_.empty(); }));
    EXPECT_EQ(results_, std::vector<int>{mci::kDeviceNotReady});
    EXPECT_FALSE(session_->loading());
    EXPECT_FALSE(session_->loaded());
    EXPECT_FALSE(session_->last_error().empty());
}

TEST_F(MpvLoadTest, TheEndOfALoadAfterUnloadOrAnotherLoadIsDropped) {
    const std::string first = Wav("first.wav", 1.0);
    // libmpv has loaded the file and woken the queue, which has not run.
    ASSERT_EQ(session_->Load(first, {}, Record(&results_)), mci::kPending);
    ASSERT_TRUE(test::PollUntil([&] { return !queue_.empty(); }, 30s));
    session_->Unload();
    RunFor(200ms);
    EXPECT_TRUE(results_.empty());

    std::vector<int> second;
    ASSERT_EQ(session_->Load(first, {}, Record(&results_)), mci::kPending);
    ASSERT_TRUE(test::PollUntil([&] { return !queue_.empty(); }, 30s));
    ASSERT_EQ(session_->Load(Wav("second.wav", 3.0), {}, Record(&second)), mci::kPending);
    ASSERT_TRUE(RunUntil([&] { return !second.empty(); }));
    RunFor(200ms);
    EXPECT_TRUE(results_.empty());
    EXPECT_EQ(second, std::vector<int>{mci::kOk});
    EXPECT_TRUE(session_->loaded());
    EXPECT_NEAR(session_->Duration(), 3.0, 0.1);
}

class MpvSeekTimeoutTest : public ::testing::Test {
protected:
    MpvSeekTimeoutTest() {
        source_.bytes = test::MakeWav(60.0);
        MpvOptions o;
        o.untimed = true;
        o.seek_timeout_s = 1.0;
        o.clock = &clock_;
        o.extra.emplace_back("cache", "no");
        o.extra.emplace_back("demuxer-readahead-secs", "1");
        session_ = std::make_unique<MpvSession>(queue_, o);
        session_->on_end = [this](EndReason reason) { ends_.push_back(reason); };
    }
    ~MpvSeekTimeoutTest() override {
        source_.Open();  // nothing may still wait when the player goes
        session_.reset();
    }
    // Loads, running the queue until the load has ended; its result.
    int Load() {
        int result = mci::kPending;
        int r = session_->Load(
            "stall://tone.wav", [this](mpv_handle* h) { mpv_stream_cb_add_ro(h, "stall", &source_, OpenStream); },
            [&result](int done) { result = done; });
        if (r != mci::kPending) return r;
        RunUntil([&] { return result != mci::kPending; });
        return result;
    }
    bool RunUntil(const std::function<bool()>& done) {
        return test::PollUntil(
            [&] {
                queue_.RunPending();
                session_->Poll();
                return done();
            },
            std::chrono::seconds(30), std::chrono::milliseconds(5));
    }
    // Runs the queue until the seek under way has ended, on time or not.
    bool SeekEnds() {
        return RunUntil([&] { return session_->Mode() != DeviceMode::Seeking; });
    }
    // Lets the seek's time run out while the stream stays stalled.
    void RunOutOfTime() {
        EXPECT_TRUE(source_.WaitUntilHeld());  // the player is stuck in the stream
        clock_.Advance(1001);
    }

    StallingSource source_;
    test::ManualClock clock_;
    CallQueue queue_;
    std::unique_ptr<MpvSession> session_;
    std::vector<EndReason> ends_;
};

TEST_F(MpvSeekTimeoutTest, ASeekThatNeverArrivesIsAnError) {
    ASSERT_EQ(Load(), mci::kOk) << session_->last_error();
    ASSERT_EQ(session_->Seek(2.0), mci::kOk);  // the stream still flows
    ASSERT_TRUE(SeekEnds());
    EXPECT_FALSE(session_->seek_failed()) << session_->last_error();

    source_.Shut();
    // The seek begins at once, however long the player is stuck.
    ASSERT_EQ(session_->Seek(50.0), mci::kOk);
    EXPECT_EQ(session_->Mode(), DeviceMode::Seeking);
    RunOutOfTime();
    ASSERT_TRUE(SeekEnds());
    EXPECT_TRUE(session_->seek_failed());
    EXPECT_FALSE(session_->last_error().empty());
    EXPECT_NE(session_->Mode(), DeviceMode::Playing);
    // A play from a point it cannot reach does not start: it ends failed.
    ASSERT_EQ(session_->Play(40.0), mci::kOk);
    RunOutOfTime();
    ASSERT_TRUE(RunUntil([&] { return !ends_.empty(); }));
    EXPECT_EQ(ends_, std::vector<EndReason>{EndReason::Failure});
    EXPECT_NE(session_->Mode(), DeviceMode::Playing);

    // Once the stream flows again the item seeks as before.
    source_.Open();
    ASSERT_EQ(session_->Seek(30.0), mci::kOk);
    ASSERT_TRUE(SeekEnds());
    EXPECT_FALSE(session_->seek_failed()) << session_->last_error();
    EXPECT_NEAR(session_->Position(), 30.0, 0.5);
}

TEST_F(MpvSeekTimeoutTest, UnloadingWhileTheStreamStallsDoesNotHang) {
    ASSERT_EQ(Load(), mci::kOk) << session_->last_error();
    source_.Shut();
    ASSERT_EQ(session_->Seek(45.0), mci::kOk);
    RunOutOfTime();
    ASSERT_TRUE(SeekEnds());
    EXPECT_TRUE(session_->seek_failed());
    // libmpv cancels the waiting read as it shuts the player down.
    session_->Unload();
    EXPECT_FALSE(session_->loaded());
}

}  // namespace
}  // namespace nuko::playback
