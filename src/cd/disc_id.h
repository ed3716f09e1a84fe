// The disc id that keys a CD in the CD title database, computed from the
// lengths of the disc and its tracks, and the track keys that name a disc's
// tracks inside a CD title file.
//
// Current ids have 13 characters: the track count ("%03u"), the disc length
// ("%02u%02u%02u" of minutes, seconds, frames) and the minutes and seconds
// of track 1 (4 digits). Older ids are the first two parts alone; any id of
// fewer than 10 characters counts as one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "disc_toc.h"

namespace nuko::cd {

// Lengths are Msf values of the table of contents (75 frames a second).
std::int64_t FramesOf(const Msf& t);
std::int64_t MillisecondsOf(const Msf& t);

// "%02u:%02u:%02u": the track key of a track of this length.
std::string TrackKeyText(const Msf& t);
// "%02u%02u%02u": the disc length part of the id.
std::string DiscLengthText(const Msf& t);

// What the disc id is computed from.
struct DiscLengths {
    int track_count = 0;       // as the drive reports it
    Msf disc;                  // the lead-out minus the start of track 1
    std::vector<Msf> tracks;   // track 1 first
};

// The number of tracks the player uses: more than 200 counts as no tracks,
// 100 to 200 as 99 (see TrackCountOverLimit).
int UsableTrackCount(int reported);
// True when the reported count is cut to 99, which the user is told with
// message 166.
bool TrackCountOverLimit(int reported);
// Shows message 166 through the current prompt.
void WarnTrackLimit(void* owner = nullptr);

// The older id: track count (capped at 99) and disc length.
std::string OlderDiscId(const DiscLengths& d);
// The current id: the older id and the 4 digits of track 1.
std::string DiscId(const DiscLengths& d);
// The 4 digits that a track key adds to an older id: its first two
// characters and the two after its first colon.
std::string IdDigitsOfTrackKey(std::string_view track_key);
inline bool IsOlderId(std::string_view id) { return id.size() < 10; }

// The track keys of the disc's tracks, each made unique against the earlier
// ones by bumping its frames field ("03:58:20" becomes "03:58:21").
std::vector<std::string> UniqueTrackKeys(const DiscLengths& d);

// The two numbers that find a disc in a "bca.dat" file: the track count
// times the disc length in milliseconds, and the length of track 1 in
// milliseconds. 32-bit arithmetic, as that file's keys were made with.
struct BcaNumbers {
    std::uint32_t first = 0;
    std::uint32_t increment = 0;
};
BcaNumbers BcaNumbersOf(const DiscLengths& d);

}  // namespace nuko::cd
