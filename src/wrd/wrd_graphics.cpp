#include "wrd_graphics.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace nuko::wrd {

namespace {

// Far enough outside the page for any figure a script can describe, small
// enough that squares and products stay exact in 64 and 128 bits.
constexpr std::int64_t kFar = std::int64_t{1} << 31;

std::int64_t Limit(std::int64_t v) { return std::clamp(v, -kFar, kFar); }

void Plot(Page& page, std::int64_t x, std::int64_t y, std::uint8_t colour, PlaneMask mask) {
    if (x < 0 || x >= kPageWidth || y < 0 || y >= kPageHeight) return;
    int px = static_cast<int>(x), py = static_cast<int>(y);
    std::uint8_t old = page.At(px, py);
    page.Set(px, py, static_cast<std::uint8_t>((colour & mask.planes) | (old & ~mask.planes & 15)));
}

void Span(Page& page, std::int64_t y, std::int64_t x1, std::int64_t x2, std::uint8_t colour, PlaneMask mask) {
    if (y < 0 || y >= kPageHeight) return;
    x1 = std::max<std::int64_t>(x1, 0);
    x2 = std::min<std::int64_t>(x2, kPageWidth - 1);
    if (x1 > x2) return;
    auto row = page.Row(static_cast<int>(y));
    std::uint8_t keep = static_cast<std::uint8_t>(~mask.planes & 15);
    std::uint8_t put = static_cast<std::uint8_t>(colour & mask.planes);
    for (std::int64_t x = x1; x <= x2; ++x) {
        auto& p = row[static_cast<std::size_t>(x)];
        p = static_cast<std::uint8_t>(put | (p & keep));
    }
}

bool PatternBit(std::uint8_t pattern, std::int64_t i) {
    if (pattern == 0) return true;
    return (pattern >> (7 - (i & 7))) & 1;
}

// Largest w with w * w <= v (v >= 0).
std::int64_t ISqrt(std::int64_t v) {
    if (v <= 0) return 0;
    auto w = static_cast<std::int64_t>(std::sqrt(static_cast<long double>(v)));
    while (w > 0 && w * w > v) --w;
    while ((w + 1) * (w + 1) <= v) ++w;
    return w;
}

}  // namespace

std::int64_t DrawLine(Page& page, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                      std::uint8_t colour, std::uint8_t pattern, PlaneMask mask, std::int64_t phase) {
    x1 = Limit(x1), y1 = Limit(y1), x2 = Limit(x2), y2 = Limit(y2);
    std::int64_t dx = x2 >= x1 ? x2 - x1 : x1 - x2;
    std::int64_t dy = y2 >= y1 ? y2 - y1 : y1 - y2;
    int sx = x2 >= x1 ? 1 : -1;
    int sy = y2 >= y1 ? 1 : -1;
    bool x_major = dx >= dy;
    std::int64_t n = x_major ? dx : dy;         // the points are i = 0..n
    std::int64_t minor_d = x_major ? dy : dx;
    std::int64_t major0 = x_major ? x1 : y1;
    int major_step = x_major ? sx : sy;
    std::int64_t extent = x_major ? kPageWidth : kPageHeight;
    // Only the steps whose major coordinate lies on the page can draw.
    std::int64_t lo = major_step > 0 ? -major0 : major0 - (extent - 1);
    std::int64_t hi = major_step > 0 ? extent - 1 - major0 : major0;
    lo = std::max<std::int64_t>(lo, 0);
    hi = std::min(hi, n);
    for (std::int64_t i = lo; i <= hi; ++i) {
        // Nearest point of the minor axis, halves rounded away from the start.
        __int128 num = static_cast<__int128>(2) * i * minor_d + n;
        std::int64_t minor = n == 0 ? 0 : static_cast<std::int64_t>(num / (static_cast<__int128>(2) * n));
        if (!PatternBit(pattern, phase + i)) continue;
        std::int64_t x = x_major ? x1 + sx * i : x1 + sx * minor;
        std::int64_t y = x_major ? y1 + sy * minor : y1 + sy * i;
        Plot(page, x, y, colour, mask);
    }
    return phase + n + 1;
}

void DrawBox(Page& page, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
             std::uint8_t colour, std::uint8_t pattern, PlaneMask mask) {
    x1 = Limit(x1), y1 = Limit(y1), x2 = Limit(x2), y2 = Limit(y2);
    std::int64_t l = std::min(x1, x2), r = std::max(x1, x2);
    std::int64_t t = std::min(y1, y2), b = std::max(y1, y2);
    if (l == r || t == b) {
        DrawLine(page, l, t, r, b, colour, pattern, mask);
        return;
    }
    // Once around, each corner drawn once.
    std::int64_t phase = DrawLine(page, l, t, r, t, colour, pattern, mask);
    phase = DrawLine(page, r, t + 1, r, b, colour, pattern, mask, phase);
    phase = DrawLine(page, r - 1, b, l, b, colour, pattern, mask, phase);
    if (b - 1 >= t + 1) DrawLine(page, l, b - 1, l, t + 1, colour, pattern, mask, phase);
}

