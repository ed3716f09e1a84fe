// Image plug-ins over two test plug-ins built beside the tests (an import
// filter for "TST" pictures and one of another kind), and the bitmap
// reading behind every plug-in.
#include "library/image_plugins.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace nuko;
using media::ImagePlugins;

namespace {

std::string Tst(int w, int h, std::uint8_t base) {
    std::string s = "TST1";
    s += static_cast<char>(w);
    s += static_cast<char>(h);
    for (int i = 0; i < w * h; ++i) s += {static_cast<char>(base + i), 0x10, static_cast<char>(0x80)};
    return s;
}

void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

// A bitmap information header with `colours` table entries.
std::vector<std::uint8_t> Header(std::int32_t w, std::int32_t h, int bits, const std::vector<std::uint32_t>& colours) {
    std::vector<std::uint8_t> v;
    Put32(v, 40);
    Put32(v, static_cast<std::uint32_t>(w));
    Put32(v, static_cast<std::uint32_t>(h));
    v.push_back(1), v.push_back(0);
    v.push_back(static_cast<std::uint8_t>(bits)), v.push_back(0);
    for (int i = 0; i < 4; ++i) Put32(v, 0);
    Put32(v, static_cast<std::uint32_t>(colours.size()));
    Put32(v, 0);
    for (std::uint32_t c : colours) Put32(v, c);
    return v;
}

}  // namespace

TEST(ImagePlugins, OnlyImportFiltersAreKeptAndTheirExtensionsFollowTheBuiltInOnes) {
    ImagePlugins plugins;
    plugins.Load(NUKO_TEST_SPI_DIR);
    ASSERT_EQ(plugins.rows().size(), 1u);
    EXPECT_EQ(plugins.rows()[0].description, "import_tst.spi.so-Test picture <TST>");
    EXPECT_EQ(plugins.rows()[0].filter, "*.tst;*.ts");
    EXPECT_EQ(plugins.Extensions(), (std::vector<std::string>{".bmp", ".png", ".jpg", ".jpeg", ".gif", ".tst", ".ts"}));
    EXPECT_EQ(plugins.DialogFilter(),
              "全ての画像ﾌｧｲﾙ (*.bmp *.png *.jpg *.jpeg *.gif *.tst *.ts);;BMPﾌｧｲﾙ (*.bmp);;"
              "import_tst.spi.so-Test picture <TST> (*.tst *.ts)");
    plugins.Free();
    EXPECT_TRUE(plugins.rows().empty());
    EXPECT_EQ(plugins.Extensions().size(), 5u);
    plugins.Reload(NUKO_TEST_SPI_DIR);
    EXPECT_EQ(plugins.rows().size(), 1u);
    plugins.Reload("/no/such/folder");
    EXPECT_TRUE(plugins.rows().empty());
}

TEST(ImagePlugins, APictureIsDecodedByThePluginWhoseFilterNamesItsExtension) {
    test::TempDir dir;
    ImagePlugins plugins;
    plugins.Load(NUKO_TEST_SPI_DIR);
    test::WriteBytes(dir.File("song.TST"), Tst(3, 2, 0x20));
    std::pair<int, int> size;
    auto p = plugins.Decode(dir.File("song.TST"), false, &size);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 3);
    EXPECT_EQ(p->height, 2);
    EXPECT_EQ(size, (std::pair<int, int>{3, 2}));
    EXPECT_EQ(p->pixels[0], 0xFF201080u);  // top left
    EXPECT_EQ(p->pixels[5], 0xFF251080u);  // bottom right
    // Asking for a preview falls back to the whole picture.
    EXPECT_TRUE(plugins.Decode(dir.File("song.TST"), true));

    // Not supported by its contents, no plug-in for it, no file.
    test::WriteBytes(dir.File("bad.tst"), "XXXX\x03\x02");
    EXPECT_FALSE(plugins.Decode(dir.File("bad.tst"), false));
    test::WriteBytes(dir.File("a.xyz"), Tst(1, 1, 0));
    EXPECT_FALSE(plugins.Decode(dir.File("a.xyz"), false));
    EXPECT_FALSE(plugins.Decode(dir.File("gone.tst"), false));
    EXPECT_FALSE(plugins.Decode(dir.File("noext"), false));
}

TEST(ImagePlugins, BitmapsOfEveryDepthAndHostileHeaders) {
    // 4 bits a point, two colours used, bottom up: row 0 of the data is
    // the picture's last row.
    auto info = Header(3, 2, 4, {0x000000FF, 0x0000FF00});
    std::vector<std::uint8_t> bits = {0x10, 0x00, 0, 0, 0x01, 0x10, 0, 0};
    auto p = media::PictureFromDib(info.data(), info.size(), bits.data(), bits.size());
    ASSERT_TRUE(p);
    EXPECT_EQ(p->pixels, (std::vector<std::uint32_t>{0xFF0000FF, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00, 0xFF0000FF,
                                                     0xFF0000FF}));
    // 1 bit, top down (negative height).
    auto mono = Header(2, -1, 1, {0x000000, 0xFFFFFF});
    std::vector<std::uint8_t> one = {0x40, 0, 0, 0};
    auto m = media::PictureFromDib(mono.data(), mono.size(), one.data(), one.size());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->pixels, (std::vector<std::uint32_t>{0xFF000000, 0xFFFFFFFF}));

    // Rows shorter than the header says, a colour table past the block,
    // compression, absurd sizes: refused.
    EXPECT_FALSE(media::PictureFromDib(info.data(), info.size(), bits.data(), 4));
    EXPECT_FALSE(media::PictureFromDib(info.data(), 44, bits.data(), bits.size()));
    auto rle = info;
    rle[16] = 2;
    EXPECT_FALSE(media::PictureFromDib(rle.data(), rle.size(), bits.data(), bits.size()));
    auto huge = Header(0x7FFFFFFF, 0x7FFFFFFF, 24, {});
    EXPECT_FALSE(media::PictureFromDib(huge.data(), huge.size(), bits.data(), bits.size()));
    auto odd = Header(2, 2, 16, {});
    EXPECT_FALSE(media::PictureFromDib(odd.data(), odd.size(), bits.data(), bits.size()));
    EXPECT_FALSE(media::PictureFromDib(nullptr, 0, bits.data(), bits.size()));
}
