// Where the fields of RCP 2.0 (".rcp", ".r36") and RCP 3.0 (".g36") files
// sit, and the reads of them. Every read past the input gives zero, so a
// torn file never reads outside its bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rcpcv/rcp_convert.h"

namespace nuko::rcpcv {

struct HeaderLayout {
    std::size_t title, title_size;
    std::size_t memo, memo_line, memo_lines;
    std::size_t user_sysex;
    std::size_t tracks;        // first track header
    std::size_t track_header;  // bytes of a track header
    std::size_t size_field;    // bytes of the track size at its start
    std::size_t event;         // bytes of an event
};
inline constexpr HeaderLayout kRcp2Layout = {0x20, 0x40, 0x60, 0x1C, 12, 0x406, 0x586, 0x2C, 2, 4};
inline constexpr HeaderLayout kRcp3Layout = {0x20, 0x80, 0xA0, 0x1E, 12, 0xB18, 0xC98, 0x2E, 4, 6};

inline constexpr int kUserSysexCount = 8;

inline unsigned Byte(std::string_view b, std::size_t at) {
    return at < b.size() ? static_cast<unsigned char>(b[at]) : 0u;
}
inline unsigned Word(std::string_view b, std::size_t at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
inline std::uint32_t Long(std::string_view b, std::size_t at) {
    return Word(b, at) | static_cast<std::uint32_t>(Word(b, at + 2)) << 16;
}
inline int Signed7(unsigned v) {
    v &= 0x7F;
    return v & 0x40 ? static_cast<int>(v) - 0x80 : static_cast<int>(v);
}
inline int Signed8(unsigned v) { return v & 0x80 ? static_cast<int>(v) - 0x100 : static_cast<int>(v); }

// Text up to its first zero byte, trailing blanks cut.
std::string TrimmedText(std::string_view b, std::size_t at, std::size_t size);

struct Header {
    RcpLayout layout = RcpLayout::Rcp2;
    const HeaderLayout* at = &kRcp2Layout;
    std::string title;
    std::vector<std::string> memo;
    unsigned timebase = 48;
    unsigned tempo = 120;
    unsigned beat_num = 4, beat_den = 4;
    unsigned key = 0;
    int play_bias = 0;
    unsigned track_count = 0;
    // The user exclusives 0x90 ... 0x97, up to their end mark.
    std::array<std::vector<std::uint8_t>, kUserSysexCount> user_sysex;
};

// Nullopt without a signature or with a header shorter than its fields.
std::optional<Header> ReadHeader(std::string_view bytes);

// One command: p0 is the step time, p1 the gate time, p2 the velocity
// (what they mean for a command other than a note is its own).
struct Command {
    unsigned cmd, step, gate, vel;
};

inline Command ReadCommand(std::string_view b, RcpLayout layout, std::size_t pos) {
    if (layout == RcpLayout::Rcp2) return {Byte(b, pos), Byte(b, pos + 1), Byte(b, pos + 2), Byte(b, pos + 3)};
    // Six bytes: command, velocity, step (16 bits), gate (16 bits).
    return {Byte(b, pos), Word(b, pos + 2), Word(b, pos + 4), Byte(b, pos + 1)};
}

// The fields of a track header after its size.
struct TrackHeader {
    std::size_t size = 0;  // bytes of the track, its header included
    unsigned rhythm = 0;   // 0x80: a rhythm track
    unsigned channel = 0;  // 0 ... 31 (the second port from 16), 0xFF none
    unsigned key = 0;      // key bias: 7-bit signed; 0x80 and up: a rhythm track
    int step_bias = 0;
    bool muted = false;
    std::string name;

    bool IsRhythm() const { return (rhythm & 0x80) != 0 || (key & 0x80) != 0; }
};

TrackHeader ReadTrackHeader(std::string_view b, const Header& h, std::size_t pos);

}  // namespace nuko::rcpcv
