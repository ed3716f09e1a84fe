// The tree that the listing benchmarks read: folders "FolderNNN/" each
// holding files "SongNNN.mid" and "SongNNN.txt" in turn.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace nuko::bench {

inline constexpr int kTreeFolders = 200;
inline constexpr int kTreePerFolder = 100;

inline std::string TreeFolderName(int folder) {
    char b[32];
    std::snprintf(b, sizeof b, "Folder%03d/", folder);
    return b;
}

// A file's path inside the tree.
inline std::string TreeFileName(int folder, int i, const char* stem, const char* ext) {
    char b[32];
    std::snprintf(b, sizeof b, "%s%03d.%s", stem, i, ext);
    return TreeFolderName(folder) + b;
}

// Makes the tree under `tree` (ending in "/"): kTreeFolders folders of
// kTreePerFolder files, half of them songs.
inline bool MakeSongTree(const std::string& tree) {
    ::mkdir(tree.c_str(), 0755);
    for (int f = 0; f < kTreeFolders; ++f) {
        ::mkdir((tree + TreeFolderName(f)).c_str(), 0755);
        for (int i = 0; i < kTreePerFolder; ++i) {
            const std::string p = tree + TreeFileName(f, i, "Song", i % 2 ? "txt" : "mid");
            int fd = ::open(p.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0) return false;
            const bool ok = ::write(fd, "MThd", 4) == 4;
            if (::close(fd) != 0 || !ok) return false;
        }
    }
    return true;
}

}  // namespace nuko::bench
