#include "nuko/fileio.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "nuko/paths.h"

namespace nuko::fileio {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

}  // namespace

bool WriteAllTo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::optional<std::string> ReadFile(const std::string& path, std::size_t max_bytes,
                                    std::error_code* ec) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (ec) *ec = LastError();
        return std::nullopt;
    }
    FdCloser closer(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (ec) *ec = S_ISDIR(st.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                          : std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    std::string data;
    std::size_t want = std::min<std::size_t>(static_cast<std::size_t>(st.st_size), max_bytes);
    data.reserve(want);
    char buf[65536];
    while (data.size() < max_bytes) {
        std::size_t chunk = std::min(sizeof buf, max_bytes - data.size());
        ssize_t n = ::read(fd, buf, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (ec) *ec = LastError();
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    if (ec) ec->clear();
    return data;
}

int CreateTempBeside(const std::string& target, std::string* temp_name) {
    auto split = path::SplitPath(target);
    std::string pattern = split.folder + "." + split.name + ".XXXXXX";
    std::string buf = pattern;
    int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd >= 0 && temp_name) *temp_name = buf;
    return fd;
}

void SyncParentFolder(const std::string& path) {
    std::string folder = path::SplitPath(path).folder;
    if (folder.empty()) folder = ".";
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

namespace {

// The file a write to `path` lands in: a symbolic link (a settings file or
// catalog kept elsewhere, say) is written through, also when its target
// does not exist yet, so the rename never puts a plain file in the link's
// place. A chain of links is followed up to a bound; nullopt for a loop.
std::optional<std::string> WriteTarget(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat lst {};
        if (::lstat(target.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) return target;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), link, sizeof link - 1);
        if (n <= 0) return target;
        std::string next(link, static_cast<std::size_t>(n));
        if (next.front() != '/') next = path::SplitPath(target).folder + next;
        target = std::move(next);
    }
    return std::nullopt;
}

}  // namespace

std::error_code WriteFileAtomic(const std::string& path, std::string_view bytes) {
    const std::optional<std::string> through = WriteTarget(path);
    if (!through) return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    const std::string& target = *through;
    mode_t mode;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        // A folder, a pipe or a device is never replaced by a file.
        if (!S_ISREG(st.st_mode))
            return std::make_error_code(S_ISDIR(st.st_mode) ? std::errc::is_a_directory
                                                            : std::errc::invalid_argument);
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string temp;
    int fd = CreateTempBeside(target, &temp);
    if (fd < 0) return LastError();
    FdCloser closer(fd);
    if (::fchmod(fd, mode) != 0 || !WriteAllTo(fd, bytes) || ::fsync(fd) != 0) {
        std::error_code ec = LastError();
        ::unlink(temp.c_str());
        return ec;
    }
    if (::close(closer.release()) != 0) {
        std::error_code ec = LastError();
        ::unlink(temp.c_str());
        return ec;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        std::error_code ec = LastError();
        ::unlink(temp.c_str());
        return ec;
    }
    SyncParentFolder(target);
    return {};
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ >= 0) size_ = static_cast<std::uint64_t>(st.st_size);
}

ReadOnlyFile::~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string ReadOnlyFile::Read(std::uint64_t offset, std::size_t count) const {
    std::string out;
    if (fd_ < 0 || offset >= size_) return out;
    out.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset)));
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return out;
}

}  // namespace nuko::fileio
