#include "cd_convert.h"

#include <span>

#include "cd/cd_title_db.h"
#include <nu_32std.h>
#include "nuko/files.h"
#include "nuko/ini.h"
#include "nuko/paths.h"
#include "nuko/text.h"
#include "settings/settings_store.h"

namespace nuko {
std::span<const unsigned char> EmbeddedCdConvertStrings();
}

namespace nuko::cdconvert {
namespace {

// Values keep their quotes and blanks through the profile rules of both files.
std::string Protect(std::string_view value) { return cd::StoredRegistrationValue(value); }

}  // namespace

const StringTable& ConverterStrings() {
    static const StringTable table = [] {
        auto b = EmbeddedCdConvertStrings();
        return StringTable::FromTsv(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
    }();
    return table;
}

bool HasSaveFlag(const std::vector<std::string>& args) {
    for (const auto& a : args)
        if (text::EqualsIgnoreAsciiCase(text::TrimBlanks(a), "/save")) return true;
    return false;
}

std::string CleanFileName(std::string_view t) {
    t = text::TrimBlanks(t);
    while (!t.empty() && (t.front() == '\r' || t.front() == '\n')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == '\r' || t.back() == '\n')) t.remove_suffix(1);
    t = text::TrimBlanks(t);
    if (t.size() > 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
    return std::string(t);
}

bool StartEnabled(Mode mode, std::string_view file_name) {
    std::string name = CleanFileName(file_name);
    if (name.empty()) return false;
    return mode == Mode::Backup || files::IsFileFound(name, true);
}

std::string OwnSettingsFile() { return folders::ConfigFolder() + std::string(kOwnSettingsName); }

std::string RememberedFileName(const settings::SettingsStore& own) {
    return own.ReadKey(kOwnSection, kFileNameKey).value_or(std::string());
}

std::error_code RememberFileName(settings::SettingsStore& own, std::string_view name) {
    return own.WriteKey(kOwnSection, kFileNameKey, Protect(name));
}

std::error_code Restore(const std::string& file, settings::SettingsStore& store, std::size_t* count) {
    std::error_code ec;
    ini::Document doc = ini::LoadFile(file, ini::Encoding::Legacy, &ec);
    if (ec) return ec;
    std::vector<std::pair<std::string, std::string>> values;
    for (auto& [key, value] : doc.Entries(kBackupSection)) values.emplace_back(key, Protect(value));
    if (count) *count = values.size();
    return store.WriteKeys(kIndexSection, values);
}

std::error_code Backup(const settings::SettingsStore& store, const std::string& file, std::size_t* count) {
    auto entries = store.ReadSection(kIndexSection);
    if (count) *count = entries.size();
    if (entries.empty()) return {};
    std::error_code ec;
    ini::Document doc = ini::LoadFile(file, ini::Encoding::Legacy, &ec);
    if (ec) return ec;  // never replace a file that could not be read
    for (const auto& [key, value] : entries)
        if (!doc.Set(kBackupSection, key, Protect(value))) return std::make_error_code(std::errc::invalid_argument);
    if (auto e = folders::EnsureFolder(path::SplitPath(file).folder)) return e;
    return ini::SaveFile(file, doc);
}

std::error_code Convert(Mode mode, std::string_view file_name, settings::SettingsStore& store,
                        settings::SettingsStore& own) {
    std::string name = CleanFileName(file_name);
    // Remembering the name is a convenience; its failure does not stop the work.
    (void)RememberFileName(own, name);
    return mode == Mode::Restore ? Restore(name, store) : Backup(store, name);
}

}  // namespace nuko::cdconvert
