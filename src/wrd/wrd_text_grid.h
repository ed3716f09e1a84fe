// The text screen of the MIDI-Word window: 80 x 25 cells of raw CP932
// bytes, each with its colour attribute and a kind that tells single-byte
// characters from the halves of double-byte ones. Scripts are Shift-JIS and
// their column arithmetic is byte arithmetic, so the grid keeps bytes; a
// cell is decoded only to be drawn or printed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace nuko::wrd {

inline constexpr int kColumns = 80;
inline constexpr int kRows = 25;

// Kinds of a cell.
inline constexpr std::uint8_t kSingleCell = 1;
inline constexpr std::uint8_t kLeadCell = 2;   // first half of a double-byte character
inline constexpr std::uint8_t kTrailCell = 3;  // second half

struct Cell {
    std::uint8_t ch = 0x20;
    std::uint8_t attr = 0;
    std::uint8_t kind = kSingleCell;
    friend bool operator==(const Cell&, const Cell&) = default;
};

inline constexpr Cell kBlankCell{};

// One character of text as it goes into cells: one byte (one cell) or two
// bytes (two cells). A single byte may have any value, even one that CP932
// reads as a lead byte (the one-column characters of the 0x85 range become
// such bytes).
struct TextChar {
    std::uint8_t lead = 0x20;
    std::uint8_t trail = 0;
    bool wide = false;
    int Width() const { return wide ? 2 : 1; }
};

// True for the second byte of a CP932 double-byte character.
constexpr bool IsCp932TrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Length of the character starting at bytes[i]: 2 for a lead byte with a
// valid trail byte after it, else 1.
inline std::size_t Cp932CharLength(std::string_view bytes, std::size_t i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return lead && i + 1 < bytes.size() && IsCp932TrailByte(static_cast<unsigned char>(bytes[i + 1])) ? 2 : 1;
}

class TextGrid {
public:
    // Positions outside the grid are never touched: callers limit first.
    static constexpr bool Contains(int col, int row) { return col >= 0 && col < kColumns && row >= 0 && row < kRows; }

    Cell& At(int col, int row) { return cells_[Index(col, row)]; }
    const Cell& At(int col, int row) const { return cells_[Index(col, row)]; }

    // Blanks every cell of rows r1..r2 (inclusive, limited to the grid).
    void ClearRows(int r1, int r2);
    // Blanks the cells c1..c2 (inclusive, limited) of one row.
    void ClearCells(int row, int c1, int c2);
    // Rows top..24 move up (ScrollUp) or down by n; the rows freed at the
    // bottom (or top) become blank.
    void ScrollUp(int top, int n);
    void ScrollDown(int top, int n);

    // Turns halves of double-byte characters that lost their partner (at
    // the edges of a cleared or moved area) into blanks of the same
    // attribute, so every lead cell is followed by its trail cell. Returns
    // the columns changed as a range (first > last when none).
    std::pair<int, int> RepairRow(int row);

    // The row as UTF-8: double-byte characters decoded, control bytes and
    // orphaned halves as blanks, trailing blanks cut.
    std::string RowText(int row) const;

private:
    static constexpr std::size_t Index(int col, int row) {
        return static_cast<std::size_t>(row) * kColumns + static_cast<std::size_t>(col);
    }
    std::array<Cell, kColumns * kRows> cells_{};
};

// Text attributes: the colour numbers of @COL and ESC [ m, kept in each cell.
// A colour is 3 bits: 4 red, 2 green, 1 blue, each at full strength.
inline constexpr std::uint8_t kBlack = 0;
inline constexpr std::uint8_t kWhite = 7;

// The colour an attribute draws in.
std::uint8_t AttributeColor(int attr);
// 40-47: the cell is filled with the colour and the characters cut out.
constexpr bool IsReverseAttribute(int attr) { return attr >= 40 && attr <= 47; }
// 8 and 16: the cell is filled but no character drawn.
constexpr bool IsSecretAttribute(int attr) { return attr == 8 || attr == 16; }
// The reverse form of an attribute (a value 7 in @COL or ESC [ m).
int MakeReverse(int attr);
// The attribute of a colour number of @TCL and @SCR: 0-7 plain, 8-15 reverse.
constexpr int ColorNumberAttribute(int c) { return c > 7 ? c + 32 : c + 30; }

}  // namespace nuko::wrd
