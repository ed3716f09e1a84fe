// The CD title database: LookupDisc and LoadDisc against a title file of
// 3,000 discs (each registered), beside reading the file's bytes.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench_util.h"
#include "cd/cd_title_db.h"
#include "nuko/fileio.h"
#include "nuko/text.h"
#include "settings/settings_store.h"

namespace {

nuko::cd::DiscLengths DiscNumber(int n) {
    nuko::cd::DiscLengths d;
    d.track_count = 12;
    for (int t = 0; t < 12; ++t) d.tracks.push_back(nuko::cd::FramesToMsf(15000 + n * 13 + t * 101));
    std::int64_t frames = 0;
    for (const auto& t : d.tracks) frames += nuko::cd::FramesOf(t);
    d.disc = nuko::cd::FramesToMsf(frames);
    return d;
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/nuko-cd-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    std::string dir = std::string(tmpl) + "/";
    nuko::settings::SettingsStore store(dir + "settings.ini");
    nuko::cd::CdTitleDatabase db(store, dir + "nu_kopcd.txt");

    // The file's text and the index, built in one go each.
    std::string text;
    std::vector<std::pair<std::string, std::string>> index;
    constexpr int kDiscs = 3000;
    for (int n = 0; n < kDiscs; ++n) {
        nuko::media::MediaList r;
        db.LookupDisc(r, DiscNumber(n));
        text += "[" + r.section + "]\r\nArtist=アーティスト " + std::to_string(n) + "\r\nTitle=タイトル " +
                std::to_string(n) + "\r\nPicture=\r\n";
        for (std::size_t t = 0; t < r.items.size(); ++t)
            text += nuko::cd::SectionTrackKey(r.section, static_cast<int>(t + 1), r.items[t].name) + "=曲 " +
                    std::to_string(t + 1) + "\r\n";
        text += "Prog=0,1,2,3,4,5,6,7,8,9,10,11,12\r\n";
        index.emplace_back(r.section, nuko::cd::StoredRegistrationValue(nuko::cd::RegistrationValue(
                                          "アーティスト", "タイトル", db.default_file())));
    }
    if (nuko::fileio::WriteFileAtomic(db.default_file(), *nuko::text::Utf8ToCp932(text)) ||
        store.WriteKeys("Cd\\File", index))
        return 1;
    auto bytes = nuko::fileio::ReadFile(db.default_file());
    std::printf("title file: %d discs, %zu bytes\n", kDiscs, bytes ? bytes->size() : 0);

    double read_bytes = nuko::bench::BestMs(5, [&] { (void)nuko::fileio::ReadFile(db.default_file()); });
    std::string last_title;
    double lookup = nuko::bench::BestMs(5, [&] {
        nuko::media::MediaList r;
        db.LookupDisc(r, DiscNumber(kDiscs - 1));
        last_title = r.sub_title;
    });
    nuko::media::MediaList record;
    db.LookupDisc(record, DiscNumber(kDiscs / 2));
    double load = nuko::bench::BestMs(5, [&] { db.LoadDisc(record); });
    std::printf("last disc: %s\n", last_title.c_str());
    nuko::bench::Report("LookupDisc (last disc)", lookup, "read bytes", read_bytes);
    nuko::bench::Report("LoadDisc (middle disc)", load, "read bytes", read_bytes);
    for (const char* f : {"nu_kopcd.txt", "settings.ini"}) ::unlink((dir + f).c_str());
    ::rmdir(tmpl);
    return 0;
}
