#include "wrd_text_layers.h"

#include <algorithm>
#include <cstring>

#include "wrd_text_grid.h"

namespace nuko::wrd {

void TextLayers::Resize(int cell_width, int cell_height) {
    cell_width_ = std::max(cell_width, 1);
    cell_height_ = std::max(cell_height, 1);
    width_ = cell_width_ * kColumns;
    height_ = cell_height_ * kRows;
    colour_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kBlack);
    mask_.assign(colour_.size(), kWhite);
}

void TextLayers::FillCells(int row, int c1, int c2, std::uint8_t colour, std::uint8_t mask) {
    if (row < 0 || row >= kRows) return;
    c1 = std::max(c1, 0);
    c2 = std::min(c2, kColumns - 1);
    if (c1 > c2) return;
    int x0 = c1 * cell_width_;
    auto n = static_cast<std::size_t>((c2 - c1 + 1) * cell_width_);
    for (int y = row * cell_height_; y < (row + 1) * cell_height_; ++y) {
        std::memset(colour_.data() + Offset(x0, y), colour, n);
        std::memset(mask_.data() + Offset(x0, y), mask, n);
    }
}

void TextLayers::DrawGlyph(int x, int row, const GlyphMask& glyph, std::uint8_t colour, std::uint8_t mask) {
    if (row < 0 || row >= kRows || glyph.ink.size() < static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(std::max(glyph.height, 0)))
        return;
    int top = row * cell_height_;
    int rows = std::min(glyph.height, height_ - top);
    int from = std::max(0, -x);
    int to = std::min(glyph.width, width_ - x);
    for (int gy = 0; gy < rows; ++gy) {
        const std::uint8_t* ink = glyph.ink.data() + static_cast<std::size_t>(gy) * static_cast<std::size_t>(glyph.width);
        std::uint8_t* c = colour_.data() + Offset(0, top + gy);
        std::uint8_t* m = mask_.data() + Offset(0, top + gy);
        for (int gx = from; gx < to; ++gx) {
            if (!ink[gx]) continue;
            c[x + gx] = colour;
            m[x + gx] = mask;
        }
    }
}

void TextLayers::ClearRows(int r1, int r2) {
    r1 = std::max(r1, 0);
    r2 = std::min(r2, kRows - 1);
    for (int r = r1; r <= r2; ++r) FillCells(r, 0, kColumns - 1, kBlack, kWhite);
}

void TextLayers::MoveRows(int from_row, int to_row, int count) {
    auto bytes = static_cast<std::size_t>(count) * static_cast<std::size_t>(cell_height_) * static_cast<std::size_t>(width_);
    std::memmove(colour_.data() + Offset(0, to_row * cell_height_), colour_.data() + Offset(0, from_row * cell_height_), bytes);
    std::memmove(mask_.data() + Offset(0, to_row * cell_height_), mask_.data() + Offset(0, from_row * cell_height_), bytes);
}

void TextLayers::ScrollUp(int top, int n) {
    top = std::max(top, 0);
    if (top >= kRows || n <= 0) return;
    n = std::min(n, kRows - top);
    if (kRows - top - n > 0) MoveRows(top + n, top, kRows - top - n);
    ClearRows(kRows - n, kRows - 1);
}

void TextLayers::ScrollDown(int top, int n) {
    top = std::max(top, 0);
    if (top >= kRows || n <= 0) return;
    n = std::min(n, kRows - top);
    if (kRows - top - n > 0) MoveRows(top, top + n, kRows - top - n);
    ClearRows(top, top + n - 1);
}

}  // namespace nuko::wrd
