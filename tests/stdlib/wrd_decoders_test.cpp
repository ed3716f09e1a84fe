// The MAG, PHO and picture program decoders on real MAG files and on files
// built by the test encoders, decoded point by point.
#include <algorithm>

#include <gtest/gtest.h>

#include "nuko/mag_decoder.h"
#include "nuko/pho_decoder.h"
#include "nuko/picture_program.h"
#include "test_support.h"
#include "wrd_encoders.h"

using namespace nuko::wrd;
using nuko::test::EncodeMag;
using nuko::test::EncodePho;
using nuko::test::EncodeProgram;
using nuko::test::MagSpec;
using nuko::test::PatternPoints;
using nuko::test::ProgramSpec;

namespace {

ColorTable Ramp() {
    ColorTable t{};
    for (std::uint8_t i = 0; i < 16; ++i) t[i] = {i, static_cast<std::uint8_t>(15 - i), static_cast<std::uint8_t>(i / 2)};
    return t;
}

MagSpec SmallMag() {
    MagSpec m;
    m.start_x = 13;  // the points begin at 8
    m.start_y = 21;
    m.width = 80;
    m.height = 40;
    m.points = PatternPoints(80, 40, 16, 7);
    m.colors = Ramp();
    return m;
}

ProgramSpec SmallProgram(ProgramLayout layout, int planes) {
    ProgramSpec p;
    p.layout = layout;
    p.flags = 0x04;
    p.planes = planes;
    p.screen_offset = 80 * 100 + 10;  // x 80, y 100
    p.width_bytes = 12;
    p.height = 50;
    p.points = PatternPoints(96, 50, 1 << planes, 3);
    p.colors = Ramp();
    return p;
}

}  // namespace

TEST(MagDecoder, CorpusPicturesDecodeWithTheirHeaderSizes) {
    NUKO_CORPUS_FILE(big, "mag/vavi-image_test2.mag");
    auto pic = DecodeMag(nuko::test::ReadBytes(big));
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->width, 640);
    EXPECT_EQ(pic->height, 400);
    EXPECT_FALSE(pic->double_lines);
    ASSERT_EQ(pic->points.size(), 640u * 400u);
    // Stored bytes 0x01, 0x23, 0xFE keep their high nibble.
    EXPECT_EQ(pic->colors[1], (Color{0, 0, 2}));
    EXPECT_EQ(pic->colors[6], (Color{15, 3, 3}));
    // A real picture uses most of its colours.
    std::array<bool, 16> used{};
    for (auto p : pic->points) used[p] = true;
    EXPECT_GE(std::count(used.begin(), used.end(), true), 12);

    // The 200-line screen mode file: 640 x 200 by its header, 8 colours of
    // full strength twice, lines doubled when drawn.
    std::string small_path = nuko::test::CorpusDir() + "mag/vavi-image_test.mag";
    auto small = DecodeMag(nuko::test::ReadBytes(small_path));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->width, 640);
    EXPECT_EQ(small->height, 200);
    EXPECT_TRUE(small->double_lines);
    EXPECT_EQ(small->colors[1], (Color{0, 0, 15}));
    EXPECT_EQ(small->colors[2], (Color{0, 15, 0}));
    EXPECT_EQ(small->colors[7], (Color{15, 15, 15}));
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(small->colors[i + 8], small->colors[i]);
    EXPECT_EQ(Place(*small, {}).height, 400);
}

TEST(MagDecoder, OtherFormatsAndTruncatedFilesAreRefused) {
    NUKO_CORPUS_FILE(extra, "mag/extra/");
    EXPECT_FALSE(DecodeMag(nuko::test::ReadBytes(extra + "vavi-image_test.mki")));  // MAKI01
    EXPECT_FALSE(DecodeMag(nuko::test::ReadBytes(extra + "vavi-image_test.pi")));
    std::string big = nuko::test::ReadBytes(nuko::test::CorpusDir() + "mag/vavi-image_test2.mag");
    for (std::size_t cut : {big.size() - 1, big.size() / 2, std::size_t{200}, std::size_t{40}, std::size_t{0}})
        EXPECT_FALSE(DecodeMag(big.substr(0, cut))) << cut;
}

TEST(MagDecoder, EncodedPictureRoundTripsThroughFlagsAndCopies) {
    MagSpec sample = SmallMag();
    std::string file = EncodeMag(sample);
    auto pic = DecodeMag(file);
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->width, 80);
    EXPECT_EQ(pic->height, 40);
    EXPECT_EQ(pic->x, 8);
    EXPECT_EQ(pic->y, 21);
    EXPECT_EQ(pic->colors, sample.colors);
    EXPECT_EQ(pic->points, sample.points);
    // The test picture exercises copies: far fewer pixel bytes than points.
    EXPECT_LT(file.size(), 80u * 40u / 2u);
}