void FillBox(Page& page, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
             std::uint8_t colour, PlaneMask mask) {
    std::int64_t t = std::max<std::int64_t>(std::min(y1, y2), 0);
    std::int64_t b = std::min<std::int64_t>(std::max(y1, y2), kPageHeight - 1);
    for (std::int64_t y = t; y <= b; ++y) Span(page, y, std::min(x1, x2), std::max(x1, x2), colour, mask);
}

void DrawCircle(Page& page, std::int64_t cx, std::int64_t cy, std::int64_t r, std::uint8_t colour,
                bool filled, std::uint8_t fill, PlaneMask mask) {
    if (r < 0) return;
    cx = Limit(cx), cy = Limit(cy), r = std::min(r, kFar);
    std::int64_t top = std::max(-r, -cy);
    std::int64_t bottom = std::min(r, kPageHeight - 1 - cy);
    auto half_width = [&](std::int64_t dy) { return dy > r ? -1 : ISqrt(r * r + r - dy * dy); };
    if (filled) {
        for (std::int64_t dy = top; dy <= bottom; ++dy) {
            std::int64_t w = half_width(dy < 0 ? -dy : dy);
            Span(page, cy + dy, cx - w, cx + w, fill, mask);
        }
    }
    for (std::int64_t dy = top; dy <= bottom; ++dy) {
        std::int64_t ady = dy < 0 ? -dy : dy;
        std::int64_t w = half_width(ady);
        // The points with a neighbour outside the circle: the ends of the
        // row, and what sticks out beyond the next row toward the edge.
        std::int64_t from = std::min(std::max<std::int64_t>(half_width(ady + 1) + 1, 0), w);
        Span(page, cy + dy, cx + from, cx + w, colour, mask);
        Span(page, cy + dy, cx - w, cx - from, colour, mask);
    }
}

void ClearPlanes(Page& page, std::uint8_t planes) {
    std::uint8_t keep = static_cast<std::uint8_t>(~planes & 15);
    for (auto& p : page.Points()) p &= keep;
}

void MoveBlock(Page& from, Page& to, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
               std::int64_t x3, std::int64_t y3, bool exchange) {
    x1 = Limit(x1), y1 = Limit(y1), x2 = Limit(x2), y2 = Limit(y2), x3 = Limit(x3), y3 = Limit(y3);
    std::int64_t sx = std::min(x1, x2), sy = std::min(y1, y2);
    std::int64_t w = std::max(x1, x2) - sx + 1, h = std::max(y1, y2) - sy + 1;
    // The offsets inside the block at which both ends lie on their pages.
    std::int64_t ox0 = std::max<std::int64_t>({0, -sx, -x3});
    std::int64_t ox1 = std::min<std::int64_t>({w, kPageWidth - sx, kPageWidth - x3});
    std::int64_t oy0 = std::max<std::int64_t>({0, -sy, -y3});
    std::int64_t oy1 = std::min<std::int64_t>({h, kPageHeight - sy, kPageHeight - y3});
    if (ox0 >= ox1 || oy0 >= oy1) return;
    auto cw = static_cast<std::size_t>(ox1 - ox0);
    auto ch = static_cast<std::size_t>(oy1 - oy0);
    auto grab = [&](Page& page, std::int64_t bx, std::int64_t by) {
        std::vector<std::uint8_t> block(cw * ch);
        for (std::size_t j = 0; j < ch; ++j) {
            auto row = page.Row(static_cast<int>(by + oy0 + static_cast<std::int64_t>(j)));
            std::copy_n(row.begin() + bx + ox0, cw, block.begin() + static_cast<std::ptrdiff_t>(j * cw));
        }
        return block;
    };
    auto put = [&](Page& page, std::int64_t bx, std::int64_t by, const std::vector<std::uint8_t>& block) {
        for (std::size_t j = 0; j < ch; ++j) {
            auto row = page.Row(static_cast<int>(by + oy0 + static_cast<std::int64_t>(j)));
            std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(j * cw), cw, row.begin() + bx + ox0);
        }
    };
    std::vector<std::uint8_t> source = grab(from, sx, sy);
    if (exchange) put(from, sx, sy, grab(to, x3, y3));
    put(to, x3, y3, source);
}

}  // namespace nuko::wrd
