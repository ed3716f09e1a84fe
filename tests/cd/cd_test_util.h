// Discs for the CD tests, built from track lengths in frames.
#pragma once

#include <string>
#include <vector>

#include "cd/cd_title_db.h"
#include "cd/disc_id.h"
#include "nuko/text.h"
#include "settings/settings_store.h"
#include "test_support.h"

namespace nuko::test {

inline cd::Msf Time(unsigned m, unsigned s, unsigned f) { return {m, s, f}; }

// A disc whose total length is the sum of the tracks' lengths.
inline cd::DiscLengths Disc(const std::vector<cd::Msf>& tracks) {
    cd::DiscLengths d;
    d.track_count = static_cast<int>(tracks.size());
    d.tracks = tracks;
    std::int64_t frames = 0;
    for (const auto& t : tracks) frames += cd::FramesOf(t);
    d.disc = cd::FramesToMsf(frames);
    return d;
}

// A settings store and a database in a temporary folder.
struct CdFixture {
    TempDir dir;
    settings::SettingsStore store{dir.File("settings.ini")};
    cd::CdTitleDatabase db{store, dir.File("data/nu_kopcd.txt")};

    std::string Cp932(const std::string& utf8) const { return *text::Utf8ToCp932(utf8); }
};

}  // namespace nuko::test
