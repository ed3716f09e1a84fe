// The texts inside a standard MIDI file (lyrics, text events, track names)
// and the one encoding they are read in. Songs carry no encoding mark: old
// Japanese ones are Shift-JIS (CP932), newer ones UTF-8, a few of Unix
// origin EUC-JP. The encoding is decided once per song, from all its texts
// together, so a title, its track names and its lyrics always agree.
// Plain C++ over bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::media {

// The values of the user's choice (settings `Word`/`LyricsEncoding`).
enum class SmfEncoding { Auto = 0, Cp932 = 1, Utf8 = 2, EucJp = 3 };

// "cp932", "utf-8" or "euc-jp" (Auto: "auto").
const char* SmfEncodingName(SmfEncoding encoding);
// A stored setting as an encoding; out of range counts as Auto.
SmfEncoding SmfEncodingFromSetting(int value);

// Meta event types of the texts.
inline constexpr std::uint8_t kMetaText = 0x01;
inline constexpr std::uint8_t kMetaTrackName = 0x03;
inline constexpr std::uint8_t kMetaLyric = 0x05;

struct SmfText {
    std::uint32_t tick = 0;
    std::uint16_t track = 0;  // index among the song's MTrk chunks
    std::uint8_t type = 0;    // meta event type, 0x01-0x07
    std::string bytes;        // as found
};

struct SmfTexts {
    int division = 0;      // ticks per quarter note, 0 for time code
    bool xf = false;       // the song has the chunks or texts of the XF form
    std::vector<SmfText> texts;  // track by track, each in its order
};

// Reads the text meta events (types 0x01-0x07) of every track. Chunks other
// than MThd and MTrk (the XF form's XFIH, XFKM) are skipped; a track that is
// cut short or damaged ends where it stops making sense; format 2 tracks
// follow one another. Bytes that are no MIDI file give no texts.
SmfTexts ReadSmfTexts(std::string_view bytes);

// The song's encoding from its lyric, text and track-name events: UTF-8
// when they are all valid UTF-8 and some hold multi-byte characters, EUC-JP
// when that decode is clearly the cleaner one (valid, full of kana where the
// CP932 decode has none), else CP932.
SmfEncoding DecideSmfEncoding(const SmfTexts& texts);
// `forced` unless Auto, else the decision.
SmfEncoding SongEncoding(const SmfTexts& texts, SmfEncoding forced);

// One text of the song as UTF-8 (CP932 texts that are not valid CP932 read
// as Latin-1, as any text found in a media file does).
std::string DecodeSmfText(std::string_view raw, SmfEncoding encoding);
// Largest length <= limit at which `raw` can be cut without splitting a
// character of the encoding.
std::size_t SmfTextCutLength(std::string_view raw, std::size_t limit, SmfEncoding encoding);

// The XF form's control texts ("XFhd:...", "XFln:...", "XFkm:..."): they
// describe the song and are never its title.
bool IsXfControlText(std::string_view raw);

}  // namespace nuko::media
