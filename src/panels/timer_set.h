// The timer set dialog's switches: the sleep timer and the four clock
// timers (ON 1, OFF 1, ON 2, OFF 2), and which of them the user changed.
#pragma once

#include <array>
#include <vector>

namespace nuko::panels {

struct TimerSwitches {
    bool sleep = false;
    std::array<bool, 4> clocks{};  // ON 1, OFF 1, ON 2, OFF 2
    bool operator==(const TimerSwitches&) const = default;
};

// The switches that differ: 0 the sleep timer, 1..4 the clock timers.
inline std::vector<int> ChangedSwitches(const TimerSwitches& before, const TimerSwitches& after) {
    std::vector<int> changed;
    if (before.sleep != after.sleep) changed.push_back(0);
    for (int i = 0; i < 4; ++i)
        if (before.clocks[static_cast<std::size_t>(i)] != after.clocks[static_cast<std::size_t>(i)])
            changed.push_back(i + 1);
    return changed;
}

}  // namespace nuko::panels
