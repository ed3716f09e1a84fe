#include "cd/foreign_disc_ids.h"

#include <discid/discid.h>

#include <array>
#include <memory>

namespace nuko::cd {

std::optional<ForeignDiscIds> ForeignIdsOf(const DiscToc& toc) {
    if (!IsConsistent(toc)) return std::nullopt;
    // libdiscid counts sectors from the disc's start, 150 before track 1's
    // LSN 0; offsets[0] is the lead-out.
    constexpr int kLeadIn = 150;
    std::array<int, 100> offsets{};
    offsets[0] = toc.leadout + kLeadIn;
    for (const auto& t : toc.tracks) offsets[static_cast<std::size_t>(t.number)] = t.start + kLeadIn;
    std::unique_ptr<DiscId, void (*)(DiscId*)> disc(discid_new(), discid_free);
    if (!disc) return std::nullopt;
    const int first = toc.tracks.front().number;
    const int last = toc.tracks.back().number;
    if (!discid_put(disc.get(), first, last, offsets.data())) return std::nullopt;
    ForeignDiscIds ids;
    ids.freedb = discid_get_freedb_id(disc.get());
    ids.musicbrainz = discid_get_id(disc.get());
    return ids;
}

}  // namespace nuko::cd
