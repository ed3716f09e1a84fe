// Window placement on the desktop and the time texts of the displays.
#pragma once

#include <cstdint>
#include <string>

namespace nuko::desktop {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
};

// Keeps a window of the given size on the desktop and off the panel (task
// bar) rectangle; an empty panel rectangle means there is none.
void CheckWindowPos(int& x, int& y, int width, int height, const Rect& desktop, const Rect& panel);

// The panel rectangle: the strip of the screen that the available area
// leaves out (one edge only; the widest strip wins).
Rect PanelRect(const Rect& screen, const Rect& available);

// "%01u:%02u:%02u" of a time; 0xFFFF gives "-:--:--". In seconds mode the
// value is seconds, otherwise minutes x 100 + seconds.
std::string TimeText(std::uint16_t value, bool seconds_mode);

}  // namespace nuko::desktop
