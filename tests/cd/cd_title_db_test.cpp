#include "cd/cd_title_db.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "cd_test_util.h"
#include "nuko/paths.h"
#include "open_folder.h"

using namespace nuko::cd;
using nuko::media::MediaList;
using nuko::test::CdFixture;
using nuko::test::Disc;
using nuko::test::ReadBytes;
using nuko::test::Time;
using nuko::test::WriteBytes;

namespace {

// 2 tracks: id 0020810600412, older id 002081060.
DiscLengths TwoTracks() { return Disc({Time(4, 12, 40), Time(3, 58, 20)}); }

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(CdRegistration, LabelIsFifteenCp932Bytes) {
    EXPECT_EQ(RegistrationLabel("ABCDEFGHIJ", "XYZ"), "ABCDEFGH:XYZ...");
    EXPECT_EQ(RegistrationValue("ABCDEFGHIJ", "XYZ", "/d/nu_kopcd.txt"), "ABCDEFGH:XYZ...... -> /d/nu_kopcd.txt");
    EXPECT_EQ(RegistrationLabel("Artist", ""), "Artist.........");
    EXPECT_EQ(RegistrationLabel("", "A very long disc title"), "A very long dis");
    EXPECT_EQ(RegistrationLabel("AB", "C"), "AB      :C.....");
    EXPECT_EQ(RegistrationLabel("", ""), "        :......");
    // Double-byte characters are never split: a lead byte that would fall on
    // byte 8 becomes a blank, one on byte 15 a dot.
    EXPECT_EQ(RegistrationLabel("aあいうえ", "X"), "aあいう :X.....");
    EXPECT_EQ(RegistrationLabel("abcdefghijklmnあ", ""), "abcdefghijklmn.");
    EXPECT_EQ(RegistrationLabel("アーティスト", "タイトル"), "アーティ:タイト");
    // Half-width katakana are one byte each.
    EXPECT_EQ(RegistrationLabel("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ", ""), "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿ");
}

TEST(CdRegistration, PathStartsAfterTheLabel) {
    for (auto [artist, title] : {std::pair{"ABCDEFGHIJ", "XYZ"}, {"アーティスト", "タイトル"},
                                 {"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ", ""}, {"", ""}}) {
        std::string v = RegistrationValue(artist, title, "/m/ディスク 1.txt");
        EXPECT_EQ(PathOfRegistration(v), "/m/ディスク 1.txt") << v;
    }
    EXPECT_EQ(PathOfRegistration("short"), "");
    // A label that lost its leading blanks in a profile file.
    EXPECT_EQ(PathOfRegistration(":......... -> /m/a.txt"), "/m/a.txt");
    // A registration restored from a Windows backup names a Windows path.
    CdFixture f;
    nuko::path::SetCurrentDriveMap({{'C', f.dir.path()}});
    WriteBytes(f.dir.File("Nu_KopCd.txt"), "");
    EXPECT_EQ(PathOfRegistration("ABCDEFGH:XYZ...... -> C:\\nu_kopcd.txt"), f.dir.File("Nu_KopCd.txt"));
    nuko::path::SetCurrentDriveMap({});
}

TEST(CdRegistration, StoredValuesComeBackUnchanged) {
    CdFixture f;
    for (std::string v : {RegistrationValue("", "", "/a.txt"), RegistrationValue("\"A", "B\"", "/b.txt"),
                          std::string("'x'"), std::string("path ")}) {
        ASSERT_FALSE(f.store.WriteKey("Cd\\File", "k", StoredRegistrationValue(v)));
        EXPECT_EQ(f.store.ReadKey("Cd\\File", "k"), v);
    }
}

TEST(CdTitleDatabase, UnknownDiscReadsDefaultsAndWritesNothing) {
    CdFixture f;
    MediaList r;
    EXPECT_TRUE(f.db.LookupDisc(r, TwoTracks()));
    EXPECT_EQ(r.section, "0020810600412");
    EXPECT_EQ(r.path, f.db.default_file());
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r.items[0].name, "04:12:40");
    EXPECT_EQ(r.items[1].title, "Track 02");
    EXPECT_EQ(r.items[1].number, 2);
    EXPECT_EQ(r.loaded, 0);
    EXPECT_TRUE(r.title.empty() && r.sub_title.empty() && r.picture.empty());
    EXPECT_FALSE(Exists(f.db.default_file()));
    EXPECT_FALSE(Exists(f.store.path()));
    // The same disc again changes nothing.
    r.items[0].title = "kept";
    EXPECT_FALSE(f.db.LookupDisc(r, TwoTracks()));
    EXPECT_EQ(r.items[0].title, "kept");
}

