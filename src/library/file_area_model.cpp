#include "file_area_model.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <map>
#include <utility>

#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::media {
namespace {

// Whether `name` ends in `lowered_end` in any letter case; the last
// letters first, since scans ask this of every name.
bool EndsInLetterCase(std::string_view name, std::string_view lowered_end) {
    return name.size() >= lowered_end.size() && !lowered_end.empty() &&
           (name.back() | 0x20) == lowered_end.back() &&
           text::EqualsIgnoreAsciiCase(name.substr(name.size() - lowered_end.size()), lowered_end);
}

bool Found(const std::string& path, bool hidden, path::CaseResolver& resolver) {
    path::CaseResolver::Found f = resolver.Find(path);
    return f.kind == path::CaseResolver::Kind::File && (hidden || !path::IsHiddenName(path::FileName(f.path)));
}

// The display code from a row's extension and `found`, which tells whether
// the row's own file (extension "") or its companion with another extension
// is there.
template <class FoundFn>
int IconOf(int kind, std::string_view ext, FoundFn&& found) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    char a = ext.empty() ? '\0' : lower(ext[0]);
    char b = ext.size() > 1 ? lower(ext[1]) : '\0';
    // The song beside a WRD script: 4 for ".mid", 5 for the RCP family, 6
    // for ".rmi", 7 when there is none.
    auto wrd_code = [&] {
        static const std::pair<const char*, int> kSongs[] = {
            {"mid", 4}, {"rcp", 5}, {"rmi", 6}, {"r36", 5}, {"g36", 5}};
        for (auto [song, code] : kSongs)
            if (found(song)) return code;
        return 7;
    };
    auto with_wrd = [&](int plain, int with_script) { return found("wrd") ? with_script : plain; };
    switch (kind) {
        case Code(MediaKind::Midi):
            if (!found("")) return 0;
            if (a == 'm') return with_wrd(1, 4);
            if ((a == 'r' || a == 'g') && (b == 'c' || b == '3')) return with_wrd(2, 5);
            if ((a == 'r' || a == 'g') && b == 'm') return with_wrd(3, 6);
            if (a == 'l') return 17;
            if (a == 'w') return wrd_code();
            return 0;
        case Code(MediaKind::Movie):
            if (a == 'a' && b == 'v') return 8;
            if ((a == 'm' && b == 'o') || a == 'q') return 9;
            if (a == 'm' && b == 'p') return 10;
            if (a == 'd') return 11;
            if (a == 'w' && b == 'a') return 12;
            if ((a == 'a' && b == 's') || (a == 'w' && b == 'm')) return 15;
            if (a == 'l') return 17;
            return 0;
        case Code(MediaKind::Sound):
            if (a == 'w' && b == 'a') return 12;
            if (a == 'm' || a == 'r') return 13;
            if (a == 'a' && b == 'i') return 14;
            if ((a == 'a' && b == 's') || (a == 'w' && b == 'm')) return 15;
            if (a == 'a' && b == 'b') return 16;
            if (a == 'l') return 17;
            return 0;
        default:
            return 0;
    }
}

bool IsFileEntry(const path::FolderEntry* e, bool hidden) {
    return e && e->reached == path::FolderEntry::Reached::File && (hidden || !path::IsHiddenName(e->name));
}

// The icons of rows, folder by folder. A row's folder is nearly always
// listed: its listing answers the row's file and its companions, each in
// one look-up and without a path built per look-up, as the look-up by path
// would; and a folder without a WRD script answers for its songs at once.
class RowIcons {
public:
    RowIcons(int kind, bool hidden, path::CaseResolver& r) : kind_(kind), hidden_(hidden), resolver_(r) {}

    // IconCode of folder + name, whether that is a file being known (the
    // row's own look-up told).
    int Found(const std::string& folder, const std::string& name, bool is_file) {
        if (kind_ != Code(MediaKind::Midi)) return Of(folder, name);
        if (!is_file) return 0;
        const path::FolderListing* listing = PlainListing(folder, name);
        return listing ? Listed(*listing, name, path::Extension(name), true) : Of(folder, name);
    }

