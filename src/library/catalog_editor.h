// The catalog editor's model: a folder's file list, the registered rows of
// the catalog being built, their fields, and the operations on them
// (registration with the archive check, sort, title reset, path rules, load
// and save). No widgets: questions and messages go through the prompt, long
// work reports its progress through a callback, so the dialog stays thin and
// tests drive everything directly.
//
// Rows hold the item's path in the catalog's own form: a path inside a
// folder of the drive map is written "X:\..." (what a catalog of Windows
// origin holds and what the catalog reader maps back), any other path as it
// is. What a row shows in path display is that text, so what the user sees
// is what is saved.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "media_list.h"
#include "nuko/paths.h"

namespace nuko::media {

class CArchiveFile;

// The editor's settings: section "Catalog" and its sub-sections.
struct CatalogEditorSettings {
    int list_box_title = 0;  // "ListBoxTitle": rows show titles (1) or paths (0)
    int disp_file_type = 1;  // "DispFileType": 1 show paths whole, 0 keep the file name visible
    struct Kind {
        int arc_check = 0;         // "ArcCheck": archives are tested before they are registered
        int arc_check_type = 2047;  // "ArcCheckType": the FileTypeFlags of that test
    };
    std::array<Kind, 4> kinds{};  // by media kind; "Catalog\Midi", "Catalog\Movie", "Catalog\Wave"
    int sort_mode = 0;            // "Catalog\Sort" "Mode": 0 file name only, 1 whole path
    int sort_distinction = 0;     // "Catalog\Sort" "Distinction": case counts
    int drive_mode = 0;           // "Catalog\Drive" "Mode": the path customising choice last made
    int retitle_all_files = 1;    // "Catalog\ReTitle" "AllFile"
    int retitle_space_cut = 1;    // "Catalog\ReTitle" "SpcCut"
};

// The per-kind sub-section names of the editor's settings ("Midi", "",
// "Movie", "Wave").
std::string_view CatalogKindWord(int kind);

// The three path customising choices.
enum class PathRule { DropDrive = 0, FileNameOnly = 1, DropSameNames = 2 };

// "X:\folder\name" → "\folder\name"; "\\server\share\x" → "\share\x"; a
// text that ends right after that "\" and any other text (a Linux path has
// no drive part) are kept.
std::string DropDrivePart(std::string_view text);
// The part after the last "\" or "/".
std::string_view FileNamePart(std::string_view text);

// Whether a text may be an item's init file: empty, or a full path (a drive
// letter with ":\", or a path from "/") longer than seven characters ending
// in ".mid", ".rcp", ".rmi" or ".cfg" in any case.
bool IsValidInitFile(std::string_view text);

// The extension lists of a file dialog filter's entries ("text|*.a;*.b|..."),
// in entry order, each extension lower-cased with its dot.
std::vector<ExtensionList> FilterEntryExtensions(std::string_view filter);

class CatalogEditor {
public:
    struct Environment {
        path::DriveMap drives;
        bool archives_enabled = false;
        // Runs the archive checks; null: archives cannot be checked and
        // fail the check.
        CArchiveFile* archives = nullptr;
        // The title of a media file (the MIDI title reader, 256 bytes); the
        // second form has its blanks collapsed. Empty: the disk.
        std::function<std::string(const std::string& path, bool space_cut)> read_title;
        // Where a catalog is saved when it has no path yet ("new save"
        // from the close question); nullopt cancels.
        std::function<std::optional<std::string>()> choose_save_path;
        void* owner = nullptr;  // owner window of the questions
    };
    // Long work: the progress word's string id, the count done and the
    // total. It may run the event loop.
    using Progress = std::function<void(int word, std::size_t done, std::size_t total)>;

    CatalogEditor(MediaKind kind, CatalogEditorSettings settings, Environment env);

    MediaKind kind() const { return kind_; }
    const CatalogEditorSettings& settings() const { return settings_; }
    CatalogEditorSettings& settings() { return settings_; }
    const Environment& env() const { return env_; }
    void SetProgress(Progress progress) { progress_ = std::move(progress); }
    void SetSavePathChooser(std::function<std::optional<std::string>()> choose) {
        env_.choose_save_path = std::move(choose);
    }

    // String 153 with the kind's name and the catalog path.
    std::string Caption() const;
    const std::string& catalog_path() const { return catalog_path_; }
    bool modified() const { return modified_; }

    // ---- Catalog title fields ----
    const std::string& title() const { return title_; }
    const std::string& sub_title() const { return sub_title_; }
    void SetTitle(std::string_view title);
    void SetSubTitle(std::string_view sub_title);

