#include "mpv_session.h"

#include "audio_outputs.h"

#include <mpv/client.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <charconv>
#include <cmath>
#include <string_view>

#include "media_errors.h"

namespace nuko::playback {
namespace {

constexpr double kStepTimeoutS = 5.0;
// Reply ids of the observed properties.
constexpr std::uint64_t kEofReachedId = 1;
constexpr std::uint64_t kSeekPositionId = 2;

int LoadErrorToMci(int mpv_error) {
    switch (mpv_error) {
        case MPV_ERROR_LOADING_FAILED:
        case MPV_ERROR_UNKNOWN_FORMAT:
        case MPV_ERROR_NOTHING_TO_PLAY: return mci::kInvalidFile;
        case MPV_ERROR_NOMEM: return mci::kOutOfMemory;
        case MPV_ERROR_VO_INIT_FAILED: return mci::kCreateWindow;
        case MPV_ERROR_AO_INIT_FAILED: return mci::kHardware;
        default: return mci::kDriver;
    }
}

// The audio filter chain that plays an item `db` louder: libavfilter's
// volume, which takes decibels and lifts above unity (mpv's own volume
// stays the user's). Labelled so that it alone is replaced; empty for 0 dB.
std::string LevelFilter(double db) {
    if (std::abs(db) < 0.005) return {};
    char number[32];
    // Not printf: the decimal point must not follow the locale.
    auto end = std::to_chars(number, number + sizeof number, db, std::chars_format::fixed, 2).ptr;
    return "@nukolevel:lavfi=[volume=volume=" + std::string(number, end) + "dB]";
}

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty()) out += ',';
        out += p;
    }
    return out;
}

}  // namespace

// Lives as long as the handle: libmpv may call the wakeup callback from any
// of its threads until mpv_terminate_destroy returns.
struct WakeupContext {
    Dispatcher* dispatcher;
    MpvSession* session;
    std::weak_ptr<int> alive;
    std::atomic<bool> posted{false};
};

MpvSession::MpvSession(Dispatcher& dispatcher, MpvOptions options)
    : dispatcher_(dispatcher), options_(std::move(options)) {}

MpvSession::~MpvSession() { Unload(); }

std::int64_t MpvSession::NowMs() const {
    static const SteadyClock steady;
    return (options_.clock ? *options_.clock : static_cast<const Clock&>(steady)).NowMs();
}

int MpvSession::Load(const std::string& url, const Prepare& prepare, LoadHandler done) {
    Unload();
    // libmpv refuses to start under a locale whose decimal point is not ".".
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* h = mpv_create();
    if (!h) return mci::kOutOfMemory;
    auto set = [h](const char* name, const std::string& value) { mpv_set_option_string(h, name, value.c_str()); };
    set("config", "no");
    set("terminal", "no");
    set("idle", "yes");
    set("keep-open", "yes");
    set("keep-open-pause", "yes");
    set("pause", "yes");
    set("input-default-bindings", "no");
    set("input-vo-keyboard", "no");
    set("osc", "no");
    set("ytdl", "no");
    set("load-scripts", "no");
    set("audio-display", "no");
    set("hr-seek", "yes");
    set("force-window", "no");
    set("osd-level", "0");  // the picture stays the movie's own
    set("audio-client-name", kStreamClientName);
    if (options_.untimed) {
        set("ao", "null");
        set("ao-null-untimed", "yes");
        set("untimed", "yes");
    } else {
        std::vector<std::string> drivers = options_.audio_drivers;
        drivers.push_back("null");  // the silent output keeps real time
        set("ao", Join(drivers));
    }
    if (!options_.video) {
        set("vid", "no");
        set("vo", "null");
    } else if (options_.window != 0 && !options_.untimed) {
        set("wid", std::to_string(options_.window));
        set("vo", "gpu,x11,null");
        // The picture goes into an X11 window of ours: only the X11 context
        // is of use. Probing the others (DRM, Vulkan) closes descriptor 0
        // when they fail, which may by then be the file being played or an
        // X connection, and the next movie loses it.
        set("gpu-context", "x11egl");
        set("gpu-api", "opengl");
    } else {
        set("vo", "null");
    }
    for (const auto& [name, value] : options_.extra) set(name.c_str(), value);
    if (std::string af = LevelFilter(level_gain_db_); !af.empty()) set("af", af);
    mpv_request_log_messages(h, "error");
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        last_error_ = "libmpv could not start";
        return mci::kCannotLoadDriver;
    }
    mpv_observe_property(h, kEofReachedId, "eof-reached", MPV_FORMAT_FLAG);
    if (prepare) prepare(h);

    handle_ = h;
    state_ = State::Stopped;
    at_end_ = false;
    end_s_ = -1;
    last_position_ = 0;
    ended_ = false;
    seeking_ = false;
    seek_failed_ = false;
    play_after_seek_ = false;
    last_error_.clear();
    loading_ = true;
    load_done_ = false;
    load_failure_ = 0;
    load_finished_ = false;
    load_handler_ = std::move(done);
    load_deadline_ms_ = NowMs() + std::llround(options_.load_timeout_s * 1000.0);
    alive_ = std::make_shared<int>(0);
    wakeup_ = new WakeupContext{&dispatcher_, this, alive_};
    mpv_set_wakeup_callback(h, &MpvSession::OnWakeup, wakeup_);
    const char* cmd[] = {"loadfile", url.c_str(), nullptr};
    if (mpv_command(h, cmd) < 0) {
        std::string why = last_error_.empty() ? "libmpv could not open the file" : last_error_;
        Unload();
        last_error_ = why;
        return mci::kDriver;
    }
    return mci::kPending;
}

