#include "write_attacks.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace nuko::test {

namespace {

// The process's own mount namespace, made once: mounts made afterwards are
// seen by no one else and end with the process.
bool PrivateMounts(std::string* why) {
    static std::string failure = [] {
        if (::unshare(CLONE_NEWNS) != 0) return std::string("cannot make a mount namespace: ") + std::strerror(errno);
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("cannot make the mounts private: ") + std::strerror(errno);
        return std::string();
    }();
    *why = failure;
    return failure.empty();
}

}  // namespace

SmallTmpfs::SmallTmpfs(const std::string& folder, std::size_t bytes) : folder_(folder) {
    if (!PrivateMounts(&why_)) return;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        why_ = "cannot mount a tmpfs on " + folder + ": " + std::strerror(errno);
        return;
    }
    ok_ = true;
}

SmallTmpfs::~SmallTmpfs() {
    if (ok_) ::umount2(folder_.c_str(), MNT_DETACH);
}

bool SmallTmpfs::Fill(std::size_t leave) {
    const std::string filler = folder_ + "/.filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    static const char block[4096] = {};
    bool full = false;
    while (!full) {
        const ssize_t n = ::write(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != ENOSPC) {
            ::close(fd);
            return false;
        }
        full = n <= 0;
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    const off_t back = static_cast<off_t>(leave / 4096 * 4096);
    const bool ok = ::ftruncate(fd, size > back ? size - back : 0) == 0;
    ::close(fd);
    return ok;
}

int KillAtEveryStep(const std::function<void()>& action, const std::function<bool(int step)>& check,
                    int* failed_step) {
    *failed_step = -1;
    for (int step = 0;; ++step) {
        const pid_t pid = ::fork();
        if (pid < 0) return -1;
        if (pid == 0) {
            ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
            ::raise(SIGSTOP);
            action();
            ::_exit(0);
        }
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) return -1;
        ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
        // Each system call stops the child twice: as it enters and as it
        // returns. Other signals are handed on.
        bool ended = false;
        int stops = 0;
        int pending = 0;
        while (stops < step) {
            if (::ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(pending))) != 0) {
                ended = true;
                break;
            }
            pending = 0;
            if (::waitpid(pid, &status, 0) != pid || WIFEXITED(status) || WIFSIGNALED(status)) {
                ended = true;
                break;
            }
            if (WSTOPSIG(status) == (SIGTRAP | 0x80)) ++stops;
            else pending = WSTOPSIG(status);
        }
        if (!ended) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        if (!check(step)) {
            *failed_step = step;
            return -1;
        }
        if (ended) return step;
    }
}

}  // namespace nuko::test
