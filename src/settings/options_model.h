// The options sheet's model: a copy of the settings that the pages edit by
// section and key (and by part, for the packed values), checked as the file
// reader would check them; the sheet applies the copy in one step.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace nuko::settings {

class OptionsModel {
public:
    explicit OptionsModel(settings::Settings s) : s_(std::move(s)) {}

    const settings::Settings& settings() const { return s_; }
    settings::Settings& settings() { return s_; }

    // A key's value in its stored form; nullopt outside the model.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // False, and nothing changed, for text the key cannot take.
    bool Set(std::string_view section, std::string_view key, std::string_view text);

    // One comma-separated part of a packed value ("1,ff00,0" part 1 is
    // "ff00"); `rest` takes that part and every one after it, for a value
    // whose last part is a path that may hold commas.
    std::optional<std::string> GetPart(std::string_view section, std::string_view key, int index,
                                       bool rest = false) const;
    bool SetPart(std::string_view section, std::string_view key, int index, std::string_view text,
                 bool rest = false);

private:
    settings::Settings s_;
};

// The keys whose stored text differs between two settings, as
// "Section/Key" (the drive map as "Drives/X").
std::vector<std::string> ChangedKeys(const settings::Settings& a, const settings::Settings& b);

}  // namespace nuko::settings
