#include "wrd_text_grid.h"

#include <algorithm>

#include "nuko/text.h"

namespace nuko::wrd {

void TextGrid::ClearRows(int r1, int r2) {
    r1 = std::max(r1, 0);
    r2 = std::min(r2, kRows - 1);
    for (int r = r1; r <= r2; ++r) ClearCells(r, 0, kColumns - 1);
}

void TextGrid::ClearCells(int row, int c1, int c2) {
    if (row < 0 || row >= kRows) return;
    c1 = std::max(c1, 0);
    c2 = std::min(c2, kColumns - 1);
    for (int c = c1; c <= c2; ++c) At(c, row) = kBlankCell;
}

void TextGrid::ScrollUp(int top, int n) {
    top = std::max(top, 0);
    if (top >= kRows || n <= 0) return;
    n = std::min(n, kRows - top);
    auto first = cells_.begin() + static_cast<std::ptrdiff_t>(Index(0, top));
    std::copy(first + static_cast<std::ptrdiff_t>(n) * kColumns, cells_.end(), first);
    ClearRows(kRows - n, kRows - 1);
}

void TextGrid::ScrollDown(int top, int n) {
    top = std::max(top, 0);
    if (top >= kRows || n <= 0) return;
    n = std::min(n, kRows - top);
    auto first = cells_.begin() + static_cast<std::ptrdiff_t>(Index(0, top));
    std::copy_backward(first, cells_.end() - static_cast<std::ptrdiff_t>(n) * kColumns, cells_.end());
    ClearRows(top, top + n - 1);
}

std::pair<int, int> TextGrid::RepairRow(int row) {
    int lo = kColumns, hi = -1;
    auto blank = [&](int c) {
        Cell& cell = At(c, row);
        cell = {0x20, cell.attr, kSingleCell};
        lo = std::min(lo, c);
        hi = std::max(hi, c);
    };
    for (int c = 0; c < kColumns; ++c) {
        const Cell& cell = At(c, row);
        if (cell.kind == kLeadCell) {
            if (c + 1 < kColumns && At(c + 1, row).kind == kTrailCell) {
                ++c;
                continue;
            }
            blank(c);
        } else if (cell.kind == kTrailCell) {
            blank(c);
        } else if (cell.kind != kSingleCell) {
            blank(c);
        }
    }
    return {lo, hi};
}

std::string TextGrid::RowText(int row) const {
    std::string out;
    for (int c = 0; c < kColumns; ++c) {
        const Cell& cell = At(c, row);
        if (cell.kind == kLeadCell && c + 1 < kColumns && At(c + 1, row).kind == kTrailCell) {
            char pair[2] = {static_cast<char>(cell.ch), static_cast<char>(At(c + 1, row).ch)};
            out += text::Cp932ToUtf8(std::string_view(pair, 2));
            ++c;
            continue;
        }
        unsigned char b = cell.ch;
        if (cell.kind != kSingleCell || b < 0x20 || b == 0x7F) {
            out += ' ';
        } else if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            char one = static_cast<char>(b);
            out += text::Cp932ToUtf8(std::string_view(&one, 1));
        }
    }
    out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

std::uint8_t AttributeColor(int attr) {
    // 3-bit colours: 4 red, 2 green, 1 blue.
    constexpr std::uint8_t kRed = 4, kGreen = 2, kBlue = 1;
    switch (attr) {
        case 17: case 31: case 41: return kRed;
        case 18: case 34: case 44: return kBlue;
        case 19: case 35: case 45: return kRed | kBlue;
        case 20: case 32: case 42: return kGreen;
        case 21: case 33: case 43: return kRed | kGreen;
        case 22: case 36: case 46: return kGreen | kBlue;
        case 8: case 16: case 30: case 40: return kBlack;
        default: break;
    }
    if (attr < 0 || attr >= 48) return kBlack;
    return kWhite;
}

int MakeReverse(int attr) {
    static constexpr int kLifted[] = {31, 34, 35, 32, 33, 36, 37};  // 17-23
    if (attr >= 17 && attr <= 23) attr = kLifted[attr - 17];
    if (attr >= 0 && attr <= 6) return 40;
    if (attr == 8 || attr == 16) return attr;
    if (attr < 40) return attr + 10;
    return attr;
}

}  // namespace nuko::wrd
