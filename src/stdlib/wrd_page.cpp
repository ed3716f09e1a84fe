#include "nuko/wrd_page.h"

#include <algorithm>

namespace nuko::wrd {

Page::Page() : points_(kPagePoints, 0), colors_(kDigitalColors) {}

void Page::Fill(std::uint8_t index) { std::fill(points_.begin(), points_.end(), index & 15); }

std::vector<std::uint32_t> Page::ToArgb32() const {
    std::array<std::uint32_t, 16> argb{};
    for (std::size_t i = 0; i < 16; ++i) argb[i] = colors_[i].Argb32();
    std::vector<std::uint32_t> out(kPagePoints);
    for (std::size_t i = 0; i < kPagePoints; ++i) out[i] = argb[points_[i] & 15];
    return out;
}

}  // namespace nuko::wrd
