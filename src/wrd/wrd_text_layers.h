// The two text layers of the MIDI-Word screen, at the window's size: the
// colour layer (characters in their colours on black) and the mask layer
// (white where there is no text). The screen shows
// (graphics | colour) & mask, so plain text covers the graphics in its
// colour, and reverse text fills its cell with the colour and lets the
// graphics show through the letters.
//
// Points hold 3-bit colours (4 red, 2 green, 1 blue at full strength), the
// only colours text has.
#pragma once

#include <cstdint>
#include <vector>

#include "wrd_glyphs.h"

namespace nuko::wrd {

class TextLayers {
public:
    // Cell size in points; the layers are 80 x 25 cells, colour black and
    // mask white.
    void Resize(int cell_width, int cell_height);

    int cell_width() const { return cell_width_; }
    int cell_height() const { return cell_height_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Fills the cells c1..c2 of a row: colour layer and mask layer each with
    // their own colour.
    void FillCells(int row, int c1, int c2, std::uint8_t colour, std::uint8_t mask);
    // Sets the ink points of a glyph whose box starts at point x of a row's
    // top: colour layer and mask layer each to their colour. Clipped to the
    // layers.
    void DrawGlyph(int x, int row, const GlyphMask& glyph, std::uint8_t colour, std::uint8_t mask);
    // Rows r1..r2 back to no text.
    void ClearRows(int r1, int r2);
    // Moves the points of text rows top..24 up or down by n rows; the rows
    // freed are cleared.
    void ScrollUp(int top, int n);
    void ScrollDown(int top, int n);

    const std::uint8_t* ColourRow(int y) const { return colour_.data() + Offset(0, y); }
    const std::uint8_t* MaskRow(int y) const { return mask_.data() + Offset(0, y); }

private:
    std::size_t Offset(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }
    void MoveRows(int from_row, int to_row, int count);

    int cell_width_ = 0;
    int cell_height_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> colour_;
    std::vector<std::uint8_t> mask_;
};

}  // namespace nuko::wrd
