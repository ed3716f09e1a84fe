// Builders of the media file forms the media tests feed to the library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuko::test {

inline std::uint32_t Le32At(std::string_view b, std::size_t at) {
    auto u = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])); };
    return u(0) | (u(1) << 8) | (u(2) << 16) | (u(3) << 24);
}

inline std::uint16_t Le16At(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

inline std::string Le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// MPEG-1 layer III, 128 kbit/s, 44100 Hz, joint stereo.
inline const std::string kFrame128 = "\xFF\xFB\x90\x64";

// MP3 data of `frames` frames of the 128 kbit/s header (417 bytes each).
inline std::string Mp3Frames(int frames, std::string_view header = kFrame128) {
    std::string out;
    for (int i = 0; i < frames; ++i) {
        out += header;
        out += std::string(417 - header.size(), static_cast<char>(i & 0x7F));
    }
    return out;
}

// An ID3 version 2.4 tag with a body of `body` bytes.
inline std::string Id3v2Tag(std::size_t body) {
    std::string tag = "ID3\x04";
    tag += '\0';
    tag += '\0';
    for (int shift = 21; shift >= 0; shift -= 7) tag += static_cast<char>((body >> shift) & 0x7F);
    return tag + std::string(body, '\0');
}

// An ID3 version 1 tag: title, artist, the rest zero.
inline std::string Id3v1Tag(std::string_view title, std::string_view artist) {
    std::string tag = "TAG";
    tag += std::string(title).append(30 - title.size(), '\0');
    tag += std::string(artist).append(30 - artist.size(), '\0');
    tag.append(128 - tag.size(), '\0');
    return tag;
}

// A 128-byte MacBinary header in front of `inner`.
inline std::string MacBinary(std::string_view inner) {
    std::string out(128, '\0');
    out[1] = 4;
    out.replace(2, 4, "song");
    return out + std::string(inner);
}

// A RIFF-MP3 file: "RIFF" size "RMP3" "data" size, then the MP3 data.
inline std::string RiffMp3(std::string_view mp3) {
    return "RIFF" + Le32(static_cast<std::uint32_t>(12 + mp3.size())) + "RMP3data" +
           Le32(static_cast<std::uint32_t>(mp3.size())) + std::string(mp3);
}

// A RIFF WAVE that carries MP3 frames (format 0x55), as other programs
// write them.
inline std::string WaveWithMp3(std::string_view mp3) {
    std::string fmt = "fmt " + Le32(30) + std::string("\x55\x00\x02\x00", 4) + Le32(44100) + Le32(16000) +
                      std::string(18, '\0');
    std::string fact = "fact" + Le32(4) + Le32(1152);
    std::string data = "data" + Le32(static_cast<std::uint32_t>(mp3.size())) + std::string(mp3);
    std::string body = "WAVE" + fmt + fact + data;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

// A standard MIDI file of one track holding `events` (delta times
// included) and the end of track.
inline std::string Smf(std::string_view events) {
    std::string track = std::string(events) + std::string("\x00\xFF\x2F\x00", 4);
    return std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0", 14) + "MTrk" +
           std::string{static_cast<char>(track.size() >> 24), static_cast<char>((track.size() >> 16) & 0xFF),
                       static_cast<char>((track.size() >> 8) & 0xFF), static_cast<char>(track.size() & 0xFF)} +
           track;
}

// A meta event at delta time 0.
inline std::string Meta(unsigned char type, std::string_view data) {
    std::string out{'\0', '\xFF', static_cast<char>(type), static_cast<char>(data.size())};
    return out + std::string(data);
}

}  // namespace nuko::test
