// nu_kotool archive: the members of an LZH archive and the one that plays.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "library/archive_file.h"
#include "library/lzh_archive.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "scratch_folder.h"
#include "tool_commands.h"

namespace nuko::tool {

int RunArchive(const Args& args) {
    const char* usage = "usage: nu_kotool archive ARCHIVE [--kind midi|movie|sound] [--rcp-first]\n";
    std::string archive;
    int kind = media::AllKinds;
    bool rcp_first = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--rcp-first") {
            rcp_first = true;
        } else if (a == "--kind" && i + 1 < args.size()) {
            kind = FileKindArgument(args[++i]);
            if (kind < 0) {
                std::fprintf(stderr, "%s", usage);
                return 2;
            }
        } else if (!a.empty() && a[0] != '-' && archive.empty()) {
            archive = a;
        } else {
            std::fprintf(stderr, "%s", usage);
            return 2;
        }
    }
    if (archive.empty()) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    media::LhasaLibrary lib;
    if (!lib.usable()) {
        std::fprintf(stderr, "nu_kotool: liblhasa.so.0 is not usable\n");
        return 1;
    }
    media::ArchiveReadResult listed = media::ListArchive(lib, archive);
    if (!listed.opened) {
        std::fprintf(stderr, "nu_kotool: cannot read %s\n", archive.c_str());
        return 1;
    }
    for (const auto& m : listed.members)
        if (!m.directory) std::printf("member %s\n", m.name.c_str());

    ScratchFolder scratch;
    if (scratch.path().empty()) {
        std::fprintf(stderr, "nu_kotool: cannot make a temporary folder\n");
        return 1;
    }
    std::string chosen;
    {
        media::ArchiveSettings s;
        s.work_folder = scratch.path();
        media::CArchiveFile file(s);
        // Only a name ending in ".lzh" is an archive to the bridge.
        std::string path = archive;
        if (file.OpenForPlay(path, kind, nullptr, true, rcp_first) && path != archive)
            chosen = std::string(path::FileName(path));
    }
    std::printf("chosen %s\n", chosen.empty() ? "-" : chosen.c_str());
    return 0;
}

}  // namespace nuko::tool
