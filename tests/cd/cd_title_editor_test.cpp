#include "cd/cd_title_editor.h"

#include <gtest/gtest.h>

#include "cd_test_util.h"
#include "nuko/paths.h"
#include "nuko/string_ids.h"
#include "scripted_prompt.h"

using namespace nuko::cd;
using nuko::PromptAnswer;
using nuko::media::MediaList;
using nuko::test::CdFixture;
using nuko::test::Disc;
using nuko::test::ReadBytes;
using nuko::test::ScriptedPrompt;
using nuko::test::Time;
using nuko::test::WriteBytes;

namespace {

DiscLengths TwoTracks() { return Disc({Time(4, 12, 40), Time(3, 58, 20)}); }

struct EditorFixture : CdFixture {
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope{&prompt};
    MediaList record;
    std::vector<std::vector<std::string>> started;

    EditorFixture() { db.LookupDisc(record, TwoTracks()); }

    CdTitleEditor Editor() {
        CdTitleEditor e(db, record, BcaNumbersOf(TwoTracks()));
        e.SetProgramStarter([this](const std::vector<std::string>& argv) {
            started.push_back(argv);
            return true;
        });
        return e;
    }
};

}  // namespace

TEST(CdTitleMarkers, ToggleRules) {
    EXPECT_EQ(ToggleMarker("", '@'), "@");
    EXPECT_EQ(ToggleMarker("Song", '@'), "@Song");
    EXPECT_EQ(ToggleMarker("@Song", '@'), "Song");
    EXPECT_EQ(ToggleMarker("$Song", '@'), "@Song");
    EXPECT_EQ(ToggleMarker("$", '@'), "@");
    EXPECT_EQ(ToggleMarker("@", '$'), "$");
    EXPECT_EQ(ToggleMarker("$Song", '$'), "Song");
}

TEST(CdTitleEditor, RowsAndProgramOrder) {
    MediaList r;
    r.items.resize(3);
    r.items[0] = {3, 0, "", "04:12:40", "A", "", "", 0};
    r.items[1] = {1, 0, "", "03:58:20", "B", "", "", 0};
    r.items[2] = {2, 0, "", "10:00:00", "C", "", "", 0};
    EXPECT_EQ(TrackRowTexts(r, 0), (std::array<std::string, 4>{"01", "04:12", "A", "3"}));
    EXPECT_EQ(TrackTitleLabel(9), "曲名 [10]");
    EXPECT_EQ(ProgramOrder(r), (std::vector<std::size_t>{1, 2, 0}));
    EXPECT_EQ(ProgramNumbersOfOrder({2, 0, 1}), (std::vector<int>{2, 3, 1}));
}

TEST(CdTitleEditor, ProgramNumberSwapsOrIsRefused) {
    EditorFixture f;
    auto e = f.Editor();
    EXPECT_TRUE(e.SetProgramNumber(0, " 2 "));
    EXPECT_EQ(e.record().items[0].number, 2);
    EXPECT_EQ(e.record().items[1].number, 1);
    EXPECT_TRUE(e.modified());
    for (const char* bad : {"0", "3", "x", "", "1x", "-1"}) {
        EXPECT_FALSE(e.SetProgramNumber(1, bad)) << bad;
        EXPECT_EQ(e.record().items[1].number, 1);
    }
    ASSERT_EQ(f.prompt.ids(), std::vector<int>(6, 147));
    EXPECT_EQ(f.prompt.asked()[0].text, "[ 0 ]の番号は不適当です.\n入力し直して下さい,");
    EXPECT_EQ(f.prompt.asked()[0].icon, nuko::PromptIcon::Warning);
}

TEST(CdTitleEditor, ModifiedOnlyByChanges) {
    EditorFixture f;
    auto e = f.Editor();
    e.SetArtist("");
    e.SetTrackTitle(0, "Track 01");
    e.SetProgramNumber(0, "1");
    e.SetProgramPlay(false);
    EXPECT_FALSE(e.modified());
    e.ToggleTrackMarker(1, true);
    EXPECT_EQ(e.record().items[1].title, "$Track 02");
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(e.Caption(), "CDﾀｲﾄﾙ & 曲名編集<< " + f.db.default_file() + " >>");
}

