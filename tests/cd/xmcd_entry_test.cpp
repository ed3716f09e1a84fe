// xmcd (CDDB) entries read into a disc record and written from one, on the
// corpus entries and on hostile ones.
#include "cd/xmcd_entry.h"

#include <gtest/gtest.h>

#include "cd/cd_imports.h"
#include "nuko/fileio.h"
#include "test_support.h"

namespace nuko::cd {
namespace {

media::MediaList Record(std::size_t tracks) {
    media::MediaList r;
    r.kind = media::MediaKind::Cd;
    for (std::size_t i = 0; i < tracks; ++i) {
        media::MediaItem item;
        item.title = "Track";
        item.number = static_cast<int>(i) + 1;
        r.Add(item);
    }
    return r;
}

std::string Read(const std::string& path) {
    auto bytes = fileio::ReadFile(path, kXmcdMaxBytes);
    return bytes ? *bytes : std::string();
}

TEST(XmcdEntryTest, TheCorpusEntryReadsEveryTitleWithItsContinuedLines) {
    NUKO_CORPUS_FILE(dir, "cd/xmcd/");
    std::string error;
    auto e = ParseXmcd(Read(dir + "12345678"), &error);
    ASSERT_TRUE(e) << error;
    EXPECT_EQ(e->disc_ids, std::vector<std::string>{"12345678"});
    EXPECT_EQ(e->artist, "DiscArtist");
    EXPECT_EQ(e->title, "DiscTitle");
    EXPECT_EQ(e->year, "2003");
    ASSERT_EQ(e->tracks.size(), 16u);
    const char* expected[] = {"TrackTitle1",
                              "TrackArtist2 / TrackTitle2",
                              "TrackArtist3 cntd. / TrackTitle3",
                              "TrackArtist4 cntd. / TrackTitle4",
                              "TrackArtist5 / TrackTitle5",
                              "TrackArtist6 / TrackTitle6 cntd.",
                              "TrackArtist7 / TrackTitle7 cntd.",
                              "Track/Artist8 / TrackTitle8",
                              "Track/ Artist9 / TrackTitle9",
                              "Track /Artist10 / TrackTitle10",
                              "TrackArtist11 / Track/Title11",
                              "TrackArtist12 / Track/ Title12",
                              "TrackArtist10 / Track /Title13",
                              "TrackTitle14",
                              "TrackTitle15 cntd.",
                              "TrackTitle16 cntd."};
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(e->tracks[i], expected[i]) << i;
    EXPECT_EQ(e->track_notes[1], "TrackExt2");
    EXPECT_EQ(e->track_notes[3], "TrackExt4 cntd.");

    media::MediaList r = Record(16);
    ApplyXmcd(*e, r);
    EXPECT_EQ(r.title, "DiscArtist");
    EXPECT_EQ(r.sub_title, "DiscTitle");
    EXPECT_EQ(r.items[2].title, "TrackArtist3 cntd. / TrackTitle3");
    EXPECT_EQ(r.items[0].notes, "TrackExt1");
    EXPECT_EQ(r.loaded, 0);  // no PLAYORDER
}

TEST(XmcdEntryTest, ASplitDiscTitleAndUtf8TextAndSeveralIds) {
    NUKO_CORPUS_FILE(dir, "cd/xmcd/");
    auto split = ParseXmcd(Read(dir + "1234567a"));
    ASSERT_TRUE(split);
    EXPECT_EQ(split->artist, "DiscArtist cntd.");
    EXPECT_EQ(split->title, "DiscTitle");
    EXPECT_TRUE(XmcdMatches(*split, "12345679"));
    EXPECT_FALSE(XmcdMatches(*split, "1234567a"));

    auto utf8 = ParseXmcd(Read(dir + "12340000"));
    ASSERT_TRUE(utf8);
    EXPECT_EQ(utf8->artist, "Aïi");
    EXPECT_EQ(utf8->title, "Aïi");
    EXPECT_EQ(utf8->tracks[0], "Aïi");
    EXPECT_EQ(utf8->disc_notes, "Aïi");
    EXPECT_TRUE(utf8->play_order.empty());

    auto many = ParseXmcd("DISCID=0A02A502, 0b02a502\nDTITLE=x / y\n");
    ASSERT_TRUE(many);
    EXPECT_TRUE(XmcdMatches(*many, "0a02a502"));
    EXPECT_TRUE(XmcdMatches(*many, "0B02A502"));
}

TEST(XmcdEntryTest, OddAndHostileEntries) {
    std::string error;
    // A DTITLE without " / " is the artist and the title both.
    auto plain = ParseXmcd("DISCID=01\nDTITLE=Only One\nTTITLE0=a\n");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->artist, "Only One");
    EXPECT_EQ(plain->title, "Only One");
    EXPECT_FALSE(ParseXmcd("DTITLE=a / b\n", &error));
    EXPECT_NE(error.find("DISCID"), std::string::npos);
    EXPECT_FALSE(ParseXmcd("DISCID=01\n", &error));
    EXPECT_FALSE(ParseXmcd("DISCID=01\nDTITLE=a\nTTITLE100=x\n", &error));
    EXPECT_FALSE(ParseXmcd(std::string(kXmcdMaxBytes + 1, '#'), &error));
    // Invalid UTF-8 is read in the older encodings: CP932 when it is that.
    auto sjis = ParseXmcd("DISCID=01\nDTITLE=\x89\xcc\x8e\xe8 / \x94\xd5\n");  // 歌手 / 盤
    ASSERT_TRUE(sjis);
    EXPECT_EQ(sjis->artist, "歌手");
    EXPECT_EQ(sjis->title, "盤");
    auto latin = ParseXmcd("DISCID=01\nDTITLE=Caf\xe9 / x\xff\n");
    ASSERT_TRUE(latin);
    EXPECT_EQ(latin->artist, "Café");
    // 10,000 continued lines of one title stop at the import cut.
    std::string big = "DISCID=01\nDTITLE=a / b\n";
    for (int i = 0; i < 10000; ++i) big += "TTITLE0=0123456789\n";
    auto cut = ParseXmcd(big);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->tracks[0].size(), kForeignValueMax);
    // A PLAYORDER with repeats and tracks beyond the disc keeps what fits.
    auto order = ParseXmcd("DISCID=01\nDTITLE=a / b\nPLAYORDER=2,0,2,7,x\n");
    ASSERT_TRUE(order);
    media::MediaList r = Record(3);
    ApplyXmcd(*order, r);
    EXPECT_EQ(r.loaded, 1);
    EXPECT_EQ(r.items[2].number, 1);
    EXPECT_EQ(r.items[0].number, 2);
    EXPECT_EQ(r.items[1].number, 3);
}

