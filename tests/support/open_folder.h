// Files that an ordinary user may replace but perhaps not read, for tests
// that must see a write refused because the read before it failed.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "test_support.h"

namespace nuko::test {

// Writes `bytes` to `name` in the folder "open/" of `dir`, which every user
// may write to, and gives the file permissions `mode`. With 0600 the user
// of AsUnprivilegedUser could replace the file but cannot read it.
inline std::string WriteInOpenFolder(const TempDir& dir, std::string_view name, std::string_view bytes,
                                     mode_t mode) {
    std::string folder = dir.File("open/");
    ::mkdir(folder.c_str(), 0777);
    ::chmod(folder.c_str(), 0777);
    std::string path = folder + std::string(name);
    WriteBytes(path, bytes);
    ::chmod(path.c_str(), mode);
    return path;
}

}  // namespace nuko::test
