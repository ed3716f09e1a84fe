// nu_kotool catconvert: the old-layout catalog conversion without its dialog.
#include <cstdio>

#include "catconvert/catalog_convert.h"
#include "tool_commands.h"

namespace nuko::tool {

int RunCatConvert(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: nu_kotool catconvert FILE\n");
        return 2;
    }
    using namespace catconvert;
    OldCatalog catalog;
    switch (ReadOldCatalog(args[0], DefaultTitleReader(), catalog)) {
        case ReadOutcome::CannotOpen:
            std::printf("0\ncannot open the file\n");
            return 1;
        case ReadOutcome::AlreadyCurrent:
            std::printf("0\nalready in the current layout\n");
            return 0;
        case ReadOutcome::Read:
            break;
    }
    if (auto ec = WriteConverted(args[0], catalog)) {
        std::printf("0\ncannot write the file: %s\n", ec.message().c_str());
        return 1;
    }
    std::printf("1\nconverted %zu items\n", catalog.items.size());
    return 0;
}

}  // namespace nuko::tool
