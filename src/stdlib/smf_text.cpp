#include "nuko/smf_text.h"

#include <algorithm>

#include "nuko/text.h"

namespace nuko::media {
namespace {

std::uint32_t Be32(std::string_view b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// One track's events, walked far enough to find its meta events. Returns
// the tick where the track ends.
std::uint32_t WalkTrack(std::string_view d, std::uint16_t track, std::uint32_t tick, std::vector<SmfText>& out) {
    std::size_t pos = 0;
    unsigned char running = 0;
    auto var_len = [&](std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos >= d.size()) return false;
            unsigned char b = static_cast<unsigned char>(d[pos++]);
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    };
    while (pos < d.size()) {
        std::uint32_t delta;
        if (!var_len(delta) || delta > 0x3FFFFFFFu - tick || pos >= d.size()) break;
        tick += delta;
        unsigned char status = static_cast<unsigned char>(d[pos]);
        if (status < 0x80) {
            if (!running) break;
            status = running;
        } else {
            ++pos;
        }
        if (status == 0xFF) {
            if (pos >= d.size()) break;
            unsigned char type = static_cast<unsigned char>(d[pos++]);
            std::uint32_t len;
            if (!var_len(len) || len > d.size() - pos) break;
            if (type == 0x2F) break;
            if (type >= 0x01 && type <= 0x07) out.push_back({tick, track, type, std::string(d.substr(pos, len))});
            pos += len;
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len;
            if (!var_len(len) || len > d.size() - pos) break;
            pos += len;
            running = 0;
        } else if (status >= 0xF0) {
            break;
        } else {
            const std::size_t n = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
            if (n > d.size() - pos) break;
            pos += n;
            running = status;
        }
    }
    return tick;
}

struct Counts {
    std::size_t bad = 0;   // U+FFFD
    std::size_t kana = 0;  // full-width hiragana and katakana
};

Counts CountOf(std::string_view utf8) {
    Counts c;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        if (b == 0xEF && utf8.substr(i, 3) == "\xEF\xBF\xBD") ++c.bad;
        // U+3041-U+30FF: E3 81 81 .. E3 83 BF.
        if (b == 0xE3 && i + 1 < utf8.size()) {
            unsigned char b2 = static_cast<unsigned char>(utf8[i + 1]);
            if (b2 >= 0x81 && b2 <= 0x83) ++c.kana;
        }
        i += b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    }
    return c;
}

bool HasHighBytes(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace

const char* SmfEncodingName(SmfEncoding encoding) {
    switch (encoding) {
        case SmfEncoding::Cp932: return "cp932";
        case SmfEncoding::Utf8: return "utf-8";
        case SmfEncoding::EucJp: return "euc-jp";
        case SmfEncoding::Auto: break;
    }
    return "auto";
}

SmfEncoding SmfEncodingFromSetting(int value) {
    return value >= 0 && value <= 3 ? static_cast<SmfEncoding>(value) : SmfEncoding::Auto;
}

SmfTexts ReadSmfTexts(std::string_view b) {
    SmfTexts out;
    // An RMI file holds the song in its "data" chunk; the MIDI header is
    // searched for rather than unwrapped, which serves a MacBinary copy too.
    std::size_t start = b.find("MThd");
    if (start == std::string_view::npos || b.size() - start < 14) return out;
    b = b.substr(start);
    const std::uint32_t header = Be32(b, 4);
    if (header < 6 || header > b.size() - 8) return out;
    const unsigned format = (static_cast<unsigned char>(b[8]) << 8) | static_cast<unsigned char>(b[9]);
    const unsigned division = (static_cast<unsigned char>(b[12]) << 8) | static_cast<unsigned char>(b[13]);
    out.division = division & 0x8000 ? 0 : static_cast<int>(division);
    std::size_t pos = 8 + header;
    std::uint16_t track = 0;
    std::uint32_t end = 0;
    while (pos + 8 <= b.size() && track < 0xFFFF) {
        std::string_view id = b.substr(pos, 4);
        const std::uint32_t len = Be32(b, pos + 4);
        const std::size_t body = pos + 8;
        const std::size_t avail = std::min<std::size_t>(len, b.size() - body);
        if (id == "MTrk") {
            const std::uint32_t track_end = WalkTrack(b.substr(body, avail), track++, format == 2 ? end : 0, out.texts);
            end = std::max(end, track_end);
        } else if (id.starts_with("XF")) {
            out.xf = true;
        }
        if (len > b.size() - body) break;
        pos = body + len;
    }
    for (const SmfText& t : out.texts)
        if (IsXfControlText(t.bytes)) out.xf = true;
    return out;
}

SmfEncoding DecideSmfEncoding(const SmfTexts& texts) {
    bool any_high = false;
    bool all_utf8 = true;
    bool all_euc = true;
    Counts cp932, euc;
    for (const SmfText& t : texts.texts) {
        if (t.type != kMetaText && t.type != kMetaTrackName && t.type != kMetaLyric) continue;
        if (!HasHighBytes(t.bytes)) continue;
        any_high = true;
        all_utf8 = all_utf8 && text::IsValidUtf8(t.bytes);
        if (all_euc) all_euc = text::IsValidEucJp(t.bytes);
        Counts c = CountOf(text::Cp932ToUtf8(t.bytes));
        cp932.bad += c.bad;
        cp932.kana += c.kana;
        if (all_euc) {
            Counts e = CountOf(text::EucJpToUtf8(t.bytes));
            euc.kana += e.kana;
        }
    }
    if (!any_high) return SmfEncoding::Cp932;
    if (all_utf8) return SmfEncoding::Utf8;
    // EUC-JP kana read as CP932 are half-width katakana and odd kanji, never
    // full-width kana; CP932 kana are no valid EUC-JP at all. A song of
    // half-width katakana is valid EUC-JP too, but reads as kanji without
    // kana there, so it stays CP932.
    if (all_euc && euc.kana > 0 && euc.kana > cp932.kana) return SmfEncoding::EucJp;
    return SmfEncoding::Cp932;
}

SmfEncoding SongEncoding(const SmfTexts& texts, SmfEncoding forced) {
    return forced == SmfEncoding::Auto ? DecideSmfEncoding(texts) : forced;
}

std::string DecodeSmfText(std::string_view raw, SmfEncoding encoding) {
    switch (encoding) {
        case SmfEncoding::Utf8: return text::SanitizeUtf8(raw);
        case SmfEncoding::EucJp: return text::EucJpToUtf8(raw);
        case SmfEncoding::Cp932:
        case SmfEncoding::Auto: break;
    }
    return text::DecodeUnmarked(raw);
}

std::size_t SmfTextCutLength(std::string_view raw, std::size_t limit, SmfEncoding encoding) {
    switch (encoding) {
        case SmfEncoding::Utf8: return text::Utf8CutLength(raw, limit);
        case SmfEncoding::EucJp: return text::EucJpCutLength(raw, limit);
        case SmfEncoding::Cp932:
        case SmfEncoding::Auto: break;
    }
    return text::IsValidCp932(raw) ? text::Cp932CutLength(raw, limit) : std::min(raw.size(), limit);
}

bool IsXfControlText(std::string_view raw) {
    // "XF" and two letters, then ":".
    if (raw.size() < 5 || !raw.starts_with("XF") || raw[4] != ':') return false;
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    return letter(raw[2]) && letter(raw[3]);
}

}  // namespace nuko::media
