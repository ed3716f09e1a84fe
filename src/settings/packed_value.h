// Values that the settings store keeps as one text of a few comma-separated
// fields. Reading follows the scanf rules the store has always used: a name
// runs up to the next comma, numbers are decimal or hexadecimal; a value
// with too few fields leaves every field at its default.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nuko::settings {

// Reads fields from a packed text one at a time; every call returns false
// once the text stops matching.
class PackedScanner {
public:
    explicit PackedScanner(std::string_view text) : rest_(text) {}
    bool Int(int& out);
    bool Hex(std::uint32_t& out);
    // Up to the next comma; at least one character unless `allow_empty`.
    bool Name(std::string& out, bool allow_empty = false);
    bool Comma();
    // The rest of the text (for a last "%s" field).
    void Rest(std::string& out);

private:
    std::string_view rest_;
};

// The "%d,%d,%d,%d" rectangle of a window, absent when the value is empty.
struct WindowRect {
    bool set = false;
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// "%d,%d" of a window size, absent when the value is empty.
struct WindowSize {
    bool set = false;
    int width = 0, height = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// N decimal numbers separated by commas.
template <std::size_t N>
struct IntFields {
    std::array<int, N> v{};
    bool Parse(std::string_view text) {
        PackedScanner s(text);
        std::array<int, N> tmp{};
        for (std::size_t i = 0; i < N; ++i)
            if ((i > 0 && !s.Comma()) || !s.Int(tmp[i])) return false;
        v = tmp;
        return true;
    }
    std::string Format() const {
        std::string out;
        for (std::size_t i = 0; i < N; ++i) {
            if (i) out += ',';
            out += std::to_string(v[i]);
        }
        return out;
    }
    int operator[](std::size_t i) const { return v[i]; }
    int& operator[](std::size_t i) { return v[i]; }
};

// "%s,%d,%d,%d": face, size in points, a flag, bold flag.
struct MainFont {
    std::string face = "ＭＳ Ｐゴシック";
    int size = 13;
    int flag = 0;
    int bold = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// "%s,%d,%d": face, height, flag.
struct FaceFont {
    std::string face;
    int height = 0;
    int flag = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// "%s,%d,%d": mixer line name, left and right volume. A value that begins
// with a comma has no name.
struct VolumeSetting {
    std::string line;
    int left = 0;
    int right = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// "%d,%s": a flag and a path.
struct FlagPath {
    int flag = 0;
    std::string path;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// "%x,%x,%d": background and text colour (0x00BBGGRR) and a flag that makes
// the background the button-face colour.
struct ColorPair {
    std::uint32_t background = 0;
    std::uint32_t text = 0;
    int button_face = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// "%d,%d,%d": enabled flag, hour, minute of a clock timer.
struct ClockTimer {
    int enabled = 0;
    int hour = 0;
    int minute = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// Thirty flags, one per CD drive in drive order, written "1,0,1,...". The
// character at position 2i is drive i's flag: "0" leaves the drive out, any
// other character or a value too short uses it.
struct CdDriveSelection {
    static constexpr std::size_t kDrives = 30;
    std::array<bool, kDrives> used;
    CdDriveSelection() { used.fill(true); }
    bool Parse(std::string_view text);
    std::string Format() const;
};

// One global hot key: "%d,%d,%d,%d" = id, enabled flag, Windows virtual key,
// modifier bits (1 Shift, 2 Ctrl, 4 Alt, 8 extended).
struct HotkeyRecord {
    int enabled = 0;
    int id = 0;
    int virtual_key = 0;
    int modifiers = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// "%d,%x,%x,%x,%x,%d": own colours on, background, selection background,
// text, selection text (0x00BBGGRR), background is the button face.
struct ListColors {
    int own = 0;
    std::uint32_t background = 0xFFFFFF;
    std::uint32_t selection_background = 0x800000;
    std::uint32_t text = 0;
    std::uint32_t selection_text = 0xFFFFFF;
    int button_face = 0;
    bool Parse(std::string_view text);
    std::string Format() const;
};

// A font as face name and the 13 numbers of a Windows LOGFONT: height,
// width, escapement, orientation, weight, italic, underline, strike-out,
// character set, output precision, clip precision, quality, pitch and family.
// Unset (the system font) when the value is empty.
struct LogFontSetting {
    bool set = false;
    std::string face;
    std::array<int, 13> values{};
    int height() const { return values[0]; }
    int weight() const { return values[4]; }
    bool italic() const { return values[5] != 0; }
    bool Parse(std::string_view text);
    std::string Format() const;
};

// A flag field reads as 1 only when it is 1.
inline int Flag(int v) { return v == 1 ? 1 : 0; }

// A 0x00BBGGRR colour from its components.
constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

}  // namespace nuko::settings
