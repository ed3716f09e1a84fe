#include "lyric_screen.h"

#include <algorithm>

#include "nuko/text.h"

namespace nuko::wrd {
namespace {

// A character as the double-width text engine takes it: its CP932 bytes
// followed by what the engine skips (the same byte again, or two blanks),
// and the cells it covers.
struct Unit {
    std::string bytes;
    int cells = 0;
};

std::size_t Utf8Length(unsigned char lead) { return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

std::vector<Unit> UnitsOf(std::string_view utf8) {
    std::vector<Unit> units;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        std::string cp932 = text::Utf8ToCp932Lossy(utf8.substr(i, n));
        i += n;
        if (cp932.empty()) continue;
        const unsigned char first = static_cast<unsigned char>(cp932[0]);
        if (first < 0x20 || first == 0x7F) continue;  // no control bytes reach the engine
        if (cp932.size() >= 2 && text::IsCp932LeadByte(cp932[0])) units.push_back({cp932.substr(0, 2) + "  ", 4});
        else units.push_back({std::string(2, cp932[0]), 2});
    }
    return units;
}

// Rows a line takes on the screen.
constexpr int kRowsPerLine = 2;

}  // namespace

LyricScreen::LyricScreen(Lyrics lyrics, std::string title) : title_(std::move(title)) {
    division_ = std::max(1, lyrics.division);
    paged_ = lyrics.paged;
    const std::uint16_t lead = lyrics.LeadTrack();
    for (LyricLine& line : lyrics.lines)
        if (line.track == lead) lines_.push_back(std::move(line));
}

LyricScreen::View LyricScreen::ViewAt(std::uint32_t tick) const {
    View v;
    if (lines_.empty()) return v;
    // The line being sung: the last one that has begun.
    auto it = std::upper_bound(lines_.begin(), lines_.end(), tick,
                               [](std::uint32_t t, const LyricLine& l) { return t < l.tick(); });
    v.current = static_cast<long>(it - lines_.begin()) - 1;
    const std::size_t at = v.current < 0 ? 0 : static_cast<std::size_t>(v.current);
    if (paged_) {
        // The page holding the current line, three lines at a time.
        std::size_t page = at;
        while (page > 0 && !lines_[page].new_page) --page;
        v.first = page + (at - page) / 3 * 3;
        std::size_t end = v.first + 1;
        while (end < lines_.size() && end < v.first + 3 && !lines_[end].new_page) ++end;
        v.count = end - v.first;
    } else {
        v.first = at;
        v.count = std::min<std::size_t>(2, lines_.size() - at);
    }
    if (v.current >= 0) {
        const auto& syllables = lines_[static_cast<std::size_t>(v.current)].syllables;
        v.sung = static_cast<std::size_t>(
            std::upper_bound(syllables.begin(), syllables.end(), tick,
                             [](std::uint32_t t, const LyricSyllable& s) { return t < s.tick; }) -
            syllables.begin());
    }
    return v;
}

void LyricScreen::Start(CMidiWordFrame& frame) {
    drawn_ = false;
    view_ = ViewAt(0);
    view_.current = -1;  // position 0 has sung nothing, even a first syllable at 0
    view_.sung = 0;
    Draw(frame, view_);
}

bool LyricScreen::Show(CMidiWordFrame& frame, std::uint32_t sixteenths) {
    const std::uint64_t tick = static_cast<std::uint64_t>(sixteenths) * static_cast<std::uint64_t>(division_) / 4;
    const View v = ViewAt(static_cast<std::uint32_t>(std::min<std::uint64_t>(tick, 0xFFFFFFFFu)));
    if (drawn_ && v == view_) return false;
    view_ = v;
    Draw(frame, v);
    return true;
}

void LyricScreen::Draw(CMidiWordFrame& frame, const View& v) {
    drawn_ = true;
    frame.SetTextDisplay(2);
    frame.TextClear(-1, 1, -1, kRows, 0, 0);

    auto print_row = [&](const std::vector<std::pair<Unit, int>>& row, int y) {
        int cells = 0;
        for (const auto& [unit, attr] : row) cells += unit.cells;
        int x = std::max(0, (kColumns - cells) / 2) & ~1;
        for (const auto& [unit, attr] : row) {
            frame.SetCursor(x, y);
            frame.SetAttribute(attr);
            frame.PrintText(unit.bytes);
            x += unit.cells;
        }
    };
    // Lays out units over `rows` rows from `y`; what does not fit is cut.
    auto print = [&](const std::vector<std::pair<Unit, int>>& units, int y, int rows) {
        std::vector<std::pair<Unit, int>> row;
        int cells = 0;
        for (const auto& u : units) {
            if (cells + u.first.cells > kColumns) {
                print_row(row, y++);
                row.clear();
                cells = 0;
                if (--rows == 0) return;
            }
            row.push_back(u);
            cells += u.first.cells;
        }
        if (!row.empty()) print_row(row, y);
    };

    std::vector<std::pair<Unit, int>> title;
    for (Unit& u : UnitsOf(title_)) title.emplace_back(std::move(u), kLyricTitleAttribute);
    print(title, 1, 1);

    // Two or three lines in the middle of the screen, a blank row or more
    // between them.
    const int gap = v.count >= 3 ? 6 : 7;
    int y = v.count >= 3 ? 7 : 9;
    for (std::size_t i = v.first; i < v.first + v.count; ++i) {
        const LyricLine& line = lines_[i];
        std::size_t sung = 0;
        if (v.current >= 0 && i < static_cast<std::size_t>(v.current)) sung = line.syllables.size();
        else if (v.current >= 0 && i == static_cast<std::size_t>(v.current)) sung = v.sung;
        std::vector<std::pair<Unit, int>> units;
        for (std::size_t s = 0; s < line.syllables.size(); ++s) {
            std::string_view text = line.syllables[s].text;
            // A line starts at its first letter on screen.
            if (units.empty()) text = text.substr(std::min(text.find_first_not_of(' '), text.size()));
            const int attr = s < sung ? kLyricSungAttribute : kLyricWaitingAttribute;
            for (Unit& u : UnitsOf(text)) units.emplace_back(std::move(u), attr);
        }
        print(units, y, kRowsPerLine);
        y += gap;
    }
}

}  // namespace nuko::wrd
