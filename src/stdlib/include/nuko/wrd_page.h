// The graphics page of the WRD screen: 640 x 400 points of 4-bit colour
// indices, one byte per point, and the 16 colours those indices stand for.
//
// Pictures, lines and boxes are drawn into a page in this fixed space; the
// screen scales it to its window only when it composes what it shows. A page
// never holds colours itself, so changing one colour of the table recolours
// every point of that index at once, as the palette commands of the scripts
// expect.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nuko::wrd {

inline constexpr int kPageWidth = 640;
inline constexpr int kPageHeight = 400;
inline constexpr std::size_t kPagePoints = std::size_t{kPageWidth} * kPageHeight;

// A colour of the 4096-colour hardware: three 4-bit components (0-15).
struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    // From and to the 12-bit form 0xRGB used by the scripts' palettes.
    static constexpr Color FromRgb12(std::uint16_t rgb) {
        return {static_cast<std::uint8_t>((rgb >> 8) & 15), static_cast<std::uint8_t>((rgb >> 4) & 15),
                static_cast<std::uint8_t>(rgb & 15)};
    }
    constexpr std::uint16_t Rgb12() const {
        return static_cast<std::uint16_t>((r & 15) << 8 | (g & 15) << 4 | (b & 15));
    }
    // A component on an 8-bit display: c x 17, so 15 becomes 255.
    static constexpr std::uint8_t To8Bit(std::uint8_t c) { return static_cast<std::uint8_t>((c & 15) * 17); }
    // 0xFFRRGGBB, the form of QImage's RGB32 and ARGB32 points.
    constexpr std::uint32_t Argb32() const {
        return 0xFF000000u | std::uint32_t{To8Bit(r)} << 16 | std::uint32_t{To8Bit(g)} << 8 | To8Bit(b);
    }

    friend constexpr bool operator==(const Color&, const Color&) = default;
};

using ColorTable = std::array<Color, 16>;

// The 8 digital colours: index bit 0 blue, bit 1 red, bit 2 green, each at
// full strength. Indices 8-15 repeat them (bit 3 has no colour of its own).
inline constexpr ColorTable kDigitalColors = [] {
    ColorTable t{};
    for (int i = 0; i < 16; ++i) {
        t[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i & 2 ? 15 : 0),
                                          static_cast<std::uint8_t>(i & 4 ? 15 : 0),
                                          static_cast<std::uint8_t>(i & 1 ? 15 : 0)};
    }
    return t;
}();

// The points of a page, row by row from the top: the point (x, y) is at
// y * kPageWidth + x and holds an index 0-15. Whoever owns the memory (a Page,
// or a caller of the C interface) hands it to the drawing routines as this.
using PagePoints = std::span<std::uint8_t, kPagePoints>;
using ConstPagePoints = std::span<const std::uint8_t, kPagePoints>;

class Page {
public:
    // Every point index 0; the colours are the digital ones until the owner
    // sets its own.
    Page();

    static constexpr bool Contains(int x, int y) {
        return x >= 0 && x < kPageWidth && y >= 0 && y < kPageHeight;
    }
    // x and y must lie inside the page.
    std::uint8_t At(int x, int y) const { return points_[Offset(x, y)]; }
    void Set(int x, int y, std::uint8_t index) { points_[Offset(x, y)] = index & 15; }
    // The kPageWidth points of row y (0 <= y < kPageHeight).
    std::span<std::uint8_t> Row(int y) { return Points().subspan(Offset(0, y), kPageWidth); }
    std::span<const std::uint8_t> Row(int y) const { return Points().subspan(Offset(0, y), kPageWidth); }

    void Fill(std::uint8_t index);

    PagePoints Points() { return PagePoints(points_.data(), kPagePoints); }
    ConstPagePoints Points() const { return ConstPagePoints(points_.data(), kPagePoints); }

    ColorTable& Colors() { return colors_; }
    const ColorTable& Colors() const { return colors_; }

    // The page as 0xFFRRGGBB points (kPagePoints of them), through its colours.
    std::vector<std::uint32_t> ToArgb32() const;

private:
    static constexpr std::size_t Offset(int x, int y) {
        return static_cast<std::size_t>(y) * kPageWidth + static_cast<std::size_t>(x);
    }

    std::vector<std::uint8_t> points_;
    ColorTable colors_;
};

}  // namespace nuko::wrd