    // IconCode of folder + name.
    int Of(const std::string& folder, const std::string& name) {
        // Only MIDI rows look at the disk; the others go by the extension.
        if (kind_ != Code(MediaKind::Midi))
            return IconOf(kind_, path::Extension(name), [](std::string_view) { return false; });
        const path::FolderListing* listing = PlainListing(folder, name);
        if (!listing) return IconCode(kind_, folder + name, hidden_, resolver_);
        return Listed(*listing, name, path::Extension(name), IsFileEntry(listing->Resolve(name, false), hidden_));
    }

    // The icon of `name` (whose extension is `ext`) in a listed folder,
    // whether it is a file there being known.
    int Listed(const path::FolderListing& listing, std::string_view name, std::string_view ext, bool is_file) {
        return IconOf(kind_, ext, [&](std::string_view other) {
            if (other.empty()) return is_file;
            if (other == "wrd" && !HasScripts(listing)) return false;
            // The name with the other extension; file names are short.
            char buf[512];
            const std::size_t stem = name.size() - ext.size();
            if (ext.empty() || stem + other.size() > sizeof buf) {
                std::string companion = path::ReplaceExtension(name, other);
                return IsFileEntry(listing.Resolve(companion, false), hidden_);
            }
            std::memcpy(buf, name.data(), stem);
            std::memcpy(buf + stem, other.data(), other.size());
            return IsFileEntry(listing.Resolve(std::string_view(buf, stem + other.size()), false), hidden_);
        });
    }

private:
    // The listing that answers for folder + name as a look-up by that path
    // would: a plain name in a folder that lists as written; else null.
    const path::FolderListing* PlainListing(const std::string& folder, const std::string& name) {
        const bool plain_name = !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
                                (folder.empty() || folder.back() == '/');
        if (!plain_name) return nullptr;
        const path::FolderListing* listing = &resolver_.Listing(folder);
        return listing->state == path::FolderListing::State::Listed ? listing : nullptr;
    }

    // Whether the folder holds a file whose name ends in ".wrd" in any
    // case: without one no song there has its script. Kept for the last
    // folder asked: rows come folder by folder, and a listing stays as it
    // is for the whole read.
    bool HasScripts(const path::FolderListing& listing) {
        if (&listing != scripts_of_) {
            scripts_of_ = &listing;
            has_scripts_ = false;
            for (const path::FolderEntry& e : listing.entries)
                if (e.reached == path::FolderEntry::Reached::File && EndsInLetterCase(e.name, ".wrd")) {
                    has_scripts_ = true;
                    break;
                }
        }
        return has_scripts_;
    }

    const int kind_;
    const bool hidden_;
    path::CaseResolver& resolver_;
    const path::FolderListing* scripts_of_ = nullptr;
    bool has_scripts_ = false;
};

struct ScanState {
    path::CaseResolver& resolver;
    PathLookup find;
    std::map<std::string, std::string> pictures;  // by folder
    // Sets the rows' icons as they are found (a plain file's own entry is
    // at hand then); none for a bare scan.
    RowIcons* icons = nullptr;
    // The scan's extensions, for its plain files.
    const ExtensionMatcher* matcher = nullptr;
};

// The "image" picture of a folder, looked for once per scan.
const std::string& PictureOf(const std::string& folder, const FolderScanOptions& o, ScanState& state) {
    auto [it, fresh] = state.pictures.try_emplace(folder);
    if (fresh) it->second = FolderPicture(folder, o.picture_extensions, state.find);
    return it->second;
}