void MpvSession::Unload() {
    if (!handle_) return;
    alive_.reset();
    mpv_handle* h = handle_;
    handle_ = nullptr;
    mpv_terminate_destroy(h);
    delete wakeup_;
    wakeup_ = nullptr;
    state_ = State::Stopped;
    ended_ = false;
    seeking_ = false;
    play_after_seek_ = false;
    steps_left_ = 0;
    stepping_ = false;
    position_watched_ = false;
    at_end_ = false;
    loading_ = false;
    load_finished_ = false;
    load_handler_ = nullptr;
}

void MpvSession::OnWakeup(void* data) {
    // Runs on libmpv's threads: only post, never call the client API here.
    auto* ctx = static_cast<WakeupContext*>(data);
    if (ctx->posted.exchange(true)) return;
    std::weak_ptr<int> alive = ctx->alive;
    MpvSession* session = ctx->session;
    ctx->dispatcher->Post([alive, session] {
        if (alive.expired()) return;
        session->wakeup_->posted = false;
        session->Drain();
    });
}

void MpvSession::PostDrain() {
    std::weak_ptr<int> alive = alive_;
    dispatcher_.Post([alive, this] {
        if (!alive.expired()) Drain();
    });
}

void MpvSession::Poll() {
    if (!handle_ || (!loading_ && !seeking_ && steps_left_ == 0)) return;
    Advance();
    // What ended is reported from a drain of its own, never inside the
    // caller's own call.
    if (load_finished_ || ended_) PostDrain();
}

void MpvSession::Drain() {
    if (!handle_) return;
    for (;;) {
        mpv_event* e = mpv_wait_event(handle_, 0);
        if (e->event_id == MPV_EVENT_NONE) break;
        Handle(*e);
    }
    Advance();
    if (waiting_ || !Deliver()) return;
    if (ended_) {
        ended_ = false;
        // The handler may close this item; nothing of it is touched after.
        if (on_end) on_end(end_reason_);
    }
}

void MpvSession::Advance() {
    if (!handle_) return;
    if (loading_) {
        if (load_done_) FinishLoad(mci::kOk);
        else if (load_failure_) FinishLoad(LoadErrorToMci(load_failure_));
        else if (NowMs() >= load_deadline_ms_) FinishLoad(mci::kDeviceNotReady);
        return;
    }
    if (seeking_) {
        // A restart event left over from the load may come first: the seek
        // is done when the player is at the target, not at the first restart.
        if (seek_restarted_ && !GetFlag("seeking") && std::abs(GetDouble("time-pos", -10) - seek_target_) < 0.5)
            FinishSeek(true);
        else if (NowMs() >= seek_deadline_ms_)
            FinishSeek(false);
        if (seeking_) return;
    }
    if (stepping_) {
        // A step is done when the picture has moved (or its time is up).
        if (GetDouble("time-pos", step_from_) == step_from_ && NowMs() < step_deadline_ms_) return;
        stepping_ = false;
        --steps_left_;
        if (steps_left_ > 0 && StartStep() == mci::kOk) return;
        EndSteps();  // the last one is shown, or the next cannot start
    } else if (steps_left_ > 0 && StartStep() != mci::kOk) {
        EndSteps();  // asked for during the seek
    }
}

