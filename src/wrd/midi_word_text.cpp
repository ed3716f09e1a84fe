// Text on the MIDI-Word screen: output at the cursor with its conversions
// and wrapping, ESC sequences, clearing and scrolling, and the drawing of
// cells into the text layers.
#include <algorithm>

#include "midi_word_frame.h"

namespace nuko::wrd {

namespace {

constexpr char kEsc = '\x1b';
constexpr TextChar kBlankChar{0x20, 0, false};
// Most parameters kept from one ESC [ sequence; more are read and dropped.
constexpr std::size_t kEscapeParamsMax = 16;

bool Has(std::string_view set, unsigned char c) { return set.find(static_cast<char>(c)) != std::string_view::npos; }

// The 0x86 line pieces as the characters the screen has for them.
TextChar LinePiece(unsigned char t) {
    if (Has("CDORSVWZ[^", t)) return {'-', 0, false};
    if (t == 'E' || t == 'F') return {'|', 0, false};
    if (t == 0xA2 || t == 0xA3) return {0x84, 0xAA, true};
    if (t == 0xB5 || t == 0xBD || t == 0xCA) return {0x84, 0xB2, true};
    if (t == 0xD5 || t == 0xDD || t == 0xE4) return {0x84, 0xB4, true};
    return {'.', 0, false};
}

// The one-column characters of the 0x85 range as single bytes.
TextChar OneColumn(unsigned char t) {
    if (t >= 0x80) return {static_cast<std::uint8_t>(t - 0x20), 0, false};
    if (t < 0x50) return {'.', 0, false};
    return {static_cast<std::uint8_t>(t - 0x1F), 0, false};
}

bool DrawsNothing(const TextChar& c) { return !c.wide && (c.lead <= 0x20 || c.lead == 0x7F); }

}  // namespace

// ---- Output ----

void CMidiWordFrame::PrintText(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t esc = bytes.find(kEsc, i);
        OutputRun(bytes.substr(i, esc == std::string_view::npos ? std::string_view::npos : esc - i));
        if (esc == std::string_view::npos) break;
        i = esc + 1 + Escape(bytes.substr(esc + 1));
    }
}

void CMidiWordFrame::ConvertText(std::string_view run, int column, std::vector<TextChar>& out) const {
    int width = 0;
    for (std::size_t i = 0; i < run.size();) {
        auto b = static_cast<unsigned char>(run[i]);
        if (b == '\t') {
            int blanks = 8 - (column + width) % 8;
            out.insert(out.end(), static_cast<std::size_t>(blanks), kBlankChar);
            width += blanks;
            ++i;
            continue;
        }
        std::size_t n = Cp932CharLength(run, i);
        TextChar c{b, 0, false};
        if (n == 2) {
            auto t = static_cast<unsigned char>(run[i + 1]);
            c = b == 0x85 ? OneColumn(t) : b == 0x86 ? LinePiece(t) : TextChar{b, t, true};
        }
        out.push_back(c);
        width += c.Width();
        i += n;
    }
}

void CMidiWordFrame::OutputRun(std::string_view run) {
    if (run.empty()) return;
    if (col_ > kColumns - 1) NewLine();
    std::vector<TextChar> chars;
    chars.reserve(run.size() + 1);
    // Writing into the second half of a character: start at its first half
    // with a blank.
    if (col_ > 0 && grid_.At(col_ - 1, row_).kind == kLeadCell) {
        --col_;
        chars.push_back(kBlankChar);
    }
    ConvertText(run, col_ + static_cast<int>(chars.size()), chars);
    PutChars(chars, true);
    // A character whose first half was just overwritten loses its second.
    if (col_ < kColumns && grid_.At(col_, row_).kind == kTrailCell) {
        grid_.At(col_, row_) = {0x20, static_cast<std::uint8_t>(attr_), kSingleCell};
        DrawTextCells(row_, col_, col_);
    }
}

void CMidiWordFrame::PutChars(const std::vector<TextChar>& chars, bool wrap_with_scroll) {
    auto attr = static_cast<std::uint8_t>(attr_);
    std::size_t i = 0;
    while (i < chars.size()) {
        if (col_ > kColumns - 1) {
            if (wrap_with_scroll) NewLine();
            else col_ = 0, row_ = std::min(row_ + 1, kRows - 1);
        }
        int start = col_;
        while (i < chars.size() && col_ + chars[i].Width() <= kColumns) {
            const TextChar& c = chars[i++];
            if (c.wide) {
                grid_.At(col_++, row_) = {c.lead, attr, kLeadCell};
                grid_.At(col_++, row_) = {c.trail, attr, kTrailCell};
            } else {
                grid_.At(col_++, row_) = {c.lead, attr, kSingleCell};
            }
        }
        // A double-byte character never straddles two rows: a blank takes
        // the last column and the character starts the next row.
        if (i < chars.size() && col_ == kColumns - 1) grid_.At(col_++, row_) = {0x20, attr, kSingleCell};
        if (col_ > start) DrawTextCells(row_, start, col_ - 1);
        if (i < chars.size()) col_ = kColumns;
    }
}

