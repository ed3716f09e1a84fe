// Placing pictures on a page, finding picture files beside a song, and the C
// exports as the WRD screen calls them.
#include <nu_32std_wrd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "nuko/paths.h"
#include "nuko/wrd_files.h"
#include "test_support.h"
#include "wrd_encoders.h"

using namespace nuko::wrd;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// A picture whose every point tells where it came from.
Picture Numbered(PictureKind kind, int width, int height) {
    Picture p;
    p.kind = kind;
    p.width = width;
    p.height = height;
    p.points.resize(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.points[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>((x + 3 * y) % 15 + 1);
    return p;
}

std::size_t CountNonZero(const Page& page) {
    auto pts = page.Points();
    return static_cast<std::size_t>(std::count_if(pts.begin(), pts.end(), [](auto v) { return v != 0; }));
}

nuko::test::MagSpec Mag80x40() {
    nuko::test::MagSpec m;
    m.start_x = 16;
    m.start_y = 8;
    m.width = 80;
    m.height = 40;
    m.points = nuko::test::PatternPoints(80, 40, 16, 11);
    for (std::uint8_t i = 0; i < 16; ++i) m.colors[i] = {i, i, static_cast<std::uint8_t>(15 - i)};
    return m;
}

}  // namespace

TEST(WrdPlacement, MagPastTheRightEdgeContinuesAtTheLeft) {
    Picture mag = Numbered(PictureKind::Mag, 80, 10);
    Page page;
    EXPECT_EQ(DrawPicture(mag, page, {600, 50, 1}), 800u);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(page.At(600 + x, 50 + y), mag.At(x, y));
            EXPECT_EQ(page.At(x, 50 + y), mag.At(40 + x, y));  // the last 40 points
        }
    }
    EXPECT_EQ(CountNonZero(page), 800u);
    // A picture program is cut off there instead.
    Page clipped;
    Picture program = Numbered(PictureKind::Program, 80, 10);
    EXPECT_EQ(DrawPicture(program, clipped, {600, 50, 1}), 400u);
    EXPECT_EQ(clipped.At(0, 50), 0);
}

TEST(WrdPlacement, PositionRoundingStoredPositionReductionAndBottomCut) {
    Picture mag = Numbered(PictureKind::Mag, 80, 40);
    mag.x = 104;
    mag.y = 30;
    PlacedArea a = Place(mag, {605, -1, 1});
    EXPECT_EQ(a.x, 600);  // rounded down to 8
    EXPECT_EQ(a.y, 30);   // stored
    a = Place(mag, {-1, 7, 2});
    EXPECT_EQ(a.x, 104);
    EXPECT_EQ(a.y, 7);
    EXPECT_EQ(a.width, 40);
    EXPECT_EQ(a.height, 20);

    Page page;
    EXPECT_EQ(DrawPicture(mag, page, {0, 0, 2}), 800u);
    EXPECT_EQ(page.At(3, 5), mag.At(6, 10));  // every second point of every second line
    EXPECT_EQ(page.At(40, 0), 0);

    Page bottom;
    EXPECT_EQ(DrawPicture(mag, bottom, {0, 390, 1}), 800u);  // 10 of 40 lines
    EXPECT_EQ(DrawPicture(mag, bottom, {0, 400, 1}), 0u);

    // 200-line pictures cover two page lines per line.
    Picture doubled = Numbered(PictureKind::Mag, 8, 2);
    doubled.double_lines = true;
    Page lines;
    EXPECT_EQ(DrawPicture(doubled, lines, {0, 0, 1}), 32u);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(lines.At(1, y), doubled.At(1, y / 2)) << y;

    // A PHO screen ignores placement.
    Picture pho = Numbered(PictureKind::Pho, 640, 400);
    Page full;
    EXPECT_EQ(DrawPicture(pho, full, {320, 200, 4}), kPagePoints);
    EXPECT_EQ(full.At(0, 0), pho.At(0, 0));
}

