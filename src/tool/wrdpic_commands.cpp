// nu_kotool wrdpic: draws a WRD picture file (MAG, PHO, picture program) on a
// black 640 x 400 page and writes it as a PNG, to look at a picture
// collection or check a decoder.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

#include "nuko/paths.h"
#include "nuko/text.h"
#include "nuko/wrd_files.h"
#include "tool_commands.h"

namespace nuko::tool {

namespace {

constexpr const char* kUsage =
    "usage: nu_kotool wrdpic FILE OUT.png [--x X] [--y Y] [--reduce R] [--palette-mode M]\n";

bool ParseInt(const std::string& s, int& out) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || v < -100000 || v > 100000) return false;
    out = static_cast<int>(v);
    return true;
}

std::optional<wrd::PictureKind> KindOf(const std::string& path) {
    std::string ext = text::AsciiLowered(path::Extension(path));
    if (ext == "mag") return wrd::PictureKind::Mag;
    if (ext == "pho") return wrd::PictureKind::Pho;
    if (ext == "com") return wrd::PictureKind::Program;
    return std::nullopt;
}

}  // namespace

int RunWrdPic(const Args& args) {
    if (args.size() < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& file = args[0];
    const std::string& out_path = args[1];
    wrd::Placement at;
    int palette_mode = wrd::kPaletteApply;
    for (std::size_t i = 2; i < args.size(); i += 2) {
        int* target = args[i] == "--x"              ? &at.x
                      : args[i] == "--y"            ? &at.y
                      : args[i] == "--reduce"       ? &at.reduction
                      : args[i] == "--palette-mode" ? &palette_mode
                                                    : nullptr;
        if (!target || i + 1 >= args.size() || !ParseInt(args[i + 1], *target)) {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    auto kind = KindOf(file);
    if (!kind) {
        std::fprintf(stderr, "nu_kotool: %s is not a .mag, .pho or .com file\n", file.c_str());
        return 1;
    }

    wrd::Page page;
    auto picture = wrd::DrawPictureFile(file, *kind, page.Points(), at, palette_mode);
    if (!picture) {
        std::fprintf(stderr, "nu_kotool: %s could not be decoded\n", file.c_str());
        return 1;
    }
    wrd::PlacedArea area = wrd::Place(*picture, at);
    std::printf("kind: %d\nsize: %dx%d\nposition: %d,%d\n", static_cast<int>(*kind), picture->width,
                picture->height, area.x, area.y);
    if (palette_mode == wrd::kPaletteApply && picture->has_colors) page.Colors() = picture->colors;

    // Which points the picture covered: the same placement of an all-ones
    // picture on an empty page. The rest of the page stays black.
    wrd::Picture mask = *picture;
    std::fill(mask.points.begin(), mask.points.end(), 1);
    wrd::Page covered;
    std::size_t drawn = palette_mode == wrd::kPaletteOnly && picture->has_colors
                            ? 0
                            : wrd::DrawPicture(mask, covered, at);
    if (drawn == 0) {
        std::fprintf(stderr, "nu_kotool: nothing of %s was drawn on the page\n", file.c_str());
        return 1;
    }

    QImage image(wrd::kPageWidth, wrd::kPageHeight, QImage::Format_RGB32);
    std::vector<std::uint32_t> argb = page.ToArgb32();
    for (int y = 0; y < wrd::kPageHeight; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < wrd::kPageWidth; ++x) {
            std::size_t i = static_cast<std::size_t>(y) * wrd::kPageWidth + static_cast<std::size_t>(x);
            row[x] = covered.At(x, y) ? argb[i] : 0xFF000000u;
        }
    }
    if (!image.save(QString::fromStdString(out_path), "PNG")) {
        std::fprintf(stderr, "nu_kotool: cannot write %s\n", out_path.c_str());
        return 1;
    }
    if (!picture->text.empty()) std::printf("text: %s\n", text::Cp932ToUtf8(picture->text).c_str());
    return 0;
}

}  // namespace nuko::tool
