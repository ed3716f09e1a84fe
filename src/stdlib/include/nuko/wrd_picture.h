// Decoded WRD pictures and how they are placed on a graphics page.
//
// The decoders (mag_decoder.h, pho_decoder.h, picture_program.h) turn a
// file's bytes into a Picture: its own size, one colour index per point, and
// the colours, position and text the file carries. DrawPicture then writes
// the indices into a page; the page's colours are left to its owner, who
// decides whether to take the picture's colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nuko/wrd_page.h"

namespace nuko::wrd {

// The picture kinds, in the order in which companion files are looked for.
enum class PictureKind : int { Bmp = 0, Mag = 1, Pho = 2, Program = 3 };

struct Picture {
    PictureKind kind = PictureKind::Mag;
    // Its own size in points, as the file gives it (a MAG's width rounded to
    // whole 8-point units).
    int width = 0;
    int height = 0;
    // width x height indices 0-15, row by row from the top.
    std::vector<std::uint8_t> points;
    // The file's colours; a PHO screen has none and shows in the page's.
    bool has_colors = false;
    ColorTable colors{};
    // Where the picture asks to be drawn, in page coordinates.
    int x = 0;
    int y = 0;
    // A MAG made on a 200-line screen: each of its lines covers two page
    // lines, so it shows in the shape it was drawn in (its y above is
    // already doubled).
    bool double_lines = false;
    // Text that a picture program prints after its picture: CP932 bytes as
    // stored, without the closing 0x1A.
    std::string text;

    std::uint8_t At(int px, int py) const {
        return points[static_cast<std::size_t>(py) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(px)];
    }
};

// Where and how big a picture is drawn. x and y are page coordinates; -1 takes
// the position stored in the picture, and x is rounded down to a multiple of
// 8. A reduction of 2 or more draws the picture at 1/reduction of its size.
struct Placement {
    int x = -1;
    int y = -1;
    int reduction = 1;
};

// The area a picture covers once placed (before the page edges apply).
struct PlacedArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A PHO screen always covers the whole page at 0,0; other pictures go where
// `at` says.
PlacedArea Place(const Picture& picture, const Placement& at);

// Writes the picture's indices into the page and returns the number of points
// written. Points below the page are cut off. A MAG that runs past the right
// edge continues at the left edge of the same lines; other kinds are cut off
// there.
std::size_t DrawPicture(const Picture& picture, PagePoints page, const Placement& at);
inline std::size_t DrawPicture(const Picture& picture, Page& page, const Placement& at) {
    return DrawPicture(picture, page.Points(), at);
}

}  // namespace nuko::wrd