TEST(CdTitleEditor, SaveAsksBeforeAddingToTheFile) {
    EditorFixture f;
    auto e = f.Editor();
    e.SetTitle("T");
    f.prompt.Answer(PromptAnswer::No);
    EXPECT_EQ(e.Save(), EditorOutcome::Stay);
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{219});
    EXPECT_EQ(f.prompt.asked()[0].default_button, 1);  // No is the default
    EXPECT_EQ(ReadBytes(f.db.default_file()), "");

    f.prompt.Answer(PromptAnswer::Yes);
    e.SetAlsoRunConverter(true);
    EXPECT_EQ(e.Save(), EditorOutcome::Accepted);
    EXPECT_EQ(f.store.ReadKey("Cd\\File", "0020810600412"), RegistrationValue("", "T", f.db.default_file()));
    ASSERT_EQ(f.started.size(), 1u);
    EXPECT_EQ(f.started[0], (std::vector<std::string>{nuko::folders::ProgramFolder() + "nu_32cvt", "/save"}));

    // Known to the file now: no question; unchanged: closes as cancelled.
    auto again = CdTitleEditor(f.db, e.record(), {});
    f.prompt.Clear();
    EXPECT_EQ(again.Save(), EditorOutcome::Cancelled);
    EXPECT_TRUE(f.prompt.ids().empty());
}

TEST(CdTitleEditor, MissingConverterIsReportedAfterTheSave) {
    EditorFixture f;
    CdTitleEditor e(f.db, f.record, {});
    e.SetTitle("T");
    e.SetAlsoRunConverter(true);
    f.prompt.Answer(PromptAnswer::Yes);
    // The test's program folder holds no nu_32cvt.
    EXPECT_EQ(e.Save(), EditorOutcome::Accepted);
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{219, 168}));
    EXPECT_EQ(f.prompt.asked()[1].caption, "実行ｺﾏﾝﾄﾞｴﾗｰ");
    EXPECT_EQ(f.prompt.asked()[1].icon, nuko::PromptIcon::Information);
    EXPECT_TRUE(f.store.ReadKey("Cd\\File", "0020810600412"));
}

TEST(CdTitleEditor, EmptyArtistAndTitleDeleteTheDisc) {
    EditorFixture f;
    std::string file = f.dir.File("mine.txt");
    f.record.path = file;
    f.record.title = "A";
    f.record.sub_title = "T";
    ASSERT_TRUE(f.db.SaveDisc(f.record, true));
    auto e = f.Editor();
    e.SetArtist("");
    e.SetTitle("");
    f.prompt.Answer(PromptAnswer::No);
    EXPECT_EQ(e.Save(), EditorOutcome::Stay);
    EXPECT_TRUE(e.wants_artist_focus());
    EXPECT_TRUE(f.store.ReadKey("Cd\\File", "0020810600412"));

    f.prompt.Answer(PromptAnswer::Yes);
    EXPECT_EQ(e.Save(), EditorOutcome::Accepted);
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{149, 149}));
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "0020810600412"));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_EQ(e.record().path, f.db.default_file());
}

TEST(CdTitleEditor, FailedSaveStays) {
    EditorFixture f;
    f.record.path = f.dir.path();  // a folder cannot be written as a file
    CdTitleEditor bad(f.db, f.record, {});
    bad.SetTitle("T");
    f.prompt.Answer(PromptAnswer::Yes);
    EXPECT_EQ(bad.Save(), EditorOutcome::Stay);
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{219, 165}));
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "0020810600412"));
}

TEST(CdTitleEditor, SaveAsAsksAboutExistingFiles) {
    EditorFixture f;
    std::string taken = f.dir.File("taken.txt");
    std::string fresh = f.dir.File("fresh.txt");
    WriteBytes(taken, f.Cp932("[0020810600412]\r\nTitle=既存\r\n"));
    auto e = f.Editor();
    e.SetTitle("New");
    std::vector<std::string> folders;
    std::vector<std::string> picks = {taken, fresh};
    f.prompt.Answer(PromptAnswer::No);  // not over the disc already in taken.txt
    auto outcome = e.SaveAs([&](const std::string& folder) {
        folders.push_back(folder);
        std::string p = picks.front();
        picks.erase(picks.begin());
        return p;
    });
    EXPECT_EQ(outcome, EditorOutcome::Accepted);
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{174});
    EXPECT_EQ(f.prompt.asked()[0].text,
              "ﾌｧｲﾙ名 \"" + taken + "\" の中に、この CD はすでに\n  ﾀｲﾄﾙ : 既存\nとして登録されています。\n\n上書き登録しますか？");
    EXPECT_EQ(folders, (std::vector<std::string>{f.dir.path() + "data/", f.dir.path()}));
    EXPECT_EQ(e.record().path, fresh);
    EXPECT_NE(ReadBytes(fresh).find("Title=New"), std::string::npos);
    EXPECT_EQ(*f.store.ReadKey("Cd\\File", "0020810600412"), RegistrationValue("", "New", fresh));

    // Cancelling the file dialog stays.
    EXPECT_EQ(e.SaveAs([](const std::string&) { return std::string(); }), EditorOutcome::Stay);
}