int MpvSession::StartStep() {
    step_from_ = GetDouble("time-pos", -1);
    const char* cmd[] = {step_backwards_ ? "frame-back-step" : "frame-step", nullptr};
    if (mpv_command(handle_, cmd) < 0) return mci::kDriver;
    WatchPosition(true);
    stepping_ = true;
    step_deadline_ms_ = NowMs() + std::llround(kStepTimeoutS * 1000.0);
    return mci::kOk;
}

void MpvSession::EndSteps() {
    steps_left_ = 0;
    stepping_ = false;
    if (!seeking_) WatchPosition(false);
    SetPause(true);
}

void MpvSession::WatchPosition(bool on) {
    // The position is watched while a seek or step lasts: its changes wake
    // the drain that sees it done.
    if (on == position_watched_ || !handle_) return;
    position_watched_ = on;
    if (on) mpv_observe_property(handle_, kSeekPositionId, "time-pos", MPV_FORMAT_DOUBLE);
    else mpv_unobserve_property(handle_, kSeekPositionId);
}

void MpvSession::FinishLoad(int result) {
    loading_ = false;
    load_finished_ = true;
    load_result_ = result;
    if (result != mci::kOk && last_error_.empty()) last_error_ = "libmpv could not open the file";
}

void MpvSession::FinishSeek(bool arrived) {
    seeking_ = false;
    seek_restarted_ = false;
    if (steps_left_ == 0) WatchPosition(false);
    const bool play = play_after_seek_;
    play_after_seek_ = false;
    if (!arrived) {
        seek_failed_ = true;
        last_error_ = "libmpv did not finish the seek";
        if (play) {
            // The play that waited for it cannot start: it ends as failed.
            state_ = State::Stopped;
            ended_ = true;
            end_reason_ = EndReason::Failure;
        }
        return;
    }
    last_position_ = seek_target_;
    // Whether the item stands at its end is the player's word now, not that
    // of the last event: the one saying a seek left the end may still be on
    // its way, and a play that trusted the stale one would end at once.
    at_end_ = GetFlag("eof-reached");
    if (!play) return;
    if (at_end_) {
        // Nothing left: the play completes at once, as a device does.
        state_ = State::Stopped;
        ended_ = true;
        end_reason_ = EndReason::Success;
        return;
    }
    SetPause(false);
    state_ = State::Playing;
}

bool MpvSession::Deliver() {
    if (!load_finished_) return true;
    load_finished_ = false;
    LoadHandler handler = std::move(load_handler_);
    load_handler_ = nullptr;
    const int result = load_result_;
    if (result != mci::kOk) {
        std::string why = last_error_;
        Unload();
        last_error_ = why;
    }
    std::weak_ptr<int> alive = alive_;
    if (handler) handler(result);
    return result == mci::kOk && !alive.expired();
}

bool MpvSession::Handle(const mpv_event& e) {
    switch (e.event_id) {
        case MPV_EVENT_LOG_MESSAGE: {
            auto* msg = static_cast<mpv_event_log_message*>(e.data);
            std::string text = msg->text ? msg->text : "";
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            if (!text.empty()) last_error_ = std::string(msg->prefix ? msg->prefix : "mpv") + ": " + text;
            return false;
        }
        case MPV_EVENT_FILE_LOADED: load_done_ = true; return false;
        case MPV_EVENT_PLAYBACK_RESTART: seek_restarted_ = true; return false;
        case MPV_EVENT_PROPERTY_CHANGE: {
            auto* prop = static_cast<mpv_event_property*>(e.data);
            if (std::string_view(prop->name) != "eof-reached" || prop->format != MPV_FORMAT_FLAG) return false;
            at_end_ = *static_cast<int*>(prop->data) != 0;
            // During a seek the end is asked of the player when it arrives.
            if (!at_end_ || state_ != State::Playing || seeking_) return false;
            state_ = State::Stopped;
            ended_ = true;
            end_reason_ = end_was_clean && !end_was_clean() ? EndReason::Failure : EndReason::Success;
            return true;
        }
        case MPV_EVENT_END_FILE: {
            auto* end = static_cast<mpv_event_end_file*>(e.data);
            if (end->reason == MPV_END_FILE_REASON_ERROR) {
                load_failure_ = end->error ? end->error : MPV_ERROR_GENERIC;
                if (last_error_.empty()) last_error_ = mpv_error_string(end->error);
            } else if (!load_done_) {
                load_failure_ = MPV_ERROR_NOTHING_TO_PLAY;
            }
            at_end_ = true;
            // Nothing is left to seek in.
            if (seeking_) FinishSeek(false);
            if (state_ != State::Playing) return false;
            state_ = State::Stopped;
            ended_ = true;
            end_reason_ = EndReason::Failure;
            return true;
        }
        case MPV_EVENT_SHUTDOWN:
            if (loading_ && !load_failure_) load_failure_ = MPV_ERROR_GENERIC;
            if (state_ != State::Playing) return false;
            state_ = State::Stopped;
            ended_ = true;
            end_reason_ = EndReason::Failure;
            return true;
        default: return false;
    }
}

