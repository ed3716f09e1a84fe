// The media title reader: a display title for a media file from inside it
// (a MIDI track name, an RCP song title, an ID3 version 1 tag, a Windows
// Media content description, a catalog's name line, a converter
// definition), and for standard MIDI files the beats per bar that the WRD
// reader uses to scale waits. A file without a title gets its base name.
//
// Titles are UTF-8. Texts inside media files carry no encoding mark: they
// are decoded as CP932 when valid, else as Latin-1, except that a MIDI
// song's texts are read in the encoding decided for the whole song
// (nuko/smf_text.h); byte limits apply to the bytes as found in the file and
// never split a character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "nuko/smf_text.h"

namespace nuko::media {

// Beats per bar against four quarter notes: (numerator, 4) for a
// well-formed time signature.
struct WaitRatio {
    std::int32_t beats = 4;
    std::int32_t unit = 4;
    bool operator==(const WaitRatio&) const = default;
};

// How many bytes of a file's start the reader looks at.
inline constexpr std::size_t kTitleHeadBytes = 999;
inline constexpr std::size_t kNoLimit = SIZE_MAX;

// Readers on bytes. Each returns the text as found, decoded to UTF-8, or
// nullopt when the bytes hold no title.

// `head`: the file's first bytes. The ratio of the first time-signature
// event, (4, 4) when there is none.
WaitRatio SmfWaitRatio(std::string_view head);
// The first track name or text event that is no XF control text; at most
// `max_bytes` of its bytes, decoded in `encoding` (Auto: CP932 when valid,
// else Latin-1).
std::optional<std::string> SmfTitleText(std::string_view head, std::size_t max_bytes = kNoLimit,
                                        SmfEncoding encoding = SmfEncoding::Auto);
// The 80-byte title field of an RCP, R36 or G36 file; at most `max_bytes`.
std::optional<std::string> RcpTitleText(std::string_view head, std::size_t max_bytes = kNoLimit);
// `tag`: the file's last 128 bytes. "artist / title", 30 bytes each.
std::optional<std::string> Id3v1TitleText(std::string_view tag);
// `header`: the ASF header object. "author / title" of the content
// description.
std::optional<std::string> AsfTitleText(std::string_view header);
// The title line (the second line) of a catalog file.
std::optional<std::string> CatalogTitleText(std::string_view head);
// "SMFﾅｲﾌ ﾌｧｲﾙ  ( source --> destination )" of a converter definition.
std::optional<std::string> ConverterTitleText(std::string_view head);

// The two forms of a title: as found (full-width blanks made two blanks),
// and with runs of blanks collapsed (for ID3 tags without a leading or
// trailing " / "). nullopt when the collapsed text says nothing.
struct TitlePair {
    std::string title;
    std::string title2;
};
std::optional<TitlePair> FinishTitle(std::string_view text, bool id3);

struct TitleOptions {
    bool want_title = true;      // false: only the result and the wait ratio
    bool accept_hidden = false;  // hidden files give their contents' title too
    // Size of the caller's buffers (terminator included): the format's byte
    // limits follow it. The returned texts are not cut to it.
    std::size_t buffer_size = kNoLimit;
    // The encoding of a MIDI song's texts; Auto decides it from the song.
    SmfEncoding smf_encoding = SmfEncoding::Auto;
};

struct MediaTitle {
    // 0: no such file, or a folder or system file (the titles are then the
    // "no file" text); 1 otherwise.
    int result = 0;
    std::string title;
    std::string title2;
    WaitRatio ratio;
    bool from_contents = false;  // false: the titles are the base name
};

MediaTitle ReadMediaTitle(const std::string& path, const TitleOptions& options = {});

}  // namespace nuko::media
