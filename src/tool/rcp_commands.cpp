// nu_kotool rcp2mid: an RCP, R36 or G36 file to a standard MIDI file, with
// what the conversion found.
#include <cstdio>
#include <string>

#include "nuko/fileio.h"
#include "nuko/text.h"
#include "rcpcv/rcp_convert.h"
#include "tool_commands.h"

namespace nuko::tool {
namespace {
constexpr std::size_t kMaxRcpBytes = 64u << 20;
}  // namespace

int RunRcp2Mid(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: nu_kotool rcp2mid SRC DST\n");
        return 2;
    }
    std::optional<std::string> bytes = fileio::ReadFile(args[0], kMaxRcpBytes + 1);
    if (!bytes) {
        std::fprintf(stderr, "nu_kotool: %s: ファイルが読めません (cannot read the file)\n", args[0].c_str());
        return 1;
    }
    if (bytes->size() > kMaxRcpBytes) {
        std::fprintf(stderr, "nu_kotool: %s: RCPファイルではありません (not an RCP file)\n", args[0].c_str());
        return 1;
    }
    rcpcv::ConvertResult r = rcpcv::ConvertRcp(*bytes);
    if (r.error != rcpcv::ConvertError::None) {
        std::fprintf(stderr, "nu_kotool: %s: RCPファイルではありません (not an RCP file)\n", args[0].c_str());
        return 1;
    }
    std::string_view smf(reinterpret_cast<const char*>(r.smf.data()), r.smf.size());
    if (std::error_code ec = fileio::WriteFileAtomic(args[1], smf)) {
        std::fprintf(stderr, "nu_kotool: %s: 書き込めません (cannot write): %s\n", args[1].c_str(), ec.message().c_str());
        return 1;
    }
    const rcpcv::ConvertReport& rep = r.report;
    std::printf("title: %s\n", text::Cp932ToUtf8(rep.title).c_str());
    std::printf("tracks: %d\n", rep.tracks);
    std::printf("notes: %llu\n", static_cast<unsigned long long>(rep.notes));
    std::printf("tempo: %g\n", rep.tempo);
    std::printf("length: %.1f s\n", rep.seconds);
    std::printf("skipped: %llu\n", static_cast<unsigned long long>(rep.skipped));
    if (rep.broken) std::printf("broken: %llu\n", static_cast<unsigned long long>(rep.broken));
    if (rep.cut) std::fprintf(stderr, "nu_kotool: %s: 30分または1000万イベントで打ち切りました (output cut at its limit)\n", args[0].c_str());
    return 0;
}

}  // namespace nuko::tool