    // ---- The file list ----
    const std::string& current_folder() const { return folder_; }
    const std::vector<std::string>& files() const { return files_; }
    // The file dialog filter of the folder choice: 1104 + kind, 1120 + kind,
    // and 1128 when archives are enabled.
    std::string FolderFilter() const;
    // Makes `folder` current and lists its files with the extensions of the
    // filter entry (FolderFilter's entries, from 0), sorted by path.
    void ShowFolder(const std::string& folder, int filter_entry);

    // ---- Registration ----
    // Registers one file (a name without a folder takes the current
    // folder's). False when it was not added: the path or a longer one is
    // registered already, the path is longer than a catalog field holds,
    // or the archive check failed.
    bool Register(const std::string& path);
    // Registers many under the progress word 394; returns how many were added.
    int RegisterAll(const std::vector<std::string>& paths);
    // Dropped files: media files of the kind are registered, catalogs of the
    // kind appended with their titles. Returns the rows added.
    int Drop(const std::vector<std::string>& paths);

    // ---- Registered rows ----
    const std::vector<MediaItem>& rows() const { return rows_; }
    int row_count() const { return static_cast<int>(rows_.size()); }
    // The text a row shows: its title in title display, else its path.
    std::string RowText(int row) const;
    int selected() const { return selected_; }  // -1: none
    void Select(int row);
    // The selected row's item, null when none.
    const MediaItem* SelectedItem() const;

    void MoveUp();
    void MoveDown();
    // After question 152: empties the rows. False when the user said no.
    bool DeleteAll();
    void DeleteSelected();
    // The last deleted row at the selected place (or at the end), unless a
    // row with the same path is there. False when nothing was inserted.
    bool InsertDeleted();
    const std::optional<MediaItem>& last_deleted() const { return last_deleted_; }

    // The selected item's fields. SetInitFile refuses an invalid text with
    // message 154 and returns false.
    void SetItemTitle(std::string_view title);
    void SetItemPicture(std::string_view picture);
    bool SetItemInitFile(std::string_view init_file);
    const std::string& copy_buffer() const { return copy_buffer_; }
    void CopyInitFile(std::string_view text) { copy_buffer_ = std::string(text); }

    // Stable sort by the sort settings (progress word 395).
    void Sort();
    // Reads the titles again (progress word 393) for every row or the
    // selected one, by the title reset settings.
    void ResetTitles();
    // After its confirmation (206, 189 or 207), applies a path rule to every
    // row (DropSameNames under progress word 396). False when not confirmed.
    bool CustomisePaths(PathRule rule);

    // Switches between title and path display.
    void SetTitleDisplay(bool titles) { settings_.list_box_title = titles ? 1 : 0; }

    // ---- Whole catalogs ----
    // Question 148 when the rows were changed; true when work may go on.
    bool ConfirmDiscard();
    void New();
    // Reads a catalog; one that cannot be read leaves empty lists, silently.
    bool Load(const std::string& path);
    // Writes to the catalog path (question 187 for an empty list first);
    // message 165 on failure, the modified mark kept. False when not saved.
    bool Save();
    bool SaveAs(const std::string& path);
    // The close question 186 for a modified catalog: Yes saves (and stays
    // open when the save fails), No discards, Cancel stays.
    enum class CloseResult { Stay, Saved, Discarded };
    CloseResult Close();

    // The rows as the catalog WriteCatalog would write.
    MediaList ToList() const;

private:
    void SetItemText(std::string MediaItem::*field, std::string_view value);
    std::string Portable(const std::string& linux_path) const;
    std::string LinuxPath(const std::string& name) const;
    std::string ReadTitle(const std::string& path, bool space_cut) const;
    bool ArchiveCheckPasses(const std::string& path, FileTypeFlags flags, bool need_wrd);
    void AddRow(MediaItem item);
    void RebuildIndex();
    void AppendCatalog(const std::string& path, bool take_titles);
    void Report(int word, std::size_t done, std::size_t total) const;

    MediaKind kind_;
    CatalogEditorSettings settings_;
    Environment env_;
    Progress progress_;
    std::string catalog_path_;
    std::string title_;
    std::string sub_title_;
    std::string folder_;
    std::vector<std::string> files_;
    std::vector<MediaItem> rows_;
    // Lower-cased row paths, for the prefix test of a registration.
    std::multiset<std::string> index_;
    int selected_ = -1;
    bool modified_ = false;
    std::string copy_buffer_;
    std::optional<MediaItem> last_deleted_;
};

}  // namespace nuko::media
