// What a file writer meets on real machines, made to order: a disk that is
// full, and a writer killed in the middle of its write.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace nuko::test {

// A tmpfs of `bytes` mounted on `folder` (which must exist) for the life of
// the object. The mount lives in a mount namespace of this process's own,
// made on first use, so that no other process sees it and it goes with the
// process however the test ends. ok() is false, with why(), where the
// process may not mount (no root, or threads running already).
class SmallTmpfs {
public:
    SmallTmpfs(const std::string& folder, std::size_t bytes);
    ~SmallTmpfs();
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool ok() const { return ok_; }
    const std::string& why() const { return why_; }
    // Fills the file system with a file of its own until nothing is left,
    // then gives `leave` bytes back (rounded down to whole pages); false
    // when the filling failed otherwise.
    bool Fill(std::size_t leave = 0);

private:
    std::string folder_;
    bool ok_ = false;
    std::string why_;
};

// Runs `action` in child processes, each killed with SIGKILL at another
// step of the system calls it makes: the first child as it enters its first
// call, the next as that call returns, the next as it enters its second,
// and so on, until a child ends by itself. After each child `check(step)`
// says whether what it left is sound. Returns the number of children that
// were killed (the steps tried); -1 when a child could not be traced, or the
// first step whose check failed is in `failed_step`.
int KillAtEveryStep(const std::function<void()>& action, const std::function<bool(int step)>& check,
                    int* failed_step);

}  // namespace nuko::test
