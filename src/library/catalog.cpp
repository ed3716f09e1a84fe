#include "catalog.h"

#include <algorithm>
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

// The text of catalog bytes: up to the end-of-file mark, without the UTF-8
// byte order mark, whose presence it tells in `utf8`.
std::string_view CatalogTextOf(std::string_view bytes, bool& utf8) {
    if (std::size_t eof = bytes.find('\x1a'); eof != std::string_view::npos) bytes = bytes.substr(0, eof);
    utf8 = bytes.starts_with(text::kUtf8Bom);
    if (utf8) bytes.remove_prefix(text::kUtf8Bom.size());
    return bytes;
}

// Where the line after the line end at `end` starts: CR LF ends one line.
std::size_t AfterLineEnd(std::string_view bytes, std::size_t end) {
    return end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
}

// An item line's fields as parts of the line: a reader that resolves the
// items as they come copies each field once, into its item.
struct EntryView {
    std::size_t line = 0;
    std::string_view path, title, init_file, picture;
};

// Splits a decoded item line at its first three TABs.
EntryView SplitItemLine(std::string_view line) {
    EntryView e;
    std::string_view* fields[] = {&e.path, &e.title, &e.init_file};
    std::size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t tab = line.find('\t', pos);
        std::string_view field = line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos);
        *fields[i] = text::CutToCp932Bytes(field, kCatalogFieldMax);
        if (tab == std::string_view::npos) return e;
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
    // The next CR and the next LF, each found by memchr and kept until the
    // scan passes it: two passes over the bytes at memchr's speed.
    std::size_t next_cr = 0, next_lf = 0;
    auto next = [&](std::size_t& at, char c, std::size_t from) {
        if (at != std::string_view::npos && at < from) at = bytes.find(c, from);
    };
    next_cr = bytes.find('\r');
    next_lf = bytes.find('\n');
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        next(next_cr, '\r', pos);
        next(next_lf, '\n', pos);
        std::size_t end = std::min({next_cr, next_lf, bytes.size()});
        lines.push_back(bytes.substr(pos, end - pos));
        if (end == bytes.size()) break;
        pos = AfterLineEnd(bytes, end);
    }
    return lines;
}

CatalogText SplitCatalogText(std::string_view bytes) {
    CatalogText t;
    t.lines = SplitCatalogLines(CatalogTextOf(bytes, t.utf8));
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

// CatalogPathAsWritten of a field already in "/" form, beside a catalog in
// `catalog_folder`.
std::string AsWritten(std::string p, std::string_view catalog_folder, const path::DriveMap& drives) {
    if (path::HasDriveLetter(p)) return path::FromLegacy(p, drives);
    if (path::IsAbsolute(p)) return p;
    return path::Join(catalog_folder, p);
}

}  // namespace

std::string CatalogPathAsWritten(std::string_view field, std::string_view catalog_path,
                                 const path::DriveMap& drives) {
    return AsWritten(path::FromWindows(field), path::SplitPath(catalog_path).folder, drives);
}

std::string ResolveCatalogPath(std::string_view field, std::string_view catalog_path,
                               const path::DriveMap& drives) {
    return path::ResolveCaseInsensitive(CatalogPathAsWritten(field, catalog_path, drives));
}

std::string ResolveCatalogPath(std::string_view field, std::string_view catalog_path,
                               const path::DriveMap& drives, path::CaseResolver& resolver) {
    return resolver.Resolve(CatalogPathAsWritten(field, catalog_path, drives));
}

