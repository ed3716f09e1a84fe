#include "nuko/text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace nuko::text {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// iconv descriptors are costly to open; each thread keeps its own pair.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible. On a bad sequence calls on_bad(in, left)
    // which appends its substitute to out and returns how many input bytes to
    // skip, or 0 to stop with failure.
    template <typename OnBad>
    bool Run(std::string_view in, std::string& out, std::size_t factor, OnBad on_bad) {
        if (!ok()) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t src_left = in.size();
        // Converts straight into `out`, growing it when the estimate was short.
        std::size_t used = out.size();
        out.resize(used + in.size() * factor + 16);
        bool result = true;
        while (src_left > 0) {
            char* dst = out.data() + used;
            std::size_t dst_left = out.size() - used;
            std::size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
            used = out.size() - dst_left;
            if (r != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() + src_left * factor + 16);
                continue;
            }
            out.resize(used);
            std::size_t skip = on_bad(std::string_view(src, src_left), out);
            if (skip == 0 || skip > src_left) {
                result = false;
                break;
            }
            used = out.size();
            out.resize(used + src_left * factor + 16);
            src += skip;
            src_left -= skip;
        }
        out.resize(std::min(used, out.size()));
        return result;
    }

    // One conversion of `in` from the initial state into `out`: 0, or the
    // errno iconv gave; `used` and `made` tell the bytes taken and given.
    int Probe(std::string_view in, char* out, std::size_t room, std::size_t& used, std::size_t& made) {
        if (!ok()) return EBADF;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t src_left = in.size();
        char* dst = out;
        std::size_t dst_left = room;
        std::size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
        int err = r == static_cast<std::size_t>(-1) ? errno : 0;
        used = in.size() - src_left;
        made = room - dst_left;
        return err;
    }

private:
    iconv_t cd_;
};

Converter& FromCp932() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

Converter& FromEucJp() {
    thread_local Converter c("UTF-8", "EUC-JP");
    return c;
}

Converter& ToCp932() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

// CP932 to UTF-8 from a table of what the converter answers for each byte
// and each pair of bytes after a lead byte: asked once (a lead byte's row
// when a text first has it) and kept by the thread. The answers are the
// converter's own, so a text decodes to the same bytes as converting it in
// one call gives, with a replacement per byte it refuses; several times
// faster, which a catalog of thousands of lines feels.
class Cp932Decoder {
public:
    // False when the converter answered something the table cannot hold;
    // the caller converts with the converter then.
    bool Decode(std::string_view in, std::string& out) {
        if (!Ready()) return false;
        // Written through a pointer: an append per character costs more
        // than the character. The room grows when less than a step's worth
        // (eight ASCII bytes, or up to seven and a character of three) is left.
        const std::size_t start = out.size();
        out.resize(start + in.size() + in.size() / 2 + 16);
        char* o = out.data() + start;
        char* room_end = out.data() + out.size();
        auto room = [&](std::size_t need) {
            if (static_cast<std::size_t>(room_end - o) >= need) return;
            const std::size_t at = static_cast<std::size_t>(o - out.data());
            out.resize(out.size() * 2);
            o = out.data() + at;
            room_end = out.data() + out.size();
        };
        const auto* p = reinterpret_cast<const unsigned char*>(in.data());
        const std::size_t n = in.size();
        std::size_t i = 0;
        while (i < n) {
            // ASCII is copied as it is, eight bytes at a time where it can.
            for (std::uint64_t word; i + 8 <= n; i += 8, o += 8) {
                std::memcpy(&word, p + i, 8);
                if (word & 0x8080808080808080ull) break;
                room(8);
                std::memcpy(o, &word, 8);
            }
            // Fewer than eight ASCII bytes, then the next character or the end.
            room(7 + 3);
            while (i < n && p[i] < 0x80) *o++ = static_cast<char>(p[i++]);
            if (i == n) break;
            const Char* c = &single_[p[i]];
            std::size_t used = 1;
            if (c->kind == Kind::Lead && i + 1 < n) {
                const Row* row = RowOf(p[i]);
                if (!row) {
                    out.resize(start);
                    return false;
                }
                c = &(*row)[p[i + 1]];
                used = 2;
            }
            if (c->kind == Kind::Char) {
                std::memcpy(o, c->utf8, sizeof c->utf8);
                o += c->len;
                i += used;
            } else {
                // Refused (or a lead byte at the end): one byte skipped.
                std::memcpy(o, kReplacement.data(), kReplacement.size());
                o += kReplacement.size();
                ++i;
            }
        }
        out.resize(static_cast<std::size_t>(o - out.data()));
        return true;
    }

private:
    enum class Kind : std::uint8_t { Refused, Char, Lead };
    struct Char {
        char utf8[3];
        std::uint8_t len = 0;
        Kind kind = Kind::Refused;
    };
    using Row = std::array<Char, 256>;

