#include "nuko/folder_listing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "nuko/text.h"

namespace nuko::path {
namespace {

// Coarser than any file system's mtime resolution we meet (FAT keeps two
// seconds); a folder changed this close to its reading may have changed
// again without its mtime moving.
constexpr std::time_t kRacySeconds = 2;

FolderEntry::Reached ReachedOf(mode_t mode) {
    if (S_ISDIR(mode)) return FolderEntry::Reached::Folder;
    if (S_ISREG(mode)) return FolderEntry::Reached::File;
    return FolderEntry::Reached::Other;
}

// Eight bytes with their ASCII letters lowered, all at once; other bytes
// stay as they are (bytes past 0x7F too, whatever their low bits).
std::uint64_t LoweredBytes(std::uint64_t x) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    const std::uint64_t low7 = x & (0x7F * kOnes);
    const std::uint64_t from_a = low7 + (0x80 - 'A') * kOnes;      // top bit: at least 'A'
    const std::uint64_t past_z = low7 + (0x80 - 'Z' - 1) * kOnes;  // top bit: past 'Z'
    const std::uint64_t upper = from_a & ~past_z & ~x & (0x80 * kOnes);
    return x | (upper >> 2);
}

// The hash of a name with its ASCII letters lowered, which the listing's
// index groups by: short names in a few multiplications, where the
// general string hash costs more than the rest of a look-up.
inline std::uint64_t NameHash(std::string_view s) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    const char* p = s.data();
    std::size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ LoweredBytes(v)) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    // The last bytes as the low ones of a word, read without a call to a
    // copy of variable length.
    std::uint64_t v = 0;
    if (n != 0 && s.size() >= 8) {
        std::memcpy(&v, s.data() + s.size() - 8, 8);
        v >>= 8 * (8 - n);
    } else {
        for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    }
    h = (h ^ LoweredBytes(v)) * 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 33);
}

FolderEntry::Reached FollowLink(int dir_fd, const char* name) {
    struct stat st {};
    // A dangling link or a loop of links reaches nothing.
    if (::fstatat(dir_fd, name, &st, 0) != 0) return FolderEntry::Reached::Missing;
    return ReachedOf(st.st_mode);
}

}  // namespace

std::span<const std::uint32_t> FolderListing::Lowered(std::string_view lowered) const {
    if (slots_.empty()) return {};
    const std::uint64_t hash = NameHash(lowered);
    auto same = [lowered](const FolderEntry& e) {
        // Most names are asked as they are written.
        return e.name.size() == lowered.size() &&
               (e.name == lowered || text::EqualsIgnoreAsciiCase(e.name, lowered));
    };
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
        std::uint32_t slot = slots_[s];
        if (slot == 0) return {};
        std::size_t first = slot - 1;
        std::uint32_t i = by_lowered_[first];
        if (hashes_[i] != hash || !same(entries[i])) continue;
        std::size_t last = first + 1;
        while (last < by_lowered_.size() && hashes_[by_lowered_[last]] == hash && same(entries[by_lowered_[last]]))
            ++last;
        return {by_lowered_.data() + first, last - first};
    }
}