// False when the scan was stopped.
bool Scan(MediaList& list, const std::string& folder, const ExtensionList& extensions,
          const FolderScanOptions& o, ScanState& state) {
    // The listing tells each name's own type: no stat per file. It stays
    // as read for the rest of the scan, sub folders included.
    const path::FolderListing& listing = state.resolver.Listing(folder);
    if (listing.state != path::FolderListing::State::Listed) return true;
    // The type of a Windows media file, asked with its path.
    std::function<int(const std::string&)> media_type_here;
    if (o.win_media_type) media_type_here = [&](const std::string& name) { return o.win_media_type(folder + name); };
    const std::string* picture_here = nullptr;
    for (const path::FolderEntry& e : listing.entries) {
        if (e.own == path::FolderEntry::Own::Folder) {
            // Folders beginning with "." are passed over; links to folders
            // are not followed, so a loop of links cannot trap the scan.
            if (o.sub_folders && !path::IsHiddenName(e.name) && !Scan(list, folder + e.name + "/", extensions, o, state))
                return false;
            continue;
        }
        if (e.own == path::FolderEntry::Own::Other) continue;  // devices, pipes, sockets
        if (!o.hidden_files && path::IsHiddenName(e.name)) continue;

        const std::string_view ext = path::Extension(e.name);
        if (e.own == path::FolderEntry::Own::File && !(ext.size() == 3 && EndsInLetterCase(ext, "lnk"))) {
            // A plain file is its own row: folder and name as listed.
            if (!ScanAccepts(e.name, ext, Code(list.kind), *state.matcher, media_type_here)) continue;
            MediaItem& item = list.items.emplace_back();  // made in place: rows are many
            item.folder = folder;
            item.name = e.name;
            if (state.icons) item.icon = state.icons->Listed(listing, e.name, ext, true);
            if (o.find_pictures) {
                if (!picture_here) picture_here = &PictureOf(folder, o, state);
                item.picture = *picture_here;
            }
            continue;
        }

        // Shortcuts are listed under their targets' folder and name.
        std::string target = folder + e.name;
        if (auto t = files::ShortcutTarget(target, e.own == path::FolderEntry::Own::Link)) target = std::move(*t);
        if (!ScanAccepts(target, Code(list.kind), extensions, o.win_media_type)) continue;

        auto split = path::SplitPath(target);
        MediaItem item;
        item.folder = std::move(split.folder);
        item.name = std::move(split.name);
        if (o.find_pictures) item.picture = PictureOf(item.folder, o, state);
        if (state.icons) item.icon = state.icons->Of(item.folder, item.name);
        list.Add(std::move(item));
    }
    return !o.folder_done || o.folder_done();
}

// At least as many as the rows a scan from `folder` makes: the names that
// are no folder in the folders it walks. Their listings are read now and
// kept for the scan, so that its rows are made in place in one vector.
std::size_t NamesUnder(const std::string& folder, const FolderScanOptions& o, path::CaseResolver& resolver) {
    const path::FolderListing& listing = resolver.Listing(folder);
    if (listing.state != path::FolderListing::State::Listed) return 0;
    std::size_t n = 0;
    for (const path::FolderEntry& e : listing.entries) {
        if (e.own != path::FolderEntry::Own::Folder) ++n;
        else if (o.sub_folders && !path::IsHiddenName(e.name)) n += NamesUnder(folder + e.name + "/", o, resolver);
    }
    return n;
}

// Hands rows on in batches: the first soon, so that the list shows at once,
// then larger ones, so that the receiver is not flooded.
class RowBatcher {
public:
    // `icons_set`: the rows come with their icons.
    RowBatcher(RowIcons& icons, const ListSink& sink, bool icons_set)
        : icons_(icons), sink_(sink), icons_set_(icons_set) {}

    // Whether `pending` rows make a batch now.
    bool Due(std::size_t pending) const {
        return sink_.in_batches && (pending >= size_ || std::chrono::steady_clock::now() >= due_);
    }
    // Hands on rows with their icons; false when the sink stopped the read.
    bool Send(std::vector<MediaItem>&& rows) {
        if (rows.empty()) return true;
        if (!icons_set_)
            for (auto& item : rows) item.icon = icons_.Of(item.folder, item.name);
        size_ = 2048;
        due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
        return sink_.rows(std::move(rows));
    }
    // Takes the rows gathered in `rows` when a batch is due (or `last`).
    bool Offer(std::vector<MediaItem>& rows, bool last) {
        if (!last && !Due(rows.size())) return true;
        std::vector<MediaItem> batch;
        batch.swap(rows);
        if (!last) rows.reserve(2048);
        return Send(std::move(batch));
    }

private:
    RowIcons& icons_;
    const ListSink& sink_;
    const bool icons_set_;
    std::size_t size_ = 256;
    std::chrono::steady_clock::time_point due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
};

// The list the settings name, without rows.
MediaList EmptyList(const FileAreaSettings& s) {
    MediaList list;
    list.kind = static_cast<MediaKind>(IsKind(s.kind) ? s.kind : 0);
    list.path = s.source;
    list.hidden_files = s.hidden_files;
    list.sub_folders = s.sub_folders;
    return list;
}