namespace {

// Parses catalog bytes: the header into `parsed` (all but its entries), then
// sink.Begin(parsed, item_lines), and when that says yes, each item line's
// entry to sink.Entry, in file order. A reader that resolves the entries as
// they come keeps no list of them.
template <class Sink>
void ParseCatalogInto(std::string_view bytes, ParsedCatalog& parsed, Sink& sink) {
    // Only the first line is found in the raw bytes; the rest is split once
    // decoded. Neither CR nor LF is ever part of a CP932 or UTF-8 character,
    // and a character broken by a line end decodes to one replacement either
    // way, so the decoded text splits into the same lines as splitting first
    // and decoding line by line gives.
    bytes = CatalogTextOf(bytes, parsed.utf8);
    const std::size_t lf = bytes.find('\n');
    const std::size_t first_end = std::min(bytes.substr(0, lf).find('\r'), lf);
    parsed.current_layout = bytes.substr(0, first_end) == kCatalogVersion;
    const std::string_view body =
        first_end == std::string_view::npos ? std::string_view() : bytes.substr(AfterLineEnd(bytes, first_end));
    if (body.empty()) {
        sink.Begin(parsed, 0);
        return;
    }
    const std::string decoded = parsed.utf8 ? text::SanitizeUtf8(body) : text::Cp932ToUtf8(body);
    const std::vector<std::string_view> decoded_lines = SplitCatalogLines(decoded);
    auto line = [&](std::size_t i) { return text::CutToCp932Bytes(decoded_lines[i - 1], kCatalogLineMax); };
    const std::size_t count = decoded_lines.size() + 1;
    if (count > 1) parsed.title = std::string(line(1));
    if (count > 2) parsed.sub_title = std::string(line(2));
    if (!sink.Begin(parsed, count > 3 ? count - 3 : 0)) return;
    for (std::size_t i = 3; i < count; ++i) {
        std::string_view l = line(i);
        if (l.size() < decoded_lines[i - 1].size()) {
            // Outside the format: cut, it would name another file.
            ++parsed.long_lines;
            continue;
        }
        if (l.empty() || l.front() == '\t') continue;  // no path
        EntryView e = SplitItemLine(l);
        if (e.path.empty()) continue;
        e.line = i;
        sink.Entry(e);
    }
}

// Gathers the entries.
struct EntryList {
    ParsedCatalog& parsed;
    bool Begin(const ParsedCatalog&, std::size_t item_lines) {
        parsed.entries.reserve(item_lines);
        return true;
    }
    void Entry(const EntryView& e) {
        CatalogEntry& kept = parsed.entries.emplace_back();
        kept.line = e.line;
        kept.path = e.path;
        kept.title = e.title;
        kept.init_file = e.init_file;
        kept.picture = e.picture;
    }
};

}  // namespace

ParsedCatalog ParseCatalog(std::string_view bytes) {
    ParsedCatalog parsed;
    EntryList sink{parsed};
    ParseCatalogInto(bytes, parsed, sink);
    return parsed;
}

namespace {

// Moves out of what the caller hands over; copies what it keeps.
template <class S>
S&& Take(S& s) {
    return std::move(s);
}
template <class S>
const S& Take(const S& s) {
    return s;
}

// path::FromWindows of a field, moved when the entry is the caller's to give.
template <class S>
std::string WindowsField(S& field) {
    std::string out(Take(field));
    // Found by memchr: most paths have none (or few) to replace.
    for (std::size_t i = out.find('\\'); i != std::string::npos; i = out.find('\\', i + 1)) out[i] = '/';
    return out;
}

// Fills a list from a parsed catalog, entry by entry (ResolveCatalog).
class EntryResolver {
public:
    EntryResolver(MediaList& list, const ExtensionList& extensions, bool find_pictures, const CatalogEnvironment& env)
        : list_(list),
          extensions_(extensions),
          find_pictures_(find_pictures),
          env_(env),
          find_(env.find_path ? env.find_path : DiskLookup()),
          catalog_folder_(path::SplitPath(list.path).folder) {}

    // The header: the list is loaded and takes the titles.
    template <class Parsed>
    void Begin(Parsed& parsed, std::size_t entries) {
        list_.loaded = 1;
        list_.long_lines += static_cast<int>(parsed.long_lines);
        if (parsed.title) list_.title = Take(*parsed.title);
        if (parsed.sub_title) list_.sub_title = Take(*parsed.sub_title);
        list_.items.reserve(list_.items.size() + entries);
    }

