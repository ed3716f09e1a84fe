#include "nuko/file_filters.h"

#include "nuko/text.h"

namespace nuko {

std::vector<std::string> NameFilters(std::string_view filter) {
    std::vector<std::string> out;
    while (!filter.empty()) {
        std::size_t bar = filter.find('|');
        if (bar == std::string_view::npos) break;
        std::string_view label = filter.substr(0, bar);
        filter.remove_prefix(bar + 1);
        bar = filter.find('|');
        std::string_view patterns = filter.substr(0, bar);
        filter.remove_prefix(bar == std::string_view::npos ? filter.size() : bar + 1);
        if (label.empty()) break;  // "||" ends the list
        std::string joined;
        while (!patterns.empty()) {
            std::size_t semi = patterns.find(';');
            std::string_view one = text::TrimBlanks(patterns.substr(0, semi));
            if (!one.empty()) {
                if (!joined.empty()) joined += ' ';
                // "*.*" meant every file; here it would need a dot.
                joined += one == "*.*" ? std::string_view("*") : one;
            }
            if (semi == std::string_view::npos) break;
            patterns.remove_prefix(semi + 1);
        }
        out.push_back(std::string(label) + " (" + (joined.empty() ? std::string("*") : joined) + ")");
    }
    return out;
}

std::string JoinedNameFilters(std::string_view filter) {
    std::string out;
    for (const auto& f : NameFilters(filter)) {
        if (!out.empty()) out += ";;";
        out += f;
    }
    return out;
}

}  // namespace nuko
