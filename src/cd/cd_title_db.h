// The CD title database: INI text files (CP932) with one section per disc,
// named by its disc id, and the registration index (disc id -> 15-byte
// label, "... -> ", file path).
//
// A disc is held in a MediaList (the "record"): title = artist, sub_title =
// disc title, path = the CD title file, section = the disc id, picture, and
// loaded = the program-play switch. Each track is a MediaItem: name = its
// track key (MM:SS:FF, unique within the disc), title, number = its program
// number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "disc_id.h"
#include "registration_index.h"
#include "library/media_list.h"

namespace nuko::cd {

inline constexpr std::string_view kDefaultTitleFileName = "nu_kopcd.txt";
inline constexpr std::string_view kNoValue = "__<none>__";
// Values read from a CD title file are cut at this many CP932 bytes.
inline constexpr std::size_t kTitleValueMax = 511;

// "Track %02u".
std::string DefaultTrackTitle(int track_number);

// The key of a track in a disc's section: "%03u/" and the first 5
// characters of the track key, or the whole track key in an older section.
std::string SectionTrackKey(std::string_view disc_id, int track_number, std::string_view track_key);

// The key of a track's notes in a disc's section ("Notes01"); the disc's
// own notes are under "Notes".
std::string TrackNotesKey(int track_number);

// The 15-byte label of a registration (CP932 bytes, no character split).
std::string RegistrationLabel(std::string_view artist, std::string_view title);
// Label, "... -> " and the path.
std::string RegistrationValue(std::string_view artist, std::string_view title, std::string_view path);
// The path of a registration value: everything after its first 22 bytes
// (after the first " -> " when the label lost its width, as blanks at the
// start of a value do in profile files), mapped to a Linux path when it is
// one of Windows origin. Empty when the value holds none.
std::string PathOfRegistration(std::string_view value);

// A registration value as the settings store must hold it to give it back
// unchanged: wrapped in double quotes when it begins or ends with a blank,
// else through Nu_koStringCheck.
std::string StoredRegistrationValue(std::string_view value);

// Reads a record's names from the bytes of a CD title file (section named
// by record.section, tracks keyed by their item names).
void LoadDiscFromBytes(media::MediaList& record, std::string_view file_bytes);

class CdTitleDatabase {
public:
    // `default_file` is where discs go that no registration names (the data
    // folder's "nu_kopcd.txt" in the player).
    CdTitleDatabase(RegistrationIndex& index, std::string default_file);

    const std::string& default_file() const { return default_file_; }

    // Computes the disc id, finds the disc's file through the registration
    // index and, when the id differs from the record's, rebuilds the tracks
    // and loads the names; a disc found under its older id is moved to the
    // current one. True when the id differed.
    bool LookupDisc(media::MediaList& record, const DiscLengths& disc);

    // Reads artist, title, picture, track titles and the program from the
    // record's file. A missing file, section or key leaves defaults.
    void LoadDisc(media::MediaList& record) const;

    // Writes the record's section (moving an older section to the current
    // id) and, with `register_disc`, its registration. False when anything
    // could not be written; then the file is as it was.
    bool SaveDisc(media::MediaList& record, bool register_disc);

    // Removes the disc's registration and section, points the record back at
    // the default file and reloads it. False when a write failed.
    bool DeleteDisc(media::MediaList& record);

    // The registration value of an id, if any.
    std::optional<std::string> Registration(std::string_view id) const;

    // The `Title` stored for the disc in a file under its id or, failing
    // that, under the id's first 9 characters; `found_id` tells which.
    static std::string StoredTitle(const std::string& file, std::string_view id,
                                   std::string* found_id = nullptr);

private:
    RegistrationIndex& index_;
    std::string default_file_;
};

}  // namespace nuko::cd
