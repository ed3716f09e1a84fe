#include "path_lookup.h"

#include <memory>
#include <sys/stat.h>

#include "nuko/paths.h"

namespace nuko::media {

PathLookup DiskLookup() {
    auto resolver = std::make_shared<path::CaseResolver>();
    return [resolver](const std::string& p) {
        FoundPath found{resolver->Resolve(p), FoundPath::Kind::Missing};
        struct stat st {};
        if (!found.path.empty() && ::stat(found.path.c_str(), &st) == 0)
            found.kind = S_ISREG(st.st_mode) ? FoundPath::Kind::File : FoundPath::Kind::Other;
        return found;
    };
}

std::string FolderPicture(std::string_view folder, const std::vector<std::string>& extensions,
                          const PathLookup& find) {
    if (FoundPath f = find(path::Join(folder, "image.bmp")); f.file()) return f.path;
    for (const auto& e : extensions)
        if (FoundPath f = find(path::Join(folder, "image" + e)); f.file()) return f.path;
    return {};
}

}  // namespace nuko::media
