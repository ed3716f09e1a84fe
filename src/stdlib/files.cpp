#include "nuko/files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "nuko/drives.h"
#include "nuko/fileio.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/text.h"

namespace nuko::files {
namespace {

bool StatOk(const std::string& p, struct stat& st) { return ::stat(p.c_str(), &st) == 0; }

std::uint32_t Le32(std::string_view b, std::size_t at) {
    if (at + 4 > b.size()) return 0;
    const auto* u = reinterpret_cast<const unsigned char*>(b.data() + at);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}

std::uint16_t Le16(std::string_view b, std::size_t at) {
    if (at + 2 > b.size()) return 0;
    const auto* u = reinterpret_cast<const unsigned char*>(b.data() + at);
    return static_cast<std::uint16_t>(u[0] | (u[1] << 8));
}

std::uint64_t Le64(std::string_view b, std::size_t at) {
    return Le32(b, at) | (static_cast<std::uint64_t>(Le32(b, at + 4)) << 32);
}

// A zero-terminated single-byte string at `at`, bounded by the buffer.
std::string_view CString(std::string_view b, std::size_t at) {
    if (at >= b.size()) return {};
    std::size_t end = b.find('\0', at);
    if (end == std::string_view::npos) end = b.size();
    return b.substr(at, end - at);
}

// A zero-terminated UTF-16LE string at `at`, as UTF-8.
std::string CString16(std::string_view b, std::size_t at) {
    std::size_t end = at;
    while (end + 1 < b.size() && (b[end] != '\0' || b[end + 1] != '\0')) end += 2;
    return at < end ? text::Utf16LeToUtf8(b.substr(at, end - at)) : std::string();
}

using Guid = std::array<unsigned char, 16>;
// GUIDs as stored in ASF files (first three fields little-endian).
constexpr Guid kAsfHeader = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kAsfStreamProperties = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                       0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kAsfVideoMedia = {0xC0, 0xEF, 0x19, 0xBC, 0x4D, 0x5B, 0xCF, 0x11,
                                 0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
constexpr Guid kShellLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                  0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

bool GuidAt(std::string_view b, std::size_t at, const Guid& g) {
    return at + 16 <= b.size() && std::memcmp(b.data() + at, g.data(), 16) == 0;
}

// Header objects larger than this are not read whole; the stream
// properties come early in every real file.
constexpr std::uint64_t kMaxAsfHeader = 16u << 20;

// The error code of a failed write. EPERM is 1, which callers read as
// "written with progress", so it is reported as EACCES.
int WriteError(int e) {
    if (e == 0) return EIO;
    return e == EPERM ? EACCES : e;
}

}  // namespace

bool IsFileFound(const std::string& path, bool accept_hidden) {
    struct stat st {};
    if (path.empty() || !StatOk(path, st) || !S_ISREG(st.st_mode)) return false;
    return accept_hidden || !path::IsHiddenName(path::FileName(path));
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && StatOk(path, st) && S_ISDIR(st.st_mode);
}

void DeleteFilesIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    std::vector<std::string> victims;
    while (dirent* e = ::readdir(dir)) {
        std::string full = path::Join(folder, e->d_name);
        struct stat st {};
        if (::lstat(full.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) victims.push_back(full);
    }
    ::closedir(dir);
    for (const auto& v : victims) ::unlink(v.c_str());
}

bool MakeDir(const std::string& path_in, std::string_view caption, void* owner) {
    auto say = [&](int id) {
        Ask(id, {}, PromptButtons::Ok, PromptIcon::Warning, caption, owner);
        return false;
    };
    std::string path = path_in;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (!path::IsAbsolute(path)) return say(strings::kFolderNeedsFullPath);
    if (drives::IsCdRomPath(path)) return say(strings::kCdRomOrInvalidDrive);

    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        return say(strings::kFolderIsAFile);
    }
    if (Ask(strings::kAskCreateFolder, {path}, PromptButtons::YesNo, PromptIcon::Question, caption, owner) !=
        PromptAnswer::Yes)
        return false;

    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/') continue;
        std::string level = path.substr(0, pos);
        if (::stat(level.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return say(strings::kFolderIsAFile);
            continue;
        }
        if (::mkdir(level.c_str(), 0777) != 0) return say(strings::kCannotCreateFolder);
    }
    return true;
}

int CopyFile(const std::string& source, const std::string& target,
             const std::function<void(int)>& progress, const std::atomic<bool>* stop) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) return kCopySourceFailed;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return kCopySourceFailed;
    }
    std::string temp;
    int out = fileio::CreateTempBeside(target, &temp);
    if (out < 0) {
        ::close(in);
        return kCopyTargetFailed;
    }
    ::fchmod(out, st.st_mode & 0777);

    // The copy goes in eight pieces so that progress can be shown; each piece
    // is written as soon as it is read instead of holding the whole file.
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t piece = size / 8;
    std::vector<char> buf(1 << 20);
    int result = 0;
    for (int i = 0; i < 8 && result == 0; ++i) {
        std::uint64_t want = (i == 7) ? UINT64_MAX : piece;
        std::uint64_t done = 0;
        while (done < want) {
            if (stop && stop->load()) {
                result = kCopyCancelled;
                break;
            }
            std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), want - done));
            ssize_t n = ::read(in, buf.data(), chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                result = kCopySourceFailed;
                break;
            }
            if (n == 0) break;
            if (!fileio::WriteAllTo(out, std::string_view(buf.data(), static_cast<std::size_t>(n)))) {
                result = WriteError(errno);
                break;
            }
            done += static_cast<std::uint64_t>(n);
        }
        if (progress && result == 0) progress(10 * (i + 1));
    }
    ::close(in);
    if (result == 0 && ::fsync(out) != 0) result = WriteError(errno);
    if (result == 0 && progress) progress(90);
    if (::close(out) != 0 && result == 0) result = WriteError(errno);
    if (result == 0 && ::rename(temp.c_str(), target.c_str()) != 0) result = WriteError(errno);
    if (result != 0) {
        ::unlink(temp.c_str());
        if (progress) progress(100);
        return result;
    }
    if (progress) progress(100);
    return progress ? kCopyWrittenWithProgress : kCopyWritten;
}