TEST(WrdFiles, FindTriesExtensionsInOrderInAnyCase) {
    TempDir dir;
    WriteBytes(dir.File("song.bmp"), "b");
    WriteBytes(dir.File("SONG.MAG"), "m");
    WriteBytes(dir.File("Pic.Com"), "c");
    WriteBytes(dir.File("prog.exe"), "e");
    std::string song = dir.File("song.mid");

    char found[NUKO_PATH_MAX];
    EXPECT_EQ(FindWrdFile(song.c_str(), found, -1), NUKO_WRD_BMP);
    EXPECT_EQ(std::string(found), dir.File("song.bmp"));
    EXPECT_EQ(FindWrdFile(song.c_str(), found, NUKO_WRD_MAG), NUKO_WRD_MAG);
    EXPECT_EQ(std::string(found), dir.File("SONG.MAG"));
    EXPECT_EQ(FindWrdFile(song.c_str(), nullptr, NUKO_WRD_PHO), -1);
    // A name without extension gets one; a kind's own name is tried last.
    EXPECT_EQ(FindWrdFile(dir.File("pic").c_str(), found, NUKO_WRD_COM), NUKO_WRD_COM);
    EXPECT_EQ(std::string(found), dir.File("Pic.Com"));
    EXPECT_EQ(FindWrdFile(dir.File("prog.exe").c_str(), found, NUKO_WRD_COM), NUKO_WRD_COM);
    EXPECT_EQ(std::string(found), dir.File("prog.exe"));
    EXPECT_EQ(FindWrdFile(dir.File("prog.exe").c_str(), found, -1), -1);
    EXPECT_EQ(FindWrdFile(song.c_str(), found, 4), -1);
}

TEST(WrdFiles, ScriptNamesBecomeLinuxPaths) {
    TempDir dir;
    ASSERT_EQ(nuko::test::RunProgram({"/bin/mkdir", dir.File("絵")}, nullptr), 0);
    WriteBytes(dir.File("絵/Title.mag"), "m");
    // "絵\TITLE" in CP932 ("\x8a\x47" is 絵) relative to the song's folder.
    std::string path = ScriptPicturePath(dir.path(), "\x8a\x47\\TITLE");
    EXPECT_EQ(path, dir.File("絵/TITLE"));
    auto found = FindWrdFile(path, 1);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, dir.File("絵/Title.mag"));

    nuko::path::SetCurrentDriveMap({{'D', dir.path()}});
    EXPECT_EQ(ScriptPicturePath("/elsewhere/", "d:\\\x8a\x47\\TITLE.MAG"), dir.File("絵/TITLE.MAG"));
    EXPECT_EQ(ScriptPicturePath("/elsewhere/", "E:\\A.MAG"), "E:/A.MAG");  // unmapped: no file
    nuko::path::SetCurrentDriveMap({});
}

