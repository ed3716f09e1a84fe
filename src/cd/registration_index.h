// Where the CD title database keeps its registration index: disc id ->
// 15-byte label, "... -> " and the CD title file's path. The player keeps
// it in its settings store (section "Cd\File").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace nuko::cd {

inline constexpr std::string_view kRegistrationSection = "Cd\\File";

class RegistrationIndex {
public:
    virtual ~RegistrationIndex() = default;
    virtual std::optional<std::string> ReadRegistration(std::string_view id) const = 0;
    // No value deletes the registration.
    virtual std::error_code WriteRegistration(std::string_view id, std::optional<std::string_view> value) = 0;
};

}  // namespace nuko::cd
