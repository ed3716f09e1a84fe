// Disc images as libcdio reads them for us: the bytes become a cue sheet or
// a .toc file (beside a small data file the seeds name), are opened, and the
// table of contents and some audio are read.
#include <cstdint>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool toc = bytes.rfind("CD_", 0) == 0 || bytes.find("DATAFILE") != std::string_view::npos ||
               bytes.find("AUDIOFILE") != std::string_view::npos || bytes.find("// ") != std::string_view::npos;
    std::string path = Folder() + (toc ? "image.toc" : "image.cue");
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
    auto disc = nuko::cd::OpenDisc(path);
    if (!disc) return 0;
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
