// Encoders of the WRD picture formats, for tests only: they build the inputs
// that have no public samples (PHO screens, picture programs of both layouts)
// and MAG pictures of chosen shapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nuko/picture_program.h"
#include "nuko/wrd_page.h"

namespace nuko::test {

// A picture of width x height indices 0..colors-1 with flat areas, stripes
// and noise, so that encoders meet both repeats and literals.
std::vector<std::uint8_t> PatternPoints(int width, int height, int colors, unsigned seed);

// 640 x 400 indices 0-7 to the three planes of a PHO screen.
std::string EncodePho(const std::vector<std::uint8_t>& points);

struct MagSpec {
    int start_x = 0;  // the points begin at start_x rounded down to 8
    int start_y = 0;
    int width = 0;    // a multiple of 8
    int height = 0;
    std::vector<std::uint8_t> points;  // width x height
    wrd::ColorTable colors{};          // stored as 0xN0 bytes
    std::uint8_t screen_mode = 0;
    std::string comment = "test";
};
// A MAG file: each unit copied from the first of the 15 positions that holds
// the same bytes, else stored; the flag lines XOR-coded into flags A and B.
std::string EncodeMag(const MagSpec& sample);

struct ProgramSpec {
    wrd::ProgramLayout layout = wrd::ProgramLayout::Plain;
    std::uint8_t flags = 0x04;
    std::uint8_t pages = 0;
    int planes = 4;
    bool fill_ones = false;
    std::uint16_t screen_offset = 0;
    int width_bytes = 0;
    int height = 0;
    std::vector<std::uint8_t> points;  // width_bytes * 8 x height
    wrd::ColorTable colors{};
    std::string text;  // stored after the picture data, ended by 0x1A
};
// A picture program: each line of a plane coded against the best of the last
// 16 (or an empty line); layout B then Huffman-coded with its tree.
std::string EncodeProgram(const ProgramSpec& sample);

}  // namespace nuko::test
