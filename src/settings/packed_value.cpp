#include "settings/packed_value.h"

#include <cstdio>

namespace nuko::settings {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool PackedScanner::Int(int& out) {
    std::size_t i = 0;
    while (i < rest_.size() && IsSpace(rest_[i])) ++i;
    bool negative = false;
    if (i < rest_.size() && (rest_[i] == '-' || rest_[i] == '+')) negative = rest_[i++] == '-';
    std::size_t digits = i;
    long long v = 0;
    while (i < rest_.size() && rest_[i] >= '0' && rest_[i] <= '9') {
        v = v * 10 + (rest_[i] - '0');
        if (v > 0x7FFFFFFFLL + 1) return false;
        ++i;
    }
    if (i == digits) return false;
    if (negative) v = -v;
    if (v > 0x7FFFFFFF || v < -0x7FFFFFFFLL - 1) return false;
    out = static_cast<int>(v);
    rest_.remove_prefix(i);
    return true;
}

bool PackedScanner::Hex(std::uint32_t& out) {
    std::size_t i = 0;
    while (i < rest_.size() && IsSpace(rest_[i])) ++i;
    if (i + 1 < rest_.size() && rest_[i] == '0' && (rest_[i + 1] == 'x' || rest_[i + 1] == 'X') &&
        i + 2 < rest_.size() && HexDigit(rest_[i + 2]) >= 0)
        i += 2;
    std::size_t digits = i;
    std::uint64_t v = 0;
    while (i < rest_.size() && HexDigit(rest_[i]) >= 0) {
        v = (v << 4) | static_cast<std::uint64_t>(HexDigit(rest_[i]));
        if (v > 0xFFFFFFFFu) return false;
        ++i;
    }
    if (i == digits) return false;
    out = static_cast<std::uint32_t>(v);
    rest_.remove_prefix(i);
    return true;
}

bool PackedScanner::Name(std::string& out, bool allow_empty) {
    std::size_t comma = rest_.find(',');
    std::string_view name = rest_.substr(0, comma);
    if (name.empty() && !allow_empty) return false;
    out.assign(name);
    rest_.remove_prefix(name.size());
    return true;
}

bool PackedScanner::Comma() {
    if (rest_.empty() || rest_.front() != ',') return false;
    rest_.remove_prefix(1);
    return true;
}

void PackedScanner::Rest(std::string& out) {
    out.assign(rest_);
    rest_ = {};
}

bool WindowRect::Parse(std::string_view text) {
    IntFields<4> f;
    if (!f.Parse(text)) return false;
    *this = {true, f[0], f[1], f[2], f[3]};
    return true;
}

std::string WindowRect::Format() const {
    if (!set) return "";
    IntFields<4> f;
    f.v = {left, top, right, bottom};
    return f.Format();
}

bool WindowSize::Parse(std::string_view text) {
    IntFields<2> f;
    if (!f.Parse(text)) return false;
    *this = {true, f[0], f[1]};
    return true;
}

std::string WindowSize::Format() const { return set ? std::to_string(width) + "," + std::to_string(height) : ""; }

bool MainFont::Parse(std::string_view text) {
    PackedScanner s(text);
    MainFont t;
    if (!s.Name(t.face) || !s.Comma() || !s.Int(t.size) || !s.Comma() || !s.Int(t.flag) ||
        !s.Comma() || !s.Int(t.bold))
        return false;
    t.bold = Flag(t.bold);
    *this = t;
    return true;
}

std::string MainFont::Format() const {
    return face + "," + std::to_string(size) + "," + std::to_string(flag) + "," + std::to_string(bold);
}

bool FaceFont::Parse(std::string_view text) {
    PackedScanner s(text);
    FaceFont t;
    if (!s.Name(t.face) || !s.Comma() || !s.Int(t.height) || !s.Comma() || !s.Int(t.flag)) return false;
    *this = t;
    return true;
}

std::string FaceFont::Format() const {
    return face + "," + std::to_string(height) + "," + std::to_string(flag);
}

bool VolumeSetting::Parse(std::string_view text) {
    PackedScanner s(text);
    VolumeSetting t;
    bool no_name = !text.empty() && text.front() == ',';
    if (!s.Name(t.line, no_name) || !s.Comma() || !s.Int(t.left) || !s.Comma() || !s.Int(t.right))
        return false;
    *this = t;
    return true;
}

std::string VolumeSetting::Format() const {
    return line + "," + std::to_string(left) + "," + std::to_string(right);
}

bool FlagPath::Parse(std::string_view text) {
    PackedScanner s(text);
    FlagPath t;
    if (!s.Int(t.flag) || !s.Comma()) return false;
    s.Rest(t.path);
    t.flag = Flag(t.flag);
    *this = t;
    return true;
}

std::string FlagPath::Format() const { return std::to_string(flag) + "," + path; }

bool ColorPair::Parse(std::string_view text) {
    PackedScanner s(text);
    ColorPair t;
    if (!s.Hex(t.background) || !s.Comma() || !s.Hex(t.text) || !s.Comma() || !s.Int(t.button_face))
        return false;
    t.button_face = Flag(t.button_face);
    *this = t;
    return true;
}

std::string ColorPair::Format() const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%x,%x,%d", background, text, button_face);
    return buf;
}

bool ClockTimer::Parse(std::string_view text) {
    IntFields<3> f;
    if (!f.Parse(text)) return false;
    *this = {Flag(f[0]), f[1], f[2]};
    return true;
}

std::string ClockTimer::Format() const {
    IntFields<3> f;
    f.v = {enabled, hour, minute};
    return f.Format();
}

bool ListColors::Parse(std::string_view text) {
    PackedScanner s(text);
    ListColors t;
    if (!s.Int(t.own) || !s.Comma() || !s.Hex(t.background) || !s.Comma() || !s.Hex(t.selection_background) ||
        !s.Comma() || !s.Hex(t.text) || !s.Comma() || !s.Hex(t.selection_text) || !s.Comma() ||
        !s.Int(t.button_face))
        return false;
    t.own = Flag(t.own);
    t.button_face = Flag(t.button_face);
    *this = t;
    return true;
}

std::string ListColors::Format() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d,%x,%x,%x,%x,%d", own, background, selection_background, text,
                  selection_text, button_face);
    return buf;
}

bool LogFontSetting::Parse(std::string_view text) {
    PackedScanner s(text);
    LogFontSetting t;
    t.set = true;
    if (!s.Name(t.face)) return false;
    for (int& v : t.values)
        if (!s.Comma() || !s.Int(v)) return false;
    *this = t;
    return true;
}

std::string LogFontSetting::Format() const {
    if (!set) return "";
    std::string out = face;
    for (int v : values) out += "," + std::to_string(v);
    return out;
}

bool CdDriveSelection::Parse(std::string_view text) {
    for (std::size_t i = 0; i < kDrives; ++i) used[i] = !(2 * i < text.size() && text[2 * i] == '0');
    return true;
}

std::string CdDriveSelection::Format() const {
    std::string out;
    for (std::size_t i = 0; i < kDrives; ++i) {
        if (i) out += ',';
        out += used[i] ? '1' : '0';
    }
    return out;
}

bool HotkeyRecord::Parse(std::string_view text) {
    IntFields<4> f;
    if (!f.Parse(text)) return false;
    id = f[0];
    enabled = Flag(f[1]);
    virtual_key = f[2];
    modifiers = f[3];
    return true;
}

std::string HotkeyRecord::Format() const {
    IntFields<4> f;
    f.v = {id, enabled, virtual_key, modifiers};
    return f.Format();
}

}  // namespace nuko::settings
