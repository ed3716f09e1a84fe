#include "cd/foreign_disc_ids.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCryptographicHash>

#include <cstdio>

#include "test_support.h"

namespace nuko::cd {
namespace {

// The freedb id by its published recipe: the digit sums of each track's
// start in whole seconds (counted from the disc's start, 2 s before track
// 1), modulo 255; the disc's length in seconds; the track count.
std::string FreedbByHand(const DiscToc& toc) {
    auto seconds = [](std::int32_t lsn) { return (lsn + 150) / 75; };
    auto digit_sum = [](int n) {
        int s = 0;
        for (; n > 0; n /= 10) s += n % 10;
        return s;
    };
    int n = 0;
    for (const auto& t : toc.tracks) n += digit_sum(seconds(t.start));
    const int length = seconds(toc.leadout) - seconds(toc.tracks.front().start);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x",
                  static_cast<unsigned>((n % 0xFF) << 24 | length << 8 | toc.TrackCount()));
    return buf;
}

// The MusicBrainz id by its published recipe: SHA-1 of the upper-case
// hexadecimal first and last track numbers and 100 sector offsets (lead-out
// first, absent tracks 0), in base64 with "+/=" written "._-".
std::string MusicBrainzByHand(const DiscToc& toc) {
    char buf[16];
    std::string text;
    std::snprintf(buf, sizeof buf, "%02X", toc.tracks.front().number);
    text += buf;
    std::snprintf(buf, sizeof buf, "%02X", toc.tracks.back().number);
    text += buf;
    for (int i = 0; i < 100; ++i) {
        unsigned offset = 0;
        if (i == 0) offset = static_cast<unsigned>(toc.leadout + 150);
        else if (const TrackEntry* t = toc.Track(i)) offset = static_cast<unsigned>(t->start + 150);
        std::snprintf(buf, sizeof buf, "%08X", offset);
        text += buf;
    }
    QByteArray sha = QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha1);
    std::string id = sha.toBase64().toStdString();
    for (char& c : id) {
        if (c == '+') c = '.';
        else if (c == '/') c = '_';
        else if (c == '=') c = '-';
    }
    return id;
}

DiscToc Toc(std::initializer_list<std::int32_t> starts, std::int32_t leadout) {
    DiscToc toc;
    int n = 1;
    for (std::int32_t s : starts) toc.tracks.push_back({n++, s, true});
    toc.leadout = leadout;
    return toc;
}

TEST(ForeignDiscIdsTest, LibdiscidAgreesWithTheRecipesComputedByHand) {
    // A 12-track album of about 48 minutes, with seconds whose digit sums
    // pass 255 in total.
    const DiscToc album = Toc({0, 18641, 34442, 50837, 63622, 80164, 96795, 117520, 132627, 147372, 167303, 184177},
                              217745);
    auto ids = ForeignIdsOf(album);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->freedb, FreedbByHand(album));
    EXPECT_EQ(ids->musicbrainz, MusicBrainzByHand(album));
    EXPECT_EQ(ids->musicbrainz.size(), 28u);
    EXPECT_EQ(ids->freedb.substr(6), "0c");  // the track count ends the id

    const DiscToc single = Toc({0}, 302);
    ids = ForeignIdsOf(single);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->freedb, FreedbByHand(single));
    EXPECT_EQ(ids->musicbrainz, MusicBrainzByHand(single));
}

TEST(ForeignDiscIdsTest, CorpusImagesGiveTheIdsOfTheirTables) {
    NUKO_CORPUS_FILE(images, "cd/images/");
    for (const char* name : {"p1.nrg", "cdda.cue"}) {
        auto disc = OpenDisc(images + name);
        ASSERT_TRUE(disc) << name;
        auto ids = ForeignIdsOf(disc->Toc());
        ASSERT_TRUE(ids) << name;
        EXPECT_EQ(ids->freedb, FreedbByHand(disc->Toc())) << name;
        EXPECT_EQ(ids->musicbrainz, MusicBrainzByHand(disc->Toc())) << name;
    }
}

TEST(ForeignDiscIdsTest, TablesWithoutADiscGiveNoIds) {
    EXPECT_FALSE(ForeignIdsOf(DiscToc{}));
    DiscToc hundred;
    for (int n = 1; n <= 100; ++n) hundred.tracks.push_back({n, n * 100, true});
    hundred.leadout = 20000;
    EXPECT_FALSE(ForeignIdsOf(hundred));
}

}  // namespace
}  // namespace nuko::cd
