#include "nuko/staged_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "nuko/fileio.h"

namespace nuko::fileio {
namespace {

std::error_code LastError() { return {errno ? errno : EIO, std::generic_category()}; }

}  // namespace

StagedFile::StagedFile(const std::string& target) : target_(target) {
    struct stat lst {};
    if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(target.c_str(), resolved)) target_ = resolved;
    }
    mode_t mode;
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error_ = std::make_error_code(S_ISDIR(st.st_mode) ? std::errc::is_a_directory
                                                              : std::errc::invalid_argument);
            return;
        }
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    fd_ = CreateTempBeside(target_, &temp_);
    if (fd_ < 0) {
        error_ = LastError();
        return;
    }
    ::fchmod(fd_, mode);
}

StagedFile::~StagedFile() { Discard(); }

void StagedFile::Discard() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(temp_.c_str());
    fd_ = -1;
}

std::error_code StagedFile::Write(std::string_view bytes) {
    if (fd_ < 0) return error_ ? error_ : std::make_error_code(std::errc::bad_file_descriptor);
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

std::error_code StagedFile::CopyFrom(int source, std::uint64_t offset, std::uint64_t length) {
    if (fd_ < 0) return error_ ? error_ : std::make_error_code(std::errc::bad_file_descriptor);
    constexpr std::size_t kBlock = std::size_t{8} << 20;
    auto in = static_cast<off_t>(offset);
    while (length > 0 && kernel_copy_) {
        ssize_t n = ::copy_file_range(source, &in, fd_, nullptr, std::min<std::uint64_t>(length, 1u << 30), 0);
        if (n > 0) {
            length -= static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) return std::make_error_code(std::errc::io_error);  // the source ended early
        if (errno == EINTR) continue;
        // File systems or kernels that cannot copy between these files:
        // the buffer does it, from where the kernel stopped.
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF) {
            kernel_copy_ = false;
            break;
        }
        return LastError();
    }
    if (length == 0) return {};
    std::unique_ptr<char[]> buf(new char[kBlock]);
    while (length > 0) {
        ssize_t n = ::pread(source, buf.get(), std::min<std::uint64_t>(length, kBlock), in);
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        if (n == 0) return std::make_error_code(std::errc::io_error);
        if (auto ec = Write(std::string_view(buf.get(), static_cast<std::size_t>(n)))) return ec;
        in += n;
        length -= static_cast<std::uint64_t>(n);
    }
    return {};
}

std::error_code StagedFile::Commit() {
    if (fd_ < 0) return error_ ? error_ : std::make_error_code(std::errc::bad_file_descriptor);
    std::error_code ec;
    if (::fsync(fd_) != 0) ec = LastError();
    if (!ec) {
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) ec = LastError();
        if (!ec && ::rename(temp_.c_str(), target_.c_str()) != 0) ec = LastError();
        if (ec) {
            ::unlink(temp_.c_str());
            return ec;
        }
        SyncParentFolder(target_);
        return {};
    }
    Discard();
    return ec;
}

std::error_code WriteInPieces(StagedFile& file, std::initializer_list<std::string_view> parts,
                              int pieces, const std::function<void(int)>& after_piece) {
    pieces = std::max(pieces, 1);
    std::size_t total = 0;
    for (auto p : parts) total += p.size();
    const std::size_t piece = total / static_cast<std::size_t>(pieces);
    auto part = parts.begin();
    std::size_t in_part = 0;
    for (int i = 0; i < pieces; ++i) {
        std::size_t want = (i == pieces - 1) ? SIZE_MAX : piece;
        while (want > 0 && part != parts.end()) {
            std::size_t n = std::min(want, part->size() - in_part);
            if (auto ec = file.Write(part->substr(in_part, n))) return ec;
            want -= n;
            in_part += n;
            if (in_part == part->size()) {
                ++part;
                in_part = 0;
            }
        }
        if (after_piece) after_piece(i);
    }
    return {};
}

std::optional<std::string> ReadFileInPieces(const std::string& path, int pieces,
                                            const std::function<void(int)>& after_piece,
                                            std::size_t max_bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > max_bytes) {
        ::close(fd);
        return std::nullopt;
    }
    pieces = std::max(pieces, 1);
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    const std::size_t piece = size / static_cast<std::size_t>(pieces);
    std::string data;
    data.resize(size);
    std::size_t done = 0;
    bool failed = false;
    for (int i = 0; i < pieces && !failed; ++i) {
        std::size_t end = (i == pieces - 1) ? size : done + piece;
        while (done < end) {
            ssize_t n = ::read(fd, data.data() + done, end - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                failed = true;
                break;
            }
            if (n == 0) break;  // the file shrank while it was read
            done += static_cast<std::size_t>(n);
        }
        if (after_piece && !failed) after_piece(i);
        if (done < end) break;
    }
    ::close(fd);
    if (failed) return std::nullopt;
    data.resize(done);
    return data;
}

}  // namespace nuko::fileio
