// Path rules of the Linux build: "/" separators, folders written with a
// trailing "/", Windows paths from legacy files turned into Linux ones, and
// case-insensitive resolution of paths that do not exist as written.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "nuko/folder_listing.h"

namespace nuko::path {

struct SplitResult {
    std::string folder;  // up to and including the last "/", or empty
    std::string name;    // base name with extension
};
SplitResult SplitPath(std::string_view path);

std::string_view FileName(std::string_view path);
// Extension without the dot, from the name part only; empty when none.
std::string_view Extension(std::string_view path);
// The name part without its extension.
std::string_view Stem(std::string_view path);
// `ext` without the dot; an empty ext removes the extension.
std::string ReplaceExtension(std::string_view path, std::string_view ext);
// Folder text ending in exactly one "/" (empty stays empty).
std::string WithTrailingSlash(std::string_view folder);
std::string Join(std::string_view folder, std::string_view name);
bool IsAbsolute(std::string_view path);

// Hidden on Linux means the name begins with ".".
bool IsHiddenName(std::string_view name);

// "\" becomes "/".
std::string FromWindows(std::string_view path);

// "X:" at the start.
bool HasDriveLetter(std::string_view path);

// Drive letters of Windows paths, upper case, each mapped to a Linux folder.
using DriveMap = std::map<char, std::string>;

// The drive letter a key of the settings section "Drives" names: "X" or
// "X:" in either case, blanks around it ignored; upper case. Nothing for any
// other key ("Data", "1", "").
std::optional<char> DriveKeyLetter(std::string_view key);

// The drive map those entries give: keys through DriveKeyLetter, entries
// with another key or an empty folder left out; of two keys of one letter
// the later wins.
DriveMap DriveMapFromEntries(const std::vector<std::pair<std::string, std::string>>& entries);

// Turns a decoded path from a file of Windows origin into a Linux path: "\"
// to "/", and "X:..." through the drive map. An unmapped drive letter stays
// as "X:/..."; such a path names no file, and callers must not join it to a
// folder. `mapped` tells whether the drive was known.
std::string FromLegacy(std::string_view path, const DriveMap& drives, bool* mapped = nullptr);

// The inverse for files that a Windows program may read too: a path inside
// a mapped folder becomes "X:\rest" with "\" separators (the longest
// mapped folder wins); a text that already has a drive letter gets "\"
// separators; any other path is returned as it is.
std::string ToLegacy(std::string_view path, const DriveMap& drives);

// The drive map in use: loaded from the settings section "Drives" on first
// use; the player replaces it with the one it holds in memory.
const DriveMap& CurrentDriveMap();
void SetCurrentDriveMap(DriveMap drives);

// Resolves each component case-insensitively against its folder's entries
// when the path does not exist as written (inner components must be folders).
// Returns the real path, or the input when some component is not found.
std::string ResolveCaseInsensitive(std::string_view path);

// The same resolution for many paths, answered from folder listings: each
// folder asked about is read once (a folder that does not exist is found
// missing once), so a catalog of thousands of paths in a few folders, or in
// thousands of missing ones, costs a listing per folder and not a walk from
// the root per path. Refresh() lets a kept resolver see changes: a listing
// is read again when its folder's mtime has moved.
class CaseResolver {
public:
    // What the resolved path is, links followed.
    enum class Kind { Missing, File, Folder, Other };
    struct Found {
        std::string path;  // the real path; the path asked for when nothing is there
        Kind kind = Kind::Missing;
    };

    std::string Resolve(std::string_view path) { return Find(path).path; }
    Found Find(std::string_view path);
    // The same, the answer taking `path`'s text when it is the path asked
    // for (no copy per look-up).
    Found FindTaking(std::string path);
    // The listing of a folder written with a trailing "/" ("" is the current
    // folder), as written.
    const FolderListing& Listing(std::string_view folder) { return listings_.Get(folder); }
    // Forgets resolved folders and checks every listing again on its next use.
    void Refresh();
    const ListingCache& listings() const { return listings_; }

private:
    // The real form of a folder written with a trailing "/" ("" is the
    // current folder); nullopt when some component is missing.
    std::optional<std::string> ResolveFolder(const std::string& folder);
    // ResolveFolder's answer as kept; the last folder asked is at hand, as
    // a catalog names its folders in runs.
    const std::optional<std::string>& KeptFolder(std::string_view folder);
    Found Find(std::string_view input, std::string* owned);
    ListingCache listings_;
    std::unordered_map<std::string, std::optional<std::string>> folders_;
    const std::pair<const std::string, std::optional<std::string>>* last_folder_ = nullptr;
};

}  // namespace nuko::path

namespace nuko::folders {

// Folder of the running executable, ending in "/".
std::string ProgramFolder();
// $XDG_CONFIG_HOME/NU-KO Application/ (XDG default ~/.config).
std::string ConfigFolder();
// The player's settings file inside ConfigFolder().
std::string SettingsFile();
// $XDG_DATA_HOME/NU-KO Application/ (XDG default ~/.local/share).
std::string DataFolder();
// $XDG_CACHE_HOME/NU-KO Application/ (XDG default ~/.cache): what can be
// made again, such as measured loudness.
std::string CacheFolder();
// $XDG_RUNTIME_DIR/nu-kop32/, else /tmp/nu-kop32-<uid>/.
std::string DefaultWorkFolder();

// Where the programs' single-instance locks and sockets live: a folder of
// its own inside the private default work folder, so that clearing the work
// folder never touches them. The private parent is created when missing.
std::string InstanceFolder();

// Creates the folder with mode 0700 when missing; refuses one that is a
// symbolic link, not a folder, or owned by another user.
std::error_code EnsurePrivateFolder(const std::string& folder);

// Creates the folder and its missing parents with the usual permissions.
std::error_code EnsureFolder(const std::string& folder);

}  // namespace nuko::folders
