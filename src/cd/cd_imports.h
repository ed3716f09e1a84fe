// CD data of other programs read into a disc record, and the plain-text
// form of a record used for clipboard copy and paste.
//
//  - "bca.dat" of another CD player: an INI file with one section per disc,
//    named by a number made from the disc's lengths (BcaNumbers), with keys
//    ArtistName, Title and "01", "02", ... for the tracks;
//  - the csv export of another CD player: the title on line 1, the artist on
//    line 2, then one line per track ("01","title",...).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "disc_id.h"
#include "library/media_list.h"

namespace nuko::cd {

// Values read from other programs' files are cut at this many CP932 bytes.
inline constexpr std::size_t kForeignValueMax = 254;

enum class ImportKind { None, TitleFile, Bca, Csv };

// The kind of a file chosen for import. Filter 1 (all data files) decides
// by the name: ".txt" a CD title file, exactly "bca.dat" a bca file, ".csv"
// a csv file. Filters 2, 3 and 4 name their kind.
ImportKind KindOfImport(std::string_view path, int filter_index);

// The section of the disc in a bca file and its title; empty section when
// the disc is not there. The first candidate is tried as "%010lu", then the
// candidate plus the increment as "%lu".
struct BcaMatch {
    std::string section;
    std::string title;
};
BcaMatch FindBcaDisc(std::string_view file_bytes, const BcaNumbers& numbers);
// Artist, title and track titles of a found section; program play off,
// program numbers in track order.
void LoadBcaDisc(std::string_view file_bytes, const std::string& section, media::MediaList& record);

struct CsvDisc {
    std::string title;
    std::string artist;
    std::vector<std::string> tracks;  // one per track of the record
};
CsvDisc ParseCsv(std::string_view file_bytes, std::size_t track_count);
void ApplyCsv(const CsvDisc& csv, media::MediaList& record);

// Artist, title, picture, then each track title, each ended by CR LF.
std::string CopyText(const media::MediaList& record);
// The lines of a text as copy writes them: line 1 the artist, 2 the title,
// 3 the picture, 4 onward the track titles in track order. A last line
// without a line end is not used.
void PasteText(std::string_view text, media::MediaList& record);

}  // namespace nuko::cd
