#include "settings/options_model.h"

#include "settings/settings_store.h"
#include "nuko/ini.h"

namespace nuko::settings {

namespace {

std::vector<std::string> SplitParts(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

std::string Join(const std::vector<std::string>& parts, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) {
        if (i > from) out += ',';
        out += parts[i];
    }
    return out;
}

}  // namespace

std::optional<std::string> OptionsModel::Get(std::string_view section, std::string_view key) const {
    return settings::FormatSetting(s_, section, key);
}

bool OptionsModel::Set(std::string_view section, std::string_view key, std::string_view text) {
    return settings::ParseSetting(s_, section, key, text);
}

std::optional<std::string> OptionsModel::GetPart(std::string_view section, std::string_view key, int index,
                                                 bool rest) const {
    const auto value = Get(section, key);
    if (!value || index < 0) return std::nullopt;
    const auto parts = SplitParts(*value);
    const auto i = static_cast<std::size_t>(index);
    if (i >= parts.size()) return std::nullopt;
    return rest ? Join(parts, i, parts.size()) : parts[i];
}

bool OptionsModel::SetPart(std::string_view section, std::string_view key, int index, std::string_view text,
                           bool rest) {
    const auto value = Get(section, key);
    if (!value || index < 0) return false;
    auto parts = SplitParts(*value);
    const auto i = static_cast<std::size_t>(index);
    if (i >= parts.size()) return false;
    if (rest) parts.resize(i + 1);
    else if (text.find(',') != std::string_view::npos) return false;  // would shift the parts after it
    parts[i] = std::string(text);
    return Set(section, key, Join(parts, 0, parts.size()));
}

std::vector<std::string> ChangedKeys(const settings::Settings& a, const settings::Settings& b) {
    ini::Document da(ini::Encoding::Utf8), db(ini::Encoding::Utf8);
    settings::WriteSettings(a, da);
    settings::WriteSettings(b, db);
    std::vector<std::string> changed;
    for (const std::string& section : da.Sections()) {
        for (const auto& [key, value] : da.Entries(section))
            if (db.Get(section, key) != std::optional<std::string>(value)) changed.push_back(section + "/" + key);
        for (const auto& [key, value] : db.Entries(section))
            if (!da.Get(section, key)) changed.push_back(section + "/" + key);
    }
    for (const std::string& section : db.Sections())
        if (da.Entries(section).empty())
            for (const auto& [key, value] : db.Entries(section)) changed.push_back(section + "/" + key);
    return changed;
}

}  // namespace nuko::settings
