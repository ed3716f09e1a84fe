// The CD panel's list: the tracks of a disc record in play order (track
// order, or program order when program play is on), with the title markers
// applied. "@" excludes a track (drawn grey, left out when playing on),
// "$" hides it (not in the list at all). Rows are 1-based.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/media_list.h"

namespace nuko::cd {

struct TrackRow {
    int track = 0;        // 1-based track number on the disc
    std::string title;    // as the record holds it, marker included
    bool excluded = false;
};

// Display states of a row.
inline constexpr int kRowOrdinary = 1;
inline constexpr int kRowExcluded = 2;

class CdTrackList {
public:
    // Fills the rows from the record and sets each track's flag word: high
    // byte 0 for "@" else 3, low byte 0xFF for "$" else the track number.
    void Build(media::MediaList& record);
    void Clear() { rows_.clear(); hidden_ = 0; }

    const std::vector<TrackRow>& rows() const { return rows_; }
    int Count() const { return static_cast<int>(rows_.size()); }
    // The row of a track number; 0 when it is hidden or not on the disc.
    int RowOfTrack(int track) const;
    // The track of a row; 0 out of range.
    int TrackOfRow(int row) const;
    bool Excluded(int row) const;
    int DisplayState(int row) const { return Excluded(row) ? kRowExcluded : kRowOrdinary; }
    // Rows that are not excluded.
    int PlayableCount() const;
    // How many tracks "$" hid.
    int HiddenCount() const { return hidden_; }

private:
    std::vector<TrackRow> rows_;
    int hidden_ = 0;
};

}  // namespace nuko::cd
