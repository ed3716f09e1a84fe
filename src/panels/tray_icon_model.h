// The tray icon without the tray: which of the 13 icons shows (0 idle, then
// three per media kind from 1, 4, 7 and 10), the stepping of the icons while
// a song plays, the tip text, and what an update has to send to the tray
// (the icon when it changed, the tip only when its text differs).
#pragma once

#include <cstddef>
#include <string>

namespace nuko::panels {

class TrayIconModel {
public:
    static constexpr int kIcons = 13;
    static constexpr int kGroupSize = 3;
    static constexpr std::size_t kTipChars = 63;

    // Icon 0, or group base + the state index 1..3 - 1.
    static int IconIndex(int kind, int state_index);
    // At most 63 characters, never a split character.
    static std::string Tip(const std::string& text);

    // What the tray has to be told.
    struct Send {
        bool icon = false;
        bool tip = false;
    };
    Send Add(int icon, const std::string& tip);
    Send Modify(int icon, const std::string& tip);
    Send SetTip(const std::string& tip);
    void Remove();

    // The play state (PlayState codes), the kind, whether an item is there:
    // the icon to show now. While dancing and playing, Step moves on.
    void SetPlay(int state, int kind, bool has_item);
    void SetDance(bool on) { dance_ = on; }
    // The 700 ms duty; true when the icon changed.
    bool Step();
    int Current() const;

    bool added() const { return added_; }
    int icon() const { return icon_; }
    const std::string& tip() const { return tip_; }

private:
    bool added_ = false;
    int icon_ = -1;
    std::string tip_;
    int state_ = 3;
    int kind_ = 0;
    bool has_item_ = false;
    bool dance_ = true;
    int step_ = 0;
};

}  // namespace nuko::panels
