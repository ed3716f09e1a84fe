#include "nuko/pho_decoder.h"

#include <cstdint>

namespace nuko::wrd {

std::optional<Picture> DecodePho(std::string_view bytes) {
    if (bytes.size() < kPhoBytes) return std::nullopt;
    const auto* blue = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::uint8_t* red = blue + kPhoPlaneBytes;
    const std::uint8_t* green = red + kPhoPlaneBytes;

    Picture pic;
    pic.kind = PictureKind::Pho;
    pic.width = kPageWidth;
    pic.height = kPageHeight;
    pic.points.resize(kPagePoints);
    std::uint8_t* out = pic.points.data();
    for (std::size_t i = 0; i < kPhoPlaneBytes; ++i) {
        unsigned b = blue[i], r = red[i], g = green[i];
        for (int bit = 7; bit >= 0; --bit)
            *out++ = static_cast<std::uint8_t>(((g >> bit) & 1) << 2 | ((r >> bit) & 1) << 1 | ((b >> bit) & 1));
    }
    return pic;
}

}  // namespace nuko::wrd
