// The palette bank of the MIDI-Word screen: 20 palettes of 16 colours in the
// 12-bit form 0xRGB, palette 0 being the one on screen; beside them the
// palette of each graphics page (switched in with the page) and the target
// of a running fade.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "nuko/wrd_page.h"

namespace nuko::wrd {

using Palette = std::array<std::uint16_t, 16>;

inline constexpr int kPaletteCount = 20;

// Palette 0 and the page palettes after a reset; the others are all 0.
inline constexpr Palette kResetPalette = {0x000, 0x00F, 0xF00, 0xF0F, 0x0F0, 0x0FF, 0xFF0, 0xFFF,
                                          0x888, 0x008, 0x800, 0x808, 0x080, 0x088, 0x880, 0xCCC};

ColorTable ToColorTable(const Palette& palette);
Palette FromColorTable(const ColorTable& colors);

// A palette fade under way. Times are WRD clocks.
struct Fade {
    bool running = false;
    std::int32_t next = 0;  // time of the next step; 0 until the reader schedules it
    std::int32_t interval = 1;
    std::int32_t end = 0;
    int repeats = 1;  // one-unit moves per step
};

class PaletteBank {
public:
    PaletteBank() { Reset(); }
    void Reset();

    // Palette n, limited to 0-19.
    Palette& operator[](int n) { return bank_[Limit(n)]; }
    const Palette& operator[](int n) const { return bank_[Limit(n)]; }
    // The palette of graphics page 0 or 1.
    Palette& PagePalette(int page) { return pages_[page == 1 ? 1 : 0]; }
    const Palette& PagePalette(int page) const { return pages_[page == 1 ? 1 : 0]; }
    // Both page palettes take palette 0.
    void CopyCurrentToPages() { pages_ = {bank_[0], bank_[0]}; }

    std::optional<Palette>& fade_target() { return fade_target_; }
    const std::optional<Palette>& fade_target() const { return fade_target_; }
    Fade& fade() { return fade_; }
    const Fade& fade() const { return fade_; }

    // Moves every 4-bit component of palette 0 one unit toward the fade
    // target. Returns true when palette 0 has reached it (also when there is
    // no target).
    bool MoveTowardTarget();

private:
    static std::size_t Limit(int n) { return static_cast<std::size_t>(n < 0 ? 0 : n >= kPaletteCount ? kPaletteCount - 1 : n); }

    std::array<Palette, kPaletteCount> bank_{};
    std::array<Palette, 2> pages_{};
    std::optional<Palette> fade_target_;
    Fade fade_;
};

}  // namespace nuko::wrd