void CMidiWordFrame::NewLine() {
    col_ = 0;
    CursorDown();
}

void CMidiWordFrame::CursorDown() {
    if (row_ >= kRows - 1) {
        row_ = kRows - 1;
        ScrollTextUp(0, 1);
    } else {
        ++row_;
    }
}

void CMidiWordFrame::CursorUp() {
    if (row_ <= 0) ScrollTextDown(0, 1);
    else --row_;
}

void CMidiWordFrame::PrintProgramText(std::string_view cp932) {
    int saved = attr_;
    attr_ = 37;
    auto line_break = [&] {
        col_ = 0;
        row_ = std::min(row_ + 1, kRows - 1);
    };
    std::size_t i = 0;
    while (i < cp932.size()) {
        std::size_t end = cp932.find_first_of("\r\n", i);
        std::vector<TextChar> chars;
        ConvertText(cp932.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i), col_, chars);
        PutChars(chars, false);
        if (end == std::string_view::npos) break;
        line_break();
        i = end + (cp932.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    attr_ = saved;
}

void CMidiWordFrame::SetCursor(int column, int row) {
    col_ = std::clamp(column, 0, kColumns);
    row_ = std::clamp(row, 0, kRows - 1);
}

void CMidiWordFrame::SetAttribute(int attr) { attr_ = std::clamp(attr, 0, 255); }

// ---- ESC sequences ----

std::size_t CMidiWordFrame::Escape(std::string_view seq) {
    if (seq.empty()) return 0;
    switch (seq[0]) {
        case ')': return std::min<std::size_t>(2, seq.size());
        case '*':
            ClearTextRows(0, kRows - 1);
            col_ = row_ = 0;
            return 1;
        case 'D': CursorDown(); return 1;
        case 'E':
            col_ = 0;
            CursorDown();
            return 1;
        case 'M': CursorUp(); return 1;
        case '=':
            // Cursor addressing: row and column, each + 0x20.
            if (seq.size() < 3) return seq.size();
            SetCursor(std::clamp(static_cast<unsigned char>(seq[2]) - 0x20, 0, kColumns - 1),
                      static_cast<unsigned char>(seq[1]) - 0x20);
            return 3;
        case '[': break;
        default: return 0;
    }
    std::vector<std::int64_t> params;
    std::int64_t current = -1;
    for (std::size_t i = 1; i < seq.size(); ++i) {
        auto c = static_cast<unsigned char>(seq[i]);
        if (c >= '0' && c <= '9') {
            current = std::min<std::int64_t>(std::max<std::int64_t>(current, 0) * 10 + (c - '0'), 1 << 20);
        } else if (c == ' ') {
        } else if (c < 'A') {
            if (params.size() < kEscapeParamsMax) params.push_back(current);
            current = -1;
        } else {
            if (params.size() < kEscapeParamsMax) params.push_back(current);
            EscapeBracket(static_cast<char>(c), params);
            return i + 1;
        }
    }
    // No final character: the sequence is dropped.
    return seq.size();
}

void CMidiWordFrame::EscapeBracket(char final, const std::vector<std::int64_t>& params) {
    auto param = [&](std::size_t i) { return i < params.size() ? params[i] : std::int64_t{-1}; };
    std::int64_t n = param(0);
    int count = static_cast<int>(std::min<std::int64_t>(n < 0 ? 1 : n, 1 << 20));
    switch (final) {
        case 'A': row_ = std::max(row_ - count, 0); break;
        case 'B': row_ = std::min(row_ + count, kRows - 1); break;
        case 'C': col_ = static_cast<int>(std::min<std::int64_t>(std::int64_t{col_} + count, kColumns - 1)); break;
        case 'D': col_ = std::max(std::min(col_, kColumns - 1) - count, 0); break;
        case 'H':
        case 'f': {
            std::int64_t r = param(0) <= 0 ? 1 : param(0), c = param(1) <= 0 ? 1 : param(1);
            SetCursor(static_cast<int>(std::min<std::int64_t>(c, kColumns)) - 1,
                      static_cast<int>(std::min<std::int64_t>(r, kRows)) - 1);
            break;
        }
        case 'J':
            if (n <= 0) {
                ClearCellRange(row_, col_, kColumns - 1);
                ClearTextRows(row_ + 1, kRows - 1);
            } else if (n == 1) {
                ClearTextRows(0, row_ - 1);
                ClearCellRange(row_, 0, col_);
            } else if (n == 2) {
                ClearTextRows(0, kRows - 1);
                col_ = row_ = 0;
            }
            break;
        case 'K':
            if (n <= 0) ClearCellRange(row_, col_, kColumns - 1);
            else if (n == 1) ClearCellRange(row_, 0, col_);
            else if (n == 2) ClearCellRange(row_, 0, kColumns - 1);
            break;
        case 'L':
            if (row_ <= kRows - 2 && count > 0) ScrollTextDown(row_, count);
            break;
        case 'M':
            count = std::min(count, kRows - 1 - row_);
            if (count > 0) ScrollTextUp(row_, count);
            break;
        case 'm': {
            int attr = 0;
            bool reverse = false;
            for (std::int64_t v : params) {
                if (v == 7) reverse = true;
                else if (v > 7) attr = static_cast<int>(std::min<std::int64_t>(v, 255));
            }
            SetAttribute(reverse ? MakeReverse(attr) : attr);
            break;
        }
        case 's':
            saved_col_ = col_;
            saved_row_ = row_;
            saved_attr_ = attr_;
            break;
        case 'u':
            col_ = saved_col_;
            row_ = saved_row_;
            attr_ = saved_attr_;
            break;
        default: break;
    }
}

// ---- Clearing and scrolling ----

void CMidiWordFrame::ClearTextRows(int r1, int r2) {
    if (r1 > r2) return;
    grid_.ClearRows(r1, r2);
    layers_.ClearRows(r1, r2);
}

void CMidiWordFrame::ClearCellRange(int row, int c1, int c2) {
    c2 = std::min(c2, kColumns - 1);
    if (c1 > c2) return;
    grid_.ClearCells(row, c1, c2);
    RepairAndDraw(row, c1, c2);
}

void CMidiWordFrame::ScrollTextUp(int top, int n) {
    grid_.ScrollUp(top, n);
    layers_.ScrollUp(top, n);
}

void CMidiWordFrame::ScrollTextDown(int top, int n) {
    grid_.ScrollDown(top, n);
    layers_.ScrollDown(top, n);
}

void CMidiWordFrame::RepairAndDraw(int row, int c1, int c2) {
    auto [lo, hi] = grid_.RepairRow(row);
    DrawTextCells(row, std::min(c1, lo), std::max(c2, hi));
}

namespace {

// The 1-based rectangle of @TCL and @SCR: each pair in order and inside the
// screen, made 0-based.
struct CellRect {
    int c1, r1, c2, r2;
};
CellRect NormalRect(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    return {std::clamp(x1, 1, kColumns) - 1, std::clamp(y1, 1, kRows) - 1, std::clamp(x2, 1, kColumns) - 1,
            std::clamp(y2, 1, kRows) - 1};
}

Cell FillCell(int colour, int ch) {
    auto byte = static_cast<std::uint8_t>(ch >= 32 && ch <= 255 ? ch : 0x20);
    return {byte, static_cast<std::uint8_t>(ColorNumberAttribute(std::clamp(colour, 0, 223))), kSingleCell};
}

}  // namespace

void CMidiWordFrame::TextClear(int x1, int y1, int x2, int y2, int colour, int ch) {
    if (x1 < 0) {
        if (y1 > y2) std::swap(y1, y2);
        ClearTextRows(std::clamp(y1, 1, kRows) - 1, std::clamp(y2, 1, kRows) - 1);
        return;
    }
    CellRect r = NormalRect(x1, y1, x2, y2);
    Cell fill = FillCell(colour, ch);
    for (int row = r.r1; row <= r.r2; ++row) {
        for (int c = r.c1; c <= r.c2; ++c) grid_.At(c, row) = fill;
        RepairAndDraw(row, r.c1, r.c2);
    }
}

void CMidiWordFrame::TextScroll(int x1, int y1, int x2, int y2, int mode, int colour, int ch) {
    if (mode < 0 || mode > 3) return;
    CellRect r = NormalRect(x1, y1, x2, y2);
    Cell fill = FillCell(colour, ch);
    for (int c = r.c1; c <= r.c2; ++c) {
        if (mode == 0) {
            for (int row = r.r1; row < r.r2; ++row) grid_.At(c, row) = grid_.At(c, row + 1);
            grid_.At(c, r.r2) = fill;
        } else if (mode == 1) {
            for (int row = r.r2; row > r.r1; --row) grid_.At(c, row) = grid_.At(c, row - 1);
            grid_.At(c, r.r1) = fill;
        }
    }
    for (int row = r.r1; row <= r.r2; ++row) {
        if (mode == 2) {
            for (int c = r.c2; c > r.c1; --c) grid_.At(c, row) = grid_.At(c - 1, row);
            grid_.At(r.c1, row) = fill;
        } else if (mode == 3) {
            for (int c = r.c1; c < r.c2; ++c) grid_.At(c, row) = grid_.At(c + 1, row);
            grid_.At(r.c2, row) = fill;
        }
        RepairAndDraw(row, r.c1, r.c2);
    }
}

// ---- Drawing cells ----

void CMidiWordFrame::RedrawText() {
    for (int row = 0; row < kRows; ++row) DrawTextCells(row, 0, kColumns - 1);
}

const GlyphMask& CMidiWordFrame::Glyph(const TextChar& ch, bool double_width, int width, int height) {
    std::uint32_t key = std::uint32_t{ch.lead} | std::uint32_t{ch.trail} << 8 | std::uint32_t{ch.wide} << 16 |
                        std::uint32_t{double_width} << 17;
    auto it = glyph_cache_.find(key);
    if (it != glyph_cache_.end()) return it->second;
    char bytes[2] = {static_cast<char>(ch.lead), static_cast<char>(ch.trail)};
    GlyphMask g = glyphs_->Render(std::string_view(bytes, ch.wide ? 2 : 1), double_width, width, height);
    if (g.width != width || g.height != height || g.ink.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        g = GlyphMask{};
    return glyph_cache_.emplace(key, std::move(g)).first->second;
}

void CMidiWordFrame::DrawTextCells(int row, int c1, int c2) {
    if (row < 0 || row >= kRows) return;
    c1 = std::max(c1, 0);
    c2 = std::min(c2, kColumns - 1);
    if (c1 > c2) return;
    // Whole characters only.
    if (c1 > 0 && grid_.At(c1, row).kind == kTrailCell && grid_.At(c1 - 1, row).kind == kLeadCell) --c1;
    if (c2 < kColumns - 1 && grid_.At(c2, row).kind == kLeadCell) ++c2;

    for (int c = c1; c <= c2;) {
        int attr = grid_.At(c, row).attr;
        int end = c;
        while (end + 1 <= c2 && grid_.At(end + 1, row).attr == attr) ++end;
        std::uint8_t colour = AttributeColor(attr);
        bool reverse = IsReverseAttribute(attr);
        layers_.FillCells(row, c, end, reverse ? colour : kBlack, reverse ? colour : kWhite);
        c = end + 1;
    }
    if (!glyphs_) return;

    const int cw = layers_.cell_width(), chh = layers_.cell_height();
    const bool double_width = text_width_ == 2;
    // With the double-width font every character covers twice its cells,
    // so the string drawn is thinned to fit the cells it stands for.
    enum class Skip { None, Single, Double } skip = Skip::None;
    int x = c1 * cw;
    auto char_at = [&](int c) {
        const Cell& cell = grid_.At(c, row);
        if (cell.kind == kLeadCell && c + 1 < kColumns && grid_.At(c + 1, row).kind == kTrailCell)
            return TextChar{cell.ch, grid_.At(c + 1, row).ch, true};
        if (cell.kind != kSingleCell) return kBlankChar;
        return TextChar{cell.ch, 0, false};
    };
    for (int c = c1; c <= c2;) {
        TextChar ch = char_at(c);
        int attr = grid_.At(c, row).attr;
        int cells = ch.Width();
        if (double_width) {
            bool skipped = false;
            if (skip == Skip::Single && !ch.wide) {
                skipped = true;
            } else if (skip == Skip::Double) {
                if (ch.wide) {
                    skipped = true;
                } else if (ch.lead == 0x20 && c + 1 <= c2 && !char_at(c + 1).wide && char_at(c + 1).lead == 0x20) {
                    skipped = true;
                    cells = 2;
                }
            }
            skip = Skip::None;
            if (skipped) {
                c += cells;
                continue;
            }
            if (ch.wide && ch.lead == 0x81 && ch.trail == 0x40 && c + 2 <= c2 && char_at(c + 2).wide) {
                // An ideographic blank gives its place to the character after it.
                ch = char_at(c + 2);
                attr = grid_.At(c + 2, row).attr;
                cells = 4;
            } else {
                skip = ch.wide ? Skip::Double : Skip::Single;
            }
        }
        int width = (ch.wide ? 2 : 1) * cw * (double_width ? 2 : 1);
        if (!DrawsNothing(ch) && !IsSecretAttribute(attr)) {
            const GlyphMask& g = Glyph(ch, double_width, width, chh);
            std::uint8_t colour = AttributeColor(attr);
            if (IsReverseAttribute(attr)) layers_.DrawGlyph(x, row, g, kBlack, kWhite);
            else layers_.DrawGlyph(x, row, g, colour, colour);
        }
        x += double_width ? width : cells * cw;
        c += cells;
    }
}

}  // namespace nuko::wrd
