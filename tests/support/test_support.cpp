#include "test_support.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace nuko::test {

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "nuko-test-XXXXXX").string();
    char* made = ::mkdtemp(tmpl.data());
    if (!made) std::abort();
    path_ = std::string(made) + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    // Folders a test made read-only must be writable again to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) ADD_FAILURE() << "cannot write " << path;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string CorpusDir() {
    std::error_code ec;
    if (!std::filesystem::is_directory(NUKO_CORPUS_DIR, ec)) return {};
    std::string dir = NUKO_CORPUS_DIR;
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool AsUnprivilegedUser(const std::string& dir, const std::function<bool()>& f) {
    if (::geteuid() != 0) return f();
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        ::_exit(f() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        ADD_FAILURE() << "the unprivileged child did not run";
        return false;
    }
    return WEXITSTATUS(status) == 1;
}

std::string ProgramDir() { return std::string(NUKO_PROGRAM_DIR) + "/"; }

int RunProgram(const std::vector<std::string>& argv, std::string* out) {
    int pipefd[2];
    if (::pipe(pipefd) != 0) return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipefd[1], 1);
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipefd[1]);
    std::string data;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(pipefd[0], buf, sizeof buf)) > 0) data.append(buf, static_cast<std::size_t>(n));
    ::close(pipefd[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (out) *out = data;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace nuko::test
