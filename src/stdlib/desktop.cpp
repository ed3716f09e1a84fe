#include "nuko/desktop.h"

#include <cstdio>

namespace nuko::desktop {

void CheckWindowPos(int& x, int& y, int width, int height, const Rect& desktop, const Rect& panel) {
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (x + width > desktop.right) x = desktop.right - width;
    if (y + height > desktop.bottom) y = desktop.bottom - height;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    if (panel.empty()) return;
    if (panel.top > 0 && panel.left <= 0) {  // bottom
        if (y + height > panel.top) y = panel.top - height;
        if (y < 0) y = 0;
    } else if (panel.top <= 0 && panel.left <= 0 && panel.right >= desktop.right) {  // top
        if (y < panel.bottom) y = panel.bottom;
    } else if (panel.top <= 0 && panel.left <= 0) {  // left
        if (x < panel.right) x = panel.right;
    } else if (panel.top <= 0 && panel.left > 0) {  // right
        if (x + width > panel.left) x = panel.left - width;
        if (x < 0) x = 0;
    }
}

Rect PanelRect(const Rect& s, const Rect& a) {
    Rect best;
    int best_size = 0;
    auto consider = [&](Rect r, int size) {
        if (size > best_size) {
            best = r;
            best_size = size;
        }
    };
    consider({s.left, a.bottom, s.right, s.bottom}, s.bottom - a.bottom);
    consider({s.left, s.top, s.right, a.top}, a.top - s.top);
    consider({s.left, s.top, a.left, s.bottom}, a.left - s.left);
    consider({a.right, s.top, s.right, s.bottom}, s.right - a.right);
    return best;
}

std::string TimeText(std::uint16_t value, bool seconds_mode) {
    if (value == 0xFFFF) return "-:--:--";
    unsigned h, m, s;
    if (seconds_mode) {
        h = value / 3600u;
        m = value / 60u % 60u;
        s = value % 60u;
    } else {
        h = 0;
        m = value / 100u;
        s = value % 100u;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%01u:%02u:%02u", h, m, s);
    return buf;
}

}  // namespace nuko::desktop
