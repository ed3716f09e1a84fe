// Text encodings of the legacy formats and byte-safe string routines.
//
// Inside the program every text is UTF-8. Files of Windows origin (catalogs,
// CD title files, WRD scripts, texts inside media files) are Shift-JIS, always
// named code page "CP932" so that the NEC and IBM extension characters
// survive. A text that CP932 cannot hold is written as UTF-8 behind a byte
// order mark, and every reader accepts that mark.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nuko::text {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// CP932 lead bytes: 0x81-0x9F and 0xE0-0xFC. Bytes 0xA1-0xDF are half-width
// katakana and stand alone.
constexpr bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsCp932LeadByte(char c) { return IsCp932LeadByte(static_cast<unsigned char>(c)); }

// CP932 bytes to UTF-8. A byte that does not start a valid character becomes
// U+FFFD and decoding goes on with the next byte, so nothing after a damaged
// spot is lost.
std::string Cp932ToUtf8(std::string_view bytes);

// UTF-8 to CP932; nullopt when a character has no CP932 form or the input is
// not valid UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// UTF-8 to CP932 with '?' for each character that has no CP932 form. For
// places where the format has no room for another encoding.
std::string Utf8ToCp932Lossy(std::string_view utf8);

bool IsValidUtf8(std::string_view bytes);
bool IsValidCp932(std::string_view bytes);

// Invalid UTF-8 sequences replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Decodes a legacy text file's bytes: UTF-8 behind a byte order mark, else
// CP932.
std::string DecodeLegacy(std::string_view bytes);

// Encodes text for a legacy file: CP932 when every character fits, otherwise
// the byte order mark and UTF-8. `utf8_used`, when given, tells which.
std::string EncodeLegacy(std::string_view utf8, bool* utf8_used = nullptr);

// Largest length <= limit at which the CP932 bytes can be cut without
// splitting a double-byte character.
std::size_t Cp932CutLength(std::string_view bytes, std::size_t limit);
std::string_view Cp932Cut(std::string_view bytes, std::size_t limit);

// Largest length <= limit at which UTF-8 can be cut without splitting a
// character.
std::size_t Utf8CutLength(std::string_view utf8, std::size_t limit);
std::string_view Utf8Cut(std::string_view utf8, std::size_t limit);

// Cuts UTF-8 text so that its CP932 form takes at most `limit` bytes (a
// character without a CP932 form counts as its UTF-8 length).
std::string_view CutToCp932Bytes(std::string_view utf8, std::size_t limit);

// EUC-JP bytes to UTF-8, a byte that starts no valid character becoming
// U+FFFD. Some songs of Unix origin carry their texts in it.
std::string EucJpToUtf8(std::string_view bytes);
bool IsValidEucJp(std::string_view bytes);

// Largest length <= limit at which EUC-JP bytes can be cut without splitting
// a character (two bytes from 0x8E or 0xA1 up, three from 0x8F).
std::size_t EucJpCutLength(std::string_view bytes, std::size_t limit);

// Decodes bytes found inside a media file, which carry no encoding mark:
// CP932 when they are valid CP932, else Latin-1.
std::string DecodeUnmarked(std::string_view bytes);

// Byte-safe routines. On UTF-8 they change ASCII only, so a character is never
// split or altered.
void AsciiLower(std::string& s);
void AsciiUpper(std::string& s);
std::string AsciiLowered(std::string_view s);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view s);  // blanks and tabs
// A title read from a media file made fit for a one-line field: control
// characters become blanks, trailing white space goes.
std::string CleanTitle(std::string_view s);

// Same routines on raw CP932 bytes: trail bytes of double-byte characters are
// stepped over (a trail byte may lie in A-Z).
void Cp932AsciiLower(std::string& bytes);
void Cp932AsciiUpper(std::string& bytes);

// UTF-16 little-endian code units to UTF-8 (an odd last byte is ignored, an
// unpaired surrogate becomes U+FFFD). Zero units are kept: callers cut at the
// terminator their format uses.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace nuko::text