bool MpvSession::WaitEvents(double timeout_s, const std::function<bool()>& done) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::duration<double>(timeout_s);
    bool was_waiting = waiting_;
    waiting_ = true;
    bool ok = done();
    while (!ok && handle_) {
        double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (left <= 0) break;
        mpv_event* e = mpv_wait_event(handle_, std::min(left, 0.25));
        if (e->event_id != MPV_EVENT_NONE) Handle(*e);
        Advance();
        ok = done();
    }
    waiting_ = was_waiting;
    return ok;
}

void MpvSession::WaitForLoad() {
    if (!loading()) return;
    WaitEvents(1e9, [this] { return !loading_; });
    Deliver();
}

void MpvSession::SetPause(bool pause) {
    int flag = pause ? 1 : 0;
    mpv_set_property(handle_, "pause", MPV_FORMAT_FLAG, &flag);
}

bool MpvSession::GetFlag(const char* name) {
    int flag = 0;
    if (!handle_ || mpv_get_property(handle_, name, MPV_FORMAT_FLAG, &flag) < 0) return false;
    return flag != 0;
}

double MpvSession::GetDouble(const char* name, double fallback) {
    double v = 0;
    if (!handle_ || mpv_get_property(handle_, name, MPV_FORMAT_DOUBLE, &v) < 0 || !std::isfinite(v)) return fallback;
    return v;
}

int MpvSession::Play(double from_s, double to_s) {
    if (!loaded()) return mci::kInvalidDeviceId;
    if (stepping_ || steps_left_ > 0) EndSteps();
    if (to_s != end_s_) {
        // Stopped at the old end, the item goes on when the end moves away.
        bool resume_past_end = at_end_ && !seeking_ && from_s < 0 && (to_s < 0 || to_s > end_s_);
        double here = resume_past_end ? Position() : -1;
        std::string end = to_s >= 0 ? std::to_string(to_s) : "none";
        mpv_set_property_string(handle_, "end", end.c_str());
        end_s_ = to_s;
        if (resume_past_end) from_s = here;
    }
    if (from_s >= 0) {
        int r = Seek(from_s);
        if (r != mci::kOk) return r;
    }
    if (seeking_) {
        // The play starts where the seek arrives.
        ended_ = false;
        play_after_seek_ = true;
        state_ = State::Playing;
        return mci::kOk;
    }
    if (at_end_) {
        // Nothing left: the play completes at once, as a device does.
        ended_ = true;
        end_reason_ = EndReason::Success;
        state_ = State::Stopped;
        PostDrain();
        return mci::kOk;
    }
    SetPause(false);
    state_ = State::Playing;
    return mci::kOk;
}

int MpvSession::Pause() {
    if (!loaded()) return mci::kInvalidDeviceId;
    if (stepping_ || steps_left_ > 0) EndSteps();
    SetPause(true);
    ended_ = false;
    play_after_seek_ = false;
    state_ = State::Paused;
    return mci::kOk;
}

int MpvSession::Stop() {
    if (!loaded()) return mci::kInvalidDeviceId;
    if (stepping_ || steps_left_ > 0) EndSteps();
    SetPause(true);
    ended_ = false;
    play_after_seek_ = false;
    state_ = State::Stopped;
    return mci::kOk;
}

int MpvSession::Seek(double s) {
    if (!loaded()) return mci::kInvalidDeviceId;
    SetPause(true);
    ended_ = false;
    play_after_seek_ = false;
    state_ = State::Stopped;
    double duration = Duration();
    if (duration > 0 && s > duration) s = duration;
    s = std::max(0.0, s);
    std::string target = std::to_string(s);
    const char* cmd[] = {"seek", target.c_str(), "absolute+exact", nullptr};
    if (stepping_ || steps_left_ > 0) EndSteps();
    WatchPosition(true);
    seeking_ = true;
    seek_restarted_ = false;
    seek_failed_ = false;
    seek_target_ = s;
    seek_deadline_ms_ = NowMs() + std::llround(options_.seek_timeout_s * 1000.0);
    if (mpv_command(handle_, cmd) < 0) {
        seeking_ = false;
        WatchPosition(false);
        return mci::kOutOfRange;
    }
    return mci::kOk;
}

