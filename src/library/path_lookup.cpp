#include "path_lookup.h"

#include <memory>

#include "nuko/paths.h"

namespace nuko::media {

namespace {

FoundPath Find(path::CaseResolver& resolver, std::string p) {
    path::CaseResolver::Found f = resolver.FindTaking(std::move(p));
    FoundPath found{std::move(f.path), FoundPath::Kind::Missing};
    if (f.kind == path::CaseResolver::Kind::File) found.kind = FoundPath::Kind::File;
    else if (f.kind != path::CaseResolver::Kind::Missing) found.kind = FoundPath::Kind::Other;
    return found;
}

}  // namespace

PathLookup DiskLookup() {
    auto resolver = std::make_shared<path::CaseResolver>();
    return [resolver](std::string p) { return Find(*resolver, std::move(p)); };
}

PathLookup ResolverLookup(path::CaseResolver& resolver) {
    return [&resolver](std::string p) { return Find(resolver, std::move(p)); };
}

std::string FolderPicture(std::string_view folder, const std::vector<std::string>& extensions,
                          const PathLookup& find) {
    if (FoundPath f = find(path::Join(folder, "image.bmp")); f.file()) return f.path;
    for (const auto& e : extensions)
        if (FoundPath f = find(path::Join(folder, "image" + e)); f.file()) return f.path;
    return {};
}

}  // namespace nuko::media
