// What a mouse press means for the movie window that the hook watches: the
// player's pop-up menu (right button), maximised and normal in turn (a
// double click), or nothing (any other window). Plain logic: the X11 side
// finds the windows and the times, and acts.
#pragma once

#include <cstdint>
#include <vector>

namespace nuko::mousehook {

enum class Reaction { Pass, Menu, ToggleMaximized };

class PressJudge {
public:
    // Two left presses on the target within `double_click_ms` make a double click.
    explicit PressJudge(std::int64_t double_click_ms) : double_click_ms_(double_click_ms) {}

    // A press of `button` (1 left, 3 right) at `time_ms` on the window chain
    // `chain`: the window under the pointer first, then its parents. Only a
    // press on the target or inside it counts.
    Reaction Press(std::uint64_t target, int button, const std::vector<std::uint64_t>& chain, std::int64_t time_ms);

private:
    std::int64_t double_click_ms_;
    bool first_down_ = false;  // a left press on the target waits for its second
    std::int64_t first_time_ = 0;
};

}  // namespace nuko::mousehook
