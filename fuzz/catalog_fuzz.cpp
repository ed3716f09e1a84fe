// Catalog files: the line splitter, the parse of the bytes, the resolve of
// what was parsed against a made-up disk, then a rewrite of the result.
#include <cstdint>
#include <functional>
#include <string>

#include "library/catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)nuko::media::SplitCatalogLines(bytes);
    nuko::media::ParsedCatalog parsed = nuko::media::ParseCatalog(bytes);

    using nuko::media::FoundPath;
    nuko::media::CatalogEnvironment env;
    env.drives = {{'C', "/c"}, {'D', "/mnt/d/"}};
    env.convert_old = [](const std::string&) { return 0; };
    // Files, folders and missing paths by the path's hash, letter case
    // changed now and then, so that every branch of the resolve runs.
    env.find_path = [](const std::string& p) {
        std::size_t h = std::hash<std::string>{}(p);
        FoundPath f{p, static_cast<FoundPath::Kind>(h % 3)};
        if (h & 8 && !f.path.empty()) f.path.back() = static_cast<char>(f.path.back() ^ 0x20);
        return f;
    };
    nuko::media::MediaList list;
    list.path = "/catalogs/f.mit";
    list.hidden_files = size & 1;
    nuko::media::ExtensionList exts;
    nuko::media::BuildKindExtensions(exts, 0, false, false);
    nuko::media::ResolveCatalog(parsed, list, exts, true, env);
    (void)nuko::media::SerializeCatalog(list);
    return 0;
}