    // One entry: taken from when it is the caller's to give, else copied.
    template <class Entry>
    void Add(Entry& e) {
        if (!CatalogAccepts(e.path, extensions_)) return;  // "\\" or "/": the same to an extension
        std::string name = WindowsField(e.path);
        // The name itself is kept only when the found path is not.
        FoundPath found = find_(AsWritten(env_.split_found ? std::move(name) : name, catalog_folder_, env_.drives));
        if (found.kind == FoundPath::Kind::Other) return;  // folders and system files
        if (found.file() && !list_.hidden_files && path::IsHiddenName(path::FileName(found.path))) return;
        // Made in its place in the list: nothing turns the item down from here.
        MediaItem& item = list_.items.emplace_back();
        std::string_view found_name = path::FileName(found.path);
        std::string_view found_folder = std::string_view(found.path).substr(0, found.path.size() - found_name.size());
        if (env_.split_found) {
            // The found path's text becomes the folder.
            item.name = found_name;
            found.path.resize(found_folder.size());
            item.folder = std::move(found.path);
            found_folder = item.folder;
        } else {
            item.name = std::move(name);
        }
        item.title = Take(e.title);
        item.init_file = WindowsField(e.init_file);
        item.picture = WindowsField(e.picture);
        if (find_pictures_) {
            bool named = !item.picture.empty() && find_(AsWritten(item.picture, catalog_folder_, env_.drives)).file();
            if (!named) {
                if (!last_folder_ || *last_folder_ != found_folder) {
                    auto [it, fresh] = pictures_.try_emplace(std::string(found_folder));
                    if (fresh) it->second = FolderPicture(it->first, env_.picture_extensions, find_);
                    last_folder_ = &it->first;
                    last_picture_ = &it->second;
                }
                item.picture = *last_picture_;
            }
        }
        if (env_.icon) item.icon = env_.icon(item, found.file());
    }

private:
    MediaList& list_;
    const ExtensionList& extensions_;
    const bool find_pictures_;
    const CatalogEnvironment& env_;
    const PathLookup find_;
    const std::string catalog_folder_;
    std::unordered_map<std::string, std::string> pictures_;  // by folder
    // Items come in runs from one folder: the last folder's picture is at hand.
    const std::string* last_folder_ = nullptr;
    const std::string* last_picture_ = nullptr;
};

// Resolves entries as the parse hands them over, once the header tells the
// current layout (or `any_layout`, for a file just converted).
struct ResolvingSink {
    EntryResolver& resolver;
    bool any_layout = false;
    bool Begin(ParsedCatalog& parsed, std::size_t item_lines) {
        if (!parsed.current_layout && !any_layout) return false;
        resolver.Begin(parsed, item_lines);
        return true;
    }
    void Entry(EntryView& e) { resolver.Add(e); }
};

}  // namespace

void ResolveCatalog(const ParsedCatalog& parsed, MediaList& list, const ExtensionList& extensions,
                    bool find_pictures, const CatalogEnvironment& env) {
    EntryResolver r(list, extensions, find_pictures, env);
    r.Begin(parsed, parsed.entries.size());
    for (const CatalogEntry& e : parsed.entries) r.Add(e);
}

void ResolveCatalog(ParsedCatalog&& parsed, MediaList& list, const ExtensionList& extensions,
                    bool find_pictures, const CatalogEnvironment& env) {
    EntryResolver r(list, extensions, find_pictures, env);
    r.Begin(parsed, parsed.entries.size());
    for (CatalogEntry& e : parsed.entries) r.Add(e);
}

bool ReadCatalog(MediaList& list, const ExtensionList& extensions, bool find_pictures,
                 const CatalogEnvironment& env) {
    if (!HasCatalogExtension(list.path)) return false;
    auto bytes = fileio::ReadFile(list.path, kMaxCatalogBytes);
    if (!bytes) return false;
    // The entries are resolved as they are parsed, when the layout is the
    // current one; else the file is converted first and read again.
    EntryResolver resolver(list, extensions, find_pictures, env);
    ResolvingSink sink{resolver};
    ParsedCatalog parsed;
    ParseCatalogInto(*bytes, parsed, sink);
    if (parsed.current_layout) {
        list.long_lines += static_cast<int>(parsed.long_lines);
        return true;
    }
    int converted = env.convert_old ? env.convert_old(list.path) : ConvertOldCatalog(list.path);
    if (!converted) return false;
    bytes = fileio::ReadFile(list.path, kMaxCatalogBytes);
    if (!bytes) return false;
    // The converted file's first line is not checked again.
    ParsedCatalog converted_parsed;
    sink.any_layout = true;
    ParseCatalogInto(*bytes, converted_parsed, sink);
    list.long_lines += static_cast<int>(converted_parsed.long_lines);
    return true;
}

namespace {

std::string ItemLine(const MediaItem& item) {
    return CleanField(item.name) + '\t' + CleanField(item.title) + '\t' + CleanField(item.init_file) + '\t' +
           CleanField(item.picture);
}

}  // namespace

int FirstLongCatalogItem(const MediaList& list) {
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        const std::string line = ItemLine(list.items[i]);
        if (text::CutToCp932Bytes(line, kCatalogLineMax).size() < line.size()) return static_cast<int>(i);
    }
    return -1;
}

std::string SerializeCatalog(const MediaList& list) {
    std::string text;
    text += kCatalogVersion;
    text += "\r\n";
    text += CleanField(list.title) + "\r\n";
    text += CleanField(list.sub_title) + "\r\n";
    for (const auto& item : list.items) {
        text += ItemLine(item);
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
