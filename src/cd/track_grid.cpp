#include "cd/track_grid.h"

#include <algorithm>

namespace nuko::cd {

void TrackGrid::SetSize(int width, int height) {
    columns_ = std::clamp((width - 27) / kColumnPitch, 1, kMaxNumber);
    rows_ = std::max(1, (height - 21) / kRowPitch + 1);
    page_ = std::min(page_, last_page());
}

void TrackGrid::SetTrackCount(int count) {
    count_ = std::clamp(count, 0, kMaxNumber);
    page_ = std::min(page_, last_page());
    if (current_ > count_) current_ = 0;
    if (marked_ > count_) marked_ = 0;
}

int TrackGrid::last_page() const { return count_ > 0 ? (count_ - 1) / cells_per_page() : 0; }

int TrackGrid::PageOfTrack(int track) const { return track > 0 ? (track - 1) / cells_per_page() : 0; }

CellRect TrackGrid::Cell(int n) const {
    const int column = n % columns_;
    const int row = n / columns_;
    return {column * kColumnPitch + 2, 10 + row * kRowPitch, kCellWidth, kCellHeight};
}

int TrackGrid::TrackOfCell(int n) const {
    if (n < 0 || n >= cells_per_page()) return 0;
    const int track = page_ * cells_per_page() + n + 1;
    return track <= count_ && track <= kMaxNumber ? track : 0;
}

int TrackGrid::TrackAt(int x, int y) const {
    for (int n = 0; n < cells_per_page(); ++n) {
        const CellRect c = Cell(n);
        if (x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height) return TrackOfCell(n);
    }
    return 0;
}

void TrackGrid::NextPage() { page_ = page_ >= last_page() ? 0 : page_ + 1; }

void TrackGrid::PreviousPage() { page_ = page_ <= 0 ? last_page() : page_ - 1; }

void TrackGrid::ShowTrack(int track) {
    if (track >= 1 && track <= count_) page_ = PageOfTrack(track);
}

void TrackGrid::SetCurrent(int track) {
    current_ = track >= 1 && track <= count_ ? track : 0;
    ShowTrack(current_);
}

int TrackGrid::Key(GridKey key, bool ctrl) {
    if (count_ == 0) return 0;
    switch (key) {
    case GridKey::PageUp:
        PreviousPage();
        return 0;
    case GridKey::PageDown:
        NextPage();
        return 0;
    case GridKey::Home:
        return ctrl ? 0 : 1;
    case GridKey::End:
        return count_;
    case GridKey::Left:
    case GridKey::Up:
        return current_ <= 1 ? count_ : current_ - 1;
    case GridKey::Right:
    case GridKey::Down:
        return current_ >= count_ ? 1 : current_ + 1;
    }
    return 0;
}

std::uint32_t TrackGrid::Colour(int track, bool excluded, bool blink_on, std::uint32_t text) const {
    if (track == marked_ && marked_ != 0) {
        if (!blink_on) return 0;
        return excluded ? kMarkExcludedColour : kMarkColour;
    }
    if (track == current_) return kCurrentColour;
    return excluded ? kExcludedColour : text;
}

}  // namespace nuko::cd
