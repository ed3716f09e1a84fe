// What the time display shows: its record of six values (item number,
// position, total time, item length, sleep time, clock) and the colon state,
// and which slots a change touches. The widget only draws what it is told.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace nuko::panels {

class TimeDisplayModel {
public:
    using Record = std::array<std::uint16_t, 6>;
    // Bits of the slots in an update mask.
    enum : unsigned { kItemBit = 0x01, kPositionBit = 0x02, kTotalBit = 0x04, kLengthBit = 0x08,
                      kSleepBit = 0x10, kClockBit = 0x20 };
    static constexpr std::uint16_t kNone = 0xFFFF;
    // Longest sleep time shown (8 hours).
    static constexpr int kMaxSleepShown = 28800;

    // `show` draws the slots of a mask from the record with a colon state.
    using Show = std::function<void(unsigned mask, const Record& record, bool colon_on)>;
    explicit TimeDisplayModel(Show show) : show_(std::move(show)) {}

    // A list was loaded: its selected item, nothing else known.
    void ListLoaded(int selected);
    // The current item changed while nothing plays.
    void ItemShown(int item);
    void ItemStarted(int item, std::uint16_t length);
    void ItemStopped();
    void Position(std::uint16_t position);
    // The pause at point A counts down in the position slot, colon on.
    void AbWaitCountdown(int seconds_left);
    // The sleep time: on with the seconds left, or off.
    void Sleep(bool on, int seconds_left);
    void SetClockShown(bool on) { clock_shown_ = on; }
    // The clock slot, when shown, from seconds of the local day.
    void Clock(int time_of_day);
    // The 1.5 s blink: a paused position blinks its colon, any other shows it.
    void Blink(bool paused);

    const Record& record() const { return record_; }
    bool colon_on() const { return colon_on_; }
    bool sleep_shown() const { return sleep_shown_; }
    bool clock_shown() const { return clock_shown_; }

private:
    void Update(unsigned mask) { show_(mask, record_, colon_on_); }

    Show show_;
    Record record_{0, kNone, kNone, kNone, kNone, kNone};
    bool colon_on_ = true;
    bool sleep_shown_ = false;
    bool clock_shown_ = false;
};

}  // namespace nuko::panels
