// The settings store: the player's settings in one INI file
// ($XDG_CONFIG_HOME/NU-KO Application/NU-KO Player32.ini), sections and keys
// named as they always were. The main frame reads it once at start and writes
// it back at exit; the CD title registration index ("Cd\File") is read and
// written key by key by its owner.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "cd/registration_index.h"
#include "settings/settings.h"

namespace nuko::ini {
class Document;
}

namespace nuko::settings {

// Reads every setting from a document: missing or unreadable values take
// their defaults, and the reading rules of the store apply (Title_Bottom at
// least 10, Interval at least 10 ms, flags 0 or 1, packed values whole or
// not at all).
Settings ReadSettings(const ini::Document& doc, const std::string& program_folder);

// Writes every setting of the model into a document, keeping its other
// sections and keys.
void WriteSettings(const Settings& s, ini::Document& doc);

// The value the player would use for one key, formatted as stored; nullopt
// for a key outside the model.
std::optional<std::string> FormatSetting(const Settings& s, std::string_view section,
                                         std::string_view key);

// Sets one key of the model from text in its stored form, with the reading
// rules of the store; false (and nothing changed) for text that does not
// parse or a key outside the model.
bool ParseSetting(Settings& s, std::string_view section, std::string_view key, std::string_view value);

class SettingsStore final : public cd::RegistrationIndex {
public:
    explicit SettingsStore(std::string path);

    const std::string& path() const { return path_; }

    // Reads every setting. A missing, unreadable or damaged file (not UTF-8,
    // NUL bytes) gives the defaults, and the file is left as it is.
    Settings ReadAll();

    // Writes every setting. The file is replaced atomically; keys outside the
    // model (the CD registration index, keys of newer versions) are kept. A
    // damaged file is kept beside the new one as "<name>.damaged" and a
    // complete new file is written; a file that cannot be read is left as
    // it is and the write fails.
    std::error_code WriteAll(const Settings& s);

    // Writes the model's keys of one section and of the sections below it
    // ("Catalog" also writes "Catalog\Sort"), for a tool that keeps its
    // settings when its dialog closes. Refused while the file is damaged.
    std::error_code WriteSection(const Settings& s, std::string_view section);

    // Single keys of sections that their owners keep outside the model.
    std::optional<std::string> ReadKey(std::string_view section, std::string_view key) const;
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;
    // No value deletes the key. Refused while the file is damaged.
    std::error_code WriteKey(std::string_view section, std::string_view key,
                             std::optional<std::string_view> value);
    std::error_code RemoveSection(std::string_view section);
    // Many keys of one section in one write (a restored registration index).
    std::error_code WriteKeys(std::string_view section,
                              const std::vector<std::pair<std::string, std::string>>& values);

    // The CD title database's registration index (section "Cd\File").
    std::optional<std::string> ReadRegistration(std::string_view id) const override {
        return ReadKey(cd::kRegistrationSection, id);
    }
    std::error_code WriteRegistration(std::string_view id, std::optional<std::string_view> value) override {
        return WriteKey(cd::kRegistrationSection, id, value);
    }

    // The last read found a file that could not be used.
    bool damaged() const { return damaged_; }

private:
    enum class FileState { Missing, Good, Damaged };
    FileState Load(ini::Document& doc) const;
    FileState LoadBytes(std::string& bytes) const;

    std::string path_;
    bool damaged_ = false;
};

}  // namespace nuko::settings
