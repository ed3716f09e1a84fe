// The subcommands of nu_kotool. Each takes the arguments after its name and
// returns the process exit code.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nuko::cd {
class DiscSource;
}

namespace nuko::tool {

using Args = std::vector<std::string>;

// The kind a "--kind" argument of a file list names: midi 0, movie 2,
// sound 3; -1 for anything else.
inline int FileKindArgument(const std::string& name) {
    return name == "midi" ? 0 : name == "movie" ? 2 : name == "sound" ? 3 : -1;
}

// Opens a drive or disc image, or says on standard error why it cannot
// (cd_commands.cpp).
std::unique_ptr<cd::DiscSource> OpenDiscOrSay(const std::string& source);

struct Command {
    const char* name;
    const char* usage;  // shown by "nu_kotool help"
    int (*run)(const Args& args);
};

int RunVersion(const Args& args);
int RunLongPath(const Args& args);
int RunMediaType(const Args& args);
int RunTitle(const Args& args);
int RunMp3Wrap(const Args& args);
int RunRmpCut(const Args& args);
int RunMacCut(const Args& args);
int RunSettings(const Args& args);
int RunCatalog(const Args& args);
int RunScan(const Args& args);
int RunCatConvert(const Args& args);
int RunWrdPic(const Args& args);
int RunPlay(const Args& args);
int RunPlaylist(const Args& args);
int RunProbe(const Args& args);
int RunWrd(const Args& args);
int RunLyrics(const Args& args);
int RunDiscId(const Args& args);
int RunCdTitle(const Args& args);
int RunMixer(const Args& args);
int RunRcp2Mid(const Args& args);
int RunArchive(const Args& args);
int RunMidiInfo(const Args& args);
int RunRender(const Args& args);

}  // namespace nuko::tool
