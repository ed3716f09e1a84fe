// The CD panel's grid of track numbers: its layout in pages of cells, the
// page shown, the current and the marked track, the colours, and what keys
// and clicks do. Plain logic; the widget draws it. Track numbers are
// 1-based; 0 means none.
#pragma once

#include <cstdint>

namespace nuko::cd {

struct CellRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Grid keys, as the widget maps Qt's.
enum class GridKey { PageUp, PageDown, Home, End, Left, Right, Up, Down };

class TrackGrid {
public:
    static constexpr int kCellWidth = 20;
    static constexpr int kCellHeight = 15;
    static constexpr int kColumnPitch = 22;
    static constexpr int kRowPitch = 34;
    static constexpr int kMaxNumber = 99;

    // Colours (0x00BBGGRR).
    static constexpr std::uint32_t kExcludedColour = 0x808080;
    static constexpr std::uint32_t kCurrentColour = 0x00FF00;
    static constexpr std::uint32_t kMarkColour = 0x00FFFF;
    static constexpr std::uint32_t kMarkExcludedColour = 0xFF00FF;

    // The grid's area (without the "+"/"-" buttons' strip, which the
    // column count allows for).
    void SetSize(int width, int height);
    void SetTrackCount(int count);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    int cells_per_page() const { return columns_ * rows_; }
    int track_count() const { return count_; }
    int page() const { return page_; }
    int last_page() const;
    int PageOfTrack(int track) const;

    // Cell n (0-based on the page).
    CellRect Cell(int n) const;
    // The track drawn at a point of the shown page, 0 where none is.
    int TrackAt(int x, int y) const;
    // The track of cell n on the shown page; 0 when none is drawn there
    // (beyond the count or 99).
    int TrackOfCell(int n) const;

    // "+": forward, wrapping from the last page to page 0; "-": back.
    void NextPage();
    void PreviousPage();
    // Shows the page that holds the track.
    void ShowTrack(int track);

    int current() const { return current_; }
    void SetCurrent(int track);
    int marked() const { return marked_; }
    void SetMarked(int track) { marked_ = track; }

    // The track a key selects from the current one (0: the key selects
    // none; paging keys change the page and return 0). `ctrl`: Home does
    // nothing with Ctrl held.
    int Key(GridKey key, bool ctrl);

    // The colour of a track's number: `text` for a playable track, grey for
    // an excluded one, green for the current one; the marked track blinks,
    // `blink_on` drawing it yellow (magenta when excluded), else black.
    std::uint32_t Colour(int track, bool excluded, bool blink_on, std::uint32_t text) const;

private:
    int columns_ = 1;
    int rows_ = 1;
    int count_ = 0;
    int page_ = 0;
    int current_ = 0;
    int marked_ = 0;
};

}  // namespace nuko::cd
