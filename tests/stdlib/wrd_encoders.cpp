#include "wrd_encoders.h"

#include <algorithm>
#include <array>
#include <memory>
#include <queue>
#include <random>

namespace nuko::test {

namespace {

void PutLe16(std::string& s, std::size_t at, unsigned v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void PutLe32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

class BitWriter {
public:
    void Put(int bit) {
        if (n_ % 8 == 0) bytes_.push_back(0);
        if (bit) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> (n_ % 8)));
        ++n_;
    }
    void PutByte(unsigned v) {
        for (int i = 7; i >= 0; --i) Put((v >> i) & 1);
    }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
    std::size_t n_ = 0;
};

// Bit planes of a picture: plane k byte = bit k of 8 points, leftmost highest.
std::array<std::vector<std::uint8_t>, 4> ToPlanes(const std::vector<std::uint8_t>& points, std::size_t width_bytes,
                                                  std::size_t height) {
    std::array<std::vector<std::uint8_t>, 4> planes;
    for (auto& p : planes) p.assign(width_bytes * height, 0);
    for (std::size_t i = 0; i < width_bytes * height; ++i)
        for (int bit = 0; bit < 8; ++bit)
            for (int k = 0; k < 4; ++k)
                if (points[i * 8 + static_cast<std::size_t>(bit)] >> k & 1)
                    planes[static_cast<std::size_t>(k)][i] |= static_cast<std::uint8_t>(0x80 >> bit);
    return planes;
}

struct HuffNode {
    int value = -1;  // a leaf's byte, -1 for a node
    std::unique_ptr<HuffNode> child[2];
};

void WriteTree(const HuffNode& n, BitWriter& out) {
    if (n.value >= 0) {
        out.Put(1);
        out.PutByte(~static_cast<unsigned>(n.value) & 0xFF);
        return;
    }
    out.Put(0);
    WriteTree(*n.child[0], out);
    WriteTree(*n.child[1], out);
}

void Codes(const HuffNode& n, std::string path, std::array<std::string, 256>& codes) {
    if (n.value >= 0) {
        codes[static_cast<std::size_t>(n.value)] = path;
        return;
    }
    Codes(*n.child[0], path + '0', codes);
    Codes(*n.child[1], path + '1', codes);
}

std::string HuffmanCode(const std::string& data) {
    std::array<std::size_t, 256> count{};
    for (char c : data) ++count[static_cast<unsigned char>(c)];
    using Entry = std::pair<std::size_t, HuffNode*>;
    auto later = [](const Entry& a, const Entry& b) { return a.first > b.first; };
    std::priority_queue<Entry, std::vector<Entry>, decltype(later)> queue(later);
    for (int v = 0; v < 256; ++v) {
        if (!count[static_cast<std::size_t>(v)]) continue;
        auto* leaf = new HuffNode;
        leaf->value = v;
        queue.push({count[static_cast<std::size_t>(v)], leaf});
    }
    if (queue.empty()) {
        auto* leaf = new HuffNode;
        leaf->value = 0;
        queue.push({0, leaf});
    }
    // Two symbols at least, so that every code has a bit.
    if (queue.size() == 1) {
        auto* other = new HuffNode;
        other->value = queue.top().second->value ^ 1;
        queue.push({0, other});
    }
    while (queue.size() > 1) {
        Entry a = queue.top();
        queue.pop();
        Entry b = queue.top();
        queue.pop();
        auto* node = new HuffNode;
        node->child[0].reset(a.second);
        node->child[1].reset(b.second);
        queue.push({a.first + b.first, node});
    }
    std::unique_ptr<HuffNode> root(queue.top().second);
    std::array<std::string, 256> codes;
    Codes(*root, "", codes);
    BitWriter out;
    WriteTree(*root, out);
    for (char c : data)
        for (char bit : codes[static_cast<unsigned char>(c)]) out.Put(bit == '1');
    return out.Bytes();
}

}  // namespace

