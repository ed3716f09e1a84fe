#include "nuko/picture_program.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::wrd {

namespace {

constexpr std::size_t kColorsAt = 10;
// A code tree of 256 leaves has 511 nodes; a longer one is damaged.
constexpr std::size_t kMaxTreeNodes = 511;
constexpr int kReferenceLines = 16;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// The picture data as plain bytes.
class PlainSource {
public:
    PlainSource(const std::uint8_t* p, std::size_t n) : begin_(p), p_(p), end_(p + n) {}
    bool Next(std::uint8_t& out) {
        if (p_ == end_) return false;
        out = *p_++;
        return true;
    }
    std::size_t Used() const { return static_cast<std::size_t>(p_ - begin_); }

private:
    const std::uint8_t* begin_;
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

// The picture data through the code tree that precedes it.
class HuffmanSource {
public:
    HuffmanSource(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}

    // Reads the tree in the order it is stored, without recursion, so that a
    // hostile file cannot exhaust the stack.
    bool ReadTree() {
        struct Slot {
            std::size_t node;
            int side;
        };
        std::vector<Slot> open;
        open.push_back({kNone, 0});
        while (!open.empty()) {
            Slot slot = open.back();
            open.pop_back();
            if (nodes_.size() == kMaxTreeNodes) return false;
            int bit = Bit();
            if (bit < 0) return false;
            std::size_t index = nodes_.size();
            nodes_.push_back({});
            if (slot.node != kNone) nodes_[slot.node].child[slot.side] = index;
            if (bit == 1) {
                int value = 0;
                for (int i = 0; i < 8; ++i) {
                    int b = Bit();
                    if (b < 0) return false;
                    value = value << 1 | b;
                }
                nodes_[index].leaf = true;
                nodes_[index].value = static_cast<std::uint8_t>(~value);
            } else {
                // The bit-0 subtree comes first, so it is taken first.
                open.push_back({index, 1});
                open.push_back({index, 0});
            }
        }
        return true;
    }

    bool Next(std::uint8_t& out) {
        std::size_t node = 0;
        while (!nodes_[node].leaf) {
            int bit = Bit();
            if (bit < 0) return false;
            node = nodes_[node].child[bit];
        }
        out = nodes_[node].value;
        return true;
    }

    std::size_t Used() const { return (bits_ + 7) / 8; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Node {
        bool leaf = false;
        std::uint8_t value = 0;
        std::size_t child[2] = {0, 0};
    };

    int Bit() {
        if (bits_ / 8 >= n_) return -1;
        int bit = (p_[bits_ / 8] >> (7 - bits_ % 8)) & 1;
        ++bits_;
        return bit;
    }

    const std::uint8_t* p_;
    std::size_t n_;
    std::size_t bits_ = 0;
    std::vector<Node> nodes_;
};

// Decodes the stored planes into `planes` (4 planes of width x height bytes).
template <typename Source>
bool DecodePlanes(Source& source, const ProgramHeader& h, std::array<std::vector<std::uint8_t>, 4>& planes) {
    const std::size_t width = static_cast<std::size_t>(h.width_bytes);
    // The lines decoded so far, newest last, as (plane, line) pairs.
    std::array<std::pair<int, int>, kReferenceLines> recent{};
    int recent_count = 0;
    int recent_next = 0;
    for (int y = 0; y < h.height; ++y) {
        for (int p = 0; p < h.planes; ++p) {
            std::uint8_t control = 0;
            if (!source.Next(control)) return false;
            int back = control >> 4;
            const std::uint8_t* ref = nullptr;
            if (back < recent_count) {
                auto [rp, ry] = recent[static_cast<std::size_t>((recent_next - 1 - back + kReferenceLines) % kReferenceLines)];
                ref = planes[static_cast<std::size_t>(rp)].data() + static_cast<std::size_t>(ry) * width;
            }
            std::uint8_t* line = planes[static_cast<std::size_t>(p)].data() + static_cast<std::size_t>(y) * width;
            for (std::size_t group = 0; group < width; group += 8) {
                std::uint8_t mask = 0;
                if (!source.Next(mask)) return false;
                std::size_t count = std::min<std::size_t>(8, width - group);
                for (std::size_t i = 0; i < count; ++i) {
                    std::uint8_t& out = line[group + i];
                    if (mask & (0x80 >> i)) {
                        out = ref ? ref[group + i] : 0;
                    } else if (!source.Next(out)) {
                        return false;
                    }
                }
            }
            recent[static_cast<std::size_t>(recent_next)] = {p, y};
            recent_next = (recent_next + 1) % kReferenceLines;
            if (recent_count < kReferenceLines) ++recent_count;
        }
    }
    return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<ProgramHeader> ReadProgramHeader(std::string_view bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    ProgramHeader h;
    if (bytes.size() > 4 && data[3] == 0x9F && data[4] == 0x03) {
        h.layout = ProgramLayout::Plain;
        h.header_at = kPlainHeaderOffset;
        h.data_at = kPlainHeaderOffset + kPlainDataOffset;
    } else if (bytes.size() > 5 && data[4] == 0x5E && data[5] == 0x04) {
        h.layout = ProgramLayout::Huffman;
        h.header_at = kHuffmanHeaderOffset;
        h.data_at = kHuffmanHeaderOffset + kHuffmanDataOffset;
    } else {
        return std::nullopt;
    }
    if (bytes.size() < h.data_at) return std::nullopt;
    const std::uint8_t* p = data + h.header_at;
    h.flags = p[0];
    h.pages = p[1];
    h.planes = p[2] & 15;
    h.fill_ones = p[3] & 1;
    h.screen_offset = Le16(p + 4);
    h.width_bytes = Le16(p + 6);
    h.height = Le16(p + 8);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint8_t* c = p + kColorsAt + i * 3;
        h.colors[i] = {static_cast<std::uint8_t>(c[1] & 15), static_cast<std::uint8_t>(c[2] & 15),
                       static_cast<std::uint8_t>(c[0] & 15)};
    }
    return h;
}

std::optional<Picture> DecodeProgram(std::string_view bytes) {
    auto header = ReadProgramHeader(bytes);
    if (!header) return std::nullopt;
    const ProgramHeader& h = *header;
    if (h.width_bytes <= 0 || h.height <= 0 || h.width_bytes * 8 > kPageWidth || h.height > kPageHeight ||
        h.planes > 4)
        return std::nullopt;

    const std::size_t plane_size = static_cast<std::size_t>(h.width_bytes) * static_cast<std::size_t>(h.height);
    const std::uint8_t fill = h.PreFills() && h.fill_ones ? 0xFF : 0x00;
    std::array<std::vector<std::uint8_t>, 4> planes;
    for (auto& plane : planes) plane.assign(plane_size, fill);

    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data()) + h.data_at;
    const std::size_t data_size = bytes.size() - h.data_at;
    std::size_t used = 0;
    if (h.HasPicture()) {
        if (h.layout == ProgramLayout::Plain) {
            PlainSource source(data, data_size);
            if (!DecodePlanes(source, h, planes)) return std::nullopt;
            used = source.Used();
        } else {
            HuffmanSource source(data, data_size);
            if (!source.ReadTree() || !DecodePlanes(source, h, planes)) return std::nullopt;
            used = source.Used();
        }
    }

