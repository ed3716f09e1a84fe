// The lengths a disc id is computed from, taken from a disc's table of
// contents: the disc from the start of track 1 to the lead-out, each track
// to the next track's start (or the lead-out).
#pragma once

#include "disc_id.h"
#include "disc_toc.h"

namespace nuko::cd {

DiscLengths DiscLengthsOf(const DiscToc& toc);

}  // namespace nuko::cd
