#include "nuko/drives.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "nuko/fileio.h"
#include "nuko/paths.h"
#include "nuko/text.h"

namespace nuko::drives {
namespace {

// mountinfo escapes blanks and a few other bytes as \ooo.
std::string Unescape(std::string_view s) {
    auto oct = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && oct(s[i + 1]) && oct(s[i + 2]) && oct(s[i + 3])) {
            out += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += s[i];
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> f;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos) end = line.size();
        if (end > pos) f.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return f;
}

bool Covers(std::string_view mount_point, std::string_view path) {
    if (mount_point == "/") return true;
    if (!path.starts_with(mount_point)) return false;
    return path.size() == mount_point.size() || path[mount_point.size()] == '/';
}

// The absolute path with links resolved for the longest part that exists.
std::string CanonicalPrefix(const std::string& path) {
    std::string p = path;
    if (!path::IsAbsolute(p)) {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) p = path::Join(cwd, p);
    }
    std::string rest;
    while (!p.empty()) {
        char buf[PATH_MAX];
        if (::realpath(p.c_str(), buf)) {
            std::string out = buf;
            if (!rest.empty()) out = path::Join(out, rest);
            return out;
        }
        std::size_t slash = p.rfind('/');
        if (slash == std::string::npos || slash == 0) break;
        rest = rest.empty() ? p.substr(slash + 1) : p.substr(slash + 1) + "/" + rest;
        p.resize(slash);
    }
    return path;
}

}  // namespace

Mount FindMount(std::string_view mountinfo, std::string_view path) {
    Mount best;
    std::size_t pos = 0;
    while (pos < mountinfo.size()) {
        std::size_t end = mountinfo.find('\n', pos);
        if (end == std::string_view::npos) end = mountinfo.size();
        std::string_view line = mountinfo.substr(pos, end - pos);
        pos = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source super
        auto f = Fields(line);
        if (f.size() < 7) continue;
        std::size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (dash + 2 >= f.size()) continue;
        std::string mp = Unescape(f[4]);
        if (!Covers(mp, path)) continue;
        if (!best.mount_point.empty() && mp.size() < best.mount_point.size()) continue;
        best.mount_point = mp;
        best.fs_type = std::string(f[dash + 1]);
        best.source = Unescape(f[dash + 2]);
    }
    return best;
}

Mount MountOf(const std::string& path) {
    auto info = fileio::ReadFile("/proc/self/mountinfo", 4 << 20);
    if (!info) return {};
    return FindMount(*info, CanonicalPrefix(path));
}

bool IsCdRomMount(const Mount& m) {
    if (m.fs_type == "iso9660" || m.fs_type == "udf") return true;
    std::string_view dev = path::FileName(m.source);
    return m.source.starts_with("/dev/") && dev.starts_with("sr");
}

bool IsRemovableMount(const Mount& m, const std::string& sys_root) {
    if (!m.source.starts_with("/dev/")) return false;
    std::string dev(path::FileName(m.source));
    if (dev.empty()) return false;
    // A partition has its own entry under /sys/class/block with a "partition"
    // file; its disk is the parent folder of that entry.
    std::string disk = dev;
    char resolved[PATH_MAX];
    std::string cls = sys_root + "/class/block/" + dev;
    struct stat st {};
    if (::stat((cls + "/partition").c_str(), &st) == 0 && ::realpath(cls.c_str(), resolved)) {
        std::string parent = path::SplitPath(resolved).folder;
        if (!parent.empty()) parent.pop_back();
        disk = std::string(path::FileName(parent));
    }
    auto flag = fileio::ReadFile(sys_root + "/block/" + disk + "/removable", 16);
    return flag && !flag->empty() && (*flag)[0] == '1';
}

bool IsCdRomPath(const std::string& path) { return IsCdRomMount(MountOf(path)); }

bool IsRemovablePath(const std::string& path) { return IsRemovableMount(MountOf(path)); }

}  // namespace nuko::drives
