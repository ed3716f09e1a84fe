#include "device_types.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <vector>

#include "cd/disc_toc.h"
#include "library/lzh_archive.h"
#include "backend_module.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"
#include "rcpcv_binding.h"
#include "sound_font.h"

namespace nuko::playback {
namespace {

bool IsOneOf(std::string_view ext, std::initializer_list<std::string_view> list) {
    for (auto e : list)
        if (e == ext) return true;
    return false;
}

// A library is usable when it loads and has every function its binding
// looks up.
bool LibraryUsable(const std::string& file, const std::vector<const char*>& symbols) {
    void* lib = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!lib) return false;
    bool all = true;
    for (const char* s : symbols) all = all && ::dlsym(lib, s) != nullptr;
    ::dlclose(lib);
    return all;
}

bool IsFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

DeviceType LookupDeviceType(std::string_view extension, const PlatformFacts& facts, bool active_movie) {
    std::string ext = text::AsciiLowered(extension);
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    DeviceType t;
    if (ext == "cda") {
        t.name = kCdAudioType;
        t.backend = BackendType::Disc;
        t.driver = true;  // images play without a drive
        t.usable = !facts.cd_drives.empty();
    } else if (IsOneOf(ext, {"mid", "rmi"})) {
        t.name = kSequencerType;
        t.backend = BackendType::Sequencer;
        t.driver = t.usable = !facts.sound_font.empty();
    } else if (IsOneOf(ext, {"wav", "mp3", "rmp", "aif", "aiff", "asf", "wma", "wmv", "abs"})) {
        t.name = kMpvType;
        t.backend = BackendType::Mpv;
        t.driver = t.usable = facts.mpv;
        t.universal = facts.mpv;
    } else if (IsOneOf(ext, {"avi", "mov", "qt", "mpg", "mpe", "mpeg", "dat"})) {
        t.name = kMpvType;
        t.backend = BackendType::Mpv;
        t.driver = t.usable = facts.mpv;
        t.universal = facts.mpv && active_movie;
    } else if (IsRcpExtension(ext) && facts.rcp_converter) {
        // The sequencer plays them through the converter library.
        t.name = kSequencerType;
        t.backend = BackendType::Sequencer;
        t.driver = t.usable = !facts.sound_font.empty();
    }
    // Anything else (the RCP family without the converter, WRD scripts,
    // catalogs, archives) has no device.
    return t;
}

PlatformFacts GatherPlatformFacts(const std::vector<std::string>& sound_fonts, const std::string& program_folder) {
    PlatformFacts f;
    f.sound_font = FindSoundFont(sound_fonts);
    // The module's presence, not libmpv itself: loading libmpv here would
    // cost every start-up what only playing needs. A module that is there
    // but does not load fails its opens with its own message.
    f.mpv = IsFile(program_folder + kMpvModuleFile);
    f.cd_drives = cd::ListCdDrives();
    f.outputs = DetectAudioOutputs();
    f.rcp_converter = LibraryUsable(program_folder + kRcpcvLibraryFile,
                                    {"rcpcvConvertFile", "rcpcvGetSMF", "rcpcvGetSMFLength", "rcpcvDeleteObject",
                                     "rcpcvGetVersionMajor", "rcpcvGetVersionMinor"});
    f.smf_converter = LibraryUsable(program_folder + "libsmfk32.so", {"GetSmfkVersion", "SmfkConvert"});
    f.archive_library = LibraryUsable(media::kLhasaLibraryFile,
                                      {media::kLhasaFunctions.begin(), media::kLhasaFunctions.end()});
    return f;
}

ProbeResult BuildProbe(const PlatformFacts& facts, bool active_movie) {
    ProbeResult r;
    // One line per type, each beginning with its extension.
    for (int id = strings::kFirstDriverLine; id <= strings::kLastDriverLine; ++id) {
        std::string line(LoadString(id));
        if (line.size() < 3) continue;
        DeviceType t = LookupDeviceType(line.substr(0, 3), facts, active_movie);
        const bool rcp = id == strings::kRcpDriverLine || id == strings::kR36DriverLine;
        if (t.usable) {
            if (id == strings::kMp3DriverLine && !facts.mpv) (line += ' ') += LoadString(strings::kNetShowUsed);
            if (rcp) (line += ' ') += LoadString(strings::kRcpConverterUsed);
            r.playable.push_back(line);
        } else if (rcp && facts.rcp_converter) {
            (line += ' ') += LoadString(strings::kRcpConverterUsed);
            r.playable.push_back(line);
        } else {
            r.need_driver.push_back(line);
        }
    }
    if (!facts.outputs.Any()) r.playable.emplace_back(LoadString(strings::kNoSoundOutput));
    if (r.need_driver.empty()) {
        r.all_playable = true;
        r.need_driver.emplace_back(LoadString(strings::kAllMediaPlayable));
    }
    const bool present[] = {facts.smf_converter, facts.rcp_converter, facts.archive_library};
    for (int i = 0; i < 3; ++i) {
        std::string line(LoadString(strings::kFirstToolName + i));
        line += "\t";
        line += LoadString(present[i] ? strings::kFirstToolUsable + i : strings::kToolMissing);
        r.tools.push_back(std::move(line));
    }
    return r;
}

}  // namespace nuko::playback
