// The mini window ("- mini(ﾘﾓｺﾝ) -") without its widgets: what the main
// window tells it (play state or kind, times, item numbers, item text, sleep
// time), what its buttons and keys send back, and what it shows. Plain C++;
// the window draws it and the component feeds it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace nuko::panels {

class MiniWindowModel {
public:
    // Codes sent to the main window (its panel command message).
    static constexpr int kSendKindBase = 10;  // + kind
    static constexpr int kSendGoTo = 20;      // with the item number
    static constexpr int kSendHide = 30;      // "E": the mini window goes
    // The sleep time that means "no sleep timer".
    static constexpr int kNoSleep = 0xFFFF;
    static constexpr int kCdKind = 1;
    static constexpr int kKinds = 4;

    // The colours of the fields (0x00BBGGRR).
    static constexpr std::uint32_t kCurrentColor = 0x800000;
    static constexpr std::uint32_t kTypingColor = 0x800080;
    static constexpr std::uint32_t kMaxColor = 0x808000;
    static constexpr std::uint32_t kSleepColor = 0x008080;

    // What the window tells the main window: a code and a value.
    using Send = std::function<void(int code, int value)>;
    explicit MiniWindowModel(Send send) : send_(std::move(send)) {}

    // --- from the main window -----------------------------------------------------
    // Values 0..5 are play states, 10..13 select media kind 0..3.
    void SetState(int value, int sub_value = 0);
    // Elapsed and total time; `seconds` false: hundredths of a second.
    void SetTimes(std::uint16_t elapsed, std::uint16_t total, bool seconds);
    void SetItemNumbers(int current, int count);
    // True when the title's text changed (the title area is redrawn).
    bool SetItemInfo(int current, const std::string& title);
    // Seconds left, or kNoSleep.
    void SetSleep(int seconds);
    // The caption keeps its fixed text ("ｷｬﾌﾟｼｮﾝのﾀｲﾄﾙを固定").
    void SetCaptionFixed(bool fixed) { caption_fixed_ = fixed; }

    // --- the user -----------------------------------------------------------------
    // Play buttons by PlayCommand code: 0 "<", 1 PLAY, 2 ">", 3 "ﾛ", 4 "Ⅱ".
    void PressPlayButton(int code);
    void PressDigit(int digit);
    // "C": go to the typed number, or the current one.
    void PressGo();
    // "T": the typed number is dropped and the current item shown again.
    void PressCancel();
    void PressKind(int kind);
    void PressEject();
    void PressHide() { Emit(kSendHide, 0); }
    void ToggleCompact() { compact_ = !compact_; }
    void SetCompact(bool compact) { compact_ = compact; }

    // --- what the window shows ---------------------------------------------------
    // "<", PLAY, ">", "ﾛ", "Ⅱ".
    std::array<bool, 5> PlayButtonsEnabled() const;
    bool TenKeyEnabled() const;
    std::string Caption() const;
    // The caption when it differs from the one handed out last; the window
    // sets its caption only then.
    std::optional<std::string> TakeCaption();
    std::string NumberText() const;
    std::uint32_t NumberColor() const { return typing_ ? kTypingColor : kCurrentColor; }
    struct RightField {
        std::string label;  // "Max" or "SLP"
        std::uint32_t label_color = 0;
        std::string text;
        bool small = false;  // drawn at 0.85 of the font size
    };
    RightField Right() const;

    int state() const { return state_; }
    int kind() const { return kind_; }
    int sub_value() const { return sub_value_; }
    int current() const { return current_; }
    int shown() const { return typing_ ? pending_ : current_; }
    int count() const { return count_; }
    bool typing() const { return typing_; }
    bool compact() const { return compact_; }
    bool sleeping() const { return sleep_ != kNoSleep; }
    const std::string& title() const { return title_; }
    const std::string& elapsed_text() const { return elapsed_; }
    const std::string& total_text() const { return total_; }

    // "H:MM:SS" of the support library's time conversion without a zero
    // hour: "00:05", "1:02:05".
    static std::string TimeText(std::uint16_t value, bool seconds);

private:
    void Emit(int code, int value) {
        if (send_) send_(code, value);
    }

    Send send_;
    int state_ = 3;
    int kind_ = 0;
    int sub_value_ = 0;
    int current_ = 0;
    int count_ = 0;
    bool typing_ = false;
    int pending_ = 0;
    int sleep_ = kNoSleep;
    std::string elapsed_ = "00:00";
    std::string total_ = "00:00";
    std::string title_;
    bool compact_ = false;
    bool caption_fixed_ = false;
    std::optional<std::string> caption_sent_;
};

}  // namespace nuko::panels
