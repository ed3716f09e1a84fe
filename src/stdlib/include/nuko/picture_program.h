// Picture programs: ".com" programs of the 640 x 400 machines that carry a
// compressed picture, its colours, its screen position and optionally a text.
// We never run them; their data is read at fixed places.
//
// Two layouts exist. Layout A (bytes 0x9F 0x03 at file offsets 3-4) keeps its
// header at offset 671 and plain picture data at header + 92; layout B (bytes
// 0x5E 0x04 at offsets 4-5) keeps its header at offset 862 and Huffman-coded
// data at header + 96. The header:
//
//   0      flags: bit 2 a picture follows, bit 3 a text follows the picture
//          data, bit 5 pre-fill the planes, bit 6 leave the graphics display
//          switch as it is
//   1      bit 2 draw on page 1, bit 3 show page 1
//   2      low 4 bits: number of bit planes (0-4)
//   3      bit 0: pre-fill with 0xFF (else 0)
//   4-5    screen offset, little-endian, 80 bytes per 640-point line
//   6-7    width in bytes of 8 points
//   8-9    height in lines
//   10-57  16 colours of 3 bytes: blue, red, green (4-bit values)
//
// Layout B's data begins with the code tree, read from the highest bit of
// each byte: a 1 bit is a leaf followed by its byte value in 8 inverted bits,
// a 0 bit a node followed by its subtree for bit 0 and then its subtree for
// bit 1. Every byte of the picture data is then a path from the root.
//
// The picture data, as plain bytes or decoded: for each line from the top and
// in it each plane from plane 0, a control byte whose high nibble n chooses
// the reference line, the line of a plane decoded n + 1 lines of a plane
// before this one (all zero when there is no such line yet); then for each
// group of 8 bytes (the last group may be shorter) a mask byte whose bits,
// from the highest, say for each byte of the group whether it is copied from
// the reference (1) or follows as a literal byte (0). Plane k gives bit k of a
// point's colour index, the highest bit of a byte the leftmost point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "nuko/wrd_picture.h"

namespace nuko::wrd {

enum class ProgramLayout { Plain, Huffman };

inline constexpr std::size_t kPlainHeaderOffset = 671;
inline constexpr std::size_t kHuffmanHeaderOffset = 862;
inline constexpr std::size_t kPlainDataOffset = 92;    // from the header
inline constexpr std::size_t kHuffmanDataOffset = 96;  // from the header
// Longest text taken from a program, in CP932 bytes.
inline constexpr std::size_t kProgramTextMax = 2499;

struct ProgramHeader {
    ProgramLayout layout = ProgramLayout::Plain;
    std::size_t header_at = 0;  // file offset of the header
    std::size_t data_at = 0;    // file offset of the picture data
    std::uint8_t flags = 0;
    std::uint8_t pages = 0;
    int planes = 0;
    bool fill_ones = false;
    std::uint16_t screen_offset = 0;
    int width_bytes = 0;
    int height = 0;
    ColorTable colors{};  // the stored colours, 4-bit components

    bool HasPicture() const { return flags & 0x04; }
    bool HasText() const { return flags & 0x08; }
    bool PreFills() const { return flags & 0x20; }
    bool KeepsGraphicsSwitch() const { return flags & 0x40; }
    int DrawPage() const { return pages & 0x04 ? 1 : 0; }
    int DisplayPage() const { return pages & 0x08 ? 1 : 0; }
    // The stored position in page coordinates.
    int X() const { return screen_offset % 80 * 8; }
    int Y() const { return screen_offset / 80; }
};

// The header of a picture program, or nullopt when the bytes are not one of
// the two layouts or end before the picture data begins.
std::optional<ProgramHeader> ReadProgramHeader(std::string_view bytes);

// Decodes the picture (width_bytes x 8 by height points at the stored
// position) and the text. The planes start pre-filled or zero; the stored
// planes replace the lowest ones. Colours: the stored 16 with 4 planes, else
// the 8 digital colours. nullopt when the header is not found, the area is
// empty or larger than the page, there are more than 4 planes, the code tree
// is damaged or the data ends before the picture does.
std::optional<Picture> DecodeProgram(std::string_view bytes);

// What a script's program call sets up, from the header and the call's
// parameter text.
struct ProgramCall {
    int x = 0;
    int y = 0;
    int display_page = 0;
    int draw_page = 0;
    bool graphics_on = true;
    // The program only clears the graphics screen ("gcls.com").
    bool clear_only = false;
};

// True for the graphics-clearing program, told by its name alone.
bool IsClearProgram(std::string_view path);

// A parameter text of exactly 6 characters D P C C R R (CC and RR decimal)
// chooses the draw page (low bit of D), the display page (low bit of P) and
// the screen offset RR x 1280 + CC (columns of 8 points, rows of 16 lines);
// any other text leaves them to the header.
ProgramCall ProgramCallFor(const ProgramHeader& header, std::string_view parameter);

}  // namespace nuko::wrd
