// Where the MIDI-Word screen gets the shapes of its characters. The screen
// model draws text into its layers itself; only the rasterising of one
// character in the chosen face is left to a glyph source, so the model needs
// no toolkit (the player and nu_kotool use the Qt one, wrd_qt_glyphs.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::wrd {

// One character's ink: width x height points, row by row, non-zero = ink.
struct GlyphMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink;
};

class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    // The face (as the settings name it, "ＭＳ 明朝") and size s in points:
    // a normal character cell is s / 2 wide and s high.
    virtual void SetFont(const std::string& face, int size) = 0;
    // One character of CP932 bytes (one byte, or a lead and a trail byte)
    // drawn at the left of a box of width x height points: the box is one
    // cell per byte wide, twice that with the double-width font, whose
    // characters are stretched to twice their width. Characters that have
    // no shape give an empty mask.
    virtual GlyphMask Render(std::string_view cp932, bool double_width, int width, int height) = 0;
};

}  // namespace nuko::wrd
