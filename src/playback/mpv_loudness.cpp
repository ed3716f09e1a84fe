// A sound file's or movie's loudness through libmpv. libmpv has no call
// that hands the decoded sound to its client, so the measurement plays the
// item into its raw PCM output, written to a pipe of ours (named through
// /dev/fd, so no file is ever made) that this thread reads. The output runs
// untimed: the pass goes as fast as the decoder does.
#include <fcntl.h>
#include <mpv/client.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstring>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "mpv_loudness.h"
#include "nuko/files.h"

namespace nuko::playback {
namespace {

constexpr unsigned kRate = 48000;
constexpr std::size_t kFrameBytes = 2 * sizeof(float);
constexpr int kPollMs = 20;
// A pass in which nothing moves for this long has stalled (a dead network
// share): it fails rather than hold the worker.
constexpr auto kStallLimit = std::chrono::seconds(30);

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end == text.data() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string Property(mpv_handle* h, const char* name) {
    char* v = mpv_get_property_string(h, name);
    std::string out = v ? v : "";
    mpv_free(v);
    return out;
}

bool HasAudioTrack(mpv_handle* h) {
    std::int64_t count = 0;
    if (mpv_get_property(h, "track-list/count", MPV_FORMAT_INT64, &count) < 0) return false;
    for (std::int64_t i = 0; i < count; ++i)
        if (Property(h, ("track-list/" + std::to_string(i) + "/type").c_str()) == "audio") return true;
    return false;
}

// The read end of the pipe libmpv's output writes to; both ends close with it.
struct Pipe {
    int read_fd = -1;
    int write_fd = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        read_fd = fds[0];
        write_fd = fds[1];
        ::fcntl(read_fd, F_SETFL, ::fcntl(read_fd, F_GETFL) | O_NONBLOCK);
    }
    ~Pipe() {
        if (read_fd >= 0) ::close(read_fd);
        if (write_fd >= 0) ::close(write_fd);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
};

// One measurement. A thread of its own drains the pipe into the meter all
// the while, so that the output never blocks on a full pipe and this
// thread may make libmpv's synchronous calls, which wait for the output.
class Pass {
public:
    explicit Pass(const LoudnessRequest& request) : request_(request), meter_(2, kRate) {}
    ~Pass() { Shut(); }

    bool Run(level::Loudness* out, std::string* error);

private:
    bool Start();
    // The reader thread: what the pipe holds goes into the meter (up to the
    // limit) until the player has gone and the pipe is empty.
    void ReadSound();
    // Takes `bytes` of sound from the buffer's start into the meter.
    void Take(std::size_t bytes);
    // Handles libmpv's events for up to `timeout_s`; false once the pass
    // is over.
    bool HandleEvents(double timeout_s);
    // Ends the player, then the reader once it has read the last of it.
    void Shut();
    bool Fail(std::string why) {
        error_ = std::move(why);
        done_ = true;
        return false;
    }
    std::string Unreadable() const {
        return "ﾌｧｲﾙの音声を読めません: " + request_.path + (mpv_error_.empty() ? "" : " (" + mpv_error_ + ")");
    }

