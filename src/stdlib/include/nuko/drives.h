// What kind of drive a path lives on, from the mount table: CD-ROM
// (iso9660 or udf, or an sr device) and removable (the block device's
// "removable" flag).
#pragma once

#include <string>
#include <string_view>

namespace nuko::drives {

struct Mount {
    std::string mount_point;  // empty when no entry covers the path
    std::string fs_type;
    std::string source;       // e.g. /dev/sr0
};

// Finds the mount entry that covers `path` in /proc/self/mountinfo text: the
// longest mount point that is a prefix of the path; the last one wins among
// equal ones (it is mounted over the others).
Mount FindMount(std::string_view mountinfo, std::string_view path);

// The entry for a path on this machine (the path made absolute and its links
// resolved as far as it exists).
Mount MountOf(const std::string& path);

bool IsCdRomMount(const Mount& m);

// True when /sys/block/<disk>/removable says 1 for the mount's device (a
// partition counts as its disk). `sys_root` is "/sys" except in tests.
bool IsRemovableMount(const Mount& m, const std::string& sys_root = "/sys");

bool IsCdRomPath(const std::string& path);
bool IsRemovablePath(const std::string& path);

}  // namespace nuko::drives