    // The answer for `bytes`: a character when all of them make one.
    bool Ask(std::string_view bytes, Char& c) {
        char out[8];
        std::size_t used = 0, made = 0;
        int err = converter_.Probe(bytes, out, sizeof out, used, made);
        if (err == 0 && used == bytes.size()) {
            if (made == 0 || made > sizeof c.utf8) return false;
            std::memcpy(c.utf8, out, made);
            c.len = static_cast<std::uint8_t>(made);
            c.kind = Kind::Char;
            return true;
        }
        if (err == EILSEQ && used == 0) return true;  // refused
        if (err == EINVAL && used == 0 && bytes.size() == 1) {
            c.kind = Kind::Lead;
            return true;
        }
        return false;
    }

    bool Ready() {
        if (state_ == State::Fresh) {
            state_ = State::Broken;
            if (!converter_.ok()) return false;
            for (int b = 0; b < 256; ++b) {
                const char byte = static_cast<char>(b);
                if (!Ask(std::string_view(&byte, 1), single_[b])) return false;
            }
            // ASCII runs are copied as they are: each must be itself.
            for (int b = 0; b < 0x80; ++b)
                if (single_[b].kind != Kind::Char || single_[b].len != 1 || single_[b].utf8[0] != static_cast<char>(b))
                    return false;
            state_ = State::Ready;
        }
        return state_ == State::Ready;
    }

    const Row* RowOf(unsigned char lead) {
        auto& row = rows_[lead];
        if (!row) {
            auto fresh = std::make_unique<Row>();
            for (int t = 0; t < 256; ++t) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(t)};
                if (!Ask(std::string_view(pair, 2), (*fresh)[t])) return nullptr;
            }
            row = std::move(fresh);
        }
        return row.get();
    }

    enum class State { Fresh, Ready, Broken } state_ = State::Fresh;
    Converter converter_{"UTF-8", "CP932"};
    std::array<Char, 256> single_{};
    std::array<std::unique_ptr<Row>, 256> rows_{};
};

bool AllAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// Length of the UTF-8 sequence that starts at s[0], or 0 when invalid.
std::size_t Utf8SequenceLength(std::string_view s) {
    if (s.empty()) return 0;
    unsigned char c = static_cast<unsigned char>(s[0]);
    std::size_t n;
    char32_t min;
    char32_t cp;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) { n = 2; min = 0x80; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { n = 3; min = 0x800; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { n = 4; min = 0x10000; cp = c & 0x07; }
    else return 0;
    if (s.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        unsigned char t = static_cast<unsigned char>(s[i]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
    if (AllAscii(bytes)) return std::string(bytes);
    std::string out;
    thread_local Cp932Decoder decoder;
    if (decoder.Decode(bytes, out)) return out;
    out.clear();
    out.reserve(bytes.size() * 2);
    bool ok = FromCp932().Run(bytes, out, 3, [](std::string_view, std::string& o) {
        o += kReplacement;
        return std::size_t{1};
    });
    if (!ok) {
        // No converter at all: keep what is ASCII rather than lose the text.
        out.clear();
        for (unsigned char c : bytes) {
            if (c < 0x80) out += static_cast<char>(c);
            else out += kReplacement;
        }
    }
    return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    if (AllAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    if (!ToCp932().Run(utf8, out, 2, [](std::string_view, std::string&) { return std::size_t{0}; }))
        return std::nullopt;
    return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
    if (AllAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    ToCp932().Run(utf8, out, 2, [](std::string_view rest, std::string& o) {
        o += '?';
        std::size_t n = Utf8SequenceLength(rest);
        return n == 0 ? std::size_t{1} : n;
    });
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        std::size_t n = Utf8SequenceLength(bytes);
        if (n == 0) return false;
        bytes.remove_prefix(n);
    }
    return true;
}

bool IsValidCp932(std::string_view bytes) {
    if (AllAscii(bytes)) return true;
    std::string out;
    return FromCp932().Run(bytes, out, 3, [](std::string_view, std::string&) { return std::size_t{0}; });
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        std::size_t n = Utf8SequenceLength(bytes);
        if (n == 0) {
            out += kReplacement;
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, n));
            bytes.remove_prefix(n);
        }
    }
    return out;
}

std::string DecodeLegacy(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) return SanitizeUtf8(bytes.substr(kUtf8Bom.size()));
    return Cp932ToUtf8(bytes);
}

