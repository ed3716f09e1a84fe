// What the core tells its windows and panels: the play controller's events,
// the clock's duties once the core's own timers ran, and the core's own
// events. A listener unsubscribes itself when it is destroyed, so it may go
// before the core; the core may go first too.
#pragma once

#include <cstdint>

#include "library/media_kinds.h"
#include "playback/play_events.h"
#include "playback/play_list.h"

namespace nuko::app {

class PlayerCore;

class CoreListener : public playback::PlayEvents {
public:
    CoreListener() = default;
    CoreListener(const CoreListener&) = delete;
    CoreListener& operator=(const CoreListener&) = delete;
    ~CoreListener() override;

    // The playback clock's duty flags, after the core's own timers ran;
    // `time_of_day` in seconds of the local day.
    virtual void OnClockDuties(unsigned /*flags*/, int /*time_of_day*/) {}

    // Of the core.
    virtual void OnKindChanged(media::MediaKind) {}
    virtual void OnModeChanged(const playback::PlayMode&) {}
    // A new list of the kind begins, without rows yet.
    virtual void OnListStarted() {}
    // Rows first .. first + count - 1 (1-based) came at the end of the list
    // being read; count 0 when only its titles came (a catalog's).
    virtual void OnRowsAdded(int /*first*/, int /*count*/) {}
    // The list of the kind was read to its end; `selected` is its current row.
    virtual void OnListLoaded(int /*selected*/) {}
    // The list was sorted in place.
    virtual void OnListSorted(int /*selected*/) {}
    // The play list moved the selection to a row.
    virtual void OnRowSelected(int /*row*/) {}
    // The sleep timer: on with the seconds left, or off.
    virtual void OnSleep(bool /*on*/, int /*seconds_left*/) {}
    // Sleep and clock timer values or switches changed (menu texts).
    virtual void OnTimersChanged() {}
    // The sleep timer ran out with an end of the session chosen (the
    // `SleepOff` setting's mode).
    virtual void OnSessionEndRequested(int /*mode*/) {}

    // Of the CD kind: the drive list, the chosen drive, its disc or the
    // status text changed (the CD panel reads them from the core).
    virtual void OnDiscChanged() {}
    // The CD list moved its selection to a row.
    virtual void OnDiscRowSelected(int /*row*/) {}

private:
    friend class PlayerCore;
    PlayerCore* core_ = nullptr;
};

}  // namespace nuko::app
