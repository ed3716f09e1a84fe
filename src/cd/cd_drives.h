// The CD panel's drive list: the machine's CD drives, each with a drive
// letter, and disc images standing in as drives of their own; and the CD
// forms of a path given from outside ("D:\" a drive's disc, "D*3" its
// track 3, "Track03.cda" a track of the current drive).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nuko/paths.h"

namespace nuko::cd {

struct CdDrive {
    char letter = 0;      // 0 for an image
    std::string device;   // "/dev/sr0" or the image file
    bool image = false;

    // "D" for a drive, the file name for an image.
    std::string Label() const;
};

// Letters for the drives: the letter whose `Drives` entry names the device
// (or a link to it), else the next letter from "D" that neither the map
// nor an earlier drive uses. Drives beyond "Z" are left out.
std::vector<CdDrive> AssignDriveLetters(const std::vector<std::string>& devices, const path::DriveMap& drives);

// The index of the drive with that letter (either case), else -1.
int FindDriveByLetter(const std::vector<CdDrive>& list, char letter);
// The index of the drive whose device is that path, else -1.
int FindDriveByDevice(const std::vector<CdDrive>& list, const std::string& device);

// A line of the multi-CD drive selection dialog: `label` (string 181)
// padded with blanks to 32 characters, the letter, "  (No.", the
// character "1" plus the index, ")", and the device after two blanks.
std::string MultiCdDriveLine(std::string_view label, const CdDrive& drive, int index);
// At most this many lines; the dialog's flags (Cd/MultiCdSel) are as many.
inline constexpr int kMultiCdDrives = 30;

// A CD form of a path that names no file or folder.
struct CdPathForm {
    char letter = 0;  // upper case
    int track = 0;    // 0: the disc, from its first track
};
// "D:\" or "D:/" (three characters) gives the drive; "D*N" with N >= 1
// gives track N. Anything else (fewer than three characters, no "*" in
// second place, a track below 1 or not a number) is nullopt.
std::optional<CdPathForm> ParseCdPathForm(std::string_view path);
// The track number of a ".cda" track file name: the two characters before
// ".cda"; 0 when they are no number.
int CdaTrackNumber(std::string_view path);

}  // namespace nuko::cd