TEST(CdTitleEditor, CloseAsksWhenModified) {
    EditorFixture f;
    auto e = f.Editor();
    EXPECT_EQ(e.Close(), EditorOutcome::Cancelled);
    e.SetTitle("\"T\"");
    f.prompt.Answer(PromptAnswer::Cancel);
    EXPECT_EQ(e.Close(), EditorOutcome::Stay);
    f.prompt.Answer(PromptAnswer::No);
    EXPECT_EQ(e.Close(), EditorOutcome::Cancelled);
    EXPECT_EQ(f.prompt.asked()[0].text, "\"\"T\"\" は変更されています。\n保存しますか.?");
    EXPECT_EQ(f.prompt.asked()[0].buttons, nuko::PromptButtons::YesNoCancel);
    EXPECT_EQ(f.prompt.asked()[0].default_button, 1);
    f.prompt.Answer(PromptAnswer::Yes);
    f.prompt.Answer(PromptAnswer::Yes);  // 219: add to the file
    EXPECT_EQ(e.Close(), EditorOutcome::Accepted);
    EXPECT_TRUE(f.store.ReadKey("Cd\\File", "0020810600412"));
}

TEST(CdTitleEditor, ImportTitleFileOfTheOlderForm) {
    EditorFixture f;
    std::string other = f.dir.File("other.txt");
    WriteBytes(other, f.Cp932("[002081060]\r\nArtist=旧\r\nTitle=古い盤\r\n04:12:40=一\r\n03:58:20=二\r\nProg=1,2,1\r\n"));
    auto e = f.Editor();
    f.prompt.Answer(PromptAnswer::Ok);
    f.prompt.Answer(PromptAnswer::No);  // keep the registered file
    ASSERT_TRUE(e.Import(other, 1));
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{150, 176}));
    EXPECT_EQ(e.record().sub_title, "古い盤");
    EXPECT_EQ(e.record().items[1].title, "二");
    EXPECT_EQ(e.record().items[0].number, 2);
    EXPECT_EQ(e.record().section, "0020810600412");
    EXPECT_EQ(e.record().path, f.db.default_file());
    EXPECT_TRUE(e.modified());
    // The older section was rewritten in the current form, unregistered.
    EXPECT_EQ(ReadBytes(other), f.Cp932("[0020810600412]\r\nArtist=旧\r\nTitle=古い盤\r\nPicture=\r\n"
                                        "001/04:12=一\r\n002/03:58=二\r\nProg=1,2,1\r\n"));
    EXPECT_FALSE(f.store.ReadKey("Cd\\File", "0020810600412"));

    // Yes to 176 makes the chosen file the record's file.
    auto e2 = f.Editor();
    f.prompt.Answer(PromptAnswer::Ok);
    f.prompt.Answer(PromptAnswer::Yes);
    ASSERT_TRUE(e2.Import(other, 2));
    EXPECT_EQ(e2.record().path, other);
}

TEST(CdTitleEditor, ImportWithoutTheDisc) {
    EditorFixture f;
    std::string other = f.dir.File("other.txt");
    WriteBytes(other, "[9999]\r\nTitle=x\r\n");
    auto e = f.Editor();
    EXPECT_FALSE(e.Import(other, 1));
    EXPECT_FALSE(e.Import(f.dir.File("missing.csv"), 1));
    EXPECT_FALSE(e.Import(f.dir.File("cds.lst"), 1));
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{175, 175, 175}));
    EXPECT_EQ(f.prompt.asked()[0].text, "ﾌｧｲﾙ名 \"" + other + "\" の中には、この CD のデータは存在しません.");
    EXPECT_FALSE(e.modified());
}

