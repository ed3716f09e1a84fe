// Folder listings read once and answered many times: a folder scan, the
// companion look-ups of its rows (".wrd" beside a song, the "image"
// picture) and the case-insensitive resolution of a catalog's paths all ask
// the same few folders about thousands of names. Not thread-safe: one cache
// belongs to one thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nuko::path {

struct FolderEntry {
    // What the name itself is (links not followed).
    enum class Own : std::uint8_t { Folder, File, Link, Other };
    // What opening the name reaches (links followed; a dangling or looping
    // link reaches nothing).
    enum class Reached : std::uint8_t { Missing, Folder, File, Other };
    std::string name;
    Own own = Own::Other;
    Reached reached = Reached::Missing;
};

struct FolderListing {
    enum class State : std::uint8_t {
        Listed,      // entries hold the folder's names in enumeration order
        Missing,     // nothing there, or not a folder
        Unreadable,  // there, but it cannot be listed (the system must be asked name by name)
    };
    State state = State::Missing;
    std::vector<FolderEntry> entries;

    // The entry of exactly this name; null when none.
    const FolderEntry* Exact(std::string_view name) const;
    // The indices of the entries whose name is `lowered` but for the case
    // of ASCII letters (in any case), in enumeration order.
    std::span<const std::uint32_t> Lowered(std::string_view lowered) const;
    // The entry a name resolves to, in one look-up: the entry of exactly
    // this name (when `folder`, only if it reaches a folder), else the first
    // of the name in another letter case that reaches a folder when
    // `folder` and does not otherwise; null when none.
    const FolderEntry* Resolve(std::string_view name, bool folder) const;

private:
    friend class ListingCache;
    void Index();
    // Entry indices grouped by lowered name, each group in enumeration
    // order: one array, no node per name.
    std::vector<std::uint32_t> by_lowered_;
    std::vector<std::uint64_t> hashes_;  // of each entry's name, lowered
    // Where each lowered name starts in by_lowered_, found by its hash.
    std::vector<std::uint32_t> slots_;
};

// Listings keyed by folder text (as asked, ending in "/"; "" is the current
// folder). A listing is read once per generation; a new generation (Refresh)
// keeps the listings the last one used, and of those a listing whose folder
// still has the same identity and mtime (one stat) is not read again. A folder whose mtime was within the
// file system's time resolution of the reading is read again on the next
// generation in any case, since a change in that window leaves the mtime
// as it was. A folder whose parent this generation found missing, or
// listed without a folder of its name, is missing without asking the
// system: a catalog from another computer names thousands of folders
// under one that is not here.
class ListingCache {
public:
    const FolderListing& Get(std::string_view folder);
    // Starts a new generation: every listing is checked again on its next
    // use; listings the ending generation did not use are dropped.
    void Refresh();
    // How many folders were read (listed or found missing) since the cache
    // was made; for tests of what is read again.
    std::uint64_t reads() const { return reads_; }
    // How many of those reads asked the system (the others were answered
    // from the parent's listing).
    std::uint64_t opened() const { return opened_; }

private:
    struct Stamp {
        bool valid = false;
        std::uint64_t dev = 0, ino = 0;
        std::timespec mtime{};
        bool operator==(const Stamp& o) const;
    };
    struct Cached {
        FolderListing listing;
        Stamp stamp;
        bool racy = true;  // read again on the next generation whatever the stamp says
        std::uint64_t checked = 0;  // generation
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    void Read(const std::string& folder, Cached& c);
    // Whether this generation's listing of a parent tells that `folder` is
    // not there.
    bool KnownMissing(std::string_view folder) const;
    std::unordered_map<std::string, Cached, Hash, std::equal_to<>> cache_;
    // The folder asked last: look-ups come in runs in one folder.
    const std::string* last_key_ = nullptr;
    Cached* last_ = nullptr;
    std::uint64_t generation_ = 1;
    std::uint64_t reads_ = 0;
    std::uint64_t opened_ = 0;
    std::vector<char> dents_;           // what getdents64 hands over
};

}  // namespace nuko::path