    const LoudnessRequest& request_;
    Pipe pipe_;
    mpv_handle* handle_ = nullptr;
    std::thread reader_;
    std::atomic<bool> player_gone_{false};
    // Counts reads, so that a pass in which nothing moves shows.
    std::atomic<std::uint64_t> reads_{0};
    std::atomic<bool> limit_reached_{false};
    // The reader thread's alone until it is joined.
    level::LoudnessMeter meter_;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    std::size_t held_ = 0;  // bytes of an incomplete frame at the buffer's start
    std::vector<float> frames_;
    // This thread's.
    std::optional<level::Loudness> tagged_;
    bool done_ = false;
    std::string error_;
    std::string mpv_error_;
};

bool Pass::Start() {
    if (pipe_.read_fd < 0) return Fail("音量を測る準備ができません (pipe)");
    if (!meter_.ok()) return Fail("音量を測れません (libebur128)");
    // libmpv refuses to start under a locale whose decimal point is not ".".
    std::setlocale(LC_NUMERIC, "C");
    handle_ = mpv_create();
    if (!handle_) return Fail("libmpv を起動できません");
    auto set = [this](const char* name, const std::string& value) {
        mpv_set_option_string(handle_, name, value.c_str());
    };
    set("config", "no");
    set("terminal", "no");
    set("idle", "yes");
    set("load-scripts", "no");
    set("ytdl", "no");
    set("osc", "no");
    set("load-stats-overlay", "no");
    set("load-osd-console", "no");
    set("load-auto-profiles", "no");
    set("input-default-bindings", "no");
    set("vid", "no");
    set("sid", "no");
    set("vo", "null");
    set("audio-display", "no");
    set("gapless-audio", "no");
    set("replaygain", "no");
    set("ao", "pcm");
    set("ao-pcm-file", "/dev/fd/" + std::to_string(pipe_.write_fd));
    set("ao-pcm-waveheader", "no");
    set("audio-format", "float");
    set("audio-channels", "stereo");
    set("audio-samplerate", std::to_string(kRate));
    set("untimed", "yes");
    mpv_request_log_messages(handle_, "error");
    if (mpv_initialize(handle_) < 0) return Fail("libmpv を起動できません");
    reader_ = std::thread([this] { ReadSound(); });
    const std::string url = request_.path.front() == '/' ? request_.path : "./" + request_.path;
    const char* cmd[] = {"loadfile", url.c_str(), nullptr};
    if (mpv_command(handle_, cmd) < 0) return Fail(Unreadable());
    return true;
}

void Pass::Take(std::size_t bytes) {
    std::size_t frames = bytes / kFrameBytes;
    if (!limit_reached_) {
        const double room = request_.max_seconds * kRate - meter_.Seconds() * kRate;
        if (static_cast<double>(frames) >= room) {
            frames = static_cast<std::size_t>(std::max(0.0, room));
            limit_reached_ = true;  // what follows is not measured
        }
        frames_.resize(frames * 2);
        std::memcpy(frames_.data(), buffer_.data(), frames * kFrameBytes);
        if (frames > 0) meter_.AddFloat(frames_.data(), frames);
    }
    held_ = bytes % kFrameBytes;
    std::memmove(buffer_.data(), buffer_.data() + bytes - held_, held_);
}

void Pass::ReadSound() {
    for (;;) {
        // Read after the player has gone: what it wrote last is in the pipe.
        const bool last = player_gone_;
        pollfd p{pipe_.read_fd, POLLIN, 0};
        if (!last) ::poll(&p, 1, kPollMs);
        ssize_t n;
        while ((n = ::read(pipe_.read_fd, buffer_.data() + held_, buffer_.size() - held_)) > 0) {
            ++reads_;
            Take(held_ + static_cast<std::size_t>(n));
        }
        if (last) return;
    }
}

bool Pass::HandleEvents(double timeout_s) {
    for (mpv_event* e = mpv_wait_event(handle_, timeout_s); e->event_id != MPV_EVENT_NONE;
         e = mpv_wait_event(handle_, 0)) {
        switch (e->event_id) {
            case MPV_EVENT_LOG_MESSAGE: {
                auto* msg = static_cast<mpv_event_log_message*>(e->data);
                std::string text = msg->text ? msg->text : "";
                while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
                if (!text.empty()) mpv_error_ = std::string(msg->prefix ? msg->prefix : "mpv") + ": " + text;
                break;
            }
            case MPV_EVENT_FILE_LOADED:
                if (!HasAudioTrack(handle_)) return Fail("ﾌｧｲﾙに音声がありません: " + request_.path);
                tagged_ = LoudnessFromReplayGain(Property(handle_, "metadata/by-key/REPLAYGAIN_TRACK_GAIN"),
                                                 Property(handle_, "metadata/by-key/REPLAYGAIN_TRACK_PEAK"));
                if (tagged_) done_ = true;
                break;
            case MPV_EVENT_END_FILE: {
                auto* end = static_cast<mpv_event_end_file*>(e->data);
                if (end->reason == MPV_END_FILE_REASON_ERROR) {
                    if (mpv_error_.empty()) mpv_error_ = mpv_error_string(end->error);
                    return Fail(Unreadable());
                }
                done_ = true;
                break;
            }
            case MPV_EVENT_SHUTDOWN: return Fail(Unreadable());
            default: break;
        }
    }
    return !done_;
}

void Pass::Shut() {
    if (handle_) {
        // The reader keeps the pipe drained meanwhile, so an output blocked
        // on a full pipe gets to its end.
        mpv_terminate_destroy(std::exchange(handle_, nullptr));
    }
    if (reader_.joinable()) {
        player_gone_ = true;
        reader_.join();
    }
}

bool Pass::Run(level::Loudness* out, std::string* error) {
    auto fail = [&] {
        Shut();
        if (error) *error = error_;
        return false;
    };
    if (!Start()) return fail();
    auto last_move = std::chrono::steady_clock::now();
    std::uint64_t reads = 0;
    while (!done_) {
        if (request_.cancel && request_.cancel->load()) {
            error_ = kMeasureCancelled;
            return fail();
        }
        if (!HandleEvents(kPollMs / 1000.0) && !error_.empty()) return fail();
        if (limit_reached_) break;
        if (std::uint64_t now = reads_; now != reads) {
            reads = now;
            last_move = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - last_move > kStallLimit) {
            error_ = "ﾌｧｲﾙの音声を読み終えられません: " + request_.path;
            return fail();
        }
    }
    Shut();
    if (tagged_) {
        *out = *tagged_;
        return true;
    }
    *out = meter_.Result();
    out->partial = limit_reached_;
    return true;
}

}  // namespace

std::optional<level::Loudness> LoudnessFromReplayGain(const std::string& gain, const std::string& peak) {
    std::optional<double> g = ParseNumber(gain);
    if (!g) return std::nullopt;
    level::Loudness l;
    l.lufs = -18.0 - *g;
    // Without a peak the item is taken to reach full scale, so that no gain
    // lifts it into clipping.
    std::optional<double> p = ParseNumber(peak);
    l.peak_db = p && *p > 0 ? 20.0 * std::log10(*p) : 0.0;
    return l;
}

bool MeasureFileLoudness(const LoudnessRequest& request, level::Loudness* out, std::string* error) {
    if (request.path.empty() || !files::IsFileFound(request.path, true)) {
        if (error) *error = "ﾌｧｲﾙが見つかりません: " + request.path;
        return false;
    }
    Pass pass(request);
    return pass.Run(out, error);
}

}  // namespace nuko::playback