    Picture pic;
    pic.kind = PictureKind::Program;
    pic.width = h.width_bytes * 8;
    pic.height = h.height;
    pic.x = h.X();
    pic.y = h.Y();
    pic.has_colors = true;
    pic.colors = h.planes > 3 ? h.colors : kDigitalColors;
    pic.points.resize(plane_size * 8);
    std::uint8_t* out = pic.points.data();
    for (std::size_t i = 0; i < plane_size; ++i) {
        unsigned b0 = planes[0][i], b1 = planes[1][i], b2 = planes[2][i], b3 = planes[3][i];
        for (int bit = 7; bit >= 0; --bit)
            *out++ = static_cast<std::uint8_t>(((b3 >> bit) & 1) << 3 | ((b2 >> bit) & 1) << 2 |
                                               ((b1 >> bit) & 1) << 1 | ((b0 >> bit) & 1));
    }

    if (h.HasText()) {
        std::string_view rest = bytes.substr(h.data_at + used);
        rest = rest.substr(0, rest.find('\x1a'));
        pic.text = std::string(text::Cp932Cut(rest, kProgramTextMax));
    }
    return pic;
}

bool IsClearProgram(std::string_view path) {
    return text::AsciiLowered(path::FileName(path)).find("gcls.com") != std::string::npos;
}

ProgramCall ProgramCallFor(const ProgramHeader& h, std::string_view parameter) {
    ProgramCall call;
    std::uint16_t offset = h.screen_offset;
    if (parameter.size() == 6 && IsDigit(parameter[2]) && IsDigit(parameter[3]) && IsDigit(parameter[4]) &&
        IsDigit(parameter[5])) {
        call.draw_page = parameter[0] & 1;
        call.display_page = parameter[1] & 1;
        int column = (parameter[2] - '0') * 10 + (parameter[3] - '0');
        int row = (parameter[4] - '0') * 10 + (parameter[5] - '0');
        offset = static_cast<std::uint16_t>(row * 5 * 256 + column);
    } else {
        call.draw_page = h.DrawPage();
        call.display_page = h.DisplayPage();
    }
    call.x = offset % 80 * 8;
    call.y = offset / 80;
    call.graphics_on = !h.KeepsGraphicsSwitch();
    return call;
}

}  // namespace nuko::wrd
