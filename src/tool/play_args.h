// Arguments shared by the subcommands that play: numbers and kind names.
#pragma once

#include <optional>
#include <string>

#include "library/media_kinds.h"

namespace nuko::tool {

// A non-negative decimal number of seconds filling the whole text (at most
// 10^7).
bool ParseNumber(const std::string& text, double* out);
// A non-negative whole number filling the whole text, at most `max`.
bool ParseWhole(const std::string& text, unsigned long max, unsigned long* out);
// "midi", "cd", "movie" or "sound".
std::optional<media::MediaKind> ParseKindName(const std::string& name);

}  // namespace nuko::tool
