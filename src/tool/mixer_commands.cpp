// nu_kotool mixer: the mixer's volume lines as the volume panel sees them,
// and setting a line's levels through the same code.
#include <cstdio>
#include <cstdlib>

#include "settings/settings_store.h"
#include "mixer/mixer_control_list.h"
#include "nuko/paths.h"
#include "tool_commands.h"

namespace nuko::tool {

namespace {

constexpr const char* kUsage = "usage: nu_kotool mixer [set N LEFT RIGHT [--steps 15|31|63|127]]\n";

bool Number(const std::string& s, long lo, long hi, int* out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

int RunMixer(const Args& args) {
    settings::SettingsStore store(folders::SettingsFile());
    int steps = store.ReadAll().main.vol_finely;
    const bool set = !args.empty() && args[0] == "set";
    int index = 0, left = 0, right = 0;
    if (set) {
        std::size_t n = args.size();
        if (n == 6 && args[4] == "--steps") {
            if (!Number(args[5], 1, 127, &steps) || mixer::ValidMaxLevel(steps) != steps) {
                std::fputs(kUsage, stderr);
                return 2;
            }
            n = 4;
        }
        if (n != 4 || !Number(args[1], 0, 100000, &index) || !Number(args[2], 0, 127, &left) ||
            !Number(args[3], 0, 127, &right)) {
            std::fputs(kUsage, stderr);
            return 2;
        }
    } else if (!args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    mixer::MixerControlList list(mixer::MakeAlsaMixers());
    list.Enumerate();
    list.SetMaxLevel(steps);
    if (set) {
        if (index >= list.size()) {
            std::fprintf(stderr, "nu_kotool: no mixer line %d (there are %d)\n", index, list.size());
            return 1;
        }
        if (left > list.MaxLevel(index) || right > list.MaxLevel(index) || !list.SetLevels(index, left, right)) {
            std::fprintf(stderr, "nu_kotool: cannot set mixer line %d\n", index);
            return 1;
        }
        return 0;
    }
    for (int i = 0; i < list.size(); ++i) {
        int l = 0, r = 0;
        list.GetLevels(i, &l, &r);
        std::printf("%d\t%s\t%s\t%d\t%d\n", i, list.line(i).Label().c_str(), list.IsStereo(i) ? "stereo" : "mono", l, r);
    }
    return 0;
}

}  // namespace nuko::tool
