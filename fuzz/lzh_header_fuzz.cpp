// LZH archives: the raw header readers on the bytes as one header, then the
// whole input read as an archive through liblhasa and extracted into a
// scratch folder, which must then hold only what the extraction reports.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "library/lzh_archive.h"

namespace {

struct Scratch {
    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lzh-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        root = pattern + "/";
        archive = root + "input.lzh";
        out = root + "out/";
        if (::mkdir(out.c_str(), 0700) != 0) std::abort();
    }
    ~Scratch() {
        Clear();
        ::rmdir(out.c_str());
        ::unlink(archive.c_str());
        ::rmdir(root.c_str());
    }
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        if (DIR* d = ::opendir(out.c_str())) {
            while (dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
            ::closedir(d);
        }
        return names;
    }
    void Clear() const {
        for (const std::string& n : Entries()) ::unlink((out + n).c_str());
    }
    std::string root, archive, out;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuko::media;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto name = RawHeaderName(data, size)) {
        (void)UnsafeMemberReason(*name, "");
        (void)Cp932LastComponent(*name);
    }
    if (auto folder = RawHeaderFolder(data, size)) (void)UnsafeMemberReason("x", *folder);
    (void)Cp932LastComponent(bytes);
    (void)LzhCrc16(0, data, size);

    static const LhasaLibrary lib;
    static const Scratch scratch;
    if (!lib.usable()) return 0;
    FILE* f = std::fopen(scratch.archive.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    ExtractOptions options;
    options.size_cap = 1 << 20;
    ArchiveReadResult r = ExtractArchive(lib, scratch.archive, scratch.out, options);
    std::set<std::string> reported;
    for (const auto& m : r.extracted) {
        if (m.path != scratch.out + m.name || m.name.find('/') != std::string::npos) std::abort();
        reported.insert(m.name);
    }
    // Nothing else was written, and no temporary file was left behind.
    for (const std::string& n : scratch.Entries())
        if (!reported.count(n)) std::abort();
    scratch.Clear();
    return 0;
}
