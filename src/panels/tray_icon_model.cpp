#include "tray_icon_model.h"

namespace nuko::panels {

int TrayIconModel::IconIndex(int kind, int state_index) {
    if (kind < 0 || kind > 3 || state_index < 1 || state_index > kGroupSize) return 0;
    return 1 + kind * kGroupSize + state_index - 1;
}

std::string TrayIconModel::Tip(const std::string& text) {
    std::size_t chars = 0, i = 0;
    while (i < text.size() && chars < kTipChars) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        if (i + len > text.size()) break;
        i += len;
        ++chars;
    }
    return text.substr(0, i);
}

TrayIconModel::Send TrayIconModel::Add(int icon, const std::string& tip) {
    added_ = true;
    icon_ = icon;
    tip_ = Tip(tip);
    return {true, true};
}

TrayIconModel::Send TrayIconModel::Modify(int icon, const std::string& tip) {
    Send s;
    if (!added_) return s;
    s.icon = icon != icon_;
    icon_ = icon;
    const Send t = SetTip(tip);
    s.tip = t.tip;
    return s;
}

TrayIconModel::Send TrayIconModel::SetTip(const std::string& tip) {
    Send s;
    if (!added_) return s;
    std::string cut = Tip(tip);
    if (cut == tip_) return s;
    tip_ = std::move(cut);
    s.tip = true;
    return s;
}

void TrayIconModel::Remove() {
    added_ = false;
    icon_ = -1;
    tip_.clear();
}

void TrayIconModel::SetPlay(int state, int kind, bool has_item) {
    if (state != state_) step_ = 0;
    state_ = state;
    kind_ = kind;
    has_item_ = has_item;
}

bool TrayIconModel::Step() {
    if (!dance_ || state_ != 1 || !has_item_) return false;
    step_ = (step_ + 1) % kGroupSize;
    return true;
}

int TrayIconModel::Current() const {
    if (!has_item_) return 0;
    // Stopped 1, paused 2, playing 3; a dancing play steps through 1..3.
    if (state_ == 1) return IconIndex(kind_, dance_ ? step_ + 1 : 3);
    if (state_ == 4) return IconIndex(kind_, 2);
    return IconIndex(kind_, 1);
}

}  // namespace nuko::panels
