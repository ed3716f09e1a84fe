// The MIDI-Word screen with graphics: two 4-bit pages of 640 x 400 points
// whose colour tables follow palette 0, plane masks, lines, boxes, circles,
// block moves and pictures. This is the one graphics variant on Linux, where
// every display shows true colours.
#pragma once

#include <array>

#include "midi_word_frame.h"
#include "nuko/wrd_page.h"

namespace nuko::wrd {

class CMidiWordDibFrame : public CMidiWordFrame {
public:
    CMidiWordDibFrame(GlyphSource* glyphs, Dispatcher* dispatcher);

    const Page& page(int n) const { return pages_[n == 1 ? 1 : 0]; }
    // The plane mask of @GMOD; 0 turns drawing off.
    int graphics_mode() const { return graphics_mode_; }

    bool LoadPicture(PictureKind kind, const std::string& path, int x, int y, int reduction, int palette_mode,
                     std::string* text) override;
    void Circle(std::int64_t x, std::int64_t y, std::int64_t r, std::int64_t colour, std::int64_t mode,
                std::int64_t fill) override;
    void ClearGraphics(std::int64_t n) override;
    void LineOrBox(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t colour,
                   std::int64_t mode, std::int64_t pattern) override;
    void SetGraphicsMode(std::int64_t n) override;
    void BlockMove(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::int64_t x3,
                   std::int64_t y3, std::int64_t from_page, std::int64_t to_page, std::int64_t mode) override;
    void ClearDisplayPage() override;
    void ApplyPalette0() override;

protected:
    const Page* ShownPage() const override { return &pages_[display_page() == 1 ? 1 : 0]; }
    void ResetScreen() override;

private:
    Page& DrawPage() { return pages_[draw_page() == 1 ? 1 : 0]; }

    std::array<Page, 2> pages_;
    int graphics_mode_ = 15;
};

}  // namespace nuko::wrd
