#include "test_support.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace nuko::test {

bool RequireTestTools() {
#ifdef NUKO_REQUIRE_TEST_TOOLS
    return true;
#else
    return false;
#endif
}

const char* MissingText(Missing what) {
    switch (what) {
    case Missing::CdDrive: return "a CD drive";
    case Missing::AlsaSequencer: return "the ALSA sequencer (/dev/snd/seq)";
    }
    return "?";
}

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

std::string HexBytes(std::string_view hex) {
    std::string out;
    int digits = 0;
    unsigned value = 0;
    for (char c : hex) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d >= 0) {
            value = value * 16 + static_cast<unsigned>(d);
            ++digits;
        }
        if (digits > 0 && (d < 0 || digits == 2)) {
            out.push_back(static_cast<char>(value));
            digits = 0;
            value = 0;
        }
    }
    if (digits > 0) out.push_back(static_cast<char>(value));
    return out;
}

std::string CorpusDir() {
    std::error_code ec;
    if (!std::filesystem::is_directory(NUKO_CORPUS_DIR, ec)) return {};
    std::string dir = NUKO_CORPUS_DIR;
    if (dir.back() != '/') dir += '/';
    return dir;
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
    else ::unsetenv(name_.c_str());
}

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit, std::chrono::milliseconds step) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(step);
    }
    return done();
}

namespace {

constexpr auto kProgramLimit = std::chrono::minutes(5);

// Exit code of a wait status: -1 when a signal ended the child.
int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Forks and executes; in the child, `out_fd` (when >= 0) becomes standard
// output. The environment is built here, before the fork: the child of a
// threaded process may only call async-signal-safe functions.
pid_t Spawn(const std::vector<std::string>& argv, const ProgramOptions& options, int out_fd, int close_fd) {
    if (argv.empty()) return -1;
    std::vector<std::string> env_strings;
    for (char** e = environ; *e; ++e) {
        std::string_view entry(*e);
        bool replaced = false;
        for (const auto& [name, value] : options.env)
            replaced = replaced || (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=');
        if (!replaced) env_strings.emplace_back(entry);
    }
    for (const auto& [name, value] : options.env) env_strings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& e : env_strings) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int file_fd = -1;
    if (!options.output_file.empty()) {
        file_fd = ::open(options.output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (file_fd < 0) return -1;
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        if (close_fd >= 0) ::close(close_fd);
        if (file_fd >= 0) {
            ::dup2(file_fd, 1);
            ::dup2(file_fd, 2);
        }
        if (out_fd >= 0) ::dup2(out_fd, 1);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    if (file_fd >= 0) ::close(file_fd);
    return pid;
}

}  // namespace

std::optional<bool> RunInChild(const std::function<bool()>& f, std::chrono::milliseconds limit) {
    pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) ::_exit(f() ? 1 : 0);
    std::optional<int> code = WaitProgram(pid, limit);
    if (!code || *code < 0 || *code > 1) return std::nullopt;
    return *code == 1;
}

bool AsUnprivilegedUser(const std::string& dir, const std::function<bool()>& f) {
    if (::geteuid() != 0) return f();
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
    // A child that cannot drop its rights ends by abort, which reads as "did
    // not run" rather than as either answer.
    std::optional<bool> result = RunInChild([&] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::abort();
        return f();
    });
    if (!result) {
        ADD_FAILURE() << "the unprivileged child did not run";
        return false;
    }
    return *result;
}

std::string ProgramDir() { return std::string(NUKO_PROGRAM_DIR) + "/"; }

std::string KoTool() { return ProgramDir() + "nu_kotool"; }

pid_t StartProgram(const std::vector<std::string>& argv, const ProgramOptions& options) {
    return Spawn(argv, options, -1, -1);
}

std::optional<int> WaitProgram(pid_t pid, std::chrono::milliseconds limit) {
    if (pid <= 0) return -1;
    int status = 0;
    auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return ExitCode(status);
        if (r < 0) return -1;
        if (std::chrono::steady_clock::now() >= end) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return std::nullopt;
}

void StopProgram(pid_t pid, int signal) {
    if (pid <= 0) return;
    ::kill(pid, signal);
    WaitProgram(pid, std::chrono::seconds(20));
}

int RunProgram(const std::vector<std::string>& argv, std::string* out, const ProgramOptions& options) {
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) return -1;
    pid_t pid = Spawn(argv, options, pipefd[1], pipefd[0]);
    ::close(pipefd[1]);
    if (pid < 0) {
        ::close(pipefd[0]);
        return -1;
    }
    std::string data;
    char buf[4096];
    auto end = std::chrono::steady_clock::now() + kProgramLimit;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{pipefd[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000))) < 0 && errno != EINTR) break;
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t n = ::read(pipefd[0], buf, sizeof buf);
        if (n <= 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(pipefd[0]);
    if (out) *out = data;
    std::optional<int> code = WaitProgram(pid, std::chrono::seconds(30));
    if (!code) ADD_FAILURE() << argv[0] << " did not end and was killed";
    return code.value_or(-1);
}

}  // namespace nuko::test