TEST(WrdExports, CreateWrdGraphicDrawsMagAndHandsBackItsColours) {
    TempDir dir;
    auto sample = Mag80x40();
    WriteBytes(dir.File("a.mag"), nuko::test::EncodeMag(sample));
    std::vector<std::uint8_t> page(kPagePoints, 0);
    std::uint8_t palette[64];
    char text[16] = "unchanged";
    ASSERT_EQ(CreateWrdGraphic(dir.File("a.mag").c_str(), NUKO_WRD_MAG, page.data(), -1, -1, 1,
                               NUKO_WRD_PALETTE_APPLY, palette, text, sizeof text),
              1);
    EXPECT_EQ(page[8 * 640 + 16], sample.points[0]);
    EXPECT_EQ(page[(8 + 39) * 640 + 16 + 79], sample.points.back());
    EXPECT_EQ(palette[4 * 3], 3 * 17);         // red of colour 3
    EXPECT_EQ(palette[4 * 3 + 2], 12 * 17);    // its blue
    EXPECT_EQ(palette[4 * 3 + 3], 0);
    EXPECT_STREQ(text, "");

    // Palette mode 2: colours only.
    std::vector<std::uint8_t> untouched(kPagePoints, 0);
    std::memset(palette, 0, sizeof palette);
    ASSERT_EQ(CreateWrdGraphic(dir.File("a.mag").c_str(), NUKO_WRD_MAG, untouched.data(), 0, 0, 1,
                               NUKO_WRD_PALETTE_ONLY, palette, nullptr, 0),
              1);
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](auto v) { return v == 0; }));
    EXPECT_EQ(palette[4 * 15], 15 * 17);

    // Nothing decodes: 0, page untouched.
    WriteBytes(dir.File("bad.mag"), "MAKI02  no end");
    EXPECT_EQ(CreateWrdGraphic(dir.File("bad.mag").c_str(), NUKO_WRD_MAG, untouched.data(), 0, 0, 1, 0, palette, nullptr, 0), 0);
    EXPECT_EQ(CreateWrdGraphic(dir.File("missing.mag").c_str(), NUKO_WRD_MAG, untouched.data(), 0, 0, 1, 0, palette, nullptr, 0), 0);
    EXPECT_EQ(CreateWrdGraphic(dir.File("a.mag").c_str(), NUKO_WRD_BMP, untouched.data(), 0, 0, 1, 0, palette, nullptr, 0), 0);
    EXPECT_EQ(CreateWrdGraphic(dir.File("a.mag").c_str(), NUKO_WRD_PHO, untouched.data(), 0, 0, 1, 0, palette, nullptr, 0), 0);
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](auto v) { return v == 0; }));
}

TEST(WrdExports, ProgramTextAndPhoScreen) {
    TempDir dir;
    nuko::test::ProgramSpec sample;
    sample.layout = ProgramLayout::Huffman;
    sample.flags = 0x04 | 0x08;
    sample.planes = 3;
    sample.screen_offset = 80 * 10 + 2;
    sample.width_bytes = 4;
    sample.height = 8;
    sample.points = nuko::test::PatternPoints(32, 8, 8, 1);
    sample.text = "\x89\xcc\x8e\x8c";  // 歌詞
    WriteBytes(dir.File("p.com"), nuko::test::EncodeProgram(sample));
    std::vector<std::uint8_t> page(kPagePoints, 0);
    std::uint8_t palette[64] = {};
    char text[64];
    ASSERT_EQ(CreateWrdGraphic(dir.File("p.com").c_str(), NUKO_WRD_COM, page.data(), -1, -1, 1, 1, palette, text, sizeof text), 1);
    EXPECT_STREQ(text, "歌詞");
    EXPECT_EQ(page[10 * 640 + 16], sample.points[0]);
    EXPECT_EQ(palette[4 * 2], 255);  // digital colour 2 is red
    EXPECT_EQ(palette[4 * 2 + 1], 0);
    // A short buffer never splits a character.
    char small[5];
    ASSERT_EQ(CreateWrdGraphic(dir.File("p.com").c_str(), NUKO_WRD_COM, page.data(), 0, 0, 1, 1, nullptr, small, sizeof small), 1);
    EXPECT_STREQ(small, "歌");

    auto pho = nuko::test::PatternPoints(640, 400, 8, 2);
    WriteBytes(dir.File("s.pho"), nuko::test::EncodePho(pho));
    std::memset(palette, 0x55, sizeof palette);
    ASSERT_EQ(CreateWrdGraphic(dir.File("s.pho").c_str(), NUKO_WRD_PHO, page.data(), 100, 100, 2, 0, palette, nullptr, 0), 1);
    EXPECT_TRUE(std::equal(page.begin(), page.end(), pho.begin()));
    EXPECT_EQ(palette[0], 0x55);  // a PHO screen has no colours to hand back
}

