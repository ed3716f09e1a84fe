// How the library asks the disk about a path: one look-up tells where the
// path really is (its letter case resolved) and what is there. The catalog
// reader takes it as a function, so that tests and fuzzing answer without a
// disk, and so that a look-up served from folder listings can take the place
// of one call per path. Main thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "nuko/paths.h"

namespace nuko::media {

struct FoundPath {
    enum class Kind { Missing, File, Other };  // Other: a folder, a device, ...
    std::string path;  // the real path; the path asked for when nothing is there
    Kind kind = Kind::Missing;
    bool file() const { return kind == Kind::File; }
};

// The path is handed over: the answer may keep its text.
using PathLookup = std::function<FoundPath(std::string path)>;

// The disk: the path as written, else resolved case-insensitively, links
// followed. The folder listings read are kept for the life of the look-up
// and its copies.
PathLookup DiskLookup();

// The disk through a resolver the caller keeps alive while the look-up is
// used, so that its folder listings also serve the caller's own look-ups.
PathLookup ResolverLookup(path::CaseResolver& resolver);

// The "image" picture of a folder: the first of "image.bmp", then "image"
// with each of `extensions` in order, that is a file in any letter case;
// empty when there is none.
std::string FolderPicture(std::string_view folder, const std::vector<std::string>& extensions,
                          const PathLookup& find);

}  // namespace nuko::media