void FolderListing::Index() {
    // Entry indices grouped by lowered name, each group in enumeration
    // order, in one pass over a hash table: no sort.
    const std::size_t n = entries.size();
    hashes_.resize(n);
    for (std::size_t i = 0; i < n; ++i) hashes_[i] = NameHash(entries[i].name);
    // Open addressing, at most half full; a slot holds the first entry of
    // a lowered name (plus one; 0 is an empty slot) until the groups are
    // laid out, then where its group starts in by_lowered_ (plus one).
    std::size_t size = 16;
    while (size < 2 * n) size *= 2;
    const std::size_t mask = size - 1;
    slots_.assign(size, 0);
    std::vector<std::uint32_t> group;  // each entry's first entry of its name, once a name is shared
    bool shared = false;  // some lowered name is had by two entries
    for (std::uint32_t i = 0; i < n; ++i) {
        for (std::size_t s = hashes_[i] & mask;; s = (s + 1) & mask) {
            if (slots_[s] == 0) {
                slots_[s] = i + 1;
                if (shared) group[i] = i;
                break;
            }
            const std::uint32_t first = slots_[s] - 1;
            if (hashes_[first] == hashes_[i] && text::EqualsIgnoreAsciiCase(entries[first].name, entries[i].name)) {
                if (!shared) {
                    // Until now every entry was its own group.
                    shared = true;
                    group.resize(n);
                    for (std::uint32_t k = 0; k < i; ++k) group[k] = k;
                }
                group[i] = first;
                break;
            }
        }
    }
    std::vector<std::uint32_t> count(shared ? n : 0, 0);
    for (std::uint32_t i = 0; shared && i < n; ++i) ++count[group[i]];
    by_lowered_.resize(n);
    if (!shared) {
        // Every lowered name once (the usual case): each is its own group,
        // in enumeration order, and the slots already tell where.
        for (std::uint32_t i = 0; i < n; ++i) by_lowered_[i] = i;
        return;
    }
    // A name renamed while the folder was read may have come twice; the
    // first stays.
    {
        std::vector<std::vector<std::uint32_t>> members(n);
        for (std::uint32_t i = 0; i < n; ++i)
            if (count[group[i]] > 1) members[group[i]].push_back(i);
        std::vector<bool> twice;
        for (const auto& m : members)
            for (std::size_t j = 1; j < m.size(); ++j)
                for (std::size_t k = 0; k < j; ++k)
                    if (entries[m[k]].name == entries[m[j]].name) {
                        if (twice.empty()) twice.resize(n);
                        twice[m[j]] = true;
                        break;
                    }
        if (!twice.empty()) {
            std::vector<FolderEntry> kept;
            for (std::size_t i = 0; i < n; ++i)
                if (!twice[i]) kept.push_back(std::move(entries[i]));
            entries = std::move(kept);
            Index();
            return;
        }
    }
    // Each group's start, in order of first appearance; then the entries.
    std::vector<std::uint32_t>& start = count;  // count becomes the cursor
    std::uint32_t at = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (group[i] != i) continue;
        std::uint32_t c = count[i];
        start[i] = at;
        at += c;
    }
    for (auto& slot : slots_)
        if (slot != 0) slot = start[slot - 1] + 1;
    for (std::uint32_t i = 0; i < n; ++i) by_lowered_[start[group[i]]++] = i;
}

const FolderEntry* FolderListing::Exact(std::string_view name) const {
    for (std::uint32_t i : Lowered(name))
        if (entries[i].name == name) return &entries[i];
    return nullptr;
}

const FolderEntry* FolderListing::Resolve(std::string_view name, bool folder) const {
    const FolderEntry* other = nullptr;
    for (std::uint32_t i : Lowered(name)) {
        const FolderEntry& e = entries[i];
        const bool is_folder = e.reached == FolderEntry::Reached::Folder;
        if (e.name == name && (is_folder || !folder)) return &e;
        if (!other && is_folder == folder) other = &e;
    }
    return other;
}

bool ListingCache::Stamp::operator==(const Stamp& o) const {
    return valid && o.valid && dev == o.dev && ino == o.ino && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec;
}

void ListingCache::Refresh() {
    // Kept small: what the last generation did not use goes.
    std::erase_if(cache_, [this](const auto& kv) { return kv.second.checked != generation_; });
    last_key_ = nullptr;
    last_ = nullptr;
    ++generation_;
}

