// The CD data converter's work: the CD title registration index (section
// "Cd\File" of the player's settings) copied to the section "CD_FILE" of an
// INI file (backup) and back (restore). The CD title files themselves are
// not touched.
#pragma once

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "nuko/strings.h"

namespace nuko::settings {
class SettingsStore;
}

namespace nuko::cdconvert {

enum class Mode { Restore = 0, Backup = 1 };

inline constexpr std::string_view kBackupSection = "CD_FILE";
inline constexpr std::string_view kIndexSection = "Cd\\File";
// The converter keeps the last file name in a settings file of its own,
// named after its program key, beside the player's.
inline constexpr std::string_view kOwnSettingsName = "NU-KOP32 CDConvert.ini";
inline constexpr std::string_view kOwnSection = "General";
inline constexpr std::string_view kFileNameKey = "FileName";

// The converter's own texts (ids overlap with the player's).
const StringTable& ConverterStrings();
inline std::string_view ConverterString(int id) { return ConverterStrings().Get(id); }

// True when an argument is "/save" in any case: backup is preselected.
bool HasSaveFlag(const std::vector<std::string>& args);

// Blanks cut at both ends; a text longer than 2 characters enclosed in
// double quotes loses them.
std::string CleanFileName(std::string_view text);

// Start is possible with a file name, in backup mode or when the named file
// exists.
bool StartEnabled(Mode mode, std::string_view file_name);

std::string OwnSettingsFile();
std::string RememberedFileName(const settings::SettingsStore& own);
std::error_code RememberFileName(settings::SettingsStore& own, std::string_view name);

// Every key of the file's "CD_FILE" section into the index. A file without
// the section restores nothing. `count` receives the number of keys.
std::error_code Restore(const std::string& file, settings::SettingsStore& store, std::size_t* count = nullptr);
// Every registration of the index into the file's "CD_FILE" section (other
// sections and keys of the file stay). Nothing is written when the index is
// empty.
std::error_code Backup(const settings::SettingsStore& store, const std::string& file, std::size_t* count = nullptr);

// Cleans the name up, remembers it and converts.
std::error_code Convert(Mode mode, std::string_view file_name, settings::SettingsStore& store,
                        settings::SettingsStore& own);

}  // namespace nuko::cdconvert