TEST(MagDecoder, WidePicturesKeepTheirTopLeft) {
    MagSpec sample;
    sample.width = 704;
    sample.height = 20;
    sample.points = PatternPoints(704, 20, 16, 9);
    auto pic = DecodeMag(EncodeMag(sample));
    ASSERT_TRUE(pic);
    ASSERT_EQ(pic->width, 640);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 640; ++x)
            ASSERT_EQ(pic->At(x, y), sample.points[static_cast<std::size_t>(y) * 704 + static_cast<std::size_t>(x)]);
}

TEST(MagDecoder, DamagedHeadersAreRefused) {
    const std::string good = EncodeMag(SmallMag());
    const std::size_t h = good.find('\x1a') + 1;
    ASSERT_TRUE(DecodeMag(good));
    auto with = [&](std::size_t at, std::initializer_list<unsigned char> bytes) {
        std::string s = good;
        std::size_t i = at;
        for (auto b : bytes) s[i++] = static_cast<char>(b);
        return s;
    };
    EXPECT_FALSE(DecodeMag(with(h, {1})));                        // header not starting with 0
    EXPECT_FALSE(DecodeMag(with(h + 3, {0x80})));                 // 256 colours
    EXPECT_FALSE(DecodeMag(with(h + 8, {0, 0})));                 // end x before start x
    EXPECT_FALSE(DecodeMag(with(h + 24, {0xFF, 0xFF, 0, 0})));    // pixel data beyond the file
    EXPECT_FALSE(DecodeMag(with(h + 12, {0xFF, 0xFF, 0xFF, 0xFF})));
    EXPECT_FALSE(DecodeMag(with(h + 8, {0xFF, 0xFF})));           // 65536 points wide: data ends
    std::string no_eof = good;
    no_eof[h - 1] = ' ';
    EXPECT_FALSE(DecodeMag(no_eof));
}

TEST(PhoDecoder, PlanesGiveGreenRedBlueIndices) {
    auto points = PatternPoints(640, 400, 8, 5);
    std::string file = EncodePho(points);
    ASSERT_EQ(file.size(), kPhoBytes);
    auto pic = DecodePho(file);
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->points, points);
    EXPECT_FALSE(pic->has_colors);
    // One point by hand: blue plane bit only -> 1, green only -> 4.
    std::string one(kPhoBytes, '\0');
    one[0] = '\x80';
    one[2 * kPhoPlaneBytes + 1] = '\x01';
    auto p = DecodePho(one);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->At(0, 0), 1);
    EXPECT_EQ(p->At(15, 0), 4);
    EXPECT_FALSE(DecodePho(file.substr(0, kPhoBytes - 1)));
}

TEST(PictureProgram, BothLayoutsDecodeExactlyWithColoursPositionAndText) {
    for (auto layout : {ProgramLayout::Plain, ProgramLayout::Huffman}) {
        ProgramSpec sample = SmallProgram(layout, 4);
        sample.flags |= 0x08;
        sample.text = "\x89\xcc\x8e\x8c\r\nline 2";  // 歌詞 then a second line
        std::string file = EncodeProgram(sample);
        auto header = ReadProgramHeader(file);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->layout, layout);
        auto pic = DecodeProgram(file);
        ASSERT_TRUE(pic);
        EXPECT_EQ(pic->width, 96);
        EXPECT_EQ(pic->height, 50);
        EXPECT_EQ(pic->x, 80);
        EXPECT_EQ(pic->y, 100);
        EXPECT_EQ(pic->points, sample.points);
        EXPECT_EQ(pic->colors, sample.colors);
        EXPECT_EQ(pic->text, sample.text);
    }
}

TEST(PictureProgram, FewerPlanesShowInDigitalColoursOverThePreFill) {
    for (auto layout : {ProgramLayout::Plain, ProgramLayout::Huffman}) {
        ProgramSpec sample = SmallProgram(layout, 3);
        auto pic = DecodeProgram(EncodeProgram(sample));
        ASSERT_TRUE(pic);
        EXPECT_EQ(pic->points, sample.points);
        EXPECT_EQ(pic->colors, kDigitalColors);

        // Pre-filled with ones: plane 3, not stored, stays set.
        sample.flags |= 0x20;
        sample.fill_ones = true;
        pic = DecodeProgram(EncodeProgram(sample));
        ASSERT_TRUE(pic);
        for (std::size_t i = 0; i < sample.points.size(); ++i) ASSERT_EQ(pic->points[i], sample.points[i] | 8) << i;
    }
    // No picture at all: the pre-fill alone covers the area, and the text
    // begins where the picture data would.
    ProgramSpec clear = SmallProgram(ProgramLayout::Plain, 4);
    clear.flags = 0x20 | 0x08;
    clear.fill_ones = true;
    clear.text = "only text";
    auto pic = DecodeProgram(EncodeProgram(clear));
    ASSERT_TRUE(pic);
    EXPECT_TRUE(std::all_of(pic->points.begin(), pic->points.end(), [](auto p) { return p == 15; }));
    EXPECT_EQ(pic->text, "only text");
}

