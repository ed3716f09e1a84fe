// What a seven-segment style number display shows: the formatting of one
// 16-bit value into glyph cells, leading blanks, the blinking colon and the
// special values. The display widget only draws these glyphs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nuko::panels {

// Glyph indices of the digit strips.
inline constexpr int kGlyphDash = 10;
inline constexpr int kGlyphColon = 11;
inline constexpr int kGlyphBlank = 12;

inline constexpr std::uint16_t kNoValue = 0xFFFF;     // dashes
inline constexpr std::uint16_t kBlankValue = 0xFFFE;  // an empty time
inline constexpr std::uint16_t kMaxTime = 28800;      // 8 hours; larger values are ignored

enum class DigitalFormat { Plain = 0, MinSec = 1, HourMinSec = 2 };

class DigitalModel {
public:
    DigitalModel(int cell_count, int suppress_count, DigitalFormat format, bool base60);

    // Formats the value; false when nothing changed (the value was ignored,
    // or value and colon are what is shown).
    bool SetValue(std::uint16_t value);
    // The colon state takes effect with the next SetValue.
    void SetColonOn(bool on) { colon_on_ = on; }
    // Re-evaluates the leading cells; true when one changed.
    bool SetZeroShow(bool on);
    void SetBase60(bool on) { base60_ = on; }

    const std::vector<int>& glyphs() const { return glyphs_; }
    // The glyphs as text: digits, "-", ":" and blanks.
    std::string Text() const;
    // The value shown, re-read from the text (dashes give 0xFFFF).
    std::uint16_t value() const { return shown_; }
    int cell_count() const { return static_cast<int>(glyphs_.size()); }
    bool base60() const { return base60_; }

private:
    std::string Format(std::uint16_t v) const;
    void Apply(const std::string& text);

    DigitalFormat format_;
    bool base60_;
    int suppress_count_;
    bool show_zeros_ = false;
    bool colon_on_ = true;
    std::vector<int> glyphs_;
    std::string text_;               // before leading blanks
    std::uint16_t last_value_ = 0;   // cache of SetValue
    bool last_colon_ = true;
    bool has_value_ = false;
    std::uint16_t shown_ = kNoValue;
    int hours_ = 0;
};

// The remaining time shown instead of the position: length - position, or
// 0xFFFF when the length is unknown. Special positions pass through.
std::uint16_t RemainingTime(std::uint16_t length, std::uint16_t position);

}  // namespace nuko::panels
