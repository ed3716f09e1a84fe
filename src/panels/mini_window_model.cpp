#include "mini_window_model.h"

#include <cstdio>

#include "nuko/desktop.h"

namespace nuko::panels {

namespace {

std::string Printf(const char* format, unsigned a, unsigned b = 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

}  // namespace

std::string MiniWindowModel::TimeText(std::uint16_t value, bool seconds) {
    // Hundredths of a short sound become whole seconds.
    if (!seconds && value != 0xFFFF) value = static_cast<std::uint16_t>(value / 100);
    std::string text = desktop::TimeText(value, true);
    if (text.rfind("0:", 0) == 0) text.erase(0, 2);
    return text;
}

void MiniWindowModel::SetState(int value, int sub_value) {
    if (value >= 10 && value < 10 + kKinds) {
        kind_ = value - 10;
        sub_value_ = sub_value;
        return;
    }
    state_ = value;
}

void MiniWindowModel::SetTimes(std::uint16_t elapsed, std::uint16_t total, bool seconds) {
    elapsed_ = TimeText(elapsed, seconds);
    total_ = TimeText(total, seconds);
}

void MiniWindowModel::SetItemNumbers(int current, int count) {
    current_ = current < 0 ? 0 : current;
    count_ = count < 0 ? 0 : count;
    if (typing_ && pending_ > count_) pending_ = count_;
}

bool MiniWindowModel::SetItemInfo(int current, const std::string& title) {
    current_ = current < 0 ? 0 : current;
    if (title == title_) return false;
    title_ = title;
    return true;
}

void MiniWindowModel::SetSleep(int seconds) { sleep_ = seconds < 0 || seconds >= kNoSleep ? kNoSleep : seconds; }

std::array<bool, 5> MiniWindowModel::PlayButtonsEnabled() const {
    if (current_ == 0) return {};
    switch (state_) {
        case 0: return {true, false, false, true, false};
        case 1: return {true, true, true, true, true};
        case 2: return {false, false, true, true, false};
        case 3: return {true, true, true, true, false};
        case 4:
        case 5: return {true, true, true, true, true};
        default: return {};
    }
}

bool MiniWindowModel::TenKeyEnabled() const {
    for (bool on : PlayButtonsEnabled())
        if (on) return true;
    return false;
}

std::string MiniWindowModel::Caption() const {
    if ((state_ == 1 || state_ == 4) && !caption_fixed_) return "mini < " + elapsed_ + "/" + total_ + " >";
    return "--  mini (ﾘﾓｺﾝ)  --";
}

std::optional<std::string> MiniWindowModel::TakeCaption() {
    std::string caption = Caption();
    if (caption_sent_ && *caption_sent_ == caption) return std::nullopt;
    caption_sent_ = caption;
    return caption;
}

std::string MiniWindowModel::NumberText() const {
    const int n = shown();
    return n == 0 ? "---" : Printf("%03u", static_cast<unsigned>(n));
}

MiniWindowModel::RightField MiniWindowModel::Right() const {
    RightField f;
    if (!sleeping()) {
        f.label = "Max";
        f.label_color = kMaxColor;
        f.text = Printf("%03u", static_cast<unsigned>(count_));
        return f;
    }
    f.label = "SLP";
    f.label_color = kSleepColor;
    const auto s = static_cast<unsigned>(sleep_);
    if (s >= 600) {
        f.text = Printf("%02u", s / 60);
    } else {
        f.text = Printf("%1u:%02u", s / 60, s % 60);
        f.small = true;
    }
    return f;
}

void MiniWindowModel::PressPlayButton(int code) {
    if (code < 0 || code > 4 || !PlayButtonsEnabled()[static_cast<std::size_t>(code)]) return;
    if (code == 1) {
        const int item = shown();
        typing_ = false;
        // Resuming: PLAY on the paused item is a pause command.
        if (state_ == 4 && item == current_) Emit(4, 0);
        else Emit(1, item);
        return;
    }
    Emit(code, 0);
}

void MiniWindowModel::PressDigit(int digit) {
    if (digit < 0 || digit > 9 || !TenKeyEnabled()) return;
    if (!typing_) {
        typing_ = true;
        pending_ = 0;
    }
    const long next = static_cast<long>(pending_) * 10 + digit;
    if (next <= count_) pending_ = static_cast<int>(next);
    else pending_ = digit > count_ ? count_ : digit;
}

void MiniWindowModel::PressGo() {
    const int item = typing_ ? pending_ : current_;
    typing_ = false;
    Emit(kSendGoTo, item);
}

void MiniWindowModel::PressCancel() { typing_ = false; }

void MiniWindowModel::PressKind(int kind) {
    if (kind < 0 || kind >= kKinds || kind == kind_) return;
    Emit(kSendKindBase + kind, 0);
}

void MiniWindowModel::PressEject() {
    if (kind_ == kCdKind) Emit(5, 0);
}

}  // namespace nuko::panels