TEST(PictureProgram, ControlByteChoosesTheReferenceLine) {
    // One byte wide, two lines, two planes, written by hand.
    ProgramSpec sample;
    sample.flags = 0;  // the encoder writes the header only
    sample.planes = 2;
    sample.width_bytes = 1;
    sample.height = 2;
    std::string file = EncodeProgram(sample);
    file[kPlainHeaderOffset] = 0x04;
    file += std::string("\x00\x00\xAA"    // line 0 plane 0: literal 0xAA
                        "\x00\x80"        // line 0 plane 1: copy of the line before
                        "\x10\x80"        // line 1 plane 0: copy of two lines before
                        "\xF0\x80",       // line 1 plane 1: no such line, zero
                        9);
    auto pic = DecodeProgram(file);
    ASSERT_TRUE(pic);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(pic->At(x, 0), x % 2 ? 0 : 3) << x;
        EXPECT_EQ(pic->At(x, 1), x % 2 ? 0 : 1) << x;
    }
}

TEST(PictureProgram, BadProgramsAreRefusedAndEndlessTreesStop) {
    std::string good = EncodeProgram(SmallProgram(ProgramLayout::Huffman, 4));
    ASSERT_TRUE(DecodeProgram(good));
    const std::size_t h = kHuffmanHeaderOffset;
    EXPECT_FALSE(DecodeProgram("MZ not a program"));
    EXPECT_FALSE(DecodeProgram(good.substr(0, h + 50)));  // header cut short
    for (std::size_t cut : {good.size() - 1, h + kHuffmanDataOffset + 3}) EXPECT_FALSE(DecodeProgram(good.substr(0, cut)));
    auto with16 = [&](std::size_t at, unsigned v) {
        std::string s = good;
        s[h + at] = static_cast<char>(v & 0xFF);
        s[h + at + 1] = static_cast<char>(v >> 8);
        return s;
    };
    EXPECT_FALSE(DecodeProgram(with16(6, 0)));       // width 0
    EXPECT_FALSE(DecodeProgram(with16(6, 65535)));   // width 65535 bytes
    EXPECT_FALSE(DecodeProgram(with16(8, 401)));     // taller than the page
    std::string five = good;
    five[h + 2] = 5;
    EXPECT_FALSE(DecodeProgram(five));
    // A tree of nothing but nodes never reaches a leaf.
    std::string endless = good.substr(0, h + kHuffmanDataOffset) + std::string(100000, '\0');
    EXPECT_FALSE(DecodeProgram(endless));
    // A tree that is one leaf decodes every byte without reading a bit: the
    // data is one value throughout (here 0: empty masks and literal zeros).
    std::string leaf = good.substr(0, h + kHuffmanDataOffset) + std::string("\xFF\x80", 2);
    auto pic = DecodeProgram(leaf);
    ASSERT_TRUE(pic);
    EXPECT_TRUE(std::all_of(pic->points.begin(), pic->points.end(), [](auto p) { return p == 0; }));
}

TEST(PictureProgram, CallSetUpFromHeaderOrParameterText) {
    ProgramSpec sample = SmallProgram(ProgramLayout::Plain, 4);
    sample.pages = 0x04;  // draw page 1, show page 0
    sample.flags |= 0x40;
    auto header = ReadProgramHeader(EncodeProgram(sample));
    ASSERT_TRUE(header);
    ProgramCall call = ProgramCallFor(*header, "");
    EXPECT_EQ(call.draw_page, 1);
    EXPECT_EQ(call.display_page, 0);
    EXPECT_EQ(call.x, 80);
    EXPECT_EQ(call.y, 100);
    EXPECT_FALSE(call.graphics_on);
    // D P C C R R: column 2 (x 16), row 3 (y 48).
    call = ProgramCallFor(*header, "010203");
    EXPECT_EQ(call.draw_page, 0);
    EXPECT_EQ(call.display_page, 1);
    EXPECT_EQ(call.x, 16);
    EXPECT_EQ(call.y, 48);
    // Not six characters, or not digits where numbers belong: the header.
    EXPECT_EQ(ProgramCallFor(*header, "01020").x, 80);
    EXPECT_EQ(ProgramCallFor(*header, "01ab03").y, 100);
    EXPECT_TRUE(IsClearProgram("/songs/GCLS.COM"));
    EXPECT_FALSE(IsClearProgram("/gcls.com/pic.com"));
}