int MpvSession::WaitForEnd() {
    if (!handle_) return mci::kInvalidDeviceId;
    if (state_ != State::Playing) return mci::kOk;
    WaitEvents(1e9, [this] { return ended_ || !handle_; });
    bool failed = ended_ && end_reason_ == EndReason::Failure;
    ended_ = false;  // handled here; no notice follows
    return failed ? mci::kFileRead : mci::kOk;
}

int MpvSession::FrameStep(bool backwards, int frames) {
    if (!loaded()) return mci::kInvalidDeviceId;
    if (!HasVideo()) return mci::kUnsupportedFunction;
    if (frames <= 0) return mci::kOk;
    // Steps the other way replace those not yet shown.
    if (backwards != step_backwards_) steps_left_ = stepping_ ? 1 : 0;
    step_backwards_ = backwards;
    steps_left_ += frames;
    play_after_seek_ = false;
    ended_ = false;
    if (state_ == State::Playing) state_ = State::Paused;
    // During a seek or a step the next step starts when that one is done.
    if (seeking_ || stepping_) return mci::kOk;
    int r = StartStep();
    if (r != mci::kOk) steps_left_ = 0;
    return r;
}

double MpvSession::Position() {
    if (!loaded()) return 0;
    if (seeking_) return seek_target_;
    if (at_end_ && state_ != State::Playing) return end_s_ >= 0 ? std::min(end_s_, Duration()) : Duration();
    // While the player settles (after a seek, an output restart) it has no
    // time for a moment: the last one it gave still holds.
    last_position_ = GetDouble("time-pos", last_position_);
    return last_position_;
}

double MpvSession::Duration() { return GetDouble("duration", 0); }

DeviceMode MpvSession::Mode() {
    if (!loaded()) return DeviceMode::NotReady;
    if (seeking_ || steps_left_ > 0) return DeviceMode::Seeking;
    switch (state_) {
        case State::Playing: return DeviceMode::Playing;
        case State::Paused: return DeviceMode::Paused;
        case State::Stopped: break;
    }
    return DeviceMode::Stopped;
}

void MpvSession::SetMute(bool mute) {
    if (!handle_) return;
    int flag = mute ? 1 : 0;
    mpv_set_property(handle_, "mute", MPV_FORMAT_FLAG, &flag);
}

void MpvSession::SetLevelGain(double db) {
    if (!std::isfinite(db)) db = 0;
    if (db == level_gain_db_) return;
    level_gain_db_ = db;
    if (!handle_) return;
    // Replacing the chain restarts the filters on the spot; the level is
    // normally set before the item plays.
    std::string af = LevelFilter(db);
    mpv_set_property_string(handle_, "af", af.c_str());
}

Size MpvSession::VideoSize() {
    Size s;
    if (!handle_) return s;
    std::int64_t w = 0, h = 0;
    if (mpv_get_property(handle_, "video-params/dw", MPV_FORMAT_INT64, &w) < 0 ||
        mpv_get_property(handle_, "video-params/dh", MPV_FORMAT_INT64, &h) < 0) {
        mpv_get_property(handle_, "width", MPV_FORMAT_INT64, &w);
        mpv_get_property(handle_, "height", MPV_FORMAT_INT64, &h);
    }
    s.width = static_cast<int>(w);
    s.height = static_cast<int>(h);
    return s;
}

namespace {
bool HasTrackOfType(mpv_handle* h, std::string_view type) {
    std::int64_t count = 0;
    if (mpv_get_property(h, "track-list/count", MPV_FORMAT_INT64, &count) < 0) return false;
    for (std::int64_t i = 0; i < count; ++i) {
        std::string name = "track-list/" + std::to_string(i) + "/type";
        char* t = mpv_get_property_string(h, name.c_str());
        bool match = t && type == t;
        mpv_free(t);
        if (match) return true;
    }
    return false;
}
}  // namespace

bool MpvSession::HasAudio() { return handle_ && HasTrackOfType(handle_, "audio"); }
bool MpvSession::HasVideo() { return handle_ && HasTrackOfType(handle_, "video"); }

std::string MpvSession::AudioOutput() {
    if (!handle_) return {};
    char* name = mpv_get_property_string(handle_, "current-ao");
    std::string out = name ? name : "";
    mpv_free(name);
    return out;
}

}  // namespace nuko::playback
