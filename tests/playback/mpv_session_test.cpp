// A seek that cannot arrive: the item comes through a stream whose reads
// stall (as a scratched disc or a hung network share does), so libmpv never
// gets to the target.
#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "playback/media_errors.h"
#include "media_fixtures.h"
#include "playback/mpv_session.h"
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

class MpvSeekTimeoutTest : public ::testing::Test {
protected:
    MpvSeekTimeoutTest() {
        source_.bytes = test::MakeWav(60.0);
        MpvOptions o;
        o.untimed = true;
        o.seek_timeout_s = 1.0;
        o.extra.emplace_back("cache", "no");
        o.extra.emplace_back("demuxer-readahead-secs", "1");
        session_ = std::make_unique<MpvSession>(queue_, o);
    }
    ~MpvSeekTimeoutTest() override {
        source_.Open();  // nothing may still wait when the player goes
        session_.reset();
    }
    int Load() {
        return session_->Load("stall://tone.wav", [this](mpv_handle* h) {
            mpv_stream_cb_add_ro(h, "stall", &source_, OpenStream);
        });
    }

    StallingSource source_;
    CallQueue queue_;
    std::unique_ptr<MpvSession> session_;
};

TEST_F(MpvSeekTimeoutTest, ASeekThatNeverArrivesIsAnError) {
    ASSERT_EQ(Load(), mci::kOk) << session_->last_error();
    ASSERT_EQ(session_->Seek(2.0), mci::kOk);  // the stream still flows

    source_.Shut();
    EXPECT_NE(session_->Seek(50.0), mci::kOk);
    EXPECT_TRUE(source_.WaitUntilHeld());  // the player is stuck in the stream
    EXPECT_FALSE(session_->last_error().empty());
    EXPECT_NE(session_->Mode(), DeviceMode::Playing);
    // A play from a point it cannot reach does not start.
    EXPECT_NE(session_->Play(40.0), mci::kOk);
    EXPECT_NE(session_->Mode(), DeviceMode::Playing);

    // Once the stream flows again the item seeks as before.
    source_.Open();
    EXPECT_EQ(session_->Seek(30.0), mci::kOk) << session_->last_error();
    EXPECT_NEAR(session_->Position(), 30.0, 0.5);
}

TEST_F(MpvSeekTimeoutTest, UnloadingWhileTheStreamStallsDoesNotHang) {
    ASSERT_EQ(Load(), mci::kOk) << session_->last_error();
    source_.Shut();
    EXPECT_NE(session_->Seek(45.0), mci::kOk);
    // libmpv cancels the waiting read as it shuts the player down.
    session_->Unload();
    EXPECT_FALSE(session_->loaded());
}

}  // namespace
}  // namespace nuko::playback
