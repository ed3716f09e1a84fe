// PHO pictures: a raw dump of a whole 640 x 400 screen in three bit planes of
// 32000 bytes each (blue, red, green), 80 bytes per line, the highest bit
// leftmost. A point's index is green x 4 + red x 2 + blue.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "nuko/wrd_picture.h"

namespace nuko::wrd {

inline constexpr std::size_t kPhoPlaneBytes = 32000;
inline constexpr std::size_t kPhoBytes = 3 * kPhoPlaneBytes;

// A 640 x 400 picture at 0,0 without colours of its own (it shows in the
// page's). nullopt when the file is shorter than three planes; bytes after
// them are ignored.
std::optional<Picture> DecodePho(std::string_view bytes);

}  // namespace nuko::wrd
