// Disc images as libcdio reads them for us: the bytes become a cue sheet or
// a .toc file (beside a small data file the seeds name), are opened, and the
// table of contents and some audio are read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "cd/disc_toc.h"

// libcdio keeps a few bytes of every cue sheet it fails to read.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcdio.so\n"; }

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char tmpl[] = "/tmp/nuko-disc-fuzz-XXXXXX";
        std::string f = ::mkdtemp(tmpl) ? std::string(tmpl) + "/" : "/tmp/";
        std::string sectors(2352 * 40, '\x11');
        for (const char* name : {"cdda.bin", "CDDA.BIN", "p1.bin", "BOING.BIN"})
            std::ofstream(f + name, std::ios::binary) << sectors;
        return f;
    }();
    return folder;
}

// What became of the images, told once at the end ("note: ..." lines are
// what scripts/fuzz.sh shows beside its verdict): a probe child that died in
// libcdio is a refusal as designed, not a crash of the target.
struct Tally {
    long opened = 0, refused = 0, died = 0;
    Tally() {
        std::atexit([] {
            const Tally& t = Get();
            std::fprintf(stderr, "note: %ld images opened, %ld refused (%ld of them ended libcdio's reader)\n",
                         t.opened, t.refused, t.died);
        });
    }
    static Tally& Get() {
        static Tally tally;
        return tally;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool toc = bytes.rfind("CD_", 0) == 0 || bytes.find("DATAFILE") != std::string_view::npos ||
               bytes.find("AUDIOFILE") != std::string_view::npos || bytes.find("// ") != std::string_view::npos;
    std::string path = Folder() + (toc ? "image.toc" : "image.cue");
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
    std::string error;
    auto disc = nuko::cd::OpenDisc(path, &error);
    Tally& tally = Tally::Get();
    if (!disc) {
        ++tally.refused;
        if (error.find("stopped with signal") != std::string::npos) ++tally.died;
        return 0;
    }
    ++tally.opened;
    const auto& t = disc->Toc();
    if (!nuko::cd::IsConsistent(t)) __builtin_trap();
    std::vector<char> buffer(4 * nuko::cd::kSectorBytes);
    for (const auto& track : t.tracks) {
        (void)t.TrackFrames(track.number);
        (void)disc->ReadAudio(track.start, 4, buffer.data());
    }
    (void)disc->ReadAudio(t.leadout - 1, 1, buffer.data());
    (void)t.AudioEndAfter(t.tracks.front().start);
    return 0;
}
