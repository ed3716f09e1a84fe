// String tables keyed by fixed string ids (some ids are computed as a base
// plus a media kind). The program's table is resources/strings.tsv; a
// deliverable with texts of its own (the catalog converter, the CD data
// converter) keeps its own table, since ids overlap between deliverables.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nuko {

class StringTable {
public:
    // Lines "id<TAB>text"; "\n", "\t" and "\\" are escapes; "#" starts a
    // comment line.
    static StringTable FromTsv(std::string_view tsv);
    // The text of an id; empty when the table has none.
    std::string_view Get(int id) const;

private:
    std::vector<std::pair<int, std::string>> entries_;  // sorted by id
};

// The program's table.
const StringTable& ProgramStrings();
inline std::string_view LoadString(int id) { return ProgramStrings().Get(id); }

// Replaces %1 ... %9 by the arguments; other "%" stay as they are.
std::string FormatString(std::string_view pattern, std::initializer_list<std::string_view> args);

inline std::string FormatMessage(int id, std::initializer_list<std::string_view> args = {}) {
    return FormatString(LoadString(id), args);
}

}  // namespace nuko
