#include "press_judge.h"

#include <algorithm>

namespace nuko::mousehook {

Reaction PressJudge::Press(std::uint64_t target, int button, const std::vector<std::uint64_t>& chain,
                           std::int64_t time_ms) {
    const bool on_target = target != 0 && std::find(chain.begin(), chain.end(), target) != chain.end();
    if (!on_target) {
        first_down_ = false;
        return Reaction::Pass;
    }
    if (button == 3) {
        first_down_ = false;
        return Reaction::Menu;
    }
    if (button != 1) return Reaction::Pass;
    if (first_down_ && time_ms - first_time_ >= 0 && time_ms - first_time_ <= double_click_ms_) {
        // A third press starts a new pair.
        first_down_ = false;
        return Reaction::ToggleMaximized;
    }
    first_down_ = true;
    first_time_ = time_ms;
    return Reaction::Pass;
}

}  // namespace nuko::mousehook
