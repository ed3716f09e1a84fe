// The words sung in a MIDI song, read from the song itself: its lyric events
// (meta 0x05), or for a karaoke (.kar) song the text events (meta 0x01) of
// the track that carries the words. The song's separators make its lines and
// pages:
//   .kar text events   "@" header lines (@T title, @I information, ...) are
//                      not sung; "/" starts a new line, "\" a new page.
//   lyric events       CR starts a new line, LF a new page; "/" and "\" as in
//                      .kar where the song begins or ends syllables with them
//                      and in an XF song, where "<" turns the page too.
// A track without any separator is broken into lines where the singing
// pauses (two quarter notes or more between syllables). Spaces and
// syllables stay as the song splits them; several tracks of words (a lead
// and harmonies) each keep their own lines. Plain C++ over bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nuko/smf_text.h"

namespace nuko::wrd {

struct LyricSyllable {
    std::uint32_t tick = 0;
    std::int64_t ms = 0;  // from the song's start, by its tempo map
    std::string text;     // UTF-8, without separators
};

struct LyricLine {
    std::uint16_t track = 0;
    bool new_page = false;  // the song turns the page before this line
    std::vector<LyricSyllable> syllables;  // never empty

    std::uint32_t tick() const { return syllables.front().tick; }
    std::int64_t ms() const { return syllables.front().ms; }
    // The syllables joined, without blanks at either end.
    std::string Text() const;
};

struct Lyrics {
    media::SmfEncoding encoding = media::SmfEncoding::Cp932;
    int division = 480;           // the song's ticks per quarter note
    bool from_text_events = false;  // the words of a .kar song
    bool paged = false;           // the song marks its pages
    std::vector<LyricLine> lines;   // by the time of their first syllable
    std::size_t syllables = 0;

    bool empty() const { return lines.empty(); }
    // The track with the most syllables: the lead voice.
    std::uint16_t LeadTrack() const;
};

// Lyrics of a song; empty when it has none or is no MIDI file. `forced`:
// the user's encoding (Auto decides it from the song). `kar_name`: the file
// is named "*.kar", whose text events are words even without separators.
Lyrics ReadLyrics(std::string_view bytes, media::SmfEncoding forced = media::SmfEncoding::Auto,
                  bool kar_name = false);
// The same from a file; nullopt when it cannot be read.
std::optional<Lyrics> ReadLyricsFile(const std::string& path, media::SmfEncoding forced = media::SmfEncoding::Auto);

}  // namespace nuko::wrd
