// Catalog files: the line splitter, the parse of the bytes, the resolve of
// what was parsed against a made-up disk, then a rewrite of the result, read
// again: what was saved must read back as the same titles and items (a
// picture is left out: a missing one is looked for beside its song again).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "library/catalog.h"

namespace {

[[noreturn]] void Corrupted(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "catalog save corrupts the %s: \"%s\" read back as \"%s\"\n", what, a.c_str(), b.c_str());
    std::abort();
}

}  // namespace

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
    // What the disk answered, by the path it answered with: the second
    // read finds the same disk.
    std::map<std::string, FoundPath::Kind> disk;
    env.find_path = [&disk](const std::string& p) {
        std::size_t h = std::hash<std::string>{}(p);
        FoundPath f{p, static_cast<FoundPath::Kind>(h % 3)};
        if (h & 8 && !f.path.empty()) f.path.back() = static_cast<char>(f.path.back() ^ 0x20);
        disk[f.path] = f.kind;
        return f;
    };
    nuko::media::MediaList list;
    list.path = "/catalogs/f.mit";
    list.hidden_files = size & 1;
    nuko::media::ExtensionList exts;
    nuko::media::BuildKindExtensions(exts, 0, false, false);
    nuko::media::ResolveCatalog(parsed, list, exts, true, env);
    const std::string saved = nuko::media::SerializeCatalog(list);

    // Read back from the same disk: the paths it answered hold what they
    // held, nothing else is there.
    nuko::media::CatalogEnvironment as_written = env;
    as_written.find_path = [&disk](const std::string& p) {
        auto it = disk.find(p);
        return FoundPath{p, it == disk.end() ? FoundPath::Kind::Missing : it->second};
    };
    nuko::media::MediaList again;
    again.path = list.path;
    again.hidden_files = list.hidden_files;
    nuko::media::ResolveCatalog(nuko::media::ParseCatalog(saved), again, exts, true, as_written);
    // A TAB in a field is written as a blank, by design; nothing else changes.
    auto as_saved = [](std::string field) {
        std::replace(field.begin(), field.end(), '\t', ' ');
        return field;
    };
    if (again.title != as_saved(list.title)) Corrupted("title", list.title, again.title);
    if (again.sub_title != as_saved(list.sub_title)) Corrupted("sub title", list.sub_title, again.sub_title);
    if (again.items.size() != list.items.size())
        Corrupted("item count", std::to_string(list.items.size()), std::to_string(again.items.size()));
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        const nuko::media::MediaItem& a = list.items[i];
        const nuko::media::MediaItem& b = again.items[i];
        if (a.folder + a.name != b.folder + b.name) Corrupted("path", a.folder + a.name, b.folder + b.name);
        if (a.title != b.title) Corrupted("item title", a.title, b.title);
        if (a.init_file != b.init_file) Corrupted("init file", a.init_file, b.init_file);
    }
    return 0;
}