std::string EncodeLegacy(std::string_view utf8, bool* utf8_used) {
    if (auto sjis = Utf8ToCp932(utf8)) {
        if (utf8_used) *utf8_used = false;
        return std::move(*sjis);
    }
    if (utf8_used) *utf8_used = true;
    std::string out(kUtf8Bom);
    out += SanitizeUtf8(utf8);
    return out;
}

std::size_t Cp932CutLength(std::string_view bytes, std::size_t limit) {
    if (bytes.size() <= limit) return bytes.size();
    std::size_t i = 0;
    while (i < limit) {
        std::size_t step = IsCp932LeadByte(bytes[i]) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

std::string_view Cp932Cut(std::string_view bytes, std::size_t limit) {
    return bytes.substr(0, Cp932CutLength(bytes, limit));
}

std::size_t Utf8CutLength(std::string_view utf8, std::size_t limit) {
    if (utf8.size() <= limit) return utf8.size();
    std::size_t i = limit;
    // Step back over continuation bytes to the start of the cut character.
    while (i > 0 && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) --i;
    return i;
}

std::string_view Utf8Cut(std::string_view utf8, std::size_t limit) {
    return utf8.substr(0, Utf8CutLength(utf8, limit));
}

std::string_view CutToCp932Bytes(std::string_view utf8, std::size_t limit) {
    // A character's CP932 form is never longer than its UTF-8 form.
    if (utf8.size() <= limit) return utf8;
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t n = Utf8SequenceLength(utf8.substr(pos));
        if (n == 0) n = 1;
        std::size_t cost;
        if (n == 1) {
            cost = 1;
        } else {
            auto sjis = Utf8ToCp932(utf8.substr(pos, n));
            cost = sjis ? sjis->size() : n;
        }
        if (used + cost > limit) break;
        used += cost;
        pos += n;
    }
    return utf8.substr(0, pos);
}

std::string EucJpToUtf8(std::string_view bytes) {
    if (AllAscii(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    FromEucJp().Run(bytes, out, 3, [](std::string_view, std::string& o) {
        o += kReplacement;
        return std::size_t{1};
    });
    return out;
}

bool IsValidEucJp(std::string_view bytes) {
    if (AllAscii(bytes)) return true;
    std::string out;
    return FromEucJp().Run(bytes, out, 3, [](std::string_view, std::string&) { return std::size_t{0}; });
}

std::size_t EucJpCutLength(std::string_view bytes, std::size_t limit) {
    if (bytes.size() <= limit) return bytes.size();
    std::size_t i = 0;
    while (i < limit) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        std::size_t step = b == 0x8F ? 3 : (b == 0x8E || b >= 0xA1) ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

std::string DecodeUnmarked(std::string_view bytes) {
    if (IsValidCp932(bytes)) {
        std::string decoded = Cp932ToUtf8(bytes);
        // Lead bytes 0xF0-0xF9 decode to the private use area (user-defined
        // characters); real titles do not use it, Latin-1 accents land there.
        bool private_use = false;
        for (std::size_t i = 0; i + 2 < decoded.size(); ++i) {
            unsigned char a = static_cast<unsigned char>(decoded[i]);
            unsigned char b = static_cast<unsigned char>(decoded[i + 1]);
            if (a == 0xEE || (a == 0xEF && b < 0xA4)) { private_use = true; break; }
        }
        if (!private_use) return decoded;
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void AsciiLower(std::string& s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

void AsciiUpper(std::string& s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string AsciiLowered(std::string_view s) {
    std::string out(s);
    AsciiLower(out);
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string CleanTitle(std::string_view s) {
    std::string t(s);
    for (char& c : t)
        if ((c >= 1 && c <= 31) || c == 127) c = ' ';
    while (!t.empty() && (t.back() == ' ' || t.back() == '\0')) t.pop_back();
    return t;
}

namespace {
template <typename F>
void Cp932EachSingleByte(std::string& bytes, F f) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (IsCp932LeadByte(bytes[i])) {
            ++i;  // the trail byte belongs to the character
            continue;
        }
        f(bytes[i]);
    }
}
}  // namespace

void Cp932AsciiLower(std::string& bytes) {
    Cp932EachSingleByte(bytes, [](char& c) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    });
}

void Cp932AsciiUpper(std::string& bytes) {
    Cp932EachSingleByte(bytes, [](char& c) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    });
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    auto put = [&](char32_t u) {
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    };
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        char32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes.size()) {
            char32_t low = unit(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                put(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        put(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    return out;
}

}  // namespace nuko::text
