// Converting a 100 KB RCP file (36 tracks of notes, controllers, bends)
// beside reading its bytes from the file, the least any conversion costs.
#include <cstdio>
#include <string>

#include "bench_util.h"
#include "nuko/fileio.h"
#include "rcp_builder.h"
#include "rcp_convert.h"

int main() {
    using nuko::rcpcv::test::RcpFile;
    using nuko::rcpcv::test::RcpTrack;
    RcpFile f;
    f.timebase = 96;
    for (int t = 0; t < 36; ++t) {
        RcpTrack track;
        track.channel = static_cast<std::uint8_t>(t % 16);
        // About 700 commands a track: 36 tracks make some 100 KB.
        for (int m = 0; m < 60; ++m) {
            track.events.push_back({0xEB, 0, 11, static_cast<unsigned>(m % 128)});
            for (int n = 0; n < 10; ++n)
                track.events.push_back({static_cast<unsigned>(48 + (m + n) % 36), 24, 20, 100});
            track.events.push_back({0xEE, 0, 0, static_cast<unsigned>(64 + m % 8)});
            track.events.push_back({0xFD, 0, 0, 0});
        }
        track.events.push_back({0xFE, 0, 0, 0});
        f.tracks.push_back(track);
    }
    std::string bytes = f.Build();
    std::string path = "/tmp/nuko_rcp_bench_" + std::to_string(::getpid()) + ".rcp";
    if (nuko::fileio::WriteFileAtomic(path, bytes)) return 1;

    std::size_t out = 0;
    double read = nuko::bench::BestMs(20, [&] { out += nuko::fileio::ReadFile(path)->size(); });
    double convert = nuko::bench::BestMs(20, [&] {
        auto b = nuko::fileio::ReadFile(path);
        out += nuko::rcpcv::ConvertRcp(*b).smf.size();
    });
    std::printf("RCP file: %zu bytes, SMF: %zu bytes\n", bytes.size(),
                nuko::rcpcv::ConvertRcp(bytes).smf.size());
    nuko::bench::Report("read and convert a 100 KB RCP file", convert, "read its bytes", read);
    ::unlink(path.c_str());
    return out == 0;
}
