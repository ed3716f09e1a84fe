#include "time_display_model.h"

#include <algorithm>

namespace nuko::panels {

void TimeDisplayModel::ListLoaded(int selected) {
    record_ = {static_cast<std::uint16_t>(selected), kNone, kNone, kNone, kNone, kNone};
    Update(kItemBit | kPositionBit | kTotalBit | kLengthBit);
}

void TimeDisplayModel::ItemShown(int item) {
    record_[0] = static_cast<std::uint16_t>(item);
    Update(kItemBit);
}

void TimeDisplayModel::ItemStarted(int item, std::uint16_t length) {
    record_[0] = static_cast<std::uint16_t>(item);
    record_[3] = length;
    record_[1] = 0;
    Update(kItemBit | kPositionBit | kLengthBit);
}

void TimeDisplayModel::ItemStopped() {
    record_[1] = kNone;
    record_[3] = kNone;
    Update(kPositionBit | kLengthBit);
}

void TimeDisplayModel::Position(std::uint16_t position) {
    record_[1] = position;
    Update(kPositionBit);
}

void TimeDisplayModel::AbWaitCountdown(int seconds_left) {
    record_[1] = static_cast<std::uint16_t>(seconds_left);
    show_(kPositionBit, record_, true);
}

void TimeDisplayModel::Sleep(bool on, int seconds_left) {
    sleep_shown_ = on;
    if (!on) return;
    record_[4] = static_cast<std::uint16_t>(std::clamp(seconds_left, 0, kMaxSleepShown));
    Update(kSleepBit);
}

void TimeDisplayModel::Clock(int time_of_day) {
    if (!clock_shown_) return;
    record_[5] = static_cast<std::uint16_t>(time_of_day / 3600 * 100 + time_of_day / 60 % 60);
    Update(kClockBit);
}

void TimeDisplayModel::Blink(bool paused) {
    colon_on_ = paused ? !colon_on_ : true;
    Update(kPositionBit);
}

}  // namespace nuko::panels
