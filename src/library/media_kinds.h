// The media kinds, their extensions and file-type groups, and the file
// dialog filters. The kind codes are part of formats and string ids
// (base + kind), so they are fixed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nuko::media {

enum class MediaKind : int { Midi = 0, Cd = 1, Movie = 2, Sound = 3 };

inline constexpr int kKindCount = 4;
// Selects every playable extension of every kind (to look into an archive
// before its kind is known).
inline constexpr int AllKinds = 100;

constexpr int Code(MediaKind k) { return static_cast<int>(k); }
constexpr bool IsKind(int code) { return code >= 0 && code < kKindCount; }

// FileTypeFlags: groups of file types of one kind.
namespace file_type {
inline constexpr std::uint16_t kType1 = 0x0001;
inline constexpr std::uint16_t kType2 = 0x0002;
inline constexpr std::uint16_t kType3 = 0x0004;
inline constexpr std::uint16_t kType4 = 0x0008;
inline constexpr std::uint16_t kType5 = 0x0010;
inline constexpr std::uint16_t kArchive = 0x0800;
inline constexpr std::uint16_t kWrd = 0x4000;
inline constexpr std::uint16_t kCatalog = 0x8000;
// Every type group of a kind ("all types"), and with archives besides.
inline constexpr std::uint16_t kAllTypes = kType1 | kType2 | kType3 | kType4 | kType5;
inline constexpr std::uint16_t kAllTypesAndArchives = kAllTypes | kArchive;
// What the archive check dialog starts from: every type group and
// archives, no catalogs, no WRD.
inline constexpr std::uint16_t kArchiveCheckDefault = 0x07FF;
}  // namespace file_type
using FileTypeFlags = std::uint16_t;

// Ordered extensions, each with its leading dot, lower case.
using ExtensionList = std::vector<std::string>;

// Clears `list` and fills it with the kind's extensions in their fixed
// order. plain_only leaves out ".lzh" (and ".wrd" for MIDI); rcp_first puts
// the RCP family before ".mid".
void BuildKindExtensions(ExtensionList& list, int kind, bool plain_only, bool rcp_first);

// Appends the extensions of the groups set in `flags`, in bit order, then
// ".wrd" (MIDI, 0x4000), the catalog extension (0x8000) and ".lzh" (0x0800,
// only with archives enabled). Nothing for CD or unknown kinds.
void BuildFlaggedExtensions(ExtensionList& list, int kind, FileTypeFlags flags, bool archives_enabled);

// ".mit", ".", ".mot", ".wat" ("." never matches a real name); "" for codes
// that are no kind.
std::string_view CatalogExtension(int kind);

// The kind of a lower-cased extension with its dot: the first of Midi, Cd,
// Movie, Sound whose plain list holds it; -1 when none does.
int KindOfExtension(std::string_view ext);

// The kind of an archive member: its last four characters, lower-cased, as
// an extension. Five-character extensions (".mpeg", ".aiff") give no kind,
// and Windows Media members are movies (archives get no header test).
int KindOfArchiveMember(std::string_view member_name);

bool IsWindowsMediaExtension(std::string_view lowered_ext);

// The lower-cased extension of a path with its dot ("" when none): what a
// folder scan compares.
std::string LoweredExtension(std::string_view path);

// Whether a file found by a folder scan belongs to a list of `kind` whose
// extensions are `list`: equal extension, and for ".asf" ".wma" ".wmv" the
// header test decides (Movie unless audio-only, Sound only when audio-only).
// `win_media_type` answers 0, 1 (audio-only) or 2 (with video) for a path.
bool ScanAccepts(std::string_view path, int kind, const ExtensionList& list,
                 const std::function<int(const std::string&)>& win_media_type);
// The same with the path's extension (path::Extension) at hand.
bool ScanAccepts(std::string_view path, std::string_view extension, int kind, const ExtensionList& list,
                 const std::function<int(const std::string&)>& win_media_type);

// The extensions of a list, matched fast against the many names of a folder
// scan: each one of up to eight characters after its dot packed into a
// number. The list must outlive the matcher.
class ExtensionMatcher {
public:
    explicit ExtensionMatcher(const ExtensionList& list);
    // The list's entry (".mid") for an extension given without its dot, in
    // any case; null when the list has none.
    const std::string* Find(std::string_view extension) const;

private:
    const ExtensionList& list_;
    std::vector<std::uint64_t> keys_;  // one per entry; 0 for one that is no ".ext" of up to eight
};
// ScanAccepts with the list's matcher.
bool ScanAccepts(std::string_view path, std::string_view extension, int kind, const ExtensionMatcher& matcher,
                 const std::function<int(const std::string&)>& win_media_type);

// Whether a catalog line's path is accepted: the lower-cased path holds one
// of the extensions anywhere (so "song.mid.txt" is a MIDI line).
bool CatalogAccepts(std::string_view path, const ExtensionList& list);

// The user-visible kind name ("MIDI", "音楽CD", "動画", "ｻｳﾝﾄﾞ").
std::string_view KindName(int kind);

// The filter of the main frame's file selection dialog.
std::string OpenFileFilter(int kind, bool archives_enabled);
// The filter of the catalog dialogs.
std::string CatalogFileFilter(int kind);

// Labels of the archive check dialog's type boxes for 0x0001 ... 0x0010, and
// how many of them mean something for the kind.
std::array<const char*, 5> TypeBoxLabels(int kind);
int MeaningfulTypeBoxes(int kind);

}  // namespace nuko::media
