// The catalog editor on a folder of 20,000 songs: listing the folder,
// registering every file (each title read from the file), sorting, the
// same-name check and the save, beside reading every file's first bytes.
// The longest gap between two progress reports bounds how long the dialog
// goes without painting.
#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "bench_util.h"
#include "library/catalog_editor.h"
#include "nuko/fileio.h"
#include "nuko/prompt.h"

namespace {

class YesPrompt final : public nuko::Prompt {
public:
    nuko::PromptAnswer Ask(const nuko::PromptRequest& r) override {
        return r.buttons == nuko::PromptButtons::YesNo ? nuko::PromptAnswer::Yes : nuko::PromptAnswer::Ok;
    }
};

// A type-0 song whose track name is its title.
std::string Song(int i) {
    const std::string name = "Song number " + std::to_string(i);
    std::string track = std::string("\x00\xFF\x03", 3) + static_cast<char>(name.size()) + name +
                        std::string("\x00\xFF\x2F\x00", 4);
    std::string out("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xE0", 14);
    out += "MTrk";
    const auto n = static_cast<std::uint32_t>(track.size());
    out += static_cast<char>(n >> 24);
    out += static_cast<char>(n >> 16);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(n);
    return out + track;
}

}  // namespace

int main() {
    constexpr int kSongs = 20000;
    char tmpl[] = "/tmp/nuko-editor-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) return 1;
    const std::string dir = std::string(tmpl) + "/";
    for (int i = 0; i < kSongs; ++i) {
        FILE* f = std::fopen((dir + "s" + std::to_string(i) + ".mid").c_str(), "wb");
        if (!f) return 1;
        const std::string bytes = Song(i);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    YesPrompt yes;
    nuko::ScopedPrompt scope(&yes);

    double read_bytes = nuko::bench::BestMs(3, [&] {
        for (int i = 0; i < kSongs; ++i) (void)nuko::fileio::ReadFile(dir + "s" + std::to_string(i) + ".mid", 256);
    });
    using Clock = std::chrono::steady_clock;
    double listing = 0, registering = 0, sorting = 0, checking = 0, saving = 0, worst_gap = 0;
    int rows = 0;
    listing = nuko::bench::BestMs(3, [&] {
        nuko::media::CatalogEditor e(nuko::media::MediaKind::Midi, {}, {});
        e.ShowFolder(dir, 0);
    });
    registering = sorting = checking = saving = 1e300;
    for (int run = 0; run < 3; ++run) {
        nuko::media::CatalogEditor e(nuko::media::MediaKind::Midi, {}, {});
        e.ShowFolder(dir, 0);
        Clock::time_point last = Clock::now();
        e.SetProgress([&](int, std::size_t, std::size_t) {
            const Clock::time_point now = Clock::now();
            worst_gap = std::max(worst_gap, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        });
        registering = std::min(registering, nuko::bench::BestMs(1, [&] { rows = e.RegisterAll(e.files()); }));
        e.SetProgress({});
        sorting = std::min(sorting, nuko::bench::BestMs(1, [&] { e.Sort(); }));
        checking = std::min(checking, nuko::bench::BestMs(1, [&] { e.CustomisePaths(nuko::media::PathRule::DropSameNames); }));
        saving = std::min(saving, nuko::bench::BestMs(1, [&] { e.SaveAs(dir + "all.mit"); }));
    }
    std::printf("songs: %d, rows registered: %d\n", kSongs, rows);
    nuko::bench::Report("list the folder", listing, "read 256 bytes of each", read_bytes);
    nuko::bench::Report("register every file (titles read)", registering, "read 256 bytes of each", read_bytes);
    nuko::bench::Report("sort by file name", sorting, "read 256 bytes of each", read_bytes);
    nuko::bench::Report("same-name check", checking, "read 256 bytes of each", read_bytes);
    nuko::bench::Report("save the catalog", saving, "read 256 bytes of each", read_bytes);
    std::printf("longest gap between progress reports: %.3f ms\n", worst_gap);
    for (int i = 0; i < kSongs; ++i) ::unlink((dir + "s" + std::to_string(i) + ".mid").c_str());
    ::unlink((dir + "all.mit").c_str());
    ::rmdir(tmpl);
    return 0;
}
