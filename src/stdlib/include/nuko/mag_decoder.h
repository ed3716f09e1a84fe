// MAG pictures (the "MAKI02" format) in 16 colours.
//
// Layout: the signature "MAKI02  ", machine and user name and a comment,
// ended by the byte 0x1A; a 32-byte header (first byte 0); 16 colours of
// green, red, blue bytes; then three streams whose offsets the header gives,
// counted from the header's start:
//  - flag A: one bit per 8-point unit of every line, from the highest bit;
//  - flag B: for every set flag A bit, a byte XORed into that unit's entry of
//    the flag line, which carries over from line to line;
//  - pixel data: two bytes (four points) for every 4-bit flag of value 0.
// A flag of 1-15 instead copies two bytes from an earlier position of the
// picture (1, 2 or 4 two-byte steps to the left; 1, 2, 4, 8 or 16 lines up,
// or both).
#pragma once

#include <optional>
#include <string_view>

#include "nuko/wrd_picture.h"

namespace nuko::wrd {

// Decodes a MAG picture. The start x is rounded down to a multiple of 8 and
// the width rounded up to whole 8-point units; a picture wider than 640 or
// taller than 400 points keeps its top left 640 x 400. The colours keep the
// high 4 bits of each stored byte, the hardware's own resolution. A picture of
// the 200-line screen mode has double_lines set.
// nullopt for anything else: no "MAKI02" signature or 0x1A, a header not
// starting with 0, the 256-colour mode, an empty or reversed area, streams
// that begin outside the file or end before the picture does.
std::optional<Picture> DecodeMag(std::string_view bytes);

}  // namespace nuko::wrd
