#include "nuko/wrd_files.h"

#include "nuko/fileio.h"
#include "nuko/files.h"
#include "nuko/mag_decoder.h"
#include "nuko/paths.h"
#include "nuko/pho_decoder.h"
#include "nuko/text.h"

namespace nuko::wrd {

namespace {

constexpr std::string_view kExtensions[] = {"bmp", "mag", "pho", "com"};

// The existing file for `path`, its letters in any case.
std::optional<std::string> Existing(const std::string& path) {
    if (files::IsFileFound(path, true)) return path;
    std::string resolved = path::ResolveCaseInsensitive(path);
    if (resolved != path && files::IsFileFound(resolved, true)) return resolved;
    return std::nullopt;
}

std::string WithExtension(std::string_view name, std::string_view ext) {
    if (path::Extension(name).size() == 3) return path::ReplaceExtension(name, ext);
    std::string out(name);
    out += '.';
    out += ext;
    return out;
}

}  // namespace

std::string ScriptPicturePath(std::string_view song_folder, std::string_view cp932_name) {
    bool mapped = false;
    std::string name = path::FromLegacy(text::Cp932ToUtf8(cp932_name), path::CurrentDriveMap(), &mapped);
    // An unmapped drive letter names no file; joining it to the folder would
    // make it name one.
    if (mapped || path::IsAbsolute(name) || path::HasDriveLetter(name)) return name;
    return path::Join(song_folder, name);
}

std::optional<FoundFile> FindWrdFile(std::string_view name, int kind) {
    if (name.empty() || kind < -1 || kind > 3) return std::nullopt;
    std::string legacy = path::FromLegacy(name, path::CurrentDriveMap());
    int first = kind == -1 ? 0 : kind;
    int last = kind == -1 ? 3 : kind;
    for (int k = first; k <= last; ++k) {
        if (auto found = Existing(WithExtension(legacy, kExtensions[k])))
            return FoundFile{*found, static_cast<PictureKind>(k)};
    }
    if (kind != -1) {
        if (auto found = Existing(legacy)) return FoundFile{*found, static_cast<PictureKind>(kind)};
    }
    return std::nullopt;
}

std::optional<Picture> LoadPicture(const std::string& path, PictureKind kind) {
    if (kind == PictureKind::Bmp) return std::nullopt;
    // One byte more than allowed tells a file that is too large.
    auto bytes = fileio::ReadFile(path, kMaxPictureFileBytes + 1);
    if (!bytes || bytes->size() > kMaxPictureFileBytes) return std::nullopt;
    switch (kind) {
        case PictureKind::Mag: return DecodeMag(*bytes);
        case PictureKind::Pho: return DecodePho(*bytes);
        case PictureKind::Program: return DecodeProgram(*bytes);
        case PictureKind::Bmp: break;
    }
    return std::nullopt;
}

std::optional<Picture> DrawPictureFile(const std::string& path, PictureKind kind, PagePoints page,
                                       const Placement& at, int palette_mode) {
    auto picture = LoadPicture(path, kind);
    if (!picture) return std::nullopt;
    if (palette_mode != kPaletteOnly || !picture->has_colors) DrawPicture(*picture, page, at);
    return picture;
}

std::optional<ProgramCall> GetWrdComData(const std::string& path, std::string_view parameter) {
    if (IsClearProgram(path)) {
        ProgramCall call;
        call.clear_only = true;
        return call;
    }
    // Only the header is needed, and it ends before either layout's data.
    auto bytes = fileio::ReadFile(path, kHuffmanHeaderOffset + kHuffmanDataOffset);
    if (!bytes) return std::nullopt;
    auto header = ReadProgramHeader(*bytes);
    if (!header) return std::nullopt;
    return ProgramCallFor(*header, parameter);
}

}  // namespace nuko::wrd
