// Whole-file reads and writes in pieces, for conversions that report
// progress while they copy large files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace nuko::fileio {

// A file written under a temporary name beside its target and renamed over
// the target by Commit(), so that a failed write never leaves a half file
// under the target's name. Without Commit() the temporary file is removed.
// A target that is a symbolic link has the link's target replaced; an
// existing target that is not a regular file (a folder, a device) is
// refused. An existing target keeps its permissions.
class StagedFile {
public:
    explicit StagedFile(const std::string& target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // False when the temporary file could not be created (error() says why).
    bool ok() const { return fd_ >= 0; }
    std::error_code error() const { return error_; }

    std::error_code Write(std::string_view bytes);
    // Appends `length` bytes of the open file `source` from `offset`,
    // in the kernel where the file systems allow (copy_file_range), else
    // through a buffer of a few megabytes; never the whole file in memory.
    // A source that ends early is an error (EIO).
    std::error_code CopyFrom(int source, std::uint64_t offset, std::uint64_t length);
    // Flushes the file to disk and renames it over the target.
    std::error_code Commit();

private:
    void Discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    std::error_code error_;
    bool kernel_copy_ = true;
};

// Writes the concatenation of `parts` in `pieces` parts of total / pieces
// bytes (the last takes the rest) and calls after_piece(i) after piece i
// (0-based). Stops at the first error and returns it.
std::error_code WriteInPieces(StagedFile& file, std::initializer_list<std::string_view> parts,
                              int pieces, const std::function<void(int)>& after_piece);

// Reads a whole regular file in `pieces` parts of size / pieces bytes (the
// last takes the rest), calling after_piece(i) after piece i when given.
// nullopt when the path cannot be opened or read, is not a regular file, or
// holds more than max_bytes (nothing is ever cut short silently).
std::optional<std::string> ReadFileInPieces(const std::string& path, int pieces,
                                            const std::function<void(int)>& after_piece,
                                            std::size_t max_bytes);

}  // namespace nuko::fileio
