#include "disc_lengths.h"

namespace nuko::cd {

DiscLengths DiscLengthsOf(const DiscToc& toc) {
    DiscLengths d;
    d.track_count = toc.TrackCount();
    d.disc = FramesToMsf(toc.DiscFrames());
    for (const auto& track : toc.tracks) d.tracks.push_back(FramesToMsf(toc.TrackFrames(track.number)));
    return d;
}

}  // namespace nuko::cd
