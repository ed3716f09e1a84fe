#include "rcpcv/rcp_format.h"

#include <algorithm>

namespace nuko::rcpcv {
namespace {

constexpr std::string_view kRcp2Signature = "RCM-PC98V2.0(C)COME ON MUSIC";
constexpr std::string_view kRcp3Signature = "COME ON MUSIC RECOMPOSER RCP3.0";
constexpr std::size_t kUserSysexSize = 0x30;  // 24 name bytes, 24 data bytes
constexpr unsigned kMaxTracks = 36;

}  // namespace

bool DetectLayout(std::string_view bytes, RcpLayout* layout) {
    if (bytes.starts_with(kRcp2Signature)) *layout = RcpLayout::Rcp2;
    else if (bytes.starts_with(kRcp3Signature)) *layout = RcpLayout::Rcp3;
    else return false;
    return true;
}

std::string TrimmedText(std::string_view b, std::size_t at, std::size_t size) {
    if (at >= b.size()) return {};
    std::string_view s = b.substr(at, size);
    std::size_t nul = s.find('\0');
    if (nul != std::string_view::npos) s = s.substr(0, nul);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

std::optional<Header> ReadHeader(std::string_view b) {
    Header h;
    if (!DetectLayout(b, &h.layout)) return std::nullopt;
    h.at = h.layout == RcpLayout::Rcp2 ? &kRcp2Layout : &kRcp3Layout;
    if (b.size() < h.at->tracks) return std::nullopt;
    h.title = TrimmedText(b, h.at->title, h.at->title_size);
    for (std::size_t i = 0; i < h.at->memo_lines; ++i)
        h.memo.push_back(TrimmedText(b, h.at->memo + i * h.at->memo_line, h.at->memo_line));
    if (h.layout == RcpLayout::Rcp2) {
        h.timebase = Byte(b, 0x1C0) | Byte(b, 0x1E7) << 8;
        h.tempo = Byte(b, 0x1C1);
        h.beat_num = Byte(b, 0x1C2);
        h.beat_den = Byte(b, 0x1C3);
        h.key = Byte(b, 0x1C4);
        h.play_bias = Signed8(Byte(b, 0x1C5));
        h.track_count = Byte(b, 0x1E6);
        // Files of the first versions leave the count at zero and hold 18.
        if (h.track_count == 0) h.track_count = 18;
    } else {
        h.track_count = Word(b, 0x208);
        h.timebase = Word(b, 0x20A);
        h.tempo = Word(b, 0x20C);
        h.beat_num = Byte(b, 0x20E);
        h.beat_den = Byte(b, 0x20F);
        h.key = Byte(b, 0x210);
        h.play_bias = Signed8(Byte(b, 0x211));
    }
    if (h.timebase == 0) h.timebase = 48;
    if (h.tempo == 0) h.tempo = 120;
    h.track_count = std::min(h.track_count, kMaxTracks);
    for (int i = 0; i < kUserSysexCount; ++i) {
        std::size_t data = h.at->user_sysex + i * kUserSysexSize + 0x18;
        for (std::size_t k = 0; k < 0x18; ++k) {
            unsigned c = Byte(b, data + k);
            if (c == 0xF7) break;
            h.user_sysex[i].push_back(static_cast<std::uint8_t>(c));
        }
    }
    return h;
}

TrackHeader ReadTrackHeader(std::string_view b, const Header& h, std::size_t pos) {
    TrackHeader t;
    t.size = h.at->size_field == 2 ? Word(b, pos) : Long(b, pos);
    std::size_t f = pos + h.at->size_field;  // the track number comes first
    t.rhythm = Byte(b, f + 1);
    t.channel = Byte(b, f + 2);
    t.key = Byte(b, f + 3);
    t.step_bias = Signed8(Byte(b, f + 4));
    t.muted = (Byte(b, f + 5) & 1) != 0;
    t.name = TrimmedText(b, f + 6, 36);
    return t;
}

}  // namespace nuko::rcpcv
