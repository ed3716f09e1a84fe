// The list that plays: the media files of one folder (optionally with its
// sub folders) or the items of one catalog, with the rows as the file area
// shows them. Plain logic; the file area widget draws it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog.h"
#include "media_list.h"

namespace nuko::media {

enum class LetterCase { AsStored = 0, Lower = 1, Upper = 2 };

struct FileAreaSettings {
    int kind = 0;
    FileTypeFlags type_flags = 0;  // 0x8000 set: the source is a catalog
    std::string source;            // folder (ending in "/") or catalog path
    bool hidden_files = false;
    bool sub_folders = false;
    bool archives = false;         // ".lzh" files are listed in folder scans
    bool title_display = false;    // catalog rows show titles
    bool hide_extension = false;
    LetterCase letter_case = LetterCase::AsStored;
};

struct FileAreaEnvironment {
    CatalogEnvironment catalog;
    // 0, 1 (audio only) or 2 (with video) for an ASF file.
    std::function<int(const std::string&)> win_media_type;
};

struct FolderScanOptions {
    bool hidden_files = false;
    bool sub_folders = false;
    bool find_pictures = true;
    // The "image" picture fallback's extensions after ".bmp" (FolderPicture).
    std::vector<std::string> picture_extensions;
    std::function<int(const std::string&)> win_media_type;
    // Called after each folder's files were added; false stops the scan.
    std::function<bool()> folder_done;
};

// Appends the media files of a folder to the list, in enumeration order; a
// sub folder's files come where the sub folder is met. Shortcuts (symbolic
// links and .lnk files) are listed under their targets' folder and name.
void FolderScan(MediaList& list, const std::string& folder, const ExtensionList& extensions,
                const FolderScanOptions& options);
// The same reading each folder through `resolver`: one listing per folder
// answers the scan and the later look-ups of the same folders.
void FolderScan(MediaList& list, const std::string& folder, const ExtensionList& extensions,
                const FolderScanOptions& options, path::CaseResolver& resolver);

// The display code that selects a row's icon (0 neutral). The resolver's
// folder listings serve the look-ups of companion files (".wrd" beside a
// song) for a whole list.
int IconCode(int kind, const std::string& path, bool hidden_files, path::CaseResolver& resolver);
int IconCode(int kind, const std::string& path, bool hidden_files);

// What a list tells besides its rows: a catalog's titles and whether it
// passed the version check.
struct ListHeader {
    std::string title;
    std::string sub_title;
    int loaded = 0;
    int long_lines = 0;  // catalog item lines skipped as too long
};

// Where a list read hands its results, in order: the header once (before
// the first rows), then the rows with their icons in batches. `rows`
// returning false stops the read.
struct ListSink {
    std::function<void(ListHeader)> header;
    std::function<bool(std::vector<MediaItem>&&)> rows;
    // Off: all rows in one batch at the end (a read in place, where nobody
    // waits for the first rows).
    bool in_batches = true;
};

// Reads the list that `settings` names (a folder scan or a catalog) through
// `resolver`. Returns false when the sink stopped it. Touches nothing but its
// arguments, so a worker thread may run it.
bool ReadList(const FileAreaSettings& settings, const FileAreaEnvironment& env, path::CaseResolver& resolver,
              const ListSink& sink);

class FileAreaModel {
public:
    FileAreaModel();
    // Builds the list in place; returns the number of rows.
    int Load(const FileAreaSettings& settings, const FileAreaEnvironment& env);

    // The steps of a list read elsewhere (ReadList on a worker): an empty
    // list with the new settings, the header, the rows as they come.
    void Begin(const FileAreaSettings& settings);
    void SetHeader(ListHeader header);
    void Append(std::vector<MediaItem>&& rows);
    // The resolver whose folder listings a load reuses, lent to a read
    // elsewhere; the model keeps a fresh one until it comes back.
    std::unique_ptr<path::CaseResolver> LendResolver();
    void ReturnResolver(std::unique_ptr<path::CaseResolver> resolver);

    bool catalog_mode() const;
    const MediaList& list() const { return list_; }
    MediaList& list() { return list_; }
    int rows() const { return static_cast<int>(list_.items.size()); }
    const FileAreaSettings& settings() const { return settings_; }

    // Orders the rows by file name, case-insensitively (the "Sort" setting);
    // returns the new row of `keep` (0-based), or -1.
    int SortByName(int keep = -1);
    // The same, returning the new row (0-based) of every old row.
    std::vector<int> SortByNameMapped();
    // The row (0-based) whose path is `path`, or -1.
    int FindRow(const std::string& path) const;

    // Folder + file name of a row (0-based); empty for a row that does not exist.
    std::string RowPath(int row) const;
    // The list box text of a row: the file name with the letter case applied
    // and the extension in lower case.
    std::string RowText(int row) const;
    // What the row shows: the title in title display, else the row text,
    // without extension when that is hidden.
    std::string DisplayText(int row) const;

private:
    FileAreaSettings settings_;
    MediaList list_;
    std::unique_ptr<path::CaseResolver> resolver_;
};

}  // namespace nuko::media
