// One item loaded in libmpv, kept open after its end (like a device that
// stops at the end), with MCI-like play, pause, stop and seek. The movie,
// sound-file and CD back ends build on it.
//
// Loads, seeks and frame steps never block the caller: they are started,
// and complete when libmpv's events say so (a load through its handler, a
// seek or step when Mode() stops saying Seeking). Their time limits are
// deadlines on the options' clock, checked by Poll() and whenever an event
// is drained.
//
// Threading: libmpv's wakeup callback only posts a drain to the owner
// thread; the drain reads the events with mpv_wait_event(h, 0). No client
// API call is ever made inside the wakeup callback, and it reaches nothing
// that Unload frees.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backend.h"
#include "nuko/clock.h"
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
    // How long a load may take, and a seek to arrive, before they fail.
    double load_timeout_s = 20.0;
    double seek_timeout_s = 10.0;
    // Where those times are measured; null: the steady clock.
    const Clock* clock = nullptr;
};

class MpvSession {
public:
    using Prepare = std::function<void(mpv_handle*)>;
    // The end of a load: 0 or an MCI error.
    using LoadHandler = std::function<void(int result)>;

    MpvSession(Dispatcher& dispatcher, MpvOptions options);
    ~MpvSession();
    MpvSession(const MpvSession&) = delete;
    MpvSession& operator=(const MpvSession&) = delete;

    MpvOptions& options() { return options_; }

    // Starts a player and begins to load `url` paused. `prepare` runs on the
    // new handle after it is initialised and before the load (to register a
    // stream protocol). Returns mci::kPending, and `done` runs on the owner
    // thread once the load has ended (after a failed one the session is
    // unloaded); or an MCI error at once, and `done` never runs. Unload (or
    // another Load) before the end drops it: `done` does not run.
    int Load(const std::string& url, const Prepare& prepare, LoadHandler done);
    void Unload();
    // An item is loaded and ready to play.
    bool loaded() const { return handle_ != nullptr && !loading_; }
    bool loading() const { return handle_ != nullptr && loading_; }
    // Checks the deadlines of a load or seek under way (the controller's
    // clock calls it); one that has passed fails, and its end is posted.
    void Poll();
    // Blocks until a load under way ends, and runs its handler.
    void WaitForLoad();

    // Plays from `from_s` seconds (negative: from where it stands) until
    // `to_s` seconds (negative: the end of the item).
    int Play(double from_s, double to_s = -1);
    int Pause();
    int Stop();
    // Starts a move to `s` seconds; Mode() says Seeking until the player is
    // there. One that does not get there in time (a stalled stream) leaves
    // last_error() set and seek_failed() true. A Play from a point starts
    // once the seek has arrived, and ends as a failure when it cannot.
    int Seek(double s);
    bool seek_failed() const { return seek_failed_; }
    // Blocks until the current play ends (a seek under way first arrives);
    // for callers that have no window to keep alive.
    int WaitForEnd();
    // Starts a step of `frames` frames; Mode() says Seeking until the last
    // one is shown, and the item is paused there.
    int FrameStep(bool backwards, int frames = 1);

    double Position();
    double Duration();
    DeviceMode Mode();
    void SetMute(bool mute);
    // Plays `db` louder (or quieter when negative) from now on, this item
    // and those loaded later; 0 plays the item as it is.
    void SetLevelGain(double db);
    double level_gain() const { return level_gain_db_; }
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
    void PostDrain();
    void Drain();
    // Handles one event; true when it ended the current play.
    bool Handle(const mpv_event& event);
    // Moves a load or seek on by what the events so far said and by the
    // clock; the ends it reaches wait in the flags below for Deliver.
    void Advance();
    void FinishLoad(int result);
    void FinishSeek(bool arrived);
    int StartStep();
    void EndSteps();
    void WatchPosition(bool on);
    // Runs the handlers of what has ended; false when one of them unloaded
    // or replaced this item (nothing of it may be touched then).
    bool Deliver();
    bool WaitEvents(double timeout_s, const std::function<bool()>& done);
    bool GetFlag(const char* name);
    double GetDouble(const char* name, double fallback);
    void SetPause(bool pause);
    std::int64_t NowMs() const;

    Dispatcher& dispatcher_;
    MpvOptions options_;
    mpv_handle* handle_ = nullptr;
    WakeupContext* wakeup_ = nullptr;  // freed after the handle
    std::shared_ptr<int> alive_;       // one per handle; posted drains check it
    bool loading_ = false;
    bool load_done_ = false;
    int load_failure_ = 0;  // the mpv error that ended the load
    std::int64_t load_deadline_ms_ = 0;
    LoadHandler load_handler_;
    bool load_finished_ = false;  // the load ended; its handler has not run
    int load_result_ = 0;
    State state_ = State::Stopped;
    bool at_end_ = false;
    bool ended_ = false;  // the current play ended; not yet reported
    EndReason end_reason_ = EndReason::Success;
    bool seeking_ = false;
    bool seek_restarted_ = false;  // a restart came since the seek began
    bool seek_failed_ = false;
    bool play_after_seek_ = false;
    double seek_target_ = 0;
    std::int64_t seek_deadline_ms_ = 0;
    int steps_left_ = 0;  // frame steps asked for and not yet shown
    bool stepping_ = false;  // one of them is under way
    bool step_backwards_ = false;
    double step_from_ = 0;
    std::int64_t step_deadline_ms_ = 0;
    bool position_watched_ = false;
    double end_s_ = -1;  // where the current play stops; -1: the item's end
    double last_position_ = 0;
    bool waiting_ = false;  // inside a synchronous wait: ends are not reported
    std::string last_error_;
    double level_gain_db_ = 0;
};

}  // namespace nuko::playback
