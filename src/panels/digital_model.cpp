#include "digital_model.h"

#include <cstdio>

namespace nuko::panels {

DigitalModel::DigitalModel(int cell_count, int suppress_count, DigitalFormat format, bool base60)
    : format_(format), base60_(base60), suppress_count_(suppress_count),
      glyphs_(static_cast<std::size_t>(cell_count), kGlyphBlank) {}

std::string DigitalModel::Format(std::uint16_t v) const {
    char buf[32];
    const char* sep = colon_on_ ? ":" : " ";
    if (format_ == DigitalFormat::Plain) {
        if (v == kNoValue) return "---";
        if (v == kBlankValue) return "   ";
        unsigned n = v >= 1000 ? v % 1000u : v;
        if (v == 0) return "---";
        std::snprintf(buf, sizeof buf, "%03u", n);
        return buf;
    }
    bool hms = format_ == DigitalFormat::HourMinSec;
    if (v == kNoValue) return hms ? std::string("-") + sep + "--" + sep + "--" : std::string("--") + sep + "--";
    if (v == kBlankValue) return hms ? std::string(" ") + sep + "  " + sep + "  " : std::string("  ") + sep + "  ";
    unsigned h, m, s;
    if (base60_) {
        h = v / 3600u;
        m = v / 60u - h * 60u;
        s = v % 60u;
    } else {
        h = 0;
        m = v / 100u;
        s = v % 100u;
    }
    if (hms)
        std::snprintf(buf, sizeof buf, "%1u%s%02u%s%02u", h, sep, m, sep, s);
    else
        std::snprintf(buf, sizeof buf, "%02u%s%02u", m, sep, s);
    return buf;
}

void DigitalModel::Apply(const std::string& text) {
    const std::size_t cells = glyphs_.size();
    std::string t = text;
    if (t.size() < cells) t.insert(0, cells - t.size(), '0');
    if (t.size() > cells) t = t.substr(t.size() - cells);
    bool all_blank_before = true;
    for (std::size_t i = 0; i < cells; ++i) {
        char c = t[i];
        int g;
        if (c >= '0' && c <= '9') g = c - '0';
        else if (c == '-') g = kGlyphDash;
        else if (c == ':') g = kGlyphColon;
        else g = kGlyphBlank;
        if (g == 0 && static_cast<int>(i) < suppress_count_ && all_blank_before && !show_zeros_ && hours_ == 0)
            g = kGlyphBlank;
        if (g != kGlyphBlank) all_blank_before = false;
        glyphs_[i] = g;
    }
    text_ = text;
}

bool DigitalModel::SetValue(std::uint16_t v) {
    if (v > kMaxTime && v < kBlankValue) return false;
    if (has_value_ && v == last_value_ && colon_on_ == last_colon_) return false;
    has_value_ = true;
    last_value_ = v;
    last_colon_ = colon_on_;
    hours_ = (format_ != DigitalFormat::Plain && base60_ && v < kBlankValue) ? v / 3600 : 0;
    std::vector<int> before = glyphs_;
    Apply(Format(v));
    // The value re-read from the text.
    if (text_.find('-') != std::string::npos) {
        shown_ = kNoValue;
    } else if (v == kBlankValue) {
        shown_ = kBlankValue;
    } else {
        shown_ = v;
    }
    return glyphs_ != before;
}

bool DigitalModel::SetZeroShow(bool on) {
    if (show_zeros_ == on) return false;
    show_zeros_ = on;
    if (!has_value_) return false;
    std::vector<int> before = glyphs_;
    Apply(text_);
    return glyphs_ != before;
}

std::string DigitalModel::Text() const {
    std::string out;
    for (int g : glyphs_) {
        if (g >= 0 && g <= 9) out += static_cast<char>('0' + g);
        else if (g == kGlyphDash) out += '-';
        else if (g == kGlyphColon) out += ':';
        else out += ' ';
    }
    return out;
}

std::uint16_t RemainingTime(std::uint16_t length, std::uint16_t position) {
    if (position == kNoValue || position == kBlankValue) return position;
    if (length == kNoValue) return kNoValue;
    return position >= length ? 0 : static_cast<std::uint16_t>(length - position);
}

}  // namespace nuko::panels
