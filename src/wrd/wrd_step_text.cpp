// Step text mode (@WMO with a second value of 1): a text line is shown one
// unit per line time instead of all at once.
#include "wrd_reader.h"
#include "wrd_text_grid.h"

namespace nuko::wrd {

namespace {

constexpr char kEsc = '\x1b';

// The text with single "\" escapes removed: "\x" stands for x.
std::string WithoutEscapes(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '\\' && i + 1 < s.size()) ++i;
        std::size_t n = Cp932CharLength(s, i);
        out.append(s.substr(i, n));
        i += n;
    }
    return out;
}

}  // namespace

bool WrdReader::ContinueStepText() {
    if (!step_text_active_) return false;
    return StepTextUnit();
}

bool WrdReader::StepTextUnit() {
    if (step_break_pending_) {
        // Older scripts spend a unit of their own on the line break.
        step_break_pending_ = false;
        step_text_active_ = false;
        screen_.NewLine();
        return true;
    }
    std::string_view s = step_text_;
    // Runs the ESC sequences that start at `i`; returns where they end.
    auto escapes = [&](std::size_t i) {
        while (i < s.size() && s[i] == kEsc) i += 1 + screen_.Escape(s.substr(i + 1));
        return std::min(i, s.size());
    };
    std::size_t used = 0;
    if (!s.empty()) {
        char b = s[0];
        if (b == ' ') {
            used = 1;
            if (version_ <= 379) {
                while (used < s.size() && s[used] == ' ') ++used;
            }
            screen_.PrintText(s.substr(0, used));
        } else if (b == '_') {
            used = 1;
        } else if (b == '|') {
            std::size_t i = 1;
            while (i < s.size() && s[i] != '|') {
                if (s[i] == '\\' && i + 1 < s.size()) ++i;
                i += Cp932CharLength(s, i);
            }
            std::size_t end = std::min(i, s.size());
            screen_.PrintText(WithoutEscapes(s.substr(1, end - 1)));
            used = std::min(end + 1, s.size());
        } else {
            std::size_t i = b == '\\' ? 1 : 0;
            i = escapes(i);
            if (i < s.size()) {
                std::size_t n = Cp932CharLength(s, i);
                screen_.PrintText(s.substr(i, n));
                i += n;
            }
            used = i;
        }
    }
    step_text_.erase(0, used);
    if (!step_text_.empty()) return true;
    if (step_continued_) {
        step_text_active_ = false;
        return false;
    }
    if (version_ <= 379) {
        step_break_pending_ = true;
        return true;
    }
    screen_.NewLine();
    step_text_active_ = false;
    return true;
}

}  // namespace nuko::wrd
