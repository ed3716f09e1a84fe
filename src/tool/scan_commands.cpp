// nu_kotool scan: the rows the file area lists for a folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "library/file_area_model.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "settings/settings_store.h"
#include "tool_commands.h"

namespace nuko::tool {

int RunScan(const Args& args) {
    const char* usage = "usage: nu_kotool scan FOLDER --kind midi|movie|sound [--sub] [--hidden] [--flags HEX]\n";
    std::string folder;
    int kind = -1;
    media::FileAreaSettings s;
    s.type_flags = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--sub") {
            s.sub_folders = true;
        } else if (a == "--hidden") {
            s.hidden_files = true;
        } else if (a == "--kind" && i + 1 < args.size()) {
            kind = FileKindArgument(args[++i]);
            if (kind < 0) {
                std::fprintf(stderr, "%s", usage);
                return 2;
            }
        } else if (a == "--flags" && i + 1 < args.size()) {
            char* end = nullptr;
            unsigned long v = std::strtoul(args[++i].c_str(), &end, 16);
            if (!end || *end || v > 0xFFFF) {
                std::fprintf(stderr, "%s", usage);
                return 2;
            }
            s.type_flags = static_cast<media::FileTypeFlags>(v);
        } else if (!a.empty() && a[0] != '-' && folder.empty()) {
            folder = a;
        } else {
            std::fprintf(stderr, "%s", usage);
            return 2;
        }
    }
    if (folder.empty() || kind < 0) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    if (!files::IsFolder(folder)) {
        std::fprintf(stderr, "nu_kotool: not a folder: %s\n", folder.c_str());
        return 1;
    }
    s.kind = kind;
    s.source = path::WithTrailingSlash(folder);
    if (s.type_flags == 0) s.type_flags = media::file_type::kAllTypes;
    s.type_flags &= static_cast<media::FileTypeFlags>(~media::file_type::kCatalog);  // a folder, not a catalog
    settings::Settings settings = settings::SettingsStore(folders::SettingsFile()).ReadAll();
    media::FileAreaEnvironment env;
    env.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };
    media::FileAreaModel model;
    model.Load(s, env);
    if (settings.main.sort) model.SortByName();
    for (int row = 0; row < model.rows(); ++row) std::printf("%s\n", model.RowPath(row).c_str());
    return 0;
}

}  // namespace nuko::tool
