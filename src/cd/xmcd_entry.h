// xmcd (CDDB) entry files, as freedb served them and CD players keep them:
// "KEY=value" lines after "#" comments, a value continued on further lines
// of the same key. Read into a disc record (DTITLE "artist / title",
// TTITLEn the track titles, EXTD and EXTT notes, PLAYORDER the program) and
// written from one. Text is UTF-8; files of the older encodings (not valid
// UTF-8) are read as CP932 when they are valid CP932, else as Latin-1.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cd/disc_toc.h"
#include "library/media_list.h"

namespace nuko::cd {

// Files larger than this are refused; no entry comes near it.
inline constexpr std::size_t kXmcdMaxBytes = 1 << 20;

struct XmcdEntry {
    std::vector<std::string> disc_ids;  // DISCID values, lower case
    std::string artist;
    std::string title;
    std::string year;
    std::string genre;
    std::vector<std::string> tracks;       // TTITLEn at index n
    std::string disc_notes;                // EXTD
    std::vector<std::string> track_notes;  // EXTTn
    std::vector<int> play_order;           // PLAYORDER, 0-based track numbers
};

// Nullopt, with the reason, for bytes that are no xmcd entry (no DISCID, no
// DTITLE, a track number beyond 99, too large). Values are cut at
// kForeignValueMax CP932 bytes, as other imports are.
std::optional<XmcdEntry> ParseXmcd(std::string_view bytes, std::string* error = nullptr);

// Whether the entry names the disc of this freedb id.
bool XmcdMatches(const XmcdEntry& entry, std::string_view freedb_id);

// Artist, title and the titles of the record's tracks; the notes into the
// record's notes; PLAYORDER, when it names valid tracks, as the program
// numbers with program play on.
void ApplyXmcd(const XmcdEntry& entry, media::MediaList& record);

// The record as an xmcd entry of the disc: the track offsets and length
// from the table of contents, DISCID, DTITLE, TTITLEn, EXTD, EXTTn and
// PLAYORDER (when program play is on). Long values are split over lines.
std::string XmcdText(const media::MediaList& record, const DiscToc& toc, std::string_view freedb_id);

}  // namespace nuko::cd
