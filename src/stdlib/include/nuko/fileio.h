// Whole-file reads and atomic replacement of files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace nuko::fileio {

// A regular file opened for reading at any offset (never a folder, device
// or pipe): parts of large files without reading them whole.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    std::uint64_t size() const { return size_; }
    // Up to `count` bytes from `offset` (fewer at the end of the file).
    std::string Read(std::uint64_t offset, std::size_t count) const;

private:
    int fd_;
    std::uint64_t size_ = 0;
};

// Reads a regular file, at most `max_bytes`. nullopt when it cannot be read
// (ec tells why); a folder or device is not read.
std::optional<std::string> ReadFile(const std::string& path,
                                    std::size_t max_bytes = SIZE_MAX,
                                    std::error_code* ec = nullptr);

// Replaces the file with `bytes`: writes a temporary file beside it, flushes
// it to disk and renames it over the target, so the old file stays whole when
// anything fails. A symbolic link is followed and its target replaced. The
// permissions of an existing file are kept; an existing target that is not
// a regular file (a folder, a pipe, a device) is refused.
std::error_code WriteFileAtomic(const std::string& path, std::string_view bytes);

// Creates a temporary file beside `target` (same folder, hidden name) and
// returns its descriptor and name; -1 on failure with errno set.
int CreateTempBeside(const std::string& target, std::string* temp_name);

// Writes all of `bytes` to a descriptor, going on after short writes and
// interruptions; false with errno set on failure.
bool WriteAllTo(int fd, std::string_view bytes);

// Makes the renamed entry durable by syncing its folder.
void SyncParentFolder(const std::string& path);

}  // namespace nuko::fileio
