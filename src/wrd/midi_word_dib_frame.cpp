#include "midi_word_dib_frame.h"

#include <algorithm>

#include "nuko/wrd_files.h"
#include "wrd_graphics.h"

namespace nuko::wrd {

CMidiWordDibFrame::CMidiWordDibFrame(GlyphSource* glyphs, Dispatcher* dispatcher)
    : CMidiWordFrame(glyphs, dispatcher) {
    ApplyPalette0();
}

void CMidiWordDibFrame::ResetScreen() {
    for (Page& p : pages_) p.Fill(0);
    graphics_mode_ = 15;
    CMidiWordFrame::ResetScreen();
}

void CMidiWordDibFrame::ApplyPalette0() {
    ColorTable colors = ToColorTable(palettes()[0]);
    for (Page& p : pages_) p.Colors() = colors;
}

bool CMidiWordDibFrame::LoadPicture(PictureKind kind, const std::string& path, int x, int y, int reduction,
                                    int palette_mode, std::string* text) {
    if (text) text->clear();
    auto picture = DrawPictureFile(path, kind, DrawPage().Points(), Placement{x, y, reduction}, palette_mode);
    if (!picture) return false;
    if (text) *text = picture->text;
    if (!picture->has_colors) return true;
    Palette colors = FromColorTable(picture->colors);
    PaletteBank& bank = palettes_mutable();
    if (kind == PictureKind::Mag) {
        bank[17] = colors;
        bank[18 + draw_page()] = colors;
    } else {
        bank.PagePalette(draw_page()) = colors;
    }
    if (palette_mode == kPaletteKeep) return true;
    if (kind == PictureKind::Mag) {
        fade().running = false;
        TakeColors(colors);
    } else {
        bank[0] = colors;
        ApplyPalette0();
    }
    return true;
}

void CMidiWordDibFrame::Circle(std::int64_t x, std::int64_t y, std::int64_t r, std::int64_t colour,
                               std::int64_t mode, std::int64_t fill) {
    if (graphics_mode_ == 0 || mode < 0 || mode > 2) return;
    int bits = reader().version() == 379 || graphics_mode_ == 7 ? 7 : 15;
    DrawCircle(DrawPage(), x, y, r, static_cast<std::uint8_t>(colour & bits), mode == 2,
               static_cast<std::uint8_t>(fill & bits), PlaneMask{static_cast<std::uint8_t>(graphics_mode_)});
}

void CMidiWordDibFrame::ClearGraphics(std::int64_t n) {
    if (graphics_mode_ == 0) return;
    if (n == 0) n = 15;
    ClearPlanes(DrawPage(), static_cast<std::uint8_t>(n & 15));
}

void CMidiWordDibFrame::LineOrBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                                  std::int64_t colour, std::int64_t mode, std::int64_t pattern) {
    if (graphics_mode_ == 0) return;
    auto c = static_cast<std::uint8_t>(colour & 15);
    // Without a pattern of 0-15 the colour number is the pattern.
    auto dash = static_cast<std::uint8_t>(pattern >= 0 && pattern <= 15 ? pattern : c);
    PlaneMask mask{static_cast<std::uint8_t>(graphics_mode_)};
    switch (mode) {
        case 0: DrawLine(DrawPage(), x1, y1, x2, y2, c, dash, mask); break;
        case 1: DrawBox(DrawPage(), x1, y1, x2, y2, c, dash, mask); break;
        case 2: FillBox(DrawPage(), x1, y1, x2, y2, dash, mask); break;
        default: break;
    }
}

void CMidiWordDibFrame::SetGraphicsMode(std::int64_t n) {
    graphics_mode_ = static_cast<int>(std::clamp<std::int64_t>(n, 0, 15));
}

void CMidiWordDibFrame::BlockMove(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                                  std::int64_t x3, std::int64_t y3, std::int64_t from_page, std::int64_t to_page,
                                  std::int64_t mode) {
    if (graphics_mode_ == 0) return;
    // Only 0 and 1 name pages.
    if (from_page < 0 || from_page > 1 || to_page < 0 || to_page > 1) return;
    // Whole 8-point columns: from the one holding x1 to the one holding x2.
    std::int64_t left = std::min(x1, x2), right = std::max(x1, x2);
    MoveBlock(pages_[static_cast<std::size_t>(from_page)], pages_[static_cast<std::size_t>(to_page)], left & ~7,
              y1, right | 7, y2, x3 & ~7, y3, mode != 0);
}

void CMidiWordDibFrame::ClearDisplayPage() { pages_[display_page() == 1 ? 1 : 0].Fill(0); }

}  // namespace nuko::wrd
