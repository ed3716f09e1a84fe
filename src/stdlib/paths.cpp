#include "nuko/paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "nuko/ini.h"
#include "nuko/text.h"

namespace nuko::path {

SplitResult SplitPath(std::string_view path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {"", std::string(path)};
    return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

std::string_view FileName(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view Extension(std::string_view path) {
    // One walk back from the end, stopping at the name's last dot: scans
    // ask this of every file they meet.
    for (std::size_t i = path.size(); i-- > 0;) {
        if (path[i] == '.') return path.substr(i + 1);
        if (path[i] == '/') break;
    }
    return {};
}

std::string_view Stem(std::string_view path) {
    std::string_view name = FileName(path);
    std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string ReplaceExtension(std::string_view path, std::string_view ext) {
    std::string_view name = FileName(path);
    std::size_t dot = name.rfind('.');
    std::size_t cut = path.size() - name.size() + (dot == std::string_view::npos ? name.size() : dot);
    std::string out(path.substr(0, cut));
    if (!ext.empty()) {
        out += '.';
        out += ext;
    }
    return out;
}

std::string WithTrailingSlash(std::string_view folder) {
    std::string out(folder);
    if (out.empty()) return out;
    while (out.size() > 1 && out.back() == '/' && out[out.size() - 2] == '/') out.pop_back();
    if (out.back() != '/') out += '/';
    return out;
}

std::string Join(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    std::string out = WithTrailingSlash(folder);
    while (!name.empty() && name.front() == '/') name.remove_prefix(1);
    out += name;
    return out;
}

bool IsAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }

std::string FromWindows(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

bool HasDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::optional<char> DriveKeyLetter(std::string_view key) {
    key = text::TrimBlanks(key);
    if (key.size() == 2 && key[1] == ':') key.remove_suffix(1);
    if (key.size() != 1) return std::nullopt;
    char letter = key[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    return letter;
}

DriveMap DriveMapFromEntries(const std::vector<std::pair<std::string, std::string>>& entries) {
    DriveMap map;
    for (const auto& [key, folder] : entries) {
        auto letter = DriveKeyLetter(key);
        if (letter && !folder.empty()) map[*letter] = folder;
    }
    return map;
}

std::string FromLegacy(std::string_view path, const DriveMap& drives, bool* mapped) {
    std::string p = FromWindows(path);
    if (mapped) *mapped = false;
    if (!HasDriveLetter(p)) return p;
    char letter = p[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    auto it = drives.find(letter);
    std::string rest = p.substr(2);
    if (it == drives.end() || it->second.empty()) {
        p[0] = letter;
        return p;
    }
    if (mapped) *mapped = true;
    return Join(it->second, rest);
}

std::string ToLegacy(std::string_view path, const DriveMap& drives) {
    auto backslashed = [](std::string s) {
        for (char& c : s)
            if (c == '/') c = '\\';
        return s;
    };
    if (HasDriveLetter(path)) return backslashed(std::string(path));
    if (!IsAbsolute(path)) return std::string(path);
    const std::pair<const char, std::string>* best = nullptr;
    std::size_t best_length = 0;
    for (const auto& entry : drives) {
        std::string folder = WithTrailingSlash(entry.second);
        if (folder.size() < 2 || !path.starts_with(folder) || folder.size() <= best_length) continue;
        best = &entry;
        best_length = folder.size();
    }
    if (!best) return std::string(path);
    return std::string(1, best->first) + ":\\" + backslashed(std::string(path.substr(best_length)));
}

namespace {

std::mutex g_drive_mutex;
std::unique_ptr<DriveMap> g_drive_map;

DriveMap LoadDriveMapFromSettings() {
    return DriveMapFromEntries(ini::LoadFile(folders::SettingsFile(), ini::Encoding::Utf8).Entries("Drives"));
}

bool Exists(const std::string& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

}  // namespace

const DriveMap& CurrentDriveMap() {
    std::lock_guard lock(g_drive_mutex);
    if (!g_drive_map) g_drive_map = std::make_unique<DriveMap>(LoadDriveMapFromSettings());
    return *g_drive_map;
}

void SetCurrentDriveMap(DriveMap drives) {
    std::lock_guard lock(g_drive_mutex);
    g_drive_map = std::make_unique<DriveMap>(std::move(drives));
}

std::string ResolveCaseInsensitive(std::string_view path) {
    // One path: when it exists as written one lstat answers, where a
    // listing would read the whole folder.
    std::string input(path);
    if (input.empty() || Exists(input)) return input;
    CaseResolver resolver;
    return resolver.Resolve(input);
}

namespace {

CaseResolver::Kind KindOf(FolderEntry::Reached r) {
    switch (r) {
        case FolderEntry::Reached::File: return CaseResolver::Kind::File;
        case FolderEntry::Reached::Folder: return CaseResolver::Kind::Folder;
        case FolderEntry::Reached::Other: return CaseResolver::Kind::Other;
        case FolderEntry::Reached::Missing: break;
    }
    return CaseResolver::Kind::Missing;
}

// For folders that cannot be listed: the system, name by name. Nothing when
// the name is not there; Missing for a dangling link.
std::optional<CaseResolver::Found> AskSystem(const std::string& p) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return std::nullopt;
    if (::stat(p.c_str(), &st) != 0) return CaseResolver::Found{p, CaseResolver::Kind::Missing};
    return CaseResolver::Found{p, S_ISREG(st.st_mode)   ? CaseResolver::Kind::File
               : S_ISDIR(st.st_mode) ? CaseResolver::Kind::Folder
                                     : CaseResolver::Kind::Other};
}

}  // namespace

void CaseResolver::Refresh() {
    listings_.Refresh();
    last_folder_ = nullptr;
    folders_.clear();
}

const std::optional<std::string>& CaseResolver::KeptFolder(std::string_view folder) {
    if (!last_folder_ || last_folder_->first != folder) {
        std::string key(folder);
        auto it = folders_.find(key);
        if (it == folders_.end()) {
            std::optional<std::string> real = ResolveFolder(key);  // keeps it, "" and "/" aside
            it = folders_.try_emplace(std::move(key), std::move(real)).first;
        }
        // Elements of the map stay where they are while it grows.
        last_folder_ = &*it;
    }
    return last_folder_->second;
}

std::optional<std::string> CaseResolver::ResolveFolder(const std::string& folder) {
    if (folder.empty() || folder == "/") return folder;
    if (auto it = folders_.find(folder); it != folders_.end()) return it->second;
    std::optional<std::string> result;
    if (Listing(folder).state != FolderListing::State::Missing) {
        result = folder;
    } else {
        std::string trimmed = folder.substr(0, folder.size() - 1);
        auto split = SplitPath(trimmed);
        if (auto parent = ResolveFolder(split.folder)) {
            const FolderListing& listing = Listing(*parent);
            for (std::uint32_t i : listing.Lowered(split.name)) {
                const FolderEntry& e = listing.entries[i];
                if (e.reached == FolderEntry::Reached::Folder) {
                    result = *parent + e.name + "/";
                    break;
                }
            }
        }
    }
    folders_.emplace(folder, result);
    return result;
}

CaseResolver::Found CaseResolver::Find(std::string_view input) { return Find(input, nullptr); }

CaseResolver::Found CaseResolver::FindTaking(std::string path) {
    const std::string_view input = path;
    return Find(input, &path);
}

CaseResolver::Found CaseResolver::Find(std::string_view input, std::string* owned) {
    // The answer that is the path asked for takes the caller's text when
    // it was handed over.
    auto as_asked = [&] { return owned ? std::move(*owned) : std::string(input); };
    if (input.empty()) return {as_asked(), Kind::Missing};
    std::string_view cleaned = input;
    bool trailing = cleaned.size() > 1 && cleaned.back() == '/';
    while (cleaned.size() > 1 && cleaned.back() == '/') cleaned.remove_suffix(1);
    std::size_t slash = cleaned.rfind('/');
    std::string_view folder_as_written = slash == std::string_view::npos ? std::string_view() : cleaned.substr(0, slash + 1);
    std::string_view name = slash == std::string_view::npos ? cleaned : cleaned.substr(slash + 1);
    // Inner "." and ".." and doubled separators are left to the system.
    if (name.empty() || name == "." || name == "..")
        return AskSystem(std::string(input)).value_or(Found{std::string(input), Kind::Missing});

    // As written: a name whose folder lists it (with a trailing "/" it must
    // reach a folder). A folder that lists as written is its own
    // resolution: one look-up in its listing answers both.
    const FolderListing& as_written = listings_.Get(folder_as_written);
    if (as_written.state == FolderListing::State::Listed) {
        const FolderEntry* e = as_written.Resolve(name, trailing);
        if (!e) return {as_asked(), Kind::Missing};
        if (e->name == name) return {as_asked(), KindOf(e->reached)};
        std::string real;
        real.reserve(folder_as_written.size() + e->name.size() + 1);
        real.append(folder_as_written).append(e->name);
        if (trailing) real += '/';
        return {std::move(real), KindOf(e->reached)};
    }
    if (as_written.state == FolderListing::State::Unreadable) {
        if (auto f = AskSystem(std::string(input))) return *f;
    }

    std::optional<std::string> as_listed;
    const std::optional<std::string>* resolved = &as_listed;
    if (as_written.state == FolderListing::State::Missing)
        resolved = &KeptFolder(folder_as_written);
    else
        as_listed = std::string(folder_as_written);
    if (!*resolved) return {as_asked(), Kind::Missing};
    const std::string& folder = **resolved;
    const FolderListing& listing = Listing(folder);
    if (folder != folder_as_written) {
        if (listing.state == FolderListing::State::Unreadable) {
            if (auto f = AskSystem(folder + std::string(name))) return *f;
        } else if (const FolderEntry* e = listing.Exact(name)) {
            return {folder + std::string(name), KindOf(e->reached)};
        }
    }
    for (std::uint32_t i : listing.Lowered(name)) {
        const FolderEntry& e = listing.entries[i];
        if ((e.reached == FolderEntry::Reached::Folder) == trailing)
            return {folder + e.name + (trailing ? "/" : ""), KindOf(e.reached)};
    }
    return {as_asked(), Kind::Missing};
}

}  // namespace nuko::path

namespace nuko::folders {
namespace {

std::string EnvFolder(const char* var, const char* home_fallback) {
    const char* v = std::getenv(var);
    if (v && *v == '/') return path::WithTrailingSlash(v);
    const char* home = std::getenv("HOME");
    std::string base = (home && *home) ? home : "/tmp";
    return path::WithTrailingSlash(path::Join(base, home_fallback));
}

constexpr const char* kAppFolder = "NU-KO Application/";

}  // namespace

std::string ProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    buf[n] = '\0';
    return path::SplitPath(buf).folder;
}

std::string ConfigFolder() { return EnvFolder("XDG_CONFIG_HOME", ".config") + kAppFolder; }

std::string SettingsFile() { return ConfigFolder() + "NU-KO Player32.ini"; }

std::string DataFolder() { return EnvFolder("XDG_DATA_HOME", ".local/share") + kAppFolder; }

std::string CacheFolder() { return EnvFolder("XDG_CACHE_HOME", ".cache") + kAppFolder; }

std::string DefaultWorkFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime == '/') return path::WithTrailingSlash(runtime) + "nu-kop32/";
    return "/tmp/nu-kop32-" + std::to_string(::getuid()) + "/";
}

std::string InstanceFolder() {
    // The private parent must exist before the folder itself can be made.
    std::string parent = DefaultWorkFolder();
    EnsurePrivateFolder(parent);
    return parent + "instance/";
}

std::error_code EnsurePrivateFolder(const std::string& folder) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    if (::mkdir(f.c_str(), 0700) != 0 && errno != EEXIST) return {errno, std::generic_category()};
    struct stat st {};
    if (::lstat(f.c_str(), &st) != 0) return {errno, std::generic_category()};
    if (S_ISLNK(st.st_mode)) return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    if (!S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::not_a_directory);
    if (st.st_uid != ::getuid()) return std::make_error_code(std::errc::permission_denied);
    if ((st.st_mode & 077) != 0 && ::chmod(f.c_str(), 0700) != 0)
        return {errno, std::generic_category()};
    return {};
}

std::error_code EnsureFolder(const std::string& folder) {
    std::string f = path::WithTrailingSlash(folder);
    for (std::size_t pos = 1; pos < f.size(); ++pos) {
        if (f[pos] != '/') continue;
        std::string part = f.substr(0, pos);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return {errno, std::generic_category()};
    }
    struct stat st {};
    return (::stat(f.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? std::error_code() : std::make_error_code(std::errc::not_a_directory);
}

}  // namespace nuko::folders
