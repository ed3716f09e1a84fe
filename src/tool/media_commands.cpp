// nu_kotool subcommands of the media title reader, MP3 wrapping and the
// MacBinary cuts.
#include <cstdio>

#include <nu_32std.h>
#include "tool_commands.h"

namespace nuko::tool {
namespace {

bool TwoPaths(const Args& args, const char* usage) {
    if (args.size() == 2) return true;
    std::fprintf(stderr, "usage: nu_kotool %s SRC DST\n", usage);
    return false;
}

}  // namespace

int RunTitle(const Args& args) {
    bool hidden = false;
    std::vector<const std::string*> files;
    for (const auto& a : args) {
        if (a == "--hidden") hidden = true;
        else files.push_back(&a);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: nu_kotool title FILE... [--hidden]\n");
        return 2;
    }
    char title[NUKO_PATH_MAX];
    char title2[NUKO_PATH_MAX];
    for (const std::string* file : files) {
        NuKoWaitRatio ratio{};
        int32_t result = Nu_koGetMidiTitle(file->c_str(), title, title2, sizeof title, hidden ? 1 : 0, &ratio);
        std::printf("file: %s\ntitle: %s\ntitle2: %s\nratio: %d/%d\nresult: %d\n", file->c_str(), title,
                    title2, ratio.beats, ratio.unit, result);
    }
    return 0;
}

// The conversions print their result code; the exit code is 0 when it
// means success or nothing to do.
int RunMp3Wrap(const Args& args) {
    if (!TwoPaths(args, "mp3wrap")) return 2;
    int32_t result = Nu_koMp3Convert(args[0].c_str(), args[1].c_str(), nullptr, nullptr);
    std::printf("%d\n", result);
    return result == 0 || result == 1 ? 0 : 1;
}

int RunRmpCut(const Args& args) {
    if (!TwoPaths(args, "rmpcut")) return 2;
    int32_t result = Nu_koMp3MacRmpCut(args[0].c_str(), args[1].c_str(), nullptr, nullptr);
    std::printf("%d\n", result);
    return result == 0 || result == 1 ? 0 : 1;
}

int RunMacCut(const Args& args) {
    if (!TwoPaths(args, "maccut")) return 2;
    int32_t result = Nu_koMidiMacCut(args[0].c_str(), args[1].c_str(), nullptr);
    std::printf("%d\n", result);
    return result == 1 ? 0 : 1;
}

}  // namespace nuko::tool
