#include "sound_font.h"

#include <sys/stat.h>

namespace nuko::playback {
namespace {

const char* const kSystemSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

bool IsReadableFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string FindSoundFont(const std::string& setting) {
    if (IsReadableFile(setting)) return setting;
    for (const char* font : kSystemSoundFonts)
        if (IsReadableFile(font)) return font;
    return {};
}

}  // namespace nuko::playback
