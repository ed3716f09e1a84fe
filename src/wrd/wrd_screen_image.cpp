#include "wrd_screen_image.h"

#include <cstring>

namespace nuko::wrd {

QImage ToQImage(const RgbImage& image) {
    QImage out(image.width, image.height, QImage::Format_RGB32);
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(out.scanLine(y), image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width),
                    static_cast<std::size_t>(image.width) * sizeof(std::uint32_t));
    }
    return out;
}

bool WriteScreenPng(const RgbImage& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0) return false;
    return ToQImage(image).save(QString::fromStdString(path), "PNG");
}

}  // namespace nuko::wrd
