// Helpers shared by the tests: temporary folders, file bytes, the corpus of
// real files.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace nuko::test {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }  // ends in "/"
    std::string File(std::string_view name) const { return path_ + std::string(name); }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, std::string_view bytes);
// The names of a folder's entries ("." and ".." left out); empty when it
// cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);
std::string ReadBytes(const std::string& path);
// Bytes written as hexadecimal pairs apart: "F0 41 10 ... F7".
std::string HexBytes(std::string_view hex);

// The folder of real files (ends in "/"), or empty when it is absent.
std::string CorpusDir();
// The corpus file's path. A build configured without a corpus on purpose
// (-DNUKO_CORPUS_DIR=) skips the calling test; a configured folder that is
// missing fails it, so that a lost corpus cannot pass as a green run.
#define NUKO_CORPUS_FILE(var, rel)                                                          \
    std::string var = ::nuko::test::CorpusDir();                                            \
    if (var.empty()) {                                                                      \
        if (std::string_view(NUKO_CORPUS_DIR).empty()) GTEST_SKIP() << "built without a corpus"; \
        GTEST_FAIL() << "corpus folder missing: " << NUKO_CORPUS_DIR                        \
                     << " (configure with -DNUKO_CORPUS_DIR= to run without it)";          \
    }                                                                                       \
    var += rel

// A tool of the test set-up (a program such as Xvfb or ffmpeg, a server
// the test starts, a library it loads) is missing or did not start. Built
// with NUKO_REQUIRE_TEST_TOOLS (./kop test, CI) the test fails with the
// reason, so a broken install step cannot turn a suite into skips; else it
// skips, saying why. `condition` is evaluated before `why` is read.
bool RequireTestTools();
#define NUKO_REQUIRE_TOOL(condition, why)                                          \
    if (condition) {                                                               \
    } else if (::nuko::test::RequireTestTools())                                   \
        GTEST_FAIL() << "a test tool is missing or did not start: " << (why);      \
    else                                                                           \
        GTEST_SKIP() << (why) << " (skipped: built without NUKO_REQUIRE_TEST_TOOLS)"

// The only reasons a test may skip on every build: what the machines that
// run the tests never have.
enum class Missing {
    CdDrive,        // a drive with a disc, and the kernel's CD-ROM driver
    AlsaSequencer,  // /dev/snd/seq
};
const char* MissingText(Missing what);
#define NUKO_SKIP_WITHOUT(what) GTEST_SKIP() << "not on this machine: " << ::nuko::test::MissingText(what)

// Sets an environment variable for the life of the object, then puts back
// what was there before (or its absence), also when a failed ASSERT leaves
// the test early.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Calls `done` until it holds or `limit` has passed; whether it held.
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds step = std::chrono::milliseconds(20));

// Runs `f` in a forked child process and returns what it returned; nullopt
// when the child died otherwise or outlived `limit` (it is then killed).
std::optional<bool> RunInChild(const std::function<bool()>& f,
                               std::chrono::milliseconds limit = std::chrono::minutes(2));

// Runs `f` in a child process that, when this process is root, first
// becomes the user "nobody" (the folder `dir` is opened to it); returns what
// `f` returned. Lets permission tests mean something when run as root.
bool AsUnprivilegedUser(const std::string& dir, const std::function<bool()>& f);

// The folder holding the built programs and libraries.
std::string ProgramDir();
// The command-line tool of this build.
std::string KoTool();

// How a child program starts: variables set in its environment (on top of
// this process's), and a file that takes its standard output and error.
struct ProgramOptions {
    std::vector<std::pair<std::string, std::string>> env;
    std::string output_file;
};

// Starts a program from an argument vector (a bare name is looked up on
// PATH); its pid, or -1.
pid_t StartProgram(const std::vector<std::string>& argv, const ProgramOptions& options = {});

// Waits up to `limit` for the child to end: its exit code, -1 when a signal
// ended it, nullopt when it still ran (it is then killed and reaped).
std::optional<int> WaitProgram(pid_t pid, std::chrono::milliseconds limit);

// Sends `signal` and waits for the child to end; kills it when it has not
// ended within a generous time.
void StopProgram(pid_t pid, int signal);

// Runs a program to its end and returns its exit code (-1 when a signal
// ended it or it could not start), with standard output in `out`.
int RunProgram(const std::vector<std::string>& argv, std::string* out, const ProgramOptions& options = {});

}  // namespace nuko::test