TEST(CdTitleDatabase, SaveWritesTheSectionAndRegistration) {
    CdFixture f;
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    r.title = "アーティスト";
    r.sub_title = "タイトル";
    r.items[0].title = "曲1";
    r.items[1].title = "@曲2";
    r.items[0].number = 2;
    r.items[1].number = 1;
    r.loaded = 1;
    ASSERT_TRUE(f.db.SaveDisc(r, true));
    EXPECT_EQ(ReadBytes(f.db.default_file()),
              f.Cp932("[0020810600412]\r\nArtist=アーティスト\r\nTitle=タイトル\r\nPicture=\r\n"
                      "001/04:12=曲1\r\n002/03:58=@曲2\r\nProg=1,2,1\r\n"));
    EXPECT_EQ(f.store.ReadKey("Cd\\File", "0020810600412"),
              "アーティ:タイト... -> " + f.db.default_file());

    MediaList again;
    EXPECT_TRUE(f.db.LookupDisc(again, TwoTracks()));
    EXPECT_EQ(again.title, "アーティスト");
    EXPECT_EQ(again.sub_title, "タイトル");
    EXPECT_EQ(again.items[1].title, "@曲2");
    EXPECT_EQ(again.items[0].number, 2);
    EXPECT_EQ(again.loaded, 1);
}

TEST(CdTitleDatabase, RegisteredFileElsewhereIsFound) {
    CdFixture f;
    std::string other = f.dir.File("mine.txt");
    WriteBytes(other, f.Cp932("[0020810600412]\nArtist=A\nTitle=T\n001/04:12=One\n"));
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "0020810600412", RegistrationValue("A", "T", other)));
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    EXPECT_EQ(r.path, other);
    EXPECT_EQ(r.items[0].title, "One");
    EXPECT_EQ(r.items[1].title, "Track 02");
}

TEST(CdTitleDatabase, EqualTracksKeepDistinctSectionKeys) {
    CdFixture f;
    MediaList r;
    f.db.LookupDisc(r, Disc({Time(1, 0, 0), Time(3, 58, 20), Time(3, 58, 20)}));
    EXPECT_EQ(r.items[2].name, "03:58:21");
    r.sub_title = "T";
    r.items[1].title = "two";
    r.items[2].title = "three";
    ASSERT_TRUE(f.db.SaveDisc(r, false));
    std::string file = ReadBytes(f.db.default_file());
    EXPECT_NE(file.find("002/03:58=two\r\n003/03:58=three\r\n"), std::string::npos) << file;
    MediaList again;
    f.db.LookupDisc(again, Disc({Time(1, 0, 0), Time(3, 58, 20), Time(3, 58, 20)}));
    EXPECT_EQ(again.items[2].title, "three");
}

TEST(CdTitleDatabase, OlderIdIsFoundAndMoved) {
    CdFixture f;
    std::string file = f.dir.File("old.txt");
    WriteBytes(file, f.Cp932("[Other]\r\nTitle=x\r\n[002081060]\r\nArtist=旧\r\nTitle=Old\r\n"
                             "04:12:40=First\r\n03:58:20=Second\r\nProg=1,2,1\r\n"));
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "002081060", RegistrationValue("旧", "Old", file)));
    MediaList r;
    EXPECT_TRUE(f.db.LookupDisc(r, TwoTracks()));
    EXPECT_EQ(r.section, "0020810600412");
    EXPECT_EQ(r.items[0].title, "First");
    EXPECT_EQ(r.items[1].number, 1);
    EXPECT_EQ(ReadBytes(file), f.Cp932("[Other]\r\nTitle=x\r\n[0020810600412]\r\nArtist=旧\r\nTitle=Old\r\n"
                                       "Picture=\r\n001/04:12=First\r\n002/03:58=Second\r\nProg=1,2,1\r\n"));
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "002081060"));
    EXPECT_EQ(f.store.ReadKey("Cd\\File", "0020810600412"), RegistrationValue("旧", "Old", file));
    // Next time it is found under the current id.
    MediaList again;
    f.db.LookupDisc(again, TwoTracks());
    EXPECT_EQ(again.items[1].title, "Second");
}

TEST(CdTitleDatabase, QuotedValuesReadBackAsWritten) {
    CdFixture f;
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    r.title = "\"Quoted\"";
    r.sub_title = "'single'";
    r.items[0].title = "\"";
    r.items[1].title = "say \"hi\"";
    ASSERT_TRUE(f.db.SaveDisc(r, true));
    std::string file = ReadBytes(f.db.default_file());
    EXPECT_NE(file.find("Artist=\"\"Quoted\"\"\r\n"), std::string::npos);
    EXPECT_NE(file.find("Title=''single''\r\n"), std::string::npos);
    MediaList again;
    f.db.LookupDisc(again, TwoTracks());
    EXPECT_EQ(again.title, "\"Quoted\"");
    EXPECT_EQ(again.sub_title, "'single'");
    EXPECT_EQ(again.items[0].title, "\"");
    EXPECT_EQ(again.items[1].title, "say \"hi\"");
}

