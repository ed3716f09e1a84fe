// Builds RCP files in memory for the converter's tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nuko::rcpcv::test {

struct RcpTrack {
    std::uint8_t channel = 0;  // 0xFF: none
    std::uint8_t key = 0;
    std::uint8_t step_bias = 0;
    std::uint8_t mode = 0;
    std::string comment;
    // Each command as cmd, step, gate, velocity (RCP 2.0 order).
    std::vector<std::array<unsigned, 4>> events;
};

struct RcpFile {
    bool rcp3 = false;  // the 36-track layout with 6-byte commands
    std::string title = "Test";
    std::vector<std::string> memo;
    unsigned timebase = 48, tempo = 120, beat_num = 4, beat_den = 4, key = 0, play_bias = 0;
    std::array<std::vector<std::uint8_t>, 8> user_sysex;  // without F0, up to 24 bytes
    std::vector<RcpTrack> tracks;

    std::string Build() const {
        std::string b(rcp3 ? 0xC98 : 0x586, '\0');
        auto put = [&b](std::size_t at, std::string_view s) { b.replace(at, s.size(), s); };
        auto put16 = [&b](std::size_t at, unsigned v) {
            b[at] = static_cast<char>(v);
            b[at + 1] = static_cast<char>(v >> 8);
        };
        std::size_t memo_at = rcp3 ? 0xA0 : 0x60, memo_line = rcp3 ? 0x1E : 0x1C;
        put(0, rcp3 ? std::string_view("COME ON MUSIC RECOMPOSER RCP3.0") : std::string_view("RCM-PC98V2.0(C)COME ON MUSIC\r\n"));
        std::string padded_title = title;
        padded_title.resize(rcp3 ? 0x80 : 0x40, ' ');
        put(0x20, padded_title);
        for (std::size_t i = 0; i < 12; ++i) {
            std::string line = i < memo.size() ? memo[i] : "";
            line.resize(memo_line, ' ');
            put(memo_at + i * memo_line, line);
        }
        if (!rcp3) {
            b[0x1C0] = static_cast<char>(timebase);
            b[0x1E7] = static_cast<char>(timebase >> 8);
            b[0x1C1] = static_cast<char>(tempo);
            b[0x1C2] = static_cast<char>(beat_num);
            b[0x1C3] = static_cast<char>(beat_den);
            b[0x1C4] = static_cast<char>(key);
            b[0x1C5] = static_cast<char>(play_bias);
            b[0x1E6] = static_cast<char>(tracks.size());
        } else {
            put16(0x208, static_cast<unsigned>(tracks.size()));
            put16(0x20A, timebase);
            put16(0x20C, tempo);
            b[0x20E] = static_cast<char>(beat_num);
            b[0x20F] = static_cast<char>(beat_den);
            b[0x210] = static_cast<char>(key);
            b[0x211] = static_cast<char>(play_bias);
        }
        std::size_t sysex_at = rcp3 ? 0xB18 : 0x406;
        for (std::size_t i = 0; i < 8; ++i) {
            std::string def(0x18, '\xF7');
            for (std::size_t k = 0; k < user_sysex[i].size() && k < 0x18; ++k) def[k] = static_cast<char>(user_sysex[i][k]);
            put(sysex_at + i * 0x30 + 0x18, def);
        }
        int id = 1;
        for (const RcpTrack& t : tracks) {
            std::string h(rcp3 ? 0x2E : 0x2C, '\0');
            std::size_t f = rcp3 ? 4 : 2;
            h[f] = static_cast<char>(id++);
            h[f + 2] = static_cast<char>(t.channel);
            h[f + 3] = static_cast<char>(t.key);
            h[f + 4] = static_cast<char>(t.step_bias);
            h[f + 5] = static_cast<char>(t.mode);
            std::string comment = t.comment;
            comment.resize(36, ' ');
            h.replace(f + 6, 36, comment);
            std::string body;
            for (const auto& e : t.events) {
                if (!rcp3) {
                    for (unsigned v : e) body += static_cast<char>(v);
                } else {
                    body += static_cast<char>(e[0]);
                    body += static_cast<char>(e[3]);
                    body += static_cast<char>(e[1]);
                    body += static_cast<char>(e[1] >> 8);
                    body += static_cast<char>(e[2]);
                    body += static_cast<char>(e[2] >> 8);
                }
            }
            std::size_t size = h.size() + body.size();
            if (!rcp3) {
                h[0] = static_cast<char>(size);
                h[1] = static_cast<char>(size >> 8);
            } else {
                for (int k = 0; k < 4; ++k) h[k] = static_cast<char>(size >> (8 * k));
            }
            b += h;
            b += body;
        }
        return b;
    }
};

}  // namespace nuko::rcpcv::test
