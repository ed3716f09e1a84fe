// Helpers shared by the tests: temporary folders, file bytes, the corpus of
// real files.
#pragma once

#include <functional>
#include <string>
#include <string_view>
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

// The folder of real files (ends in "/"), or empty when it is absent.
std::string CorpusDir();
// The corpus file's path; the calling test is skipped when it is absent.
#define NUKO_CORPUS_FILE(var, rel)                                              \
    std::string var = ::nuko::test::CorpusDir();                                \
    if (var.empty()) GTEST_SKIP() << "corpus folder absent: " << NUKO_CORPUS_DIR; \
    var += rel

// Runs `f` in a child process that, when this process is root, first
// becomes the user "nobody" (the folder `dir` is opened to it); returns what
// `f` returned. Lets permission tests mean something when run as root.
bool AsUnprivilegedUser(const std::string& dir, const std::function<bool()>& f);

// The folder holding the built programs and libraries.
std::string ProgramDir();

// Runs a program from an argument vector and returns its exit code, with
// standard output in `out`.
int RunProgram(const std::vector<std::string>& argv, std::string* out);

}  // namespace nuko::test