TEST(CdTitleDatabase, TitlesOutsideCp932KeepTheFileWhole) {
    CdFixture f;
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    r.sub_title = "Café ♫ 🎵";
    ASSERT_TRUE(f.db.SaveDisc(r, false));
    EXPECT_TRUE(ReadBytes(f.db.default_file()).starts_with("\xEF\xBB\xBF["));
    MediaList again;
    f.db.LookupDisc(again, TwoTracks());
    EXPECT_EQ(again.sub_title, "Café ♫ 🎵");
}

TEST(CdTitleDatabase, DeleteRemovesSectionAndRegistration) {
    CdFixture f;
    std::string file = f.dir.File("mine.txt");
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    r.path = file;
    r.title = "A";
    ASSERT_TRUE(f.db.SaveDisc(r, true));
    ASSERT_TRUE(f.db.DeleteDisc(r));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "0020810600412"));
    EXPECT_EQ(r.path, f.db.default_file());
    EXPECT_EQ(r.title, "");
    EXPECT_EQ(r.items[0].title, "Track 01");
}

TEST(CdTitleDatabase, DamagedFilesReadAsDefaults) {
    CdFixture f;
    std::string file = f.dir.File("bad.txt");
    std::string huge(2 << 20, 'x');
    WriteBytes(file, "[0020810600412]\r\n" + huge + "\r\nArtist=\x82\xA0\xFF\x81\r\nno equals sign\r\n"
                     "001/04:12=" + huge + "\r\nTitle\r\n[0020810600412]\r\nTitle=second section\r\n"
                     "Prog=1,x,5\r\n");
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "0020810600412", RegistrationValue("", "", file)));
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    EXPECT_EQ(r.title, "あ\uFFFD\uFFFD");
    EXPECT_EQ(r.sub_title, "");  // only the first of two equal sections counts
    EXPECT_EQ(r.items[0].title.size(), 511u);  // cut at 511 bytes
    EXPECT_EQ(r.items[1].title, "Track 02");
    EXPECT_EQ(r.loaded, 0);
}

TEST(CdTitleDatabase, ProgramNumbersAreAlwaysAnOrder) {
    MediaList r;
    r.section = "0030000000000";
    r.items.resize(3);
    r.items[0].name = "00:00:01";
    r.items[1].name = "00:00:02";
    r.items[2].name = "00:00:03";
    auto numbers = [&] {
        return std::vector<int>{r.items[0].number, r.items[1].number, r.items[2].number};
    };
    LoadDiscFromBytes(r, "[0030000000000]\nProg=1,3,1,2\n");
    EXPECT_EQ(r.loaded, 1);
    EXPECT_EQ(numbers(), (std::vector<int>{3, 1, 2}));
    // Missing numbers take the track number.
    LoadDiscFromBytes(r, "[0030000000000]\nProg=1,2,1\n");
    EXPECT_EQ(numbers(), (std::vector<int>{2, 1, 3}));
    // Repeated or out of range numbers fall back to track order.
    for (const char* bad : {"1,3,3,1", "1,4,1,2", "1,,,", "1,0,1,2"}) {
        LoadDiscFromBytes(r, std::string("[0030000000000]\nProg=") + bad + "\n");
        EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3})) << bad;
    }
}

TEST(CdTitleDatabase, FailedSaveKeepsFileAndId) {
    CdFixture f;
    std::string folder = f.dir.File("ro/");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string old = f.Cp932("[002081060]\r\nTitle=Old\r\n04:12:40=First\r\n");
    WriteBytes(folder + "t.txt", old);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    bool ok = nuko::test::AsUnprivilegedUser(f.dir.path(), [&] {
        MediaList r;
        r.path = folder + "t.txt";
        r.section = "002081060";
        r.items.resize(2);
        r.items[0].name = "04:12:40";
        r.items[1].name = "03:58:20";
        f.db.LoadDisc(r);
        return r.items[0].title == "First" && !f.db.SaveDisc(r, false) && r.section == "002081060";
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadBytes(folder + "t.txt"), old);
}

TEST(CdTitleDatabase, AnUnreadableTitleFileIsNeverReplaced) {
    // An ordinary user may replace files in the folder but not read this
    // one: saving or deleting must leave it, and its registration, alone.
    CdFixture f;
    const std::string kept = f.Cp932("[0020810600412]\r\nArtist=A\r\nTitle=T\r\n001/04:12=One\r\n");
    std::string file = nuko::test::WriteInOpenFolder(f.dir, "mine.txt", kept, 0600);
    const std::string registration = RegistrationValue("A", "T", file);
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "0020810600412", registration));
    bool refused = nuko::test::AsUnprivilegedUser(f.dir.path(), [&] {
        MediaList r;
        f.db.LookupDisc(r, TwoTracks());
        if (r.path != file || r.items[0].title != "Track 01") return false;
        r.items[0].title = "replaced";
        return !f.db.SaveDisc(r, false) && !f.db.DeleteDisc(r);
    });
    EXPECT_TRUE(refused);
    EXPECT_EQ(ReadBytes(file), kept);
    EXPECT_EQ(f.store.ReadKey("Cd\\File", "0020810600412"), registration);
}