TEST(XmcdEntryTest, AnExportedRecordReadsBackTheSame) {
    media::MediaList r = Record(3);
    r.title = "歌手";
    r.sub_title = "盤 / 二";
    r.items[0].title = "一";
    r.items[1].title = std::string(300, 'x');  // split over lines
    r.items[2].title = "@三";
    r.items[1].notes = "note";
    r.notes = "disc note";
    r.loaded = 1;
    r.items[0].number = 3;
    r.items[1].number = 1;
    r.items[2].number = 2;
    DiscToc toc;
    toc.tracks = {{1, 0, true}, {2, 750, true}, {3, 1500, true}};
    toc.leadout = 2250;
    const std::string text = XmcdText(r, toc, "0e000a03");
    EXPECT_NE(text.find("#\t150\n#\t900\n#\t1650\n"), std::string::npos);
    EXPECT_NE(text.find("# Disc length: 32 seconds\n"), std::string::npos);
    EXPECT_NE(text.find("PLAYORDER=1,2,0\n"), std::string::npos);
    auto e = ParseXmcd(text);
    ASSERT_TRUE(e);
    media::MediaList back = Record(3);
    ApplyXmcd(*e, back);
    EXPECT_EQ(back.title, "歌手");
    EXPECT_EQ(back.sub_title, "盤 / 二");
    EXPECT_EQ(back.items[0].title, "一");
    EXPECT_EQ(back.items[1].title, std::string(254, 'x'));  // the import cut
    EXPECT_EQ(back.items[2].title, "@三");
    EXPECT_EQ(back.items[1].notes, "note");
    EXPECT_EQ(back.notes, "disc note");
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(back.items[i].number, r.items[i].number);
}

}  // namespace
}  // namespace nuko::cd