std::optional<std::string> ParseShellLink(std::string_view b) {
    if (b.size() < 0x4C || Le32(b, 0) != 0x4C || !GuidAt(b, 4, kShellLinkClsid)) return std::nullopt;
    std::uint32_t flags = Le32(b, 0x14);
    std::size_t pos = 0x4C;
    if (flags & 0x1) pos += 2 + Le16(b, pos);  // LinkTargetIDList
    if (!(flags & 0x2) || pos + 28 > b.size()) return std::nullopt;  // no LinkInfo
    std::string_view info = b.substr(pos);
    std::uint32_t info_size = Le32(info, 0);
    if (info_size < 28 || info_size > info.size()) return std::nullopt;
    info = info.substr(0, info_size);
    std::uint32_t header_size = Le32(info, 4);
    std::uint32_t info_flags = Le32(info, 8);
    if (!(info_flags & 0x1)) return std::nullopt;  // no local base path (network only)
    std::string base;
    std::string suffix;
    if (header_size >= 0x24 && Le32(info, 28) != 0) {
        base = CString16(info, Le32(info, 28));
        suffix = CString16(info, Le32(info, 32));
    } else {
        base = text::Cp932ToUtf8(CString(info, Le32(info, 16)));
        suffix = text::Cp932ToUtf8(CString(info, Le32(info, 24)));
    }
    if (base.empty()) return std::nullopt;
    if (!suffix.empty() && base.back() != '\\') base += '\\';
    return base + suffix;
}

std::optional<std::string> ShortcutTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return ShortcutTarget(path, S_ISLNK(st.st_mode));
}

std::optional<std::string> ShortcutTarget(const std::string& path, bool symbolic_link) {
    if (symbolic_link) {
        // Grown until the target fits: readlink cuts without telling.
        std::vector<char> buf(256);
        ssize_t n = 0;
        while ((n = ::readlink(path.c_str(), buf.data(), buf.size())) >= static_cast<ssize_t>(buf.size()))
            buf.resize(buf.size() * 4);
        if (n <= 0) return std::nullopt;
        std::string target(buf.data(), static_cast<std::size_t>(n));
        if (!path::IsAbsolute(target)) target = path::Join(path::SplitPath(path).folder, target);
        return target;
    }
    if (!text::EqualsIgnoreAsciiCase(path::Extension(path), "lnk")) return std::nullopt;
    auto bytes = fileio::ReadFile(path, 1 << 20);
    if (!bytes) return std::nullopt;
    auto win = ParseShellLink(*bytes);
    if (!win) return std::nullopt;
    bool mapped = false;
    std::string linux_path = path::FromLegacy(*win, path::CurrentDriveMap(), &mapped);
    if (!mapped) return std::nullopt;  // a drive we know nothing of
    return linux_path;
}

int WinMediaTypeOfHeader(std::string_view h) {
    if (!GuidAt(h, 0, kAsfHeader)) return 0;
    // The UTF-16 text "Video" somewhere in the header.
    static constexpr char kVideo16[] = {'V', 0, 'i', 0, 'd', 0, 'e', 0, 'o', 0};
    if (h.find(std::string_view(kVideo16, sizeof kVideo16)) != std::string_view::npos) return 2;
    // A stream properties object whose stream type is video. Top-level
    // objects follow the 30-byte header object head.
    std::size_t pos = 30;
    while (pos + 24 <= h.size()) {
        std::uint64_t size = Le64(h, pos + 16);
        if (GuidAt(h, pos, kAsfStreamProperties) && GuidAt(h, pos + 24, kAsfVideoMedia)) return 2;
        if (size < 24 || size > h.size() - pos) break;
        pos += static_cast<std::size_t>(size);
    }
    return 1;
}

int WinMediaType(const std::string& path) {
    std::string ext = text::AsciiLowered(path::Extension(path));
    if (ext != "asf" && ext != "wma" && ext != "wmv") return 0;
    if (!IsFileFound(path, true)) return 0;
    auto head = fileio::ReadFile(path, 999);
    if (!head) return 0;
    if (!GuidAt(*head, 0, kAsfHeader)) return WinMediaTypeOfHeader(*head);
    std::uint64_t header_size = Le64(*head, 16);
    if (header_size > head->size()) {
        auto whole = fileio::ReadFile(path, static_cast<std::size_t>(std::min(header_size, kMaxAsfHeader)));
        if (whole) return WinMediaTypeOfHeader(*whole);
    }
    return WinMediaTypeOfHeader(*head);
}

}  // namespace nuko::files