bool IsCatalogSource(const FileAreaSettings& s) {
    return s.kind != Code(MediaKind::Cd) && (s.type_flags & file_type::kCatalog);
}

}  // namespace

void FolderScan(MediaList& list, const std::string& folder, const ExtensionList& extensions,
                const FolderScanOptions& options) {
    path::CaseResolver resolver;
    FolderScan(list, folder, extensions, options, resolver);
}

void FolderScan(MediaList& list, const std::string& folder, const ExtensionList& extensions,
                const FolderScanOptions& options, path::CaseResolver& resolver) {
    const ExtensionMatcher matcher(extensions);
    ScanState state{resolver, ResolverLookup(resolver), {}, nullptr, &matcher};
    (void)Scan(list, path::WithTrailingSlash(folder), extensions, options, state);
}

int IconCode(int kind, const std::string& path, bool hidden) {
    path::CaseResolver resolver;
    return IconCode(kind, path, hidden, resolver);
}

int IconCode(int kind, const std::string& path, bool hidden, path::CaseResolver& r) {
    return IconOf(kind, path::Extension(path), [&](std::string_view ext) {
        return Found(ext.empty() ? path : path::ReplaceExtension(path, ext), hidden, r);
    });
}

bool ReadList(const FileAreaSettings& settings, const FileAreaEnvironment& env, path::CaseResolver& resolver,
              const ListSink& sink) {
    // One resolver for the read: the scan, the catalog's rows, the pictures
    // and the icons' companion look-ups share its folder listings. Kept
    // between reads; a folder whose mtime moved is read again.
    resolver.Refresh();
    const bool catalog = IsCatalogSource(settings);
    RowIcons icons(settings.kind, settings.hidden_files, resolver);
    // A scan sets its rows' icons as it finds them; so does a catalog read
    // whose look-ups are the resolver's.
    const bool catalog_icons = catalog && !env.catalog.find_path;
    RowBatcher batcher(icons, sink, !catalog || catalog_icons);
    MediaList list = EmptyList(settings);

    if (catalog) {
        ExtensionList exts;
        BuildKindExtensions(exts, settings.kind, false, false);
        CatalogEnvironment catalog = env.catalog;
        if (!catalog.find_path) catalog.find_path = ResolverLookup(resolver);
        catalog.split_found = true;
        if (catalog_icons)
            catalog.icon = [&icons](const MediaItem& item, bool file) { return icons.Found(item.folder, item.name, file); };
        bool read = ReadCatalog(list, exts, true, catalog);
        ListHeader header{list.title, list.sub_title, list.loaded, list.long_lines};
        if (header.title.empty() && header.sub_title.empty()) {
            std::string_view file = path::FileName(settings.source);
            bool named = read && list.loaded == 1 && !file.empty() && file.front() != '*';
            header.title = std::string(LoadString(named ? strings::kNoTitle : strings::kNoCatalogFile));
            header.sub_title = std::string(file);
        }
        if (sink.header) sink.header(std::move(header));
        // The rows as found, handed on in runs.
        auto& items = list.items;
        std::size_t sent = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!batcher.Due(i + 1 - sent)) continue;
            std::vector<MediaItem> batch(std::make_move_iterator(items.begin() + static_cast<std::ptrdiff_t>(sent)),
                                         std::make_move_iterator(items.begin() + static_cast<std::ptrdiff_t>(i + 1)));
            sent = i + 1;
            if (!batcher.Send(std::move(batch))) return false;
        }
        if (sent == 0) return batcher.Send(std::move(items));
        return batcher.Send(std::vector<MediaItem>(std::make_move_iterator(items.begin() + static_cast<std::ptrdiff_t>(sent)),
                                                   std::make_move_iterator(items.end())));
    }
    if (sink.header) sink.header({});
    if (settings.kind == Code(MediaKind::Cd) || settings.source.empty()) return true;
    ExtensionList exts;
    BuildFlaggedExtensions(exts, settings.kind, settings.type_flags, settings.archives);
    FolderScanOptions o;
    o.hidden_files = settings.hidden_files;
    o.sub_folders = settings.sub_folders;
    o.find_pictures = true;
    o.picture_extensions = env.catalog.picture_extensions;
    o.win_media_type = env.win_media_type;
    o.folder_done = [&] { return batcher.Offer(list.items, false); };
    const ExtensionMatcher matcher(exts);
    ScanState state{resolver, ResolverLookup(resolver), {}, &icons, &matcher};
    const std::string top = path::WithTrailingSlash(settings.source);
    // All rows in one hand-over: room for them first. (Batches are small
    // and have their own room.)
    if (!sink.in_batches) list.items.reserve(NamesUnder(top, o, resolver));
    if (!Scan(list, top, exts, o, state)) return false;
    return batcher.Offer(list.items, true);
}

