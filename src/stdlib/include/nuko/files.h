// File and folder helpers of the support library, in their Linux meanings.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nuko::files {

// True when the path is an existing regular file (a link to one counts) and,
// unless `accept_hidden`, its name does not begin with ".". Devices, pipes
// and sockets count as system files and are never found.
bool IsFileFound(const std::string& path, bool accept_hidden);
bool IsFolder(const std::string& path);

// Deletes every entry of the folder that is not a folder (links are removed,
// not followed).
void DeleteFilesIn(const std::string& folder);

// Makes sure a folder exists, asking before it creates one. Messages go to
// the current prompt with `caption` and `owner`. True when the folder exists
// at the end.
bool MakeDir(const std::string& path, std::string_view caption, void* owner);

// Result codes of CopyFile.
inline constexpr int kCopyWritten = 0;
inline constexpr int kCopyWrittenWithProgress = 1;
inline constexpr int kCopySourceFailed = -1;
inline constexpr int kCopyTargetFailed = -2;
// Stopped through `stop` (the temporary file is gone).
inline constexpr int kCopyCancelled = -4;

// Copies source to target through a temporary file beside the target that is
// renamed at the end, so a failed copy never leaves a half file under the
// target's name. With a progress function: 10 ... 80 while reading in eight
// pieces, 90 and 100 while writing. Returns 0 (no progress function) or 1 on
// success, -1 when the source cannot be read, -2 when the target cannot be
// created, else the errno of the failed write. `stop`, when given, is looked
// at between reads of at most 1 MiB; once it is set the copy ends with
// kCopyCancelled.
int CopyFile(const std::string& source, const std::string& target,
             const std::function<void(int)>& progress, const std::atomic<bool>* stop = nullptr);

// The local target path stored in a Windows shell link (.lnk) file, as
// written there (backslashes, drive letter), decoded to UTF-8.
std::optional<std::string> ParseShellLink(std::string_view bytes);

// The target of a shortcut: a symbolic link's target (relative ones taken
// from the link's folder), or for a ".lnk" file the path it stores, mapped
// through the drive map. nullopt when the path is neither or cannot be read.
std::optional<std::string> ShortcutTarget(const std::string& path);
// The same for a path whose kind is already known from its folder's
// listing (no lstat): `symbolic_link` tells whether it is a link.
std::optional<std::string> ShortcutTarget(const std::string& path, bool symbolic_link);

// 0: not an ASF file; 1: ASF without video; 2: ASF with a video stream. Takes
// the file's first bytes (the whole header object when it fits).
int WinMediaTypeOfHeader(std::string_view header);
// The same for a file with the extension asf, wma or wmv (any case).
int WinMediaType(const std::string& path);

}  // namespace nuko::files
