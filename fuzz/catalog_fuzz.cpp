// Catalog files: the line splitter and the whole read (through a file, as
// the reader opens paths), then a rewrite of what was read.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "library/catalog.h"
#include "nuko/fileio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)nuko::media::SplitCatalogLines(bytes);

    static std::string dir = [] {
        char tmpl[] = "/tmp/nuko-catalog-fuzz-XXXXXX";
        return std::string(::mkdtemp(tmpl)) + "/";
    }();
    std::string path = dir + "f.mit";
    if (nuko::fileio::WriteFileAtomic(path, bytes)) return 0;
    nuko::media::MediaList list;
    list.path = path;
    nuko::media::ExtensionList exts;
    nuko::media::BuildKindExtensions(exts, 0, false, false);
    nuko::media::CatalogEnvironment env;
    env.convert_old = [](const std::string&) { return 0; };
    if (nuko::media::ReadCatalog(list, exts, true, env)) {
        list.path = dir + "out.mit";
        (void)nuko::media::WriteCatalog(list);
    }
    return 0;
}
