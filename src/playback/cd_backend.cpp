#include "cd_backend.h"

#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "media_errors.h"

namespace nuko::playback {

// The sectors one play reads: [first, end) of the disc.
struct CdRange {
    std::shared_ptr<cd::DiscSource> disc;
    std::int32_t first = 0;
    std::int32_t end = 0;
    std::atomic<bool> failed{false};
};

namespace {

constexpr int kReadSectors = 16;
constexpr const char* kProtocol = "nukocd";

// One stream opened by libmpv on a Range; it reads on libmpv's demuxer
// thread.
struct CdStream {
    CdRange* range = nullptr;
    std::int64_t pos = 0;  // bytes from the range's first sector
    std::int32_t cached_lsn = -1000000;
    int cached_count = 0;
    std::vector<char> cache = std::vector<char>(kReadSectors * cd::kSectorBytes);
};

std::int64_t StreamSize(void* cookie) {
    auto* s = static_cast<CdStream*>(cookie);
    return static_cast<std::int64_t>(s->range->end - s->range->first) * cd::kSectorBytes;
}

std::int64_t StreamRead(void* cookie, char* buf, std::uint64_t nbytes) {
    auto* s = static_cast<CdStream*>(cookie);
    std::int64_t size = StreamSize(cookie);
    if (s->pos >= size || nbytes == 0) return 0;
    std::int32_t lsn = s->range->first + static_cast<std::int32_t>(s->pos / cd::kSectorBytes);
    if (lsn < s->cached_lsn || lsn >= s->cached_lsn + s->cached_count) {
        int count = std::min<std::int32_t>(kReadSectors, s->range->end - lsn);
        // A drive may stumble once; a second failure ends the play.
        if (!s->range->disc->ReadAudio(lsn, count, s->cache.data()) &&
            !s->range->disc->ReadAudio(lsn, count, s->cache.data())) {
            s->range->failed = true;
            return -1;
        }
        s->cached_lsn = lsn;
        s->cached_count = count;
    }
    std::int64_t offset = s->pos - static_cast<std::int64_t>(s->cached_lsn - s->range->first) * cd::kSectorBytes;
    std::int64_t avail = static_cast<std::int64_t>(s->cached_count) * cd::kSectorBytes - offset;
    std::int64_t n = std::min<std::int64_t>(avail, static_cast<std::int64_t>(nbytes));
    std::memcpy(buf, s->cache.data() + offset, static_cast<std::size_t>(n));
    s->pos += n;
    return n;
}

std::int64_t StreamSeek(void* cookie, std::int64_t offset) {
    auto* s = static_cast<CdStream*>(cookie);
    if (offset < 0 || offset > StreamSize(cookie)) return MPV_ERROR_GENERIC;
    s->pos = offset;
    return offset;
}

void StreamClose(void* cookie) { delete static_cast<CdStream*>(cookie); }

int StreamOpen(void* user_data, char*, mpv_stream_cb_info* info) {
    auto* stream = new CdStream;
    stream->range = static_cast<CdRange*>(user_data);
    info->cookie = stream;
    info->read_fn = StreamRead;
    info->seek_fn = StreamSeek;
    info->size_fn = StreamSize;
    info->close_fn = StreamClose;
    return 0;
}

MpvOptions WithRawAudio(MpvOptions options) {
    options.video = false;
    options.extra.emplace_back("demuxer", "rawaudio");
    options.extra.emplace_back("demuxer-rawaudio-format", "s16le");
    options.extra.emplace_back("demuxer-rawaudio-rate", "44100");
    options.extra.emplace_back("demuxer-rawaudio-channels", "2");
    return options;
}

}  // namespace

CdBackend::CdBackend(Dispatcher& dispatcher, MpvOptions options)
    : dispatcher_(dispatcher), session_(dispatcher, WithRawAudio(std::move(options))) {
    session_.end_was_clean = [this] { return !(range_ && range_->failed); };
    session_.on_end = [this](EndReason reason) {
        if (range_) position_ms_ = LsnToMs(range_->end);
        state_ = State::Stopped;
        session_.Unload();
        NotifyEnd(reason);
    };
}

CdBackend::~CdBackend() {
    alive_.reset();
    Close();
}

std::int32_t CdBackend::MsToLsn(std::int64_t ms) const {
    return disc_->Toc().tracks.front().start + static_cast<std::int32_t>(cd::MsToFrames(ms));
}

std::int64_t CdBackend::LsnToMs(std::int32_t lsn) const {
    return cd::FramesToMs(lsn - disc_->Toc().tracks.front().start);
}

int CdBackend::Open(const std::string& path) {
    Close();
    last_error_.clear();
    std::string error;
    auto disc = cd::OpenDisc(path, &error);
    if (!disc) {
        last_error_ = error;
        if (!cd::IsDiscImagePath(path)) return mci::kDeviceNotReady;
        return error.find("No such file") != std::string::npos || error == "no such drive or image"
                   ? mci::kFileNotFound
                   : mci::kInvalidFile;
    }
    disc_ = std::move(disc);
    position_ms_ = 0;
    state_ = State::Stopped;
    return mci::kOk;
}

void CdBackend::Close() {
    ++serial_;
    session_.Unload();
    range_.reset();
    disc_.reset();
    state_ = State::Stopped;
}

int CdBackend::Play(std::int64_t from_ms, std::int64_t to_ms) {
    if (!disc_) return mci::kInvalidDeviceId;
    const cd::DiscToc& toc = disc_->Toc();
    std::int64_t from = from_ms >= 0 ? from_ms : HeldOrLivePosition();
    std::int32_t first = std::clamp(MsToLsn(from), toc.tracks.front().start, toc.leadout);
    std::int32_t end = to_ms >= 0 ? std::clamp(MsToLsn(to_ms), first, toc.leadout) : toc.leadout;
    // A data track ends the music.
    end = std::min(end, toc.AudioEndAfter(first));
    // A paused play of the same range goes on where it stands.
    if (state_ == State::Paused && from_ms < 0 && range_ && session_.loaded() && range_->end == end) {
        int r = session_.Play(-1);
        if (r == mci::kOk) state_ = State::Playing;
        return r;
    }
    session_.Unload();
    range_.reset();
    ++serial_;
    position_ms_ = LsnToMs(first);
    if (first >= end) {
        // Nothing left to play: the play completes at once.
        state_ = State::Stopped;
        std::weak_ptr<int> alive = alive_;
        std::uint64_t serial = serial_;
        dispatcher_.Post([alive, this, serial] {
            if (!alive.expired() && serial == serial_) NotifyEnd(EndReason::Success);
        });
        return mci::kOk;
    }
    range_ = std::make_unique<CdRange>();
    range_->disc = disc_;
    range_->first = first;
    range_->end = end;
    CdRange* range = range_.get();
    load_error_ = 0;
    int r = session_.Load(
        std::string(kProtocol) + "://disc",
        [range](mpv_handle* h) { mpv_stream_cb_add_ro(h, kProtocol, range, StreamOpen); },
        [this](int result) { OnLoaded(result); });
    if (r != mci::kPending) {
        last_error_ = session_.last_error();
        range_.reset();
        return r;
    }
    // Playing from the caller's view: the sound starts once the player has
    // loaded the range.
    state_ = State::Playing;
    return mci::kOk;
}

void CdBackend::OnLoaded(int result) {
    if (result == mci::kOk && muted_) session_.SetMute(true);
    if (result == mci::kOk && state_ == State::Playing) result = session_.Play(-1);
    if (result == mci::kOk) return;  // playing, or held where a pause left it
    load_error_ = result;
    last_error_ = session_.last_error();
    session_.Unload();
    range_.reset();
    state_ = State::Stopped;
    NotifyEnd(EndReason::Failure);
}

std::int64_t CdBackend::HeldOrLivePosition() {
    if (session_.loaded() && range_) return LsnToMs(range_->first) + std::llround(session_.Position() * 1000.0);
    return position_ms_;
}

int CdBackend::Pause() {
    if (!disc_) return mci::kInvalidDeviceId;
    ++serial_;
    if (state_ == State::Playing) session_.Pause();
    state_ = State::Paused;
    return mci::kOk;
}

int CdBackend::Stop() {
    if (!disc_) return mci::kInvalidDeviceId;
    ++serial_;
    position_ms_ = HeldOrLivePosition();
    session_.Unload();
    range_.reset();
    state_ = State::Stopped;
    return mci::kOk;
}

int CdBackend::Seek(std::int64_t ms) {
    if (!disc_) return mci::kInvalidDeviceId;
    Stop();
    position_ms_ = std::clamp<std::int64_t>(ms, 0, LengthMs());
    return mci::kOk;
}

int CdBackend::WaitForEnd() {
    if (!disc_) return mci::kInvalidDeviceId;
    if (state_ != State::Playing) return mci::kOk;
    session_.WaitForLoad();
    if (state_ != State::Playing) return load_error_;
    int r = session_.WaitForEnd();
    if (range_) position_ms_ = LsnToMs(range_->end);
    if (range_ && range_->failed) r = mci::kFileRead;
    session_.Unload();
    range_.reset();
    state_ = State::Stopped;
    return r;
}

std::int64_t CdBackend::PositionMs() { return disc_ ? HeldOrLivePosition() : 0; }

std::int64_t CdBackend::LengthMs() { return disc_ ? cd::FramesToMs(disc_->Toc().DiscFrames()) : 0; }

DeviceMode CdBackend::Mode() {
    if (!disc_) return DeviceMode::NotReady;
    switch (state_) {
        case State::Playing: return DeviceMode::Playing;
        case State::Paused: return DeviceMode::Paused;
        case State::Stopped: break;
    }
    return DeviceMode::Stopped;
}

bool CdBackend::MediaPresent() { return disc_ && disc_->MediaPresent(); }

void CdBackend::SetAudio(bool on) {
    muted_ = !on;
    session_.SetMute(muted_);
}

std::string CdBackend::ErrorText(int error) const {
    return DeviceErrorText(error, last_error_.empty() ? session_.last_error() : last_error_);
}

}  // namespace nuko::playback
