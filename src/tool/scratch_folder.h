// A private temporary folder for one run of a command, removed with what is
// left in it.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "nuko/files.h"

namespace nuko::tool {

class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/nu_kotool-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern + "/";
    }
    ~ScratchFolder() {
        if (path_.empty()) return;
        files::DeleteFilesIn(path_);
        ::rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace nuko::tool
