#include "cd/cd_track_list.h"

#include "cd/cd_title_editor.h"

namespace nuko::cd {

void CdTrackList::Build(media::MediaList& record) {
    rows_.clear();
    hidden_ = 0;
    std::vector<std::size_t> order;
    if (record.loaded) {
        order = ProgramOrder(record);
    } else {
        for (std::size_t i = 0; i < record.items.size(); ++i) order.push_back(i);
    }
    for (std::size_t index : order) {
        if (index >= record.items.size()) continue;
        media::MediaItem& item = record.items[index];
        const int track = static_cast<int>(index) + 1;
        const bool excluded = !item.title.empty() && item.title.front() == kExcludeMarker;
        const bool hidden = !item.title.empty() && item.title.front() == kHideMarker;
        item.flags = static_cast<std::uint16_t>((excluded ? 0 : 3) << 8 | (hidden ? 0xFF : (track & 0xFF)));
        if (hidden) {
            ++hidden_;
            continue;
        }
        rows_.push_back({track, item.title, excluded});
    }
}

int CdTrackList::RowOfTrack(int track) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].track == track) return static_cast<int>(i) + 1;
    return 0;
}

int CdTrackList::TrackOfRow(int row) const {
    return row >= 1 && row <= Count() ? rows_[static_cast<std::size_t>(row - 1)].track : 0;
}

bool CdTrackList::Excluded(int row) const {
    return row >= 1 && row <= Count() && rows_[static_cast<std::size_t>(row - 1)].excluded;
}

int CdTrackList::PlayableCount() const {
    int n = 0;
    for (const auto& r : rows_) n += r.excluded ? 0 : 1;
    return n;
}

}  // namespace nuko::cd