const FolderListing& ListingCache::Get(std::string_view folder_view) {
    Cached* hit = (last_ && *last_key_ == folder_view) ? last_ : nullptr;
    if (!hit) {
        auto it = cache_.find(folder_view);
        if (it == cache_.end()) it = cache_.emplace(std::string(folder_view), Cached{}).first;
        last_key_ = &it->first;
        last_ = hit = &it->second;
    }
    Cached& c = *hit;
    const std::string& folder = *last_key_;
    if (c.checked == generation_) return c.listing;
    if (c.checked != 0 && !c.racy && c.stamp.valid) {
        struct stat st {};
        const char* at = folder.empty() ? "." : folder.c_str();
        if (::stat(at, &st) == 0 && c.stamp == Stamp{true, st.st_dev, st.st_ino, st.st_mtim}) {
            // Names unchanged; what a link reaches is not the folder's to tell.
            int fd = -1;
            for (auto& e : c.listing.entries) {
                if (e.own != FolderEntry::Own::Link) continue;
                if (fd < 0) fd = ::open(at, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (fd >= 0) e.reached = FollowLink(fd, e.name.c_str());
            }
            if (fd >= 0) ::close(fd);
            c.checked = generation_;
            return c.listing;
        }
    }
    Read(folder, c);
    c.checked = generation_;
    return c.listing;
}

bool ListingCache::KnownMissing(std::string_view folder) const {
    // "parent/name/" with a plain name: "." and ".." and doubled separators
    // are the system's to walk.
    if (folder.size() < 2 || folder.back() != '/') return false;
    std::string_view trimmed = folder.substr(0, folder.size() - 1);
    std::size_t slash = trimmed.rfind('/');
    std::string_view parent = slash == std::string_view::npos ? std::string_view() : trimmed.substr(0, slash + 1);
    std::string_view name = trimmed.substr(parent.size());
    if (name.empty() || name == "." || name == "..") return false;
    auto it = cache_.find(parent);
    if (it == cache_.end() || it->second.checked != generation_) return !parent.empty() && KnownMissing(parent);
    const FolderListing& listing = it->second.listing;
    // Opening "parent/name/" fails under a parent that is not there, and
    // where the parent holds nothing of that exact name that reaches a
    // folder; the parent's listing is as much to be trusted in this
    // generation as a listing of the folder itself would be.
    if (listing.state == FolderListing::State::Missing) return true;
    if (listing.state != FolderListing::State::Listed) return false;
    const FolderEntry* e = listing.Exact(name);
    return !e || e->reached != FolderEntry::Reached::Folder;
}

void ListingCache::Read(const std::string& folder, Cached& c) {
    ++reads_;
    c.listing = FolderListing{};
    c.stamp = Stamp{};
    c.racy = true;
    if (KnownMissing(folder)) {
        c.listing.state = FolderListing::State::Missing;
        return;
    }
    ++opened_;
    std::timespec started{};
    ::clock_gettime(CLOCK_REALTIME, &started);
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        bool missing = errno == ENOENT || errno == ENOTDIR || errno == ELOOP || errno == ENAMETOOLONG;
        c.listing.state = missing ? FolderListing::State::Missing : FolderListing::State::Unreadable;
        return;
    }
    FolderListing& l = c.listing;
    l.state = FolderListing::State::Listed;
    // The names come straight from getdents64 into a buffer the cache
    // keeps: no DIR stream to set up (and its system calls) per folder, no
    // lock per name. Each batch's names are counted first, so that the
    // entries are made in place, in a vector of about the right size.
    if (dents_.empty()) dents_.resize(32768);
    for (;;) {
        const ssize_t got = ::getdents64(fd, dents_.data(), dents_.size());
        if (got <= 0) break;  // the end, or an error: what was read stands
        std::size_t count = 0;
        for (ssize_t at = 0; at < got; ++count) at += reinterpret_cast<const dirent64*>(dents_.data() + at)->d_reclen;
        if (l.entries.capacity() < l.entries.size() + count)
            l.entries.reserve(std::max(l.entries.size() + count, 2 * l.entries.capacity()));
        for (ssize_t at = 0; at < got;) {
            const auto* d = reinterpret_cast<const dirent64*>(dents_.data() + at);
            at += d->d_reclen;
            std::string_view name = d->d_name;
            if (name == "." || name == "..") continue;
            FolderEntry& e = l.entries.emplace_back();
            e.name.assign(name);
            switch (d->d_type) {
                case DT_DIR: e.own = FolderEntry::Own::Folder; e.reached = FolderEntry::Reached::Folder; break;
                case DT_REG: e.own = FolderEntry::Own::File; e.reached = FolderEntry::Reached::File; break;
                case DT_LNK: e.own = FolderEntry::Own::Link; e.reached = FollowLink(fd, d->d_name); break;
                case DT_UNKNOWN: {
                    // File systems that leave the type out of the listing.
                    struct stat st {};
                    if (::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {  // gone meanwhile
                        l.entries.pop_back();
                        continue;
                    }
                    if (S_ISLNK(st.st_mode)) {
                        e.own = FolderEntry::Own::Link;
                        e.reached = FollowLink(fd, d->d_name);
                    } else {
                        e.reached = ReachedOf(st.st_mode);
                        e.own = S_ISDIR(st.st_mode)   ? FolderEntry::Own::Folder
                                : S_ISREG(st.st_mode) ? FolderEntry::Own::File
                                                      : FolderEntry::Own::Other;
                    }
                    break;
                }
                default: e.own = FolderEntry::Own::Other; e.reached = FolderEntry::Reached::Other; break;
            }
        }
    }
    l.Index();
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        c.stamp = Stamp{true, st.st_dev, st.st_ino, st.st_mtim};
        c.racy = st.st_mtim.tv_sec + kRacySeconds >= started.tv_sec;
    }
    ::close(fd);
}

}  // namespace nuko::path
