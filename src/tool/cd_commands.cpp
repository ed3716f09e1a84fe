// nu_kotool subcommands of the CD title database: the disc id of a drive or
// disc image, and the names the database gives its tracks.
#include <cstdio>
#include <optional>

#include "cd/cd_title_db.h"
#include "cd/disc_lengths.h"
#include "cd/disc_toc.h"
#include "cd/foreign_disc_ids.h"
#include "nuko/paths.h"
#include "settings/settings_store.h"
#include "tool_commands.h"

namespace nuko::tool {
namespace {

struct DiscRead {
    cd::DiscLengths lengths;
    cd::DiscToc toc;
};

// The disc's table and lengths, or nullopt after saying why there are none.
std::optional<DiscRead> ReadDisc(const std::string& source) {
    auto disc = OpenDiscOrSay(source);
    if (!disc) return std::nullopt;
    DiscRead r{cd::DiscLengthsOf(disc->Toc()), disc->Toc()};
    if (cd::TrackCountOverLimit(r.lengths.track_count)) cd::WarnTrackLimit();
    return r;
}

}  // namespace

std::unique_ptr<cd::DiscSource> OpenDiscOrSay(const std::string& source) {
    std::string error;
    auto disc = cd::OpenDisc(source, &error);
    if (!disc)
        std::fprintf(stderr, "nu_kotool: cannot read the disc %s%s%s\n", source.c_str(), error.empty() ? "" : ": ",
                     error.c_str());
    return disc;
}

int RunDiscId(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nu_kotool discid SOURCE\n");
        return 2;
    }
    auto r = ReadDisc(args[0]);
    if (!r) return 1;
    const cd::DiscLengths* d = &r->lengths;
    int count = cd::UsableTrackCount(d->track_count);
    std::printf("id: %s\ntracks: %d\n", cd::DiscId(*d).c_str(), count);
    if (auto ids = cd::ForeignIdsOf(r->toc)) {
        std::printf("freedb: %s\nmusicbrainz: %s\n", ids->freedb.c_str(), ids->musicbrainz.c_str());
    }
    for (int i = 0; i < count && i < static_cast<int>(d->tracks.size()); ++i)
        std::printf("%d %s\n", i + 1, cd::TrackKeyText(d->tracks[static_cast<std::size_t>(i)]).c_str());
    return 0;
}

int RunCdTitle(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nu_kotool cdtitle SOURCE\n");
        return 2;
    }
    auto r = ReadDisc(args[0]);
    if (!r) return 1;
    const cd::DiscLengths* d = &r->lengths;
    settings::SettingsStore store(folders::SettingsFile());
    cd::CdTitleDatabase db(store, folders::DataFolder() + std::string(cd::kDefaultTitleFileName));
    media::MediaList record;
    db.LookupDisc(record, *d);
    std::printf("artist: %s\ntitle: %s\n", record.title.c_str(), record.sub_title.c_str());
    for (std::size_t i = 0; i < record.items.size(); ++i)
        std::printf("%zu\t%s\n", i + 1, record.items[i].title.c_str());
    return 0;
}

}  // namespace nuko::tool
