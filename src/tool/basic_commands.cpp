// nu_kotool subcommands of the support library and the settings store.
#include <cstdio>

#include <nu_32std.h>
#include "settings/settings_store.h"
#include "nuko/paths.h"
#include "tool_commands.h"

namespace nuko::tool {

int RunVersion(const Args&) {
    std::printf("%s\n", settings::kVersionText);
    std::printf("nu_32std %d\n", Nu_koGetVersion());
    return 0;
}

int RunLongPath(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nu_kotool longpath PATH\n");
        return 2;
    }
    char out[NUKO_PATH_MAX];
    Nu_koGetLongPathName(args[0].c_str(), out, sizeof out);
    std::printf("%s\n", out);
    return 0;
}

int RunMediaType(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nu_kotool mediatype FILE\n");
        return 2;
    }
    std::printf("%d\n", Nu_koIsWinMediaType(args[0].c_str()));
    return 0;
}

int RunSettings(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: nu_kotool settings SECTION KEY\n");
        return 2;
    }
    settings::SettingsStore store(folders::SettingsFile());
    settings::Settings s = store.ReadAll();
    if (auto v = settings::FormatSetting(s, args[0], args[1])) {
        std::printf("%s\n", v->c_str());
        return 0;
    }
    // Sections kept outside the model (the CD registration index).
    if (auto v = store.ReadKey(args[0], args[1])) {
        std::printf("%s\n", v->c_str());
        return 0;
    }
    std::fprintf(stderr, "nu_kotool: no setting [%s] %s\n", args[0].c_str(), args[1].c_str());
    return 1;
}

}  // namespace nuko::tool
