// One item loaded in libmpv, kept open after its end (like a device that
// stops at the end), with MCI-like play, pause, stop and seek. The movie,
// sound-file and CD back ends build on it.
//
// Threading: libmpv's wakeup callback only posts a drain to the owner
// thread; the drain reads the events with mpv_wait_event(h, 0). No client
// API call is ever made inside the wakeup callback.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backend.h"
#include "nuko/dispatch.h"

struct mpv_handle;
struct mpv_event;

namespace nuko::playback {

struct WakeupContext;

struct MpvOptions {
    std::vector<std::string> audio_drivers;  // tried in order before the silent one
    bool untimed = false;                    // the silent output runs as fast as it can
    bool video = false;                      // use video tracks
    std::uint64_t window = 0;                // native window for the picture; 0 = none
    // Further options set before the player starts (demuxer settings).
    std::vector<std::pair<std::string, std::string>> extra;
    // How long Seek waits for the player to arrive before it gives up.
    double seek_timeout_s = 10.0;
};

class MpvSession {
public:
    using Prepare = std::function<void(mpv_handle*)>;

    MpvSession(Dispatcher& dispatcher, MpvOptions options);
    ~MpvSession();
    MpvSession(const MpvSession&) = delete;
    MpvSession& operator=(const MpvSession&) = delete;

    MpvOptions& options() { return options_; }

    // Starts a player and loads `url` paused. `prepare` runs on the new
    // handle after it is initialised and before the load (to register a
    // stream protocol). 0 or an MCI error.
    int Load(const std::string& url, const Prepare& prepare = {});
    void Unload();
    bool loaded() const { return handle_ != nullptr; }

    // Plays from `from_s` seconds (negative: from where it stands) until
    // `to_s` seconds (negative: the end of the item).
    int Play(double from_s, double to_s = -1);
    int Pause();
    int Stop();
    // Moves to `s` seconds and waits until the player is there; an error
    // when it did not get there in time (a stalled stream).
    int Seek(double s);
    int WaitForEnd();
    int FrameStep(bool backwards);

    double Position();
    double Duration();
    DeviceMode Mode();
    void SetMute(bool mute);
    Size VideoSize();
    bool HasAudio();
    bool HasVideo();
    // The audio output in use ("null" for the silent one).
    std::string AudioOutput();

    // Runs on the owner thread when a play ends by itself.
    std::function<void(EndReason)> on_end;
    // Asked when the end is reached: false turns the end into a failure
    // (a stream whose reads failed ends like a finished one).
    std::function<bool()> end_was_clean;

    const std::string& last_error() const { return last_error_; }

private:
    enum class State { Stopped, Playing, Paused };

    static void OnWakeup(void* data);
    void Drain();
    // Handles one event; true when it ended the current play.
    bool Handle(const mpv_event& event);
    bool WaitEvents(double timeout_s, const std::function<bool()>& done);
    bool GetFlag(const char* name);
    double GetDouble(const char* name, double fallback);
    void SetPause(bool pause);

    Dispatcher& dispatcher_;
    MpvOptions options_;
    mpv_handle* handle_ = nullptr;
    WakeupContext* wakeup_ = nullptr;  // freed after the handle
    std::shared_ptr<int> alive_;       // one per handle; posted drains check it
    bool load_done_ = false;
    int load_failure_ = 0;  // the mpv error that ended the load
    State state_ = State::Stopped;
    bool at_end_ = false;
    bool ended_ = false;  // the current play ended; not yet reported
    EndReason end_reason_ = EndReason::Success;
    bool seeking_ = false;
    double seek_target_ = 0;
    double end_s_ = -1;  // where the current play stops; -1: the item's end
    double last_position_ = 0;
    bool waiting_ = false;  // inside a synchronous wait: ends are not reported
    std::string last_error_;
};

}  // namespace nuko::playback