FileAreaModel::FileAreaModel() : resolver_(std::make_unique<path::CaseResolver>()) {}

bool FileAreaModel::catalog_mode() const { return IsCatalogSource(settings_); }

void FileAreaModel::Begin(const FileAreaSettings& settings) {
    settings_ = settings;
    list_ = EmptyList(settings);
}

void FileAreaModel::SetHeader(ListHeader header) {
    list_.title = std::move(header.title);
    list_.sub_title = std::move(header.sub_title);
    list_.loaded = header.loaded;
}

void FileAreaModel::Append(std::vector<MediaItem>&& rows) {
    if (list_.items.empty()) {
        list_.items = std::move(rows);
        return;
    }
    list_.items.insert(list_.items.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
}

std::unique_ptr<path::CaseResolver> FileAreaModel::LendResolver() {
    return std::exchange(resolver_, std::make_unique<path::CaseResolver>());
}

void FileAreaModel::ReturnResolver(std::unique_ptr<path::CaseResolver> resolver) {
    if (resolver) resolver_ = std::move(resolver);
}

int FileAreaModel::Load(const FileAreaSettings& settings, const FileAreaEnvironment& env) {
    Begin(settings);
    ListSink sink;
    sink.header = [this](ListHeader h) { SetHeader(std::move(h)); };
    sink.rows = [this](std::vector<MediaItem>&& rows) {
        Append(std::move(rows));
        return true;
    };
    sink.in_batches = false;
    ReadList(settings, env, *resolver_, sink);
    return rows();
}

int FileAreaModel::SortByName(int keep) {
    if (keep < 0 || keep >= rows()) {
        SortByNameMapped();
        return -1;
    }
    return SortByNameMapped()[static_cast<std::size_t>(keep)];
}

std::vector<int> FileAreaModel::SortByNameMapped() {
    // Keys made once, not in every comparison.
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(list_.items.size());
    for (std::size_t i = 0; i < list_.items.size(); ++i)
        keys.emplace_back(text::AsciiLowered(list_.items[i].folder + list_.items[i].name), i);
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<MediaItem> sorted;
    sorted.reserve(keys.size());
    std::vector<int> new_of_old(keys.size());
    for (const auto& k : keys) {
        new_of_old[k.second] = static_cast<int>(sorted.size());
        sorted.push_back(std::move(list_.items[k.second]));
    }
    list_.items = std::move(sorted);
    return new_of_old;
}

int FileAreaModel::FindRow(const std::string& path) const {
    for (int row = 0; row < rows(); ++row)
        if (RowPath(row) == path) return row;
    return -1;
}

std::string FileAreaModel::RowPath(int row) const {
    if (row < 0 || row >= rows()) return {};
    const auto& item = list_.items[static_cast<std::size_t>(row)];
    return item.folder + item.name;
}

std::string FileAreaModel::RowText(int row) const {
    if (row < 0 || row >= rows()) return {};
    std::string name = list_.items[static_cast<std::size_t>(row)].name;
    if (settings_.letter_case == LetterCase::Lower) text::AsciiLower(name);
    if (settings_.letter_case == LetterCase::Upper) text::AsciiUpper(name);
    std::string_view ext = path::Extension(name);
    if (!ext.empty()) name.replace(name.size() - ext.size(), ext.size(), text::AsciiLowered(ext));
    return name;
}

std::string FileAreaModel::DisplayText(int row) const {
    if (row < 0 || row >= rows()) return {};
    if (catalog_mode() && settings_.title_display) return list_.items[static_cast<std::size_t>(row)].title;
    std::string text = RowText(row);
    if (settings_.hide_extension) text = std::string(path::ReplaceExtension(text, ""));
    return text;
}

}  // namespace nuko::media
