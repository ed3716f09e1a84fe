// Drawing on the 4-bit graphics pages of the MIDI-Word screen: lines and
// boxes with 8-point dash patterns, circles, plane clearing and block moves.
// Coordinates are page points and may lie anywhere (scripts give numbers of
// any size): everything is clipped to the page, and the work done never
// depends on how far outside the page a figure reaches.
#pragma once

#include <cstdint>

#include "nuko/wrd_page.h"

namespace nuko::wrd {

// Which bit planes a drawing writes: a point drawn in colour c becomes
// (c & planes) | (old & ~planes). 15 writes all four.
struct PlaneMask {
    std::uint8_t planes = 15;
};

// A line from (x1, y1) to (x2, y2), both ends included. A pattern of 0 is
// solid; otherwise its 8 bits, from the highest, say point by point whether
// the point is drawn, repeating along the line from its start. `phase`
// shifts the pattern by that many points; the phase after the last point is
// returned, so joined lines continue one pattern.
std::int64_t DrawLine(Page& page, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                      std::uint8_t colour, std::uint8_t pattern, PlaneMask mask, std::int64_t phase = 0);

// The outline of the box with corners (x1, y1) and (x2, y2) (any order),
// both included, dashed like a line: the pattern runs once around it.
void DrawBox(Page& page, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
             std::uint8_t colour, std::uint8_t pattern, PlaneMask mask);

// The box with corners (x1, y1) and (x2, y2) filled.
void FillBox(Page& page, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
             std::uint8_t colour, PlaneMask mask);

// A circle of radius r around (cx, cy): the points x, y with
// x² + y² <= r² + r. Its outline in `colour`; when `filled`, the inside in
// `fill` first.
void DrawCircle(Page& page, std::int64_t cx, std::int64_t cy, std::int64_t r, std::uint8_t colour,
                bool filled, std::uint8_t fill, PlaneMask mask);

// Clears the bit planes set in `planes` on every point.
void ClearPlanes(Page& page, std::uint8_t planes);

// The block of points x1..x2, y1..y2 (any order, both included) of `from`
// goes to `to` with its top left at (x3, y3); with `exchange` the two
// blocks change places instead. The block is cut where either end leaves
// its page; overlapping blocks on one page move as if through a copy.
void MoveBlock(Page& from, Page& to, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
               std::int64_t x3, std::int64_t y3, bool exchange);

}  // namespace nuko::wrd
