#include "catalog.h"

#include <dlfcn.h>
#include <unordered_map>

#include "nuko/fileio.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

// Catalogs are hand-edited text; anything larger is not one.
constexpr std::size_t kMaxCatalogBytes = 256u << 20;

std::string CleanField(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n' || c == '\x1a') c = ' ';
    return out;
}

// Splits a decoded item line at its first three TABs.
CatalogEntry SplitItemLine(const std::string& line) {
    CatalogEntry e;
    std::string* fields[] = {&e.path, &e.title, &e.init_file};
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t tab = line.find('\t', pos);
        std::string_view field = std::string_view(line).substr(pos, tab == std::string::npos ? std::string::npos : tab - pos);
        *fields[i] = std::string(text::CutToCp932Bytes(field, kCatalogFieldMax));
        if (tab == std::string::npos) return e;
        pos = tab + 1;
    }
    e.picture = line.substr(pos);  // the rest, TABs included
    return e;
}

}  // namespace

std::vector<std::string_view> SplitCatalogLines(std::string_view bytes) {
    std::size_t eof = bytes.find('\x1a');
    if (eof != std::string_view::npos) bytes = bytes.substr(0, eof);
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        lines.push_back(bytes.substr(pos, end - pos));
        if (end == bytes.size()) break;
        pos = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

CatalogText SplitCatalogText(std::string_view bytes) {
    CatalogText t;
    t.utf8 = bytes.starts_with(text::kUtf8Bom);
    if (t.utf8) bytes.remove_prefix(text::kUtf8Bom.size());
    t.lines = SplitCatalogLines(bytes);
    return t;
}

std::string DecodeCatalogField(std::string_view raw, bool utf8, std::size_t limit) {
    std::string s = utf8 ? text::SanitizeUtf8(raw) : text::Cp932ToUtf8(raw);
    return std::string(text::CutToCp932Bytes(s, limit));
}

bool HasCatalogExtension(std::string_view p) {
    if (p.size() < 4) return false;
    std::string tail = text::AsciiLowered(p.substr(p.size() - 4));
    return tail == ".mit" || tail == ".mot" || tail == ".wat";
}

int ConvertOldCatalog(const std::string& catalog_path) {
    std::string lib = folders::ProgramFolder() + "libnu_32cnv.so";
    void* handle = ::dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return 0;
    using Convertor = int (*)(const char*);
    auto fn = reinterpret_cast<Convertor>(::dlsym(handle, "Nu_koFileConvertor"));
    int result = fn ? fn(catalog_path.c_str()) : 0;
    ::dlclose(handle);
    return result;
}

std::string CatalogPathAsWritten(std::string_view field, std::string_view catalog_path,
                                 const path::DriveMap& drives) {
    std::string p = path::FromWindows(field);
    if (path::HasDriveLetter(p)) return path::FromLegacy(p, drives);
    if (path::IsAbsolute(p)) return p;
    return path::Join(path::SplitPath(catalog_path).folder, p);
}

std::string ResolveCatalogPath(std::string_view field, std::string_view catalog_path,
                               const path::DriveMap& drives) {
    return path::ResolveCaseInsensitive(CatalogPathAsWritten(field, catalog_path, drives));
}

std::string ResolveCatalogPath(std::string_view field, std::string_view catalog_path,
                               const path::DriveMap& drives, path::CaseResolver& resolver) {
    return resolver.Resolve(CatalogPathAsWritten(field, catalog_path, drives));
}

ParsedCatalog ParseCatalog(std::string_view bytes) {
    CatalogText content = SplitCatalogText(bytes);
    const auto& lines = content.lines;
    ParsedCatalog parsed;
    parsed.utf8 = content.utf8;
    parsed.current_layout = !lines.empty() && lines[0] == kCatalogVersion;
    if (lines.size() > 1) parsed.title = DecodeCatalogField(lines[1], parsed.utf8, kCatalogLineMax);
    if (lines.size() > 2) parsed.sub_title = DecodeCatalogField(lines[2], parsed.utf8, kCatalogLineMax);
    for (std::size_t i = 3; i < lines.size(); ++i) {
        CatalogEntry e = SplitItemLine(DecodeCatalogField(lines[i], parsed.utf8, kCatalogLineMax));
        if (e.path.empty()) continue;
        e.line = i;
        parsed.entries.push_back(std::move(e));
    }
    return parsed;
}

void ResolveCatalog(const ParsedCatalog& parsed, MediaList& list, const ExtensionList& extensions,
                    bool find_pictures, const CatalogEnvironment& env) {
    const PathLookup find = env.find_path ? env.find_path : DiskLookup();
    std::unordered_map<std::string, std::string> pictures;  // by folder
    list.loaded = 1;
    if (parsed.title) list.title = *parsed.title;
    if (parsed.sub_title) list.sub_title = *parsed.sub_title;
    for (const CatalogEntry& e : parsed.entries) {
        std::string name = path::FromWindows(e.path);
        if (!CatalogAccepts(name, extensions)) continue;
        FoundPath found = find(CatalogPathAsWritten(name, list.path, env.drives));
        if (found.kind == FoundPath::Kind::Other) continue;  // folders and system files
        if (found.file() && !list.hidden_files && path::IsHiddenName(path::FileName(found.path))) continue;
        MediaItem item;
        if (env.split_found) {
            auto split = path::SplitPath(found.path);
            item.folder = split.folder;
            item.name = split.name;
        } else {
            item.name = std::move(name);
        }
        item.title = e.title;
        item.init_file = path::FromWindows(e.init_file);
        item.picture = path::FromWindows(e.picture);
        if (find_pictures) {
            bool named = !item.picture.empty() &&
                         find(CatalogPathAsWritten(item.picture, list.path, env.drives)).file();
            if (!named) {
                // Items come in runs from one folder: its picture is looked for once.
                std::string folder = env.split_found ? item.folder : path::SplitPath(found.path).folder;
                auto [it, fresh] = pictures.try_emplace(std::move(folder));
                if (fresh) it->second = FolderPicture(it->first, env.picture_extensions, find);
                item.picture = it->second;
            }
        }
        list.Add(std::move(item));
    }
}

bool ReadCatalog(MediaList& list, const ExtensionList& extensions, bool find_pictures,
                 const CatalogEnvironment& env) {
    if (!HasCatalogExtension(list.path)) return false;
    auto bytes = fileio::ReadFile(list.path, kMaxCatalogBytes);
    if (!bytes) return false;
    ParsedCatalog parsed = ParseCatalog(*bytes);
    if (!parsed.current_layout) {
        int converted = env.convert_old ? env.convert_old(list.path) : ConvertOldCatalog(list.path);
        if (!converted) return false;
        bytes = fileio::ReadFile(list.path, kMaxCatalogBytes);
        if (!bytes) return false;
        // The converted file's first line is not checked again.
        parsed = ParseCatalog(*bytes);
    }
    ResolveCatalog(parsed, list, extensions, find_pictures, env);
    return true;
}

std::string SerializeCatalog(const MediaList& list) {
    std::string text;
    text += kCatalogVersion;
    text += "\r\n";
    text += CleanField(list.title) + "\r\n";
    text += CleanField(list.sub_title) + "\r\n";
    for (const auto& item : list.items) {
        text += CleanField(item.name);
        text += '\t';
        text += CleanField(item.title);
        text += '\t';
        text += CleanField(item.init_file);
        text += '\t';
        text += CleanField(item.picture);
        text += "\r\n";
    }
    std::string out = text::EncodeLegacy(text);
    out += '\x1a';
    return out;
}

std::error_code WriteCatalog(const MediaList& list) {
    return fileio::WriteFileAtomic(list.path, SerializeCatalog(list));
}

std::string PlayablePath(const MediaItem& item, std::string_view catalog_path, const path::DriveMap& drives) {
    if (!item.folder.empty()) return path::Join(item.folder, item.name);
    return ResolveCatalogPath(item.name, catalog_path, drives);
}

std::string PlayablePath(const MediaItem& item, std::string_view catalog_path, const path::DriveMap& drives,
                         path::CaseResolver& resolver) {
    if (!item.folder.empty()) return path::Join(item.folder, item.name);
    return ResolveCatalogPath(item.name, catalog_path, drives, resolver);
}

}  // namespace nuko::media
