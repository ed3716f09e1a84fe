// Converting Grand Slam (66 KB, 18 tracks, 364 loops, 850 same-measure
// references, 7,576 notes) beside reading its bytes from the file, the
// least any conversion costs. The goal is under 5 ms for the conversion.
#include <cstdio>
#include <string>

#include "bench_util.h"
#include "nuko/fileio.h"
#include "rcpcv/rcp_convert.h"

int main() {
    const std::string path = std::string(NUKO_CORPUS_DIR) + "/rcp/recomposerfile_grandslam.rcp";
    std::optional<std::string> bytes = nuko::fileio::ReadFile(path);
    if (!bytes) {
        std::fprintf(stderr, "rcp_bench: %s: cannot read\n", path.c_str());
        return 1;
    }
    std::size_t out = 0;
    double convert = nuko::bench::BestMs(50, [&] { out += nuko::rcpcv::ConvertRcp(*bytes).smf.size(); });
    auto pair = nuko::bench::BestPairMs(
        50, [&] { out += nuko::rcpcv::ConvertRcp(*nuko::fileio::ReadFile(path)).smf.size(); },
        [&] { out += nuko::fileio::ReadFile(path)->size(); });
    nuko::rcpcv::ConvertResult r = nuko::rcpcv::ConvertRcp(*bytes);
    std::printf("Grand Slam: %zu bytes, SMF: %zu bytes, %llu notes\n", bytes->size(), r.smf.size(),
                static_cast<unsigned long long>(r.report.notes));
    std::printf("%-40s %10.3f ms   (goal < 5 ms)\n", "convert Grand Slam in memory", convert);
    nuko::bench::Report("read and convert Grand Slam", pair.ms, "read its bytes", pair.baseline_ms);
    return out == 0;
}
