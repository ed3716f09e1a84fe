#include "wrd_params.h"

#include "wrd_text_grid.h"

namespace nuko::wrd {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::size_t FindCommandMark(std::string_view line, std::size_t from) {
    for (std::size_t i = from; i < line.size(); i += Cp932CharLength(line, i)) {
        if (line[i] == '@') return i;
    }
    return std::string_view::npos;
}

std::optional<std::string_view> ParameterText(std::string_view line, std::size_t from, std::size_t* resume) {
    std::size_t mark = FindCommandMark(line, from);
    std::size_t open = std::string_view::npos;
    for (std::size_t i = from; i < line.size() && i < mark; i += Cp932CharLength(line, i)) {
        if (line[i] == '(') {
            open = i;
            break;
        }
    }
    if (open == std::string_view::npos) return std::nullopt;
    std::size_t close = line.find(')', open + 1);
    std::size_t end = close == std::string_view::npos ? line.size() : close;
    if (resume) *resume = close == std::string_view::npos ? line.size() : close + 1;
    return line.substr(open + 1, end - open - 1);
}

std::vector<std::string_view> SplitItems(std::string_view text, char separator) {
    std::vector<std::string_view> items;
    std::size_t start = 0;
    while (items.size() < kItemsMax) {
        std::size_t at = text.find(separator, start);
        items.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return items;
}

std::optional<std::int64_t> ParseNumber(std::string_view item) {
    std::size_t i = 0;
    while (i < item.size() && IsBlank(item[i])) ++i;
    if (i >= item.size() || item[i] < '0' || item[i] > '9') return std::nullopt;
    std::int64_t v = 0;
    for (; i < item.size() && item[i] >= '0' && item[i] <= '9'; ++i) {
        v = v * 10 + (item[i] - '0');
        if (v > kNumberMax) v = kNumberMax;
    }
    return v;
}

Numbers ParseNumbers(std::string_view text, char separator, std::initializer_list<std::int64_t> defaults) {
    Numbers out;
    out.values.assign(defaults.begin(), defaults.end());
    out.given.assign(out.values.size(), false);
    auto items = SplitItems(text, separator);
    for (std::size_t i = 0; i < items.size() && i < out.values.size(); ++i) {
        if (auto v = ParseNumber(items[i])) {
            out.values[i] = *v;
            out.given[i] = true;
        }
    }
    return out;
}

int ParseHexColor(std::string_view item) {
    std::size_t i = 0;
    while (i < item.size() && IsBlank(item[i])) ++i;
    item.remove_prefix(i);
    while (!item.empty() && IsBlank(item.back())) item.remove_suffix(1);
    if (item.empty()) return -1;
    static constexpr int kWeights[] = {256, 16, 1};
    int v = 0;
    for (std::size_t k = 0; k < 3 && k < item.size(); ++k) {
        int h = HexValue(item[k]);
        if (h > 0) v += h * kWeights[k];
    }
    return v;
}

}  // namespace nuko::wrd
