// Picture files named by WRD scripts: finding them beside the song, reading
// the placement of picture programs, and drawing any of them into a page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "nuko/picture_program.h"
#include "nuko/wrd_picture.h"

namespace nuko::wrd {

// Largest picture file read; larger files are not pictures of these formats.
inline constexpr std::size_t kMaxPictureFileBytes = 16u << 20;

// Palette modes of a picture call: apply the picture's colours, keep the
// current ones, or load the colours without drawing.
inline constexpr int kPaletteApply = 0;
inline constexpr int kPaletteKeep = 1;
inline constexpr int kPaletteOnly = 2;

// A picture name as a script writes it (CP932, "\" separators, perhaps a
// drive letter) as a Linux path: relative names are taken from the song's
// folder, drive letters through the drive map.
std::string ScriptPicturePath(std::string_view song_folder, std::string_view cp932_name);

struct FoundFile {
    std::string path;  // as it exists on disk
    PictureKind kind = PictureKind::Bmp;
};

// Looks for the picture file of `name` (a Linux path; "\" and drive letters
// are still understood). A three-letter extension is replaced (any other name
// gets one added) by ".bmp", ".mag", ".pho" or ".com", and each is looked for
// with its letters in any case. kind -1 tries the four in that order; a kind
// 0-3 tries its own extension and then the name as it is, which then counts
// as that kind.
std::optional<FoundFile> FindWrdFile(std::string_view name, int kind);

// Reads and decodes a picture file of kind MAG, PHO or program.
std::optional<Picture> LoadPicture(const std::string& path, PictureKind kind);

// Decodes the file and draws it into the page unless the palette mode is
// kPaletteOnly (a PHO screen, having no colours to load, is drawn in every
// mode). Returns the picture, whose colours and text the caller may take
// over; nullopt when nothing could be decoded, and then the page is as it was.
std::optional<Picture> DrawPictureFile(const std::string& path, PictureKind kind, PagePoints page,
                                       const Placement& at, int palette_mode);

// The set-up of a program call: the clearing program by its name, without
// reading it; any other file must be a picture program. nullopt otherwise.
std::optional<ProgramCall> GetWrdComData(const std::string& path, std::string_view parameter);

}  // namespace nuko::wrd
