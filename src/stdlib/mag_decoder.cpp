#include "nuko/mag_decoder.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace nuko::wrd {

namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kPaletteSize = 48;
// Screen mode bits of header byte 3.
constexpr std::uint8_t kMode200Lines = 0x01;
constexpr std::uint8_t kMode256Colors = 0x80;

// The copy positions of flags 1-15: two-byte steps to the left and lines up.
constexpr int kStepsLeft[16] = {0, 1, 2, 4, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
constexpr int kLinesUp[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
// Enough lines for the furthest copy (16 up) plus the current one.
constexpr int kRingLines = 17;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// A stream of bytes that knows where the file ends.
class ByteStream {
public:
    ByteStream(const std::uint8_t* p, std::size_t n) : p_(p), end_(p + n) {}
    bool Next(std::uint8_t& out) {
        if (p_ == end_) return false;
        out = *p_++;
        return true;
    }
    bool Next2(std::uint8_t* out) {
        if (end_ - p_ < 2) return false;
        out[0] = p_[0];
        out[1] = p_[1];
        p_ += 2;
        return true;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

class BitStream {
public:
    BitStream(const std::uint8_t* p, std::size_t n) : bytes_(p, n) {}
    bool Next(bool& bit) {
        if (left_ == 0) {
            if (!bytes_.Next(current_)) return false;
            left_ = 8;
        }
        --left_;
        bit = (current_ >> left_) & 1;
        return true;
    }

private:
    ByteStream bytes_;
    std::uint8_t current_ = 0;
    int left_ = 0;
};

}  // namespace

std::optional<Picture> DecodeMag(std::string_view file) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.data());
    const std::size_t size = file.size();
    if (!file.starts_with("MAKI02")) return std::nullopt;
    std::size_t eof = file.find('\x1a');
    if (eof == std::string_view::npos) return std::nullopt;
    const std::size_t h = eof + 1;
    if (size - h < kHeaderSize + kPaletteSize) return std::nullopt;
    const std::uint8_t* header = data + h;
    if (header[0] != 0) return std::nullopt;
    const std::uint8_t mode = header[3];
    if (mode & kMode256Colors) return std::nullopt;

    const int start_x = Le16(header + 4);
    const int start_y = Le16(header + 6);
    const int end_x = Le16(header + 8);
    const int end_y = Le16(header + 10);
    if (end_x < start_x || end_y < start_y) return std::nullopt;
    const int left = start_x & ~7;
    const int width = ((end_x - left) / 8 + 1) * 8;
    const int height = end_y - start_y + 1;

    const std::size_t after_header = size - h;
    const std::uint32_t flag_a_at = Le32(header + 12);
    const std::uint32_t flag_b_at = Le32(header + 16);
    const std::uint32_t pixels_at = Le32(header + 24);
    if (flag_a_at > after_header || flag_b_at > after_header || pixels_at > after_header) return std::nullopt;
    BitStream flag_a(header + flag_a_at, after_header - flag_a_at);
    ByteStream flag_b(header + flag_b_at, after_header - flag_b_at);
    ByteStream pixels(header + pixels_at, after_header - pixels_at);

    Picture pic;
    pic.kind = PictureKind::Mag;
    pic.width = std::min(width, kPageWidth);
    pic.height = std::min(height, kPageHeight);
    pic.double_lines = (mode & kMode200Lines) != 0;
    pic.x = left;
    pic.y = pic.double_lines ? start_y * 2 : start_y;
    pic.has_colors = true;
    const std::uint8_t* palette = header + kHeaderSize;
    for (std::size_t i = 0; i < 16; ++i) {
        pic.colors[i] = {static_cast<std::uint8_t>(palette[i * 3 + 1] >> 4),
                         static_cast<std::uint8_t>(palette[i * 3] >> 4),
                         static_cast<std::uint8_t>(palette[i * 3 + 2] >> 4)};
    }
    pic.points.resize(static_cast<std::size_t>(pic.width) * static_cast<std::size_t>(pic.height));

    // Lines are decoded whole (the flags and copies need every unit) into a
    // ring of the last 17 lines; only the kept columns go to the picture.
    const std::size_t line_bytes = static_cast<std::size_t>(width) / 2;
    const std::size_t flag_bytes = static_cast<std::size_t>(width) / 8;
    std::vector<std::uint8_t> ring(line_bytes * kRingLines, 0);
    std::vector<std::uint8_t> flags(flag_bytes, 0);
    const std::size_t kept_bytes = static_cast<std::size_t>(pic.width) / 2;

    for (int y = 0; y < pic.height; ++y) {
        for (std::size_t i = 0; i < flag_bytes; ++i) {
            bool set = false;
            if (!flag_a.Next(set)) return std::nullopt;
            if (!set) continue;
            std::uint8_t b = 0;
            if (!flag_b.Next(b)) return std::nullopt;
            flags[i] ^= b;
        }
        std::uint8_t* line = ring.data() + static_cast<std::size_t>(y % kRingLines) * line_bytes;
        std::size_t at = 0;
        for (std::size_t i = 0; i < flag_bytes; ++i) {
            for (int shift = 4; shift >= 0; shift -= 4, at += 2) {
                int flag = (flags[i] >> shift) & 15;
                if (flag == 0) {
                    if (!pixels.Next2(line + at)) return std::nullopt;
                    continue;
                }
                // A well-formed file never copies from before the picture's
                // first line or left edge; treat such a position as empty.
                int from_y = y - kLinesUp[flag];
                std::ptrdiff_t from_x = static_cast<std::ptrdiff_t>(at) - 2 * kStepsLeft[flag];
                if (from_y < 0 || from_x < 0) {
                    line[at] = line[at + 1] = 0;
                    continue;
                }
                const std::uint8_t* src =
                    ring.data() + static_cast<std::size_t>(from_y % kRingLines) * line_bytes + static_cast<std::size_t>(from_x);
                line[at] = src[0];
                line[at + 1] = src[1];
            }
        }
        std::uint8_t* out = pic.points.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(pic.width);
        for (std::size_t i = 0; i < kept_bytes; ++i) {
            out[2 * i] = line[i] >> 4;
            out[2 * i + 1] = line[i] & 15;
        }
    }
    return pic;
}

}  // namespace nuko::wrd