TEST(CdTitleDatabase, AFolderInTheTitleFilesPlaceStays) {
    CdFixture f;
    std::string folder = f.dir.File("titles.txt");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    r.path = folder;
    r.title = "A";
    EXPECT_FALSE(f.db.SaveDisc(r, true));
    EXPECT_FALSE(f.db.DeleteDisc(r));
    EXPECT_TRUE(Exists(folder + "/."));
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "0020810600412"));
}

TEST(CdTitleDatabase, AMoveCutShortAfterTheFileIsFinishedByTheNextLookup) {
    // The move writes the file, then the current registration, then drops
    // the older one. Here the second step fails: the settings store may be
    // read but not written by the user who runs the lookup.
    CdFixture f;
    std::string file = nuko::test::WriteInOpenFolder(
        f.dir, "old.txt", f.Cp932("[002081060]\r\nArtist=旧\r\nTitle=Old\r\n04:12:40=First\r\n03:58:20=Second\r\n"),
        0666);
    const std::string registration = RegistrationValue("旧", "Old", file);
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "002081060", registration));

    bool found = nuko::test::AsUnprivilegedUser(f.dir.path(), [&] {
        MediaList r;
        f.db.LookupDisc(r, TwoTracks());
        return r.items[0].title == "First" && r.items[1].title == "Second";
    });
    EXPECT_TRUE(found);
    // Cut short between the steps: the file moved, the registration did not.
    std::string moved = ReadBytes(file);
    EXPECT_NE(moved.find("[0020810600412]"), std::string::npos);
    EXPECT_EQ(moved.find("[002081060]"), std::string::npos);
    ASSERT_EQ(f.store.ReadKey("Cd\\File", "002081060"), registration);
    ASSERT_FALSE(f.store.ReadKey("Cd\\File", "0020810600412"));

    // The next lookup loses no title and finishes the move.
    MediaList r;
    EXPECT_TRUE(f.db.LookupDisc(r, TwoTracks()));
    EXPECT_EQ(r.section, "0020810600412");
    EXPECT_EQ(r.path, file);
    EXPECT_EQ(r.title, "旧");
    EXPECT_EQ(r.items[0].title, "First");
    EXPECT_EQ(r.items[1].title, "Second");
    EXPECT_EQ(f.store.ReadKey("Cd\\File", "0020810600412"), registration);
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "002081060"));
    EXPECT_EQ(ReadBytes(file), moved);
}

TEST(CdTitleDatabase, AnOlderKeyLeftBehindNeverHidesALaterRegistration) {
    // Cut short before the older key went; since then the disc was saved
    // into a file of its own. That later registration is the one that counts.
    CdFixture f;
    std::string old_file = f.dir.File("old.txt");
    std::string mine = f.dir.File("mine.txt");
    WriteBytes(old_file, f.Cp932("[0020810600412]\r\nTitle=Stale\r\n001/04:12=Stale one\r\n"));
    WriteBytes(mine, f.Cp932("[0020810600412]\r\nTitle=Mine\r\n001/04:12=My one\r\n"));
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "002081060", RegistrationValue("", "Stale", old_file)));
    ASSERT_FALSE(f.store.WriteKey("Cd\\File", "0020810600412", RegistrationValue("", "Mine", mine)));
    MediaList r;
    f.db.LookupDisc(r, TwoTracks());
    EXPECT_EQ(r.path, mine);
    EXPECT_EQ(r.sub_title, "Mine");
    EXPECT_EQ(r.items[0].title, "My one");
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "002081060"));
    EXPECT_EQ(ReadBytes(old_file), f.Cp932("[0020810600412]\r\nTitle=Stale\r\n001/04:12=Stale one\r\n"));
}
