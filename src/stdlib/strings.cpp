#include "nuko/strings.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <utility>
#include <vector>

namespace nuko {

// Bytes of resources/strings.tsv, embedded at build time.
std::span<const unsigned char> EmbeddedStringTable();

namespace {

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            if (n == 'n') out += '\n';
            else if (n == 't') out += '\t';
            else out += n;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

StringTable StringTable::FromTsv(std::string_view all) {
    StringTable t;
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = all.find('\n', pos);
        if (end == std::string_view::npos) end = all.size();
        std::string_view line = all.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) continue;
        int id = 0;
        auto [p, ec] = std::from_chars(line.data(), line.data() + tab, id);
        if (ec != std::errc() || p != line.data() + tab) continue;
        t.entries_.emplace_back(id, Unescape(line.substr(tab + 1)));
    }
    std::stable_sort(t.entries_.begin(), t.entries_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return t;
}

std::string_view StringTable::Get(int id) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                               [](const auto& entry, int v) { return entry.first < v; });
    if (it == entries_.end() || it->first != id) return {};
    return it->second;
}

const StringTable& ProgramStrings() {
    static const StringTable table = [] {
        auto bytes = EmbeddedStringTable();
        return StringTable::FromTsv(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }();
    return table;
}

std::string FormatString(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size() + 32);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            std::size_t n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            ++i;
            continue;
        }
        out += pattern[i];
    }
    return out;
}

}  // namespace nuko
