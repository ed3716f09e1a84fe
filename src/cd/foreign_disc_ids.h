// The ids other CD databases know a disc by, computed with libdiscid from
// the table of contents: the freedb (CDDB) id, 8 hexadecimal digits from the
// track starts and the disc length, and the MusicBrainz disc id, 28
// characters of a SHA-1 over the table. Shown beside our own disc id; the
// freedb id also matches an xmcd entry file to a disc.
#pragma once

#include <optional>
#include <string>

#include "cd/disc_toc.h"

namespace nuko::cd {

struct ForeignDiscIds {
    std::string freedb;       // "0a02a502", lower case as freedb writes it
    std::string musicbrainz;  // "M8bqXcQbVfvBJ1BgfvvJcC8sRpk-"
};

// Nullopt for a table libdiscid refuses (no tracks, more than 99, starts
// outside the disc).
std::optional<ForeignDiscIds> ForeignIdsOf(const DiscToc& toc);

}  // namespace nuko::cd
