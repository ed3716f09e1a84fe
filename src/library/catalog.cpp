#include "catalog.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include "nuko/fileio.h"
#include "nuko/files.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

// Catalogs are hand-edited text; anything larger is not one.
constexpr std::size_t kMaxCatalogBytes = 256u << 20;

bool Exists(const std::string& p, struct stat& st) { return !p.empty() && ::stat(p.c_str(), &st) == 0; }

std::string CleanField(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n' || c == '\x1a') c = ' ';
    return out;
}

struct ParsedLine {
    std::string path, title, init, picture;
};

ParsedLine SplitItemLine(const std::string& line) {
    ParsedLine p;
    std::string* fields[] = {&p.path, &p.title, &p.init};
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t tab = line.find('\t', pos);
        std::string_view field = std::string_view(line).substr(pos, tab == std::string::npos ? std::string::npos : tab - pos);
        *fields[i] = std::string(text::CutToCp932Bytes(field, kCatalogFieldMax));
        if (tab == std::string::npos) return p;
        pos = tab + 1;
    }
    p.picture = line.substr(pos);  // the rest, TABs included
    return p;
}

std::string FindPicture(const std::string& folder, const std::vector<std::string>& exts) {
    std::vector<std::string> names{"image.bmp"};
    for (const auto& e : exts) names.push_back("image" + e);
    for (const auto& n : names) {
        std::string candidate = path::ResolveCaseInsensitive(path::Join(folder, n));
        if (files::IsFileFound(candidate, true)) return candidate;
    }
    return {};
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

namespace {

std::string ResolveWith(path::CaseResolver& resolver, std::string_view field, std::string_view catalog_path,
                        const path::DriveMap& drives) {
    std::string p = path::FromWindows(field);
    std::string resolved;
    if (path::HasDriveLetter(p)) {
        resolved = path::FromLegacy(p, drives);
    } else if (path::IsAbsolute(p)) {
        resolved = p;
    } else {
        resolved = path::Join(path::SplitPath(catalog_path).folder, p);
    }
    return resolver.Resolve(resolved);
}

}  // namespace

std::string ResolveCatalogPath(std::string_view field, std::string_view catalog_path,
                               const path::DriveMap& drives) {
    path::CaseResolver resolver;
    return ResolveWith(resolver, field, catalog_path, drives);
}

bool ReadCatalog(MediaList& list, const ExtensionList& extensions, bool find_pictures,
                 const CatalogEnvironment& env) {
    if (!HasCatalogExtension(list.path)) return false;
    auto bytes = fileio::ReadFile(list.path, kMaxCatalogBytes);
    if (!bytes) return false;

    CatalogText content = SplitCatalogText(*bytes);
    if (content.lines.empty() || content.lines[0] != kCatalogVersion) {
        int converted = env.convert_old ? env.convert_old(list.path) : ConvertOldCatalog(list.path);
        if (!converted) return false;
        bytes = fileio::ReadFile(list.path, kMaxCatalogBytes);
        if (!bytes) return false;
        content = SplitCatalogText(*bytes);
        // The converted file's first line is not checked again.
    }
    const auto& lines = content.lines;
    const bool utf8 = content.utf8;

    list.loaded = 1;
    if (lines.size() > 1) list.title = DecodeCatalogField(lines[1], utf8, kCatalogLineMax);
    if (lines.size() > 2) list.sub_title = DecodeCatalogField(lines[2], utf8, kCatalogLineMax);

    path::CaseResolver resolver;
    for (std::size_t i = 3; i < lines.size(); ++i) {
        ParsedLine f = SplitItemLine(DecodeCatalogField(lines[i], utf8, kCatalogLineMax));
        if (f.path.empty()) continue;
        std::string name = path::FromWindows(f.path);
        std::string resolved = ResolveWith(resolver, name, list.path, env.drives);
        struct stat st {};
        if (Exists(resolved, st)) {
            if (!S_ISREG(st.st_mode)) continue;  // folders and system files
            if (!list.hidden_files && path::IsHiddenName(path::FileName(resolved))) continue;
        }
        if (!CatalogAccepts(name, extensions)) continue;
        MediaItem item;
        item.name = std::move(name);
        item.title = std::move(f.title);
        item.init_file = path::FromWindows(f.init);
        item.picture = path::FromWindows(f.picture);
        if (find_pictures) {
            std::string pic = item.picture.empty() ? std::string()
                                                   : ResolveWith(resolver, item.picture, list.path, env.drives);
            if (!files::IsFileFound(pic, true))
                item.picture = FindPicture(path::SplitPath(resolved).folder, env.picture_extensions);
        }
        list.Add(item);
    }
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

}  // namespace nuko::media
