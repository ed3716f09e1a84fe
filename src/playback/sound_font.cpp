#include "sound_font.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace nuko::playback {
namespace {

// The GS font holds only what it adds to the GM one: variation tones and
// the SFX kit.
const char* const kGsFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GS.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};
const char* const kGmFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

bool IsReadableFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasFontExtension(std::string_view name) {
    if (name.size() < 4) return false;
    std::string ext(name.substr(name.size() - 4));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".sf2" || ext == ".sf3";
}

// The same file reached by two names counts once.
void AddOnce(std::vector<std::string>& fonts, const std::string& path) {
    if (!IsReadableFile(path)) return;
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(path, ec).string();
    for (const auto& f : fonts) {
        std::error_code ec2;
        if (f == path || (!ec && std::filesystem::weakly_canonical(f, ec2).string() == canonical)) return;
    }
    fonts.push_back(path);
}

}  // namespace

std::vector<std::string> DefaultSoundFonts() {
    std::vector<std::string> fonts;
    if (IsReadableFile(kGsFonts[1])) {
        for (const char* f : kGsFonts) AddOnce(fonts, f);
        return fonts;
    }
    for (const char* f : kGmFonts)
        if (IsReadableFile(f)) return {f};
    return fonts;
}

std::vector<std::string> SoundFontsForSong(const std::string& song_path, const std::vector<std::string>& chain) {
    std::vector<std::string> fonts;
    std::filesystem::path song(song_path);
    if (!song_path.empty()) {
        std::filesystem::path stem = song;
        for (const char* ext : {".sf2", ".sf3", ".SF2", ".SF3"}) AddOnce(fonts, stem.replace_extension(ext).string());
        std::vector<std::string> folder;
        std::error_code ec;
        std::filesystem::path dir = song.has_parent_path() ? song.parent_path() : std::filesystem::path(".");
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (HasFontExtension(name)) folder.push_back(it->path().string());
        }
        std::sort(folder.begin(), folder.end());
        for (const auto& f : folder) AddOnce(fonts, f);
    }
    bool any = false;
    for (const auto& f : chain) {
        any = any || IsReadableFile(f);
        AddOnce(fonts, f);
    }
    if (!any)
        for (const auto& f : DefaultSoundFonts()) AddOnce(fonts, f);
    return fonts;
}

std::string FindSoundFont(const std::vector<std::string>& chain) {
    for (const auto& f : chain)
        if (IsReadableFile(f)) return f;
    auto defaults = DefaultSoundFonts();
    return defaults.empty() ? std::string() : defaults.back();
}

}  // namespace nuko::playback
