// nu_kotool subcommands of catalog files.
#include <cstdio>

#include "library/catalog.h"
#include "nuko/paths.h"
#include "nuko/text.h"
#include "settings/settings_store.h"
#include "tool_commands.h"

namespace nuko::tool {

int RunCatalog(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nu_kotool catalog FILE\n");
        return 2;
    }
    settings::SettingsStore store(folders::SettingsFile());
    settings::Settings s = store.ReadAll();

    media::MediaList list;
    list.path = args[0];
    std::string ext = text::AsciiLowered(path::Extension(list.path));
    list.kind = ext == "mot" ? media::MediaKind::Movie : ext == "wat" ? media::MediaKind::Sound
                                                                       : media::MediaKind::Midi;
    list.hidden_files = s.main.hidden_file != 0;
    media::ExtensionList exts;
    media::BuildKindExtensions(exts, media::Code(list.kind), false, false);
    media::CatalogEnvironment env;
    env.drives = s.drives;
    // One resolver for the read and the printed paths: each folder is listed once.
    path::CaseResolver resolver;
    env.find_path = media::ResolverLookup(resolver);
    if (!media::ReadCatalog(list, exts, true, env)) {
        std::fprintf(stderr, "nu_kotool: cannot read the catalog %s\n", list.path.c_str());
        return 1;
    }
    std::printf("title: %s\nsubtitle: %s\n", list.title.c_str(), list.sub_title.c_str());
    for (const auto& item : list.items) {
        std::printf("%s\t%s\t%s\t%s\n", media::PlayablePath(item, list.path, env.drives, resolver).c_str(),
                    item.title.c_str(), item.init_file.c_str(), item.picture.c_str());
    }
    return 0;
}

}  // namespace nuko::tool