std::vector<std::uint8_t> PatternPoints(int width, int height, int colors, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> p(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int v;
            if (y < height / 3)
                v = (x / 16 + y / 8) % colors;  // blocks
            else if (y < 2 * height / 3)
                v = ((x + y) / 4) % colors;  // diagonal stripes
            else
                v = static_cast<int>(rng() % static_cast<unsigned>(colors));  // noise
            p[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(v);
        }
    }
    return p;
}

std::string EncodePho(const std::vector<std::uint8_t>& points) {
    auto planes = ToPlanes(points, 80, 400);
    std::string out;
    for (int k : {0, 1, 2}) out.append(planes[static_cast<std::size_t>(k)].begin(), planes[static_cast<std::size_t>(k)].end());
    return out;
}

std::string EncodeMag(const MagSpec& sample) {
    static constexpr int kStepsLeft[16] = {0, 1, 2, 4, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
    static constexpr int kLinesUp[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};
    const std::size_t line_bytes = static_cast<std::size_t>(sample.width) / 2;
    const std::size_t units = line_bytes / 2;
    auto byte_at = [&](std::size_t y, std::size_t b) {
        const std::uint8_t* p = &sample.points[y * static_cast<std::size_t>(sample.width) + b * 2];
        return static_cast<std::uint8_t>(p[0] << 4 | p[1]);
    };

    BitWriter flag_a;
    std::string flag_b, pixels;
    std::vector<std::uint8_t> previous(units / 2, 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(sample.height); ++y) {
        std::vector<std::uint8_t> flags(units / 2, 0);
        for (std::size_t u = 0; u < units; ++u) {
            int chosen = 0;
            for (int f = 1; f < 16 && !chosen; ++f) {
                std::size_t dx = static_cast<std::size_t>(kStepsLeft[f]), dy = static_cast<std::size_t>(kLinesUp[f]);
                if (dy > y || dx > u) continue;
                if (byte_at(y - dy, 2 * (u - dx)) == byte_at(y, 2 * u) &&
                    byte_at(y - dy, 2 * (u - dx) + 1) == byte_at(y, 2 * u + 1))
                    chosen = f;
            }
            if (!chosen) {
                pixels += static_cast<char>(byte_at(y, 2 * u));
                pixels += static_cast<char>(byte_at(y, 2 * u + 1));
            }
            flags[u / 2] |= static_cast<std::uint8_t>(chosen << (u % 2 ? 0 : 4));
        }
        for (std::size_t i = 0; i < flags.size(); ++i) {
            std::uint8_t d = flags[i] ^ previous[i];
            flag_a.Put(d != 0);
            if (d) flag_b += static_cast<char>(d);
        }
        previous = flags;
    }

    std::string out = "MAKI02  TEST";
    out += std::string("test user", 9) + std::string(9, ' ');
    out += sample.comment;
    out += '\x1a';
    std::string header(32 + 48, '\0');
    header[3] = static_cast<char>(sample.screen_mode);
    int left = sample.start_x & ~7;
    PutLe16(header, 4, static_cast<unsigned>(sample.start_x));
    PutLe16(header, 6, static_cast<unsigned>(sample.start_y));
    PutLe16(header, 8, static_cast<unsigned>(left + sample.width - 1));
    PutLe16(header, 10, static_cast<unsigned>(sample.start_y + sample.height - 1));
    std::uint32_t a_at = 80, b_at = a_at + static_cast<std::uint32_t>(flag_a.Bytes().size());
    std::uint32_t p_at = b_at + static_cast<std::uint32_t>(flag_b.size());
    PutLe32(header, 12, a_at);
    PutLe32(header, 16, b_at);
    PutLe32(header, 20, static_cast<std::uint32_t>(flag_b.size()));
    PutLe32(header, 24, p_at);
    PutLe32(header, 28, static_cast<std::uint32_t>(pixels.size()));
    for (std::size_t i = 0; i < 16; ++i) {
        header[32 + i * 3] = static_cast<char>(sample.colors[i].g << 4);
        header[32 + i * 3 + 1] = static_cast<char>(sample.colors[i].r << 4);
        header[32 + i * 3 + 2] = static_cast<char>(sample.colors[i].b << 4);
    }
    return out + header + flag_a.Bytes() + flag_b + pixels;
}

std::string EncodeProgram(const ProgramSpec& sample) {
    bool plain = sample.layout == wrd::ProgramLayout::Plain;
    std::size_t header_at = plain ? wrd::kPlainHeaderOffset : wrd::kHuffmanHeaderOffset;
    std::size_t data_at = header_at + (plain ? wrd::kPlainDataOffset : wrd::kHuffmanDataOffset);
    std::string out(data_at, '\0');
    // The loader code the real programs carry; only its marker bytes matter.
    out[0] = '\xEB';
    if (plain) {
        out[3] = '\x9F';
        out[4] = '\x03';
    } else {
        out[4] = '\x5E';
        out[5] = '\x04';
    }
    out[header_at] = static_cast<char>(sample.flags);
    out[header_at + 1] = static_cast<char>(sample.pages);
    out[header_at + 2] = static_cast<char>(sample.planes);
    out[header_at + 3] = sample.fill_ones ? '\x01' : '\0';
    PutLe16(out, header_at + 4, sample.screen_offset);
    PutLe16(out, header_at + 6, static_cast<unsigned>(sample.width_bytes));
    PutLe16(out, header_at + 8, static_cast<unsigned>(sample.height));
    for (std::size_t i = 0; i < 16; ++i) {
        out[header_at + 10 + i * 3] = static_cast<char>(sample.colors[i].b);
        out[header_at + 11 + i * 3] = static_cast<char>(sample.colors[i].r);
        out[header_at + 12 + i * 3] = static_cast<char>(sample.colors[i].g);
    }

    if (sample.flags & 0x04) {
        const std::size_t width = static_cast<std::size_t>(sample.width_bytes);
        auto planes = ToPlanes(sample.points, width, static_cast<std::size_t>(sample.height));
        std::vector<const std::uint8_t*> recent;  // newest last
        const std::vector<std::uint8_t> empty(width, 0);
        std::string data;
        for (std::size_t y = 0; y < static_cast<std::size_t>(sample.height); ++y) {
            for (std::size_t p = 0; p < static_cast<std::size_t>(sample.planes); ++p) {
                const std::uint8_t* line = planes[p].data() + y * width;
                // Back reference 15 is an empty line until 16 lines exist.
                int best = 15;
                const std::uint8_t* ref = recent.size() > 15 ? recent[recent.size() - 16] : empty.data();
                auto same = [&](const std::uint8_t* r) {
                    std::size_t n = 0;
                    for (std::size_t i = 0; i < width; ++i) n += r[i] == line[i];
                    return n;
                };
                std::size_t best_same = same(ref);
                for (std::size_t back = 0; back < std::min<std::size_t>(recent.size(), 15); ++back) {
                    const std::uint8_t* r = recent[recent.size() - 1 - back];
                    if (std::size_t s = same(r); s > best_same) {
                        best_same = s;
                        best = static_cast<int>(back);
                        ref = r;
                    }
                }
                data += static_cast<char>(best << 4);
                for (std::size_t group = 0; group < width; group += 8) {
                    std::size_t count = std::min<std::size_t>(8, width - group);
                    std::uint8_t mask = 0;
                    std::string literals;
                    for (std::size_t i = 0; i < count; ++i) {
                        if (ref[group + i] == line[group + i])
                            mask |= static_cast<std::uint8_t>(0x80 >> i);
                        else
                            literals += static_cast<char>(line[group + i]);
                    }
                    data += static_cast<char>(mask);
                    data += literals;
                }
                recent.push_back(line);
            }
        }
        out += plain ? data : HuffmanCode(data);
    }
    if (sample.flags & 0x08) {
        out += sample.text;
        out += '\x1a';
    }
    return out;
}

}  // namespace nuko::test
