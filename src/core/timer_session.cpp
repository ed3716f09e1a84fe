// The timers of the core: the sleep timer (which stops play and may end the
// session) and the four clock timers (ON starts play, OFF stops it), their
// menu commands and settings, checked on the clock's duties.
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "core/timers.h"
#include "settings/settings.h"

namespace nuko::app {

using playback::PlayCommand;

namespace {

// The lengths of the six sleep entries, 90 minutes down to 10.
constexpr int kSleepLengths[] = {5400, 3600, 2700, 1800, 900, 600};

}  // namespace

const SleepTimer& PlayerCore::sleep_timer() const { return timers_->sleep; }

const ClockTimers& PlayerCore::clock_timers() const { return timers_->clocks; }

void PlayerCore::ApplyTimerSettings() {
    timers_->sleep.set_length(s_.timer.sleep);
    ClockTimers& clocks = timers_->clocks;
    clocks.Set(ClockTimers::kOn1, s_.timer.on_timer1);
    clocks.Set(ClockTimers::kOff1, s_.timer.off_timer1);
    clocks.Set(ClockTimers::kOn2, s_.timer.on_timer2);
    clocks.Set(ClockTimers::kOff2, s_.timer.off_timer2);
}

void PlayerCore::StoreTimerSettings(settings::Settings& s) const {
    const ClockTimers& clocks = timers_->clocks;
    s.timer.sleep = timers_->sleep.length();
    s.timer.on_timer1 = clocks.Get(ClockTimers::kOn1);
    s.timer.off_timer1 = clocks.Get(ClockTimers::kOff1);
    s.timer.on_timer2 = clocks.Get(ClockTimers::kOn2);
    s.timer.off_timer2 = clocks.Get(ClockTimers::kOff2);
}

void PlayerCore::RegisterTimerCommands(CommandRouter& router) {
    for (int id = cmd::kSleep90; id <= cmd::kSleep10; ++id) {
        router.Register(id, {[this, seconds = kSleepLengths[id - cmd::kSleep90]] {
            SetSleepLength(seconds);
            SleepOff();
            SleepOn();
        }});
    }
    router.Register(cmd::kSleepOn, {[this] { SleepOn(); }, {}, {}, [this] {
                                        return FormatMenuText(cmd::kSleepOn, {timers_->sleep.length() / 60});
                                    }});
    router.Register(cmd::kSleepOff, {[this] { SleepOff(); }});
    const std::pair<int, ClockTimers::Which> timers[] = {{cmd::kOnTimer1, ClockTimers::kOn1},
                                                         {cmd::kOffTimer1, ClockTimers::kOff1},
                                                         {cmd::kOnTimer2, ClockTimers::kOn2},
                                                         {cmd::kOffTimer2, ClockTimers::kOff2}};
    for (auto [id, which] : timers) {
        router.Register(id, {[this, which] {
                                 timers_->clocks.Toggle(which);
                                 Notify([](CoreListener& l) { l.OnTimersChanged(); });
                             },
                             {},
                             [this, which] { return timers_->clocks.Get(which).enabled != 0; },
                             [this, id, which] {
                                 const auto& t = timers_->clocks.Get(which);
                                 return FormatMenuText(id, {t.hour, t.minute});
                             }});
    }
}

void PlayerCore::SetSleepLength(int seconds) {
    timers_->sleep.set_length(seconds);
    Notify([](CoreListener& l) { l.OnTimersChanged(); });
}

void PlayerCore::SleepOn() {
    SleepTimer& sleep = timers_->sleep;
    if (sleep.on()) return;
    sleep.On(ctx_.time_of_day());
    const int length = sleep.length();
    Notify([length](CoreListener& l) { l.OnSleep(true, length); });
}

void PlayerCore::SleepOff() {
    timers_->sleep.Off();
    Notify([](CoreListener& l) { l.OnSleep(false, 0); });
}

void PlayerCore::OnHalfSecond(int now) {
    SleepTimer& sleep = timers_->sleep;
    if (!sleep.on()) return;
    const SleepTimer::Tick t = sleep.Check(now);
    if (t.fired) {
        if (controller_->item_active()) controller_->RunCommand(PlayCommand::Stop, false);
        Notify([](CoreListener& l) { l.OnSleep(false, 0); });
        if (s_.timer.sleep_off != -1) {
            controller_->StopClock();
            const int mode = s_.timer.sleep_off;
            Notify([mode](CoreListener& l) { l.OnSessionEndRequested(mode); });
        }
    } else if (t.remaining >= 0) {
        const int left = t.remaining;
        Notify([left](CoreListener& l) { l.OnSleep(true, left); });
    }
}

void PlayerCore::OnTwoSeconds(int now) {
    switch (timers_->clocks.Check(now)) {
        case ClockTimers::Fired::On: FireOnTimer(); break;
        case ClockTimers::Fired::Off:
            SleepOff();
            controller_->RunCommand(PlayCommand::Stop, false);
            break;
        case ClockTimers::Fired::None: break;
    }
}

void PlayerCore::FireOnTimer() {
    SleepOff();
    controller_->RunCommand(PlayCommand::Stop, false);
    if (s_.timer.file.flag && !s_.timer.file.path.empty()) OpenPath(s_.timer.file.path);
    PostPlay();
}

}  // namespace nuko::app
