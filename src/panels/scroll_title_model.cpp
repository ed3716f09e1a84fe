#include "scroll_title_model.h"

#include <algorithm>

namespace nuko::panels {

ScrollParams ScrollParams::From(const int (&f)[5], int delay_seconds) {
    ScrollParams p;
    p.scroll = f[0] != 0;
    p.speed = std::clamp(f[1], 1, 10);
    p.gap_percent = std::clamp(f[2], 0, 100);
    p.keep_short = f[3] != 0;
    p.show_time = f[4] != 0;
    p.delay_seconds = std::clamp(delay_seconds, 0, 60);
    return p;
}

void ScrollParams::To(int (&f)[5], int& delay) const {
    f[0] = scroll ? 1 : 0;
    f[1] = speed;
    f[2] = gap_percent;
    f[3] = keep_short ? 1 : 0;
    f[4] = show_time ? 1 : 0;
    delay = delay_seconds;
}

void ScrollTitleModel::SetParams(const ScrollParams& p) {
    p_ = p;
    Restart();
}

void ScrollTitleModel::SetSizes(int text_width, int view_width) {
    text_ = std::max(0, text_width);
    view_ = std::max(0, view_width);
    if (!moving()) offset_ = 0;
    else offset_ %= period();
}

void ScrollTitleModel::Restart() {
    waited_ = 0;
    carry_ = 0;
    offset_ = 0;
}

bool ScrollTitleModel::moving() const {
    if (!p_.scroll || text_ == 0) return false;
    return !(p_.keep_short && text_ <= view_);
}

int ScrollTitleModel::period() const { return std::max(1, text_ + view_ * p_.gap_percent / 100); }

bool ScrollTitleModel::Advance(int ms) {
    if (!moving() || ms <= 0) return false;
    const int delay = p_.delay_seconds * 1000;
    if (waited_ < delay) {
        const int used = std::min(ms, delay - waited_);
        waited_ += used;
        ms -= used;
        if (ms == 0) return false;
    }
    carry_ += ms;
    const int steps = carry_ / kStepMs;
    carry_ %= kStepMs;
    if (steps == 0) return false;
    offset_ = static_cast<int>((static_cast<long long>(offset_) + static_cast<long long>(steps) * p_.speed) % period());
    return true;
}

}  // namespace nuko::panels
