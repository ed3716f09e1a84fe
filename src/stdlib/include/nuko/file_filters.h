// File dialog filters of the string table ("text|patterns|text|patterns|",
// patterns separated by ";") turned into the name filters of Qt's file
// dialogs ("text (pattern pattern)").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nuko {

std::vector<std::string> NameFilters(std::string_view filter);
// The same, joined by ";;" as one filter text of QFileDialog's static calls.
std::string JoinedNameFilters(std::string_view filter);

}  // namespace nuko
