// Parameter lists of WRD commands: "@NAME(a,b,...)". Scripts are
// hand-written and old, so the reading is forgiving: blanks are skipped,
// only a leading run of digits counts, an empty item keeps the command's
// default, and nothing a script holds can make a number overflow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace nuko::wrd {

// Largest number taken from a script; longer digit runs stop growing.
inline constexpr std::int64_t kNumberMax = 2147483647;
// Most items read from one list; the rest of a longer list is ignored.
inline constexpr std::size_t kItemsMax = 32;

// Position of the next "@" at or after `from`, stepping over double-byte
// characters (whose second byte may be an "@"); npos when none.
std::size_t FindCommandMark(std::string_view line, std::size_t from);

// The parameter text of a command whose name ends before `from`: the text
// after a "(" that comes before the next "@", up to the first ")" or the
// end of the line. nullopt when there is no such "(". `resume` receives the
// position after the ")" (or the line's end).
std::optional<std::string_view> ParameterText(std::string_view line, std::size_t from, std::size_t* resume);

// Items of a list split at `separator`, at most kItemsMax of them.
std::vector<std::string_view> SplitItems(std::string_view text, char separator);

// A number item: blanks skipped, then the leading decimal digits (no sign).
// nullopt when there are none.
std::optional<std::int64_t> ParseNumber(std::string_view item);

// Numbers of a list; a missing or empty item takes its default.
struct Numbers {
    std::vector<std::int64_t> values;
    std::vector<bool> given;
    std::int64_t operator[](std::size_t i) const { return values[i]; }
};
Numbers ParseNumbers(std::string_view text, char separator, std::initializer_list<std::int64_t> defaults);

// A colour item of @PAL: up to three hex digits weighing 256, 16 and 1 (a
// character that is no hex digit takes its place without adding). -1 for an
// empty item.
int ParseHexColor(std::string_view item);

}  // namespace nuko::wrd
