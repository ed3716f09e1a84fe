// Catalog files (".mit", ".mot", ".wat"): a saved media list of one kind.
//
//   Ver 1.00
//   title
//   sub title
//   path<TAB>title<TAB>init file<TAB>picture     (one line per item)
//   ... then one 0x1A byte.
//
// CP932 text with CR LF line ends; UTF-8 behind a byte order mark when a text
// needs characters CP932 lacks. Paths may be absolute (a drive letter, mapped
// through the drive map), begin with a separator (from the root), or be
// relative to the catalog's folder; "\" is read as "/".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "media_list.h"
#include "nuko/paths.h"
#include "path_lookup.h"

namespace nuko::media {

inline constexpr std::string_view kCatalogVersion = "Ver 1.00";
// Limits of the format, in CP932 bytes.
inline constexpr std::size_t kCatalogLineMax = 511;
inline constexpr std::size_t kCatalogFieldMax = 255;

// Splits catalog bytes into lines: a CR LF pair, a lone CR and a lone LF each
// end one line; the first 0x1A byte ends the text; NUL bytes are dropped. A
// byte order mark at the start is left to the caller.
std::vector<std::string_view> SplitCatalogLines(std::string_view bytes);

// The lines of a catalog file's bytes, and whether they are UTF-8 (the file
// began with a byte order mark, which is left out) or CP932.
struct CatalogText {
    std::vector<std::string_view> lines;
    bool utf8 = false;
};
CatalogText SplitCatalogText(std::string_view bytes);

// One line or field decoded to UTF-8 and kept within `limit` CP932 bytes.
std::string DecodeCatalogField(std::string_view raw, bool utf8, std::size_t limit);

// Whether the path ends in one of the three catalog extensions, in any case.
bool HasCatalogExtension(std::string_view path);

struct CatalogEnvironment {
    path::DriveMap drives;
    // Extensions after ".bmp" for the "image" picture fallback, in order
    // (the image decoders available).
    std::vector<std::string> picture_extensions = {".png", ".jpg", ".jpeg", ".gif"};
    // Upgrades a catalog of the older layout in place; nonzero when it did.
    // Empty: the converter library of the program folder.
    std::function<int(const std::string&)> convert_old;
    // Every look-up of an item or picture path. Empty: the disk.
    PathLookup find_path;
    // Items take the folder and name of the path their look-up found (the
    // file area's rows); otherwise the name keeps the path as written.
    bool split_found = false;
    // When set, gives each item its icon as it is found: the item, and
    // whether its look-up found a file.
    std::function<int(const MediaItem& item, bool found_file)> icon;
};

// One item line of a catalog, decoded to UTF-8: a line over kCatalogLineMax
// bytes is skipped (and counted), then path, title and init file are each
// cut to kCatalogFieldMax; the picture is the rest of the line, TABs
// included.
struct CatalogEntry {
    std::size_t line = 0;  // 0-based, counted as SplitCatalogLines counts
    std::string path;      // as written: "\" separators and drive letters kept
    std::string title;
    std::string init_file;
    std::string picture;
};

// What a catalog file's bytes say, before any path is looked at.
struct ParsedCatalog {
    bool current_layout = false;  // the first line is kCatalogVersion
    bool utf8 = false;            // the text follows a byte order mark
    // Absent when the file has no such line.
    std::optional<std::string> title;
    std::optional<std::string> sub_title;
    // The lines after the sub title that have a path, in file order.
    std::vector<CatalogEntry> entries;
    // Item lines over kCatalogLineMax bytes, left out of the entries.
    std::size_t long_lines = 0;
};

// Parses catalog bytes; no file is opened and nothing is converted.
ParsedCatalog ParseCatalog(std::string_view bytes);

// Fills the list from a parsed catalog as ReadCatalog does once the bytes
// are read: marks it loaded, takes the titles, and appends the entries whose
// path holds one of `extensions` and names no folder (nor a hidden file,
// unless list.hidden_files); item names keep the path as written, with "/".
// list.path names the catalog. Paths are looked at through env.find_path
// alone (the disk when it is empty), so a look-up served from one folder
// listing can take the place of a call per line.
void ResolveCatalog(const ParsedCatalog& parsed, MediaList& list, const ExtensionList& extensions,
                    bool find_pictures, const CatalogEnvironment& env);
// The same taking the parsed texts into the items instead of copying them.
void ResolveCatalog(ParsedCatalog&& parsed, MediaList& list, const ExtensionList& extensions,
                    bool find_pictures, const CatalogEnvironment& env);

// Where a catalog path field points before the disk is asked: "\" read as
// "/", drive letters through the drive map, a leading "/" from the root,
// anything else relative to the catalog's folder.
std::string CatalogPathAsWritten(std::string_view field, std::string_view catalog_path,
                                 const path::DriveMap& drives);

// The converter of the program folder (libnu_32cnv.so), loaded for the one
// call; 0 when the library or its export is missing.
int ConvertOldCatalog(const std::string& catalog_path);

// Resolves a catalog path field for the catalog at `catalog_path`: drive
// letters through the drive map, a leading "/" from the root, anything else
// relative to the catalog's folder; a path that does not exist as written
// is looked up case-insensitively.
std::string ResolveCatalogPath(std::string_view field, std::string_view catalog_path,
                               const path::DriveMap& drives);
// The same for many fields: the resolver's folder listings serve them all.
std::string ResolveCatalogPath(std::string_view field, std::string_view catalog_path,
                               const path::DriveMap& drives, path::CaseResolver& resolver);

// Reads the catalog named by list.path into the list (appending), keeping the
// lines whose path holds one of `extensions`: the file's bytes through
// ParseCatalog (converted first when of the older layout), then
// ResolveCatalog. `find_pictures` fills a missing picture from "image.bmp"
// and the other fallback names beside the item. False, with the list
// unchanged, when the file is not a catalog, cannot be read, or is of the
// older layout and the converter refuses it.
bool ReadCatalog(MediaList& list, const ExtensionList& extensions, bool find_pictures,
                 const CatalogEnvironment& env);

// The first item (0-based) whose line would exceed kCatalogLineMax CP932
// bytes, which a reader could only cut; -1 when every line fits.
int FirstLongCatalogItem(const MediaList& list);

// Writes title, sub title and items to list.path, replacing the file
// atomically. A TAB, CR or LF inside a field is written as a blank.
std::error_code WriteCatalog(const MediaList& list);

// The catalog bytes WriteCatalog writes.
std::string SerializeCatalog(const MediaList& list);

// The playable path of a catalog item, as the file area plays it.
std::string PlayablePath(const MediaItem& item, std::string_view catalog_path,
                         const path::DriveMap& drives);
std::string PlayablePath(const MediaItem& item, std::string_view catalog_path,
                         const path::DriveMap& drives, path::CaseResolver& resolver);

}  // namespace nuko::media