TEST(WrdExports, GetWrdComDataReadsProgramsAndKnowsTheClearProgram) {
    TempDir dir;
    int32_t x = 9, y = 9, display = 9, draw = 9, on = 9, clear = 9;
    // Told by the name alone: the file need not exist.
    ASSERT_EQ(GetWrdComData(dir.File("GCLS.COM").c_str(), "", &x, &y, &display, &draw, &on, &clear), 1);
    EXPECT_EQ(clear, 1);
    EXPECT_EQ(x, 0);

    nuko::test::ProgramSpec sample;
    sample.pages = 0x08;
    sample.flags = 0;
    sample.screen_offset = 80 * 200 + 40;
    sample.width_bytes = 1;
    sample.height = 1;
    WriteBytes(dir.File("p.com"), nuko::test::EncodeProgram(sample));
    ASSERT_EQ(GetWrdComData(dir.File("p.com").c_str(), nullptr, &x, &y, &display, &draw, &on, &clear), 1);
    EXPECT_EQ(x, 320);
    EXPECT_EQ(y, 200);
    EXPECT_EQ(display, 1);
    EXPECT_EQ(draw, 0);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(clear, 0);
    ASSERT_EQ(GetWrdComData(dir.File("p.com").c_str(), "100012", &x, &y, &display, &draw, &on, &clear), 1);
    EXPECT_EQ(draw, 1);
    EXPECT_EQ(display, 0);
    EXPECT_EQ(y, 192);

    WriteBytes(dir.File("other.com"), std::string(2000, '\x90'));
    EXPECT_EQ(GetWrdComData(dir.File("other.com").c_str(), "", &x, &y, &display, &draw, &on, &clear), 0);
    EXPECT_EQ(y, 0);
    std::vector<std::uint8_t> page(kPagePoints, 0);
    EXPECT_EQ(CreateWrdGraphic(dir.File("other.com").c_str(), NUKO_WRD_COM, page.data(), 0, 0, 1, 0, nullptr, nullptr, 0), 0);
    EXPECT_EQ(GetWrdComData(dir.File("none.com").c_str(), "", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
}

namespace {

// The files of tests/data/wrd, which also seed the fuzz targets.
std::vector<std::pair<std::string, std::string>> SeedFiles() {
    nuko::test::ProgramSpec plain;
    plain.flags = 0x04 | 0x08;
    plain.pages = 0x04;
    plain.planes = 4;
    plain.screen_offset = 80 * 120 + 20;
    plain.width_bytes = 24;
    plain.height = 96;
    plain.points = nuko::test::PatternPoints(192, 96, 16, 21);
    for (std::uint8_t i = 0; i < 16; ++i) plain.colors[i] = {static_cast<std::uint8_t>(15 - i), i, static_cast<std::uint8_t>(i / 3)};
    plain.text = "\x83\x65\x83\x4c\x83\x58\x83\x67\r\nsecond line";  // テキスト

    nuko::test::ProgramSpec huffman = plain;
    huffman.layout = ProgramLayout::Huffman;
    huffman.flags = 0x04 | 0x08 | 0x20 | 0x40;
    huffman.fill_ones = true;
    huffman.planes = 3;
    huffman.points = nuko::test::PatternPoints(192, 96, 8, 22);

    return {
        {"small.mag", nuko::test::EncodeMag(Mag80x40())},
        {"program_plain.com", nuko::test::EncodeProgram(plain)},
        {"program_huffman.com", nuko::test::EncodeProgram(huffman)},
        {"screen.pho", nuko::test::EncodePho(nuko::test::PatternPoints(640, 400, 8, 23))},
    };
}

}  // namespace

// Set NUKO_WRITE_TEST_DATA=1 to write them again after an encoder changed.
TEST(WrdTestData, SeedFilesAreTheEncodersOutputAndDecode) {
    std::string folder = std::string(NUKO_TEST_DATA_DIR) + "/wrd/";
    bool write = std::getenv("NUKO_WRITE_TEST_DATA") != nullptr;
    for (const auto& [name, bytes] : SeedFiles()) {
        if (write) WriteBytes(folder + name, bytes);
        EXPECT_EQ(nuko::test::ReadBytes(folder + name), bytes) << name;
        auto found = FindWrdFile(folder + name, -1);
        ASSERT_TRUE(found) << name;
        EXPECT_TRUE(LoadPicture(found->path, found->kind)) << name;
    }
}
