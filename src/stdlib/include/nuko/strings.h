// The program's string table, keyed by fixed string ids (some ids are
// computed as a base plus a media kind).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace nuko {

// The text of a string id; empty when the table has no such id.
std::string_view LoadString(int id);

// Replaces %1 ... %9 by the arguments; "%%" stays as it is, other "%" too.
std::string FormatString(std::string_view pattern, std::initializer_list<std::string_view> args);

inline std::string FormatMessage(int id, std::initializer_list<std::string_view> args = {}) {
    return FormatString(LoadString(id), args);
}

}  // namespace nuko
