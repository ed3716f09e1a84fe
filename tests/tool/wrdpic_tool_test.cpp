// nu_kotool wrdpic run as users run it, its PNGs read back.
#include <set>

#include <QImage>
#include <gtest/gtest.h>

#include "nuko/mag_decoder.h"
#include "test_support.h"

using nuko::test::KoTool;
using nuko::test::RunProgram;
using nuko::test::TempDir;

namespace {

// The 16 colours of a MAG file read from its bytes: after the comment's
// 0x1A comes a 32-byte header, then green, red, blue bytes per colour whose
// high 4 bits are the hardware's level (0-15, shown as level x 17).
std::set<QRgb> MagPalette(const std::string& file) {
    std::size_t header = file.find('\x1a');
    if (header == std::string::npos || file.size() < header + 1 + 32 + 48) return {};
    std::set<QRgb> palette;
    const std::size_t colours = header + 1 + 32;
    for (std::size_t i = 0; i < 16; ++i) {
        auto level = [&](std::size_t at) { return (static_cast<unsigned char>(file[colours + i * 3 + at]) >> 4) * 17; };
        palette.insert(qRgb(level(1), level(0), level(2)));
    }
    return palette;
}

}  // namespace

TEST(WrdPicTool, CorpusMagsBecomePngsInTheirOwnColours) {
    NUKO_CORPUS_FILE(mag, "mag/");
    TempDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"vavi-image_test2.mag", "kind: 1\nsize: 640x400\nposition: 0,0\n"},
        {"vavi-image_test.mag", "kind: 1\nsize: 640x200\nposition: 0,0\n"},
    };
    for (auto [file, want] : cases) {
        std::string out;
        std::string png = dir.File(std::string(file) + ".png");
        ASSERT_EQ(RunProgram({KoTool(), "wrdpic", mag + file, png}, &out), 0) << file;
        EXPECT_EQ(out, want);
        QImage image(QString::fromStdString(png));
        ASSERT_EQ(image.size(), QSize(640, 400)) << file;
        std::set<QRgb> palette = MagPalette(nuko::test::ReadBytes(mag + file));
        ASSERT_FALSE(palette.empty()) << file;
        std::set<QRgb> seen;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 640; ++x) seen.insert(image.pixel(x, y));
        for (QRgb c : seen) EXPECT_TRUE(palette.count(c)) << file << ": " << std::hex << c;
        EXPECT_GE(seen.size(), 6u) << file;
    }
}

TEST(WrdPicTool, PlacementOptionsAndRefusals) {
    NUKO_CORPUS_FILE(mag, "mag/");
    TempDir dir;
    std::string out;
    std::string png = dir.File("r.png");
    ASSERT_EQ(RunProgram({KoTool(), "wrdpic", mag + "vavi-image_test2.mag", png, "--x", "605", "--y", "300",
                          "--reduce", "2"},
                         &out),
              0);
    EXPECT_EQ(out, "kind: 1\nsize: 640x400\nposition: 600,300\n");
    QImage image(QString::fromStdString(png));
    auto pic = nuko::wrd::DecodeMag(nuko::test::ReadBytes(mag + "vavi-image_test2.mag"));
    ASSERT_TRUE(pic);
    auto colour_at = [&](int x, int y) { return pic->colors[pic->At(x, y)].Argb32(); };
    // 320 x 200 from 600,300: its first 40 columns at the right edge, the
    // rest from the left edge, cut at the bottom; the rest stays black.
    for (int y = 300; y < 400; y += 7) {
        EXPECT_EQ(image.pixel(601, y), colour_at(2, (y - 300) * 2));
        EXPECT_EQ(image.pixel(10, y), colour_at(100, (y - 300) * 2));
        EXPECT_EQ(image.pixel(279, y), colour_at(638, (y - 300) * 2));
        EXPECT_EQ(image.pixel(280, y), qRgb(0, 0, 0));
        EXPECT_EQ(image.pixel(599, y), qRgb(0, 0, 0));
    }
    EXPECT_EQ(image.pixel(10, 299), qRgb(0, 0, 0));

    // Not a MAG02 picture: nothing drawn.
    std::string renamed = dir.File("maki01.mag");
    nuko::test::WriteBytes(renamed, nuko::test::ReadBytes(mag + "extra/vavi-image_test.mki"));
    EXPECT_EQ(RunProgram({KoTool(), "wrdpic", renamed, png}, &out), 1);
    EXPECT_EQ(RunProgram({KoTool(), "wrdpic", mag + "vavi-image_test2.mag", png, "--palette-mode", "2"}, &out), 1);
    EXPECT_EQ(RunProgram({KoTool(), "wrdpic", mag + "vavi-image_test2.mag", png, "--y", "400"}, &out), 1);
    EXPECT_EQ(RunProgram({KoTool(), "wrdpic", mag + "vavi-image_test2.mag", png, "--x"}, &out), 2);
}
