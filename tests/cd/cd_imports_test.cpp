#include "cd/cd_imports.h"

#include <gtest/gtest.h>

#include "cd_test_util.h"

using namespace nuko::cd;
using nuko::media::MediaList;

namespace {

MediaList ThreeTracks() {
    MediaList r;
    r.section = "0030000000000";
    r.items.resize(3);
    for (int i = 0; i < 3; ++i) {
        r.items[static_cast<std::size_t>(i)].name = "00:00:0" + std::to_string(i);
        r.items[static_cast<std::size_t>(i)].number = 3 - i;
        r.items[static_cast<std::size_t>(i)].title = "old";
    }
    r.loaded = 1;
    return r;
}

std::string Cp932(const std::string& s) { return *nuko::text::Utf8ToCp932(s); }

}  // namespace

TEST(CdImport, KindFollowsFilterOrName) {
    EXPECT_EQ(KindOfImport("/a/disc.TXT", 1), ImportKind::TitleFile);
    EXPECT_EQ(KindOfImport("/a/bca.dat", 1), ImportKind::Bca);
    EXPECT_EQ(KindOfImport("/a/BCA.DAT", 1), ImportKind::None);
    EXPECT_EQ(KindOfImport("/a/cds.csv", 1), ImportKind::Csv);
    EXPECT_EQ(KindOfImport("/a/cds.dat", 1), ImportKind::None);
    EXPECT_EQ(KindOfImport("/a/anything", 2), ImportKind::TitleFile);
    EXPECT_EQ(KindOfImport("/a/anything", 3), ImportKind::Bca);
    EXPECT_EQ(KindOfImport("/a/anything", 4), ImportKind::Csv);
}

TEST(CdImport, BcaFirstCandidateThenIncrement) {
    std::string bca = Cp932("[0000012345]\nTitle=\n[12445]\nArtistName=歌手\nTitle=盤\n01=一\n03=三\n");
    BcaMatch m = FindBcaDisc(bca, {12345, 100});
    EXPECT_EQ(m.section, "12445");
    EXPECT_EQ(m.title, "盤");
    MediaList r = ThreeTracks();
    LoadBcaDisc(bca, m.section, r);
    EXPECT_EQ(r.title, "歌手");
    EXPECT_EQ(r.sub_title, "盤");
    EXPECT_EQ(r.items[0].title, "一");
    EXPECT_EQ(r.items[1].title, "Track 02");
    EXPECT_EQ(r.items[2].title, "三");
    EXPECT_EQ(r.loaded, 0);
    EXPECT_EQ(r.items[0].number, 1);

    EXPECT_EQ(FindBcaDisc(Cp932("[0000012345]\nTitle=First\n"), {12345, 100}).section, "0000012345");
    EXPECT_EQ(FindBcaDisc(bca, {1, 1}).section, "");
    // Values of other programs are cut at 254 bytes.
    std::string long_title(400, 'y');
    EXPECT_EQ(FindBcaDisc("[0000000007]\nTitle=" + long_title + "\n", {7, 0}).title.size(), 254u);
}

TEST(CdImport, CsvTitlesArtistAndTracks) {
    std::string csv = Cp932(
        "\"ディスク\"\r\n\"歌手\"\r\n\"01\",\"最初の曲\",\"03:12\"\r\nshort\r\n"
        "012345,\"x\",\"not at 1..4\"\r\n\"4\",\"末尾の曲\r\n");
    CsvDisc d = ParseCsv(csv, 5);
    EXPECT_EQ(d.title, "ディスク");
    EXPECT_EQ(d.artist, "歌手");
    EXPECT_EQ(d.tracks, (std::vector<std::string>{"最初の曲", "Track 02", "Track 03", "末尾の曲", "Track 05"}));
    MediaList r = ThreeTracks();
    ApplyCsv(d, r);
    EXPECT_EQ(r.title, "歌手");
    EXPECT_EQ(r.sub_title, "ディスク");
    EXPECT_EQ(r.items[2].title, "Track 03");
    EXPECT_EQ(r.items[2].number, 3);
    EXPECT_EQ(r.loaded, 0);
}

TEST(CdImport, CsvHeadersNeedQuotes) {
    CsvDisc d = ParseCsv("Unquoted\n\"\"\n", 0);
    EXPECT_EQ(d.title, "");
    EXPECT_EQ(d.artist, "");
    EXPECT_EQ(ParseCsv("\"a\"\n\"\xE9\"\n", 0).title, "a");  // a single character between quotes
    // A double-byte last character is dropped whole.
    EXPECT_EQ(ParseCsv(Cp932("\"題名あ\n"), 0).title, "題名");
    // A byte order mark makes it UTF-8.
    EXPECT_EQ(ParseCsv("\xEF\xBB\xBF\"題名\"\n", 0).title, "題名");
}

TEST(CdImport, CsvBadInputStaysSafe) {
    std::string many = "\"unbalanced\n\"\"\"\"\"\n";
    for (int i = 0; i < 10000; ++i) many += "\"" + std::to_string(i) + "\",\"title " + std::to_string(i) + "\n";
    CsvDisc d = ParseCsv(many, 99);
    EXPECT_EQ(d.title, "unbalance");
    ASSERT_EQ(d.tracks.size(), 99u);
    EXPECT_EQ(d.tracks[98], "title 98");
    EXPECT_EQ(ParseCsv("", 2).tracks, (std::vector<std::string>{"Track 01", "Track 02"}));
    EXPECT_EQ(ParseCsv(std::string(1 << 20, '"'), 1).tracks[0], "Track 01");
}

TEST(CdClipboard, CopyThenPasteRestoresTheRecord) {
    MediaList r = ThreeTracks();
    r.title = "歌手";
    r.sub_title = "盤";
    r.picture = "/p/c.bmp";
    r.items[1].title = "@二";
    std::string text = CopyText(r);
    EXPECT_EQ(text, "歌手\r\n盤\r\n/p/c.bmp\r\nold\r\n@二\r\nold\r\n");
    MediaList pasted = ThreeTracks();
    PasteText(text, pasted);
    EXPECT_EQ(pasted.title, r.title);
    EXPECT_EQ(pasted.sub_title, r.sub_title);
    EXPECT_EQ(pasted.picture, r.picture);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(pasted.items[i].title, r.items[i].title);
}

TEST(CdClipboard, PasteOfOtherTexts) {
    MediaList r = ThreeTracks();
    // LF alone ends lines too; a last line without one is not used.
    PasteText("A\nT\n\none\ntwo", r);
    EXPECT_EQ(r.title, "A");
    EXPECT_EQ(r.sub_title, "T");
    EXPECT_EQ(r.picture, "");
    EXPECT_EQ(r.items[0].title, "one");
    EXPECT_EQ(r.items[1].title, "old");
    // Lines beyond the track count are not used.
    PasteText("a\nb\nc\n1\n2\n3\n4\n5\n", r);
    EXPECT_EQ(r.items[2].title, "3");
}