TEST(CdTitleEditor, ImportBcaAndCsv) {
    EditorFixture f;
    BcaNumbers n = BcaNumbersOf(TwoTracks());
    std::string bca = f.dir.File("bca.dat");
    char section[32];
    std::snprintf(section, sizeof section, "%010lu", static_cast<unsigned long>(n.first));
    WriteBytes(bca, f.Cp932(std::string("[") + section + "]\r\nArtistName=B歌手\r\nTitle=B盤\r\n02=二曲目\r\n"));
    auto e = f.Editor();
    f.prompt.Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(e.Import(bca, 1));
    f.prompt.Answer(PromptAnswer::Ok);
    ASSERT_TRUE(e.Import(bca, 1));
    EXPECT_EQ(e.record().title, "B歌手");
    EXPECT_EQ(e.record().items[0].title, "Track 01");
    EXPECT_EQ(e.record().items[1].title, "二曲目");

    std::string csv = f.dir.File("list.csv");
    WriteBytes(csv, f.Cp932("\"C盤\"\r\n\"C歌手\"\r\n\"1\",\"いち\",\"4:12\"\r\n"));
    f.prompt.Clear();
    f.prompt.Answer(PromptAnswer::No);
    EXPECT_FALSE(e.Import(csv, 4));
    f.prompt.Answer(PromptAnswer::Yes);
    ASSERT_TRUE(e.Import(csv, 4));
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{217, 217}));
    EXPECT_EQ(f.prompt.asked()[0].text, "知ってるCDﾌﾟﾚｲﾔｰ(csv)のﾌｧｲﾙ名 \"" + csv +
                                            "\" は\n   ｱｰﾃｨｽﾄ名 : C歌手\n   ﾀ ｲ ﾄ ﾙ 名 : C盤\nとなっています。"
                                            "\n\nこのﾃﾞｰﾀを読み込みますか?");
    EXPECT_EQ(e.record().title, "C歌手");
    EXPECT_EQ(e.record().items[0].title, "いち");
    EXPECT_EQ(e.record().items[1].title, "Track 02");
}

TEST(CdTitleEditor, PasteAsksFirst) {
    EditorFixture f;
    auto e = f.Editor();
    std::string text = "A\r\nT\r\nP\r\none\r\ntwo\r\n";
    EXPECT_FALSE(e.Paste(text));  // the default answer is No
    EXPECT_FALSE(e.modified());
    f.prompt.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(e.Paste(text));
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{151, 151}));
    EXPECT_EQ(e.Copy(), text);
    EXPECT_TRUE(e.modified());
}

TEST(CdTitleEditor, XmcdImportAsksForAnotherDiscsEntryAndSavesItsNotes) {
    EditorFixture f;
    WriteBytes(f.dir.File("entry"), "# xmcd\nDISCID=0a02a502\nDTITLE=Artist / Album\nTTITLE0=One\nTTITLE1=Tw\n"
                                    "TTITLE1=o\nEXTD=liner\nEXTT1=second\nPLAYORDER=1,0\n");
    WriteBytes(f.dir.File("junk"), "not an entry\n");
    CdTitleEditor e = f.Editor();
    EXPECT_FALSE(e.ImportXmcd(f.dir.File("junk"), "0a02a502"));
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{nuko::strings::kXmcdUnreadable});
    EXPECT_FALSE(e.modified());

    // Another disc's entry: Cancel keeps the record, OK takes it.
    f.prompt.Clear();
    f.prompt.Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(e.ImportXmcd(f.dir.File("entry"), "ffffffff"));
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{nuko::strings::kXmcdOtherDisc});
    EXPECT_NE(e.record().title, "Artist");
    f.prompt.Clear();
    ASSERT_TRUE(e.ImportXmcd(f.dir.File("entry"), "0a02a502"));
    EXPECT_TRUE(f.prompt.ids().empty());
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(e.record().title, "Artist");
    EXPECT_EQ(e.record().items[1].title, "Two");
    EXPECT_EQ(e.record().loaded, 1);
    EXPECT_EQ(e.record().items[1].number, 1);

    // Saved, the notes come back with the disc.
    f.prompt.Answer(PromptAnswer::Yes);
    EXPECT_EQ(e.Save(), EditorOutcome::Accepted);
    MediaList again;
    f.db.LookupDisc(again, TwoTracks());
    EXPECT_EQ(again.sub_title, "Album");
    EXPECT_EQ(again.notes, "liner");
    EXPECT_EQ(again.items[1].notes, "second");
    EXPECT_TRUE(again.items[0].notes.empty());

    // Exported to a folder that is not there: message 165, nothing written.
    DiscToc toc;
    toc.tracks = {{1, 0, true}, {2, 18940, true}};
    toc.leadout = 36810;
    f.prompt.Clear();
    EXPECT_FALSE(e.ExportXmcd(f.dir.File("missing/entry"), toc, "0a02a502"));
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{nuko::strings::kSaveFailed});
    EXPECT_TRUE(e.ExportXmcd(f.dir.File("out"), toc, "0a02a502"));
    EXPECT_NE(ReadBytes(f.dir.File("out")).find("TTITLE1=Two\n"), std::string::npos);
}
