// The playback clock of the play controller: position refresh, the end of
// an item, intro play, the A-B section and the MIDI-Word ticks.
#include "media_errors.h"
#include "play_controller.h"

namespace nuko::playback {

using media::MediaKind;

void PlayController::StartClock() {
    if (clock_running_) return;
    clock_running_ = true;
    last_tick_ms_ = clock_.NowMs();
}

void PlayController::OnDeviceNotice(MediaKind kind, int code) {
    if (code == kNotifyOpened) {
        if (opening_ && kind == opening_kind_) OnOpened(device_.OpenResult(kind));
        return;
    }
    if (code != kNotifySuccessful && code != kNotifyFailure) return;
    if (!list_ || kind != Kind() || state_ != PlayState::Playing || restart_pending_) return;
    OnItemEnd();
}

void PlayController::OnItemEnd() {
    const bool was_running = clock_running_;
    StopClock();
    near_end_ = false;
    if (CurrentMode().mode == PlayOrder::Repeat && Kind() != MediaKind::Cd) {
        // Repeat: back to the start; the clock resumes play once the seek is done.
        restart_pending_ = true;
        device_.Seek(Kind(), 0);
    } else {
        RunCommand(PlayCommand::Next, false);
    }
    if (was_running) StartClock();
}

void PlayController::Tick() {
    if (!clock_running_) return;
    const std::int64_t now = clock_.NowMs();
    const std::int64_t elapsed = now - last_tick_ms_;
    last_tick_ms_ = now;
    const unsigned flags = pclock_.Tick(elapsed);
    const MediaKind kind = Kind();

    // Deadlines of loads and seeks under way, on this clock's beat.
    device_.Poll();
    if (opening_ && !device_.IsOpening(opening_kind_)) {
        // The open ended without its notice reaching here.
        const int r = device_.OpenResult(opening_kind_);
        if (r == mci::kPending) RunCommand(PlayCommand::Stop, false);  // closed under it
        else OnOpened(r);
        if (!clock_running_) return;
    }

    if (list_ && item_active_) {
        const unsigned refresh = kind == MediaKind::Cd ? kCdRead : kEvery100;
        if (flags & refresh) {
            if (restart_pending_) {
                if (!device_.IsSeeking(kind)) {
                    restart_pending_ = false;
                    ReadPosition();
                    host_.OnPosition(position_);
                    if (state_ == PlayState::Playing) {
                        if (ab_pause_) {
                            ab_pause_ = false;
                            ab_pausing_ = true;
                            pclock_.RestartAbPause();
                            RunCommand(PlayCommand::Pause, false);
                            host_.OnAbWait(true, options_.ab_pause_ms / 1000 + 1);
                        } else {
                            device_.Resume(kind, true);
                        }
                    }
                }
            } else {
                StepAbAndIntro();
                if (!clock_running_) return;  // a command ran and the clock restarts with it
            }
        }
        if (ab_pausing_) {
            if (flags & kAbPause) {
                ab_pausing_ = false;
                host_.OnAbWait(false, 0);
                RunCommand(PlayCommand::Pause, false);  // paused at A: this resumes
            } else {
                int left = (options_.ab_pause_ms - pclock_.ab_pause_elapsed()) / 1000 + 1;
                host_.OnAbWait(true, left);
            }
        }
        // A command above may have left the item for one still opening.
        if ((flags & kEvery2000) && item_active_ && state_ == PlayState::Playing && !restart_pending_) {
            bool paused = false;
            if (kind == MediaKind::Cd && !device_.MediaPresent(kind)) {
                RunCommand(PlayCommand::Stop, false);
                host_.ReloadList();
            } else if (device_.IsStoppedOrPaused(kind, &paused) && !paused) {
                OnItemEnd();  // the device stopped without a notice
            }
        }
        if (kind == MediaKind::Midi && state_ == PlayState::Playing && host_.WrdScreenOpen()) WrdTick();
    }
    host_.OnClockDuties(flags);
}

void PlayController::StepAbAndIntro() {
    const MediaKind kind = Kind();
    ReadPosition();
    host_.OnPosition(position_);
    near_end_ = length_ >= 5 && position_ >= length_ - 5;
    if (state_ != PlayState::Playing) return;

    const PlayMode mode = CurrentMode();
    if (mode.intro) {
        if (!intro_armed_) {
            // A CD's position may still show the previous track at first.
            if (kind != MediaKind::Cd || position_ <= 2 * UnitsPerSecond()) intro_armed_ = true;
        } else if (position_ > static_cast<std::uint32_t>(options_.intro_time) * UnitsPerSecond()) {
            RunCommand(PlayCommand::Next, false);
            return;
        }
    }
    if (point_a_ && point_b_) {
        bool paused = false;
        bool stopped = device_.IsStoppedOrPaused(kind, &paused);
        if (stopped || position_ >= *point_b_) {
            restart_pending_ = true;
            ab_pause_ = options_.ab_pause_ms > 0;
            device_.Seek(kind, *point_a_);
        }
    }
}

void PlayController::WrdTick() {
    const int tempo = device_.GetTempo();
    const std::uint32_t pos = device_.SongPosition();
    std::uint32_t shown = pos;
    if (pos == wrd_last_position_) {
        ++wrd_ticks_since_change_;
        // Between the song's own position steps, extrapolate from the tempo.
        const int divisor = std::max(1, 15000 / std::max(1, options_.interval_ms));
        shown = pos + static_cast<std::uint32_t>(std::max(0, tempo) * wrd_ticks_since_change_ / divisor);
    } else {
        wrd_last_position_ = pos;
        wrd_ticks_since_change_ = 0;
    }
    host_.OnWrdTick(shown);
}

}  // namespace nuko::playback
