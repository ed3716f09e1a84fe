#include "library/catalog_editor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "library/archive_file.h"
#include "library/catalog.h"
#include "lzh_writer.h"
#include "media_fixtures.h"
#include "nuko/string_ids.h"
#include "nuko/text.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using namespace nuko::media;
using nuko::test::ReadBytes;
using nuko::test::ScriptedPrompt;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

std::vector<std::string> Names(const CatalogEditor& e) {
    std::vector<std::string> out;
    for (const MediaItem& item : e.rows()) out.push_back(item.name);
    return out;
}

class CatalogEditorTest : public ::testing::Test {
protected:
    CatalogEditor Make(MediaKind kind = MediaKind::Midi, CatalogEditorSettings settings = {}) {
        CatalogEditor::Environment env;
        env.drives = drives;
        env.read_title = [this](const std::string& path, bool space_cut) {
            ++titles_read;
            return (space_cut ? "cut " : "title of ") + std::string(path::FileName(path));
        };
        return CatalogEditor(kind, settings, env);
    }
    // Rows as a catalog holds them, which may repeat a path in another case.
    void LoadRows(CatalogEditor& e, const std::vector<std::string>& names) {
        MediaList list;
        list.path = dir.File("rows.mit");
        for (const std::string& n : names) list.items.push_back({0, 0, "", n, "t " + n});
        ASSERT_FALSE(WriteCatalog(list));
        e.Load(list.path);
    }
    std::string Song(const std::string& name) {
        std::string p = dir.File(name);
        WriteBytes(p, "MThd");
        return p;
    }

    TempDir dir;
    path::DriveMap drives;
    ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
    int titles_read = 0;
};

// ---- registration ----

TEST_F(CatalogEditorTest, RegisteringTwiceOrAPrefixOfARowAddsNothing) {
    auto e = Make();
    EXPECT_TRUE(e.Register("/m/song.mid.old"));
    EXPECT_FALSE(e.Register("/m/song.mid.old"));
    EXPECT_FALSE(e.Register("/M/SONG.MID.OLD"));  // the search ignores case
    EXPECT_FALSE(e.Register("/m/song.mid"));      // a prefix of a registered path
    EXPECT_TRUE(e.Register("/m/song.mid.older"));  // longer is no prefix
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/m/song.mid.old", "/m/song.mid.older"}));
    EXPECT_TRUE(e.modified());
}

TEST_F(CatalogEditorTest, APathLongerThanACatalogFieldIsNotRegistered) {
    auto e = Make();
    std::string deep = "/";
    for (int i = 0; i < 30; ++i) deep += "\xE6\xBC\xA2\xE6\xBC\xA2\xE6\xBC\xA2\xE6\xBC\xA2/";  // 9 CP932 bytes a folder
    EXPECT_FALSE(e.Register(deep + "song.mid"));  // 280 bytes
    EXPECT_EQ(e.row_count(), 0);
    EXPECT_TRUE(e.Register(deep.substr(0, 1 + 13 * 20) + "song.mid"));  // 189 bytes
}

TEST_F(CatalogEditorTest, RegisteringTakesTheCurrentFolderAndTheCatalogsPathForm) {
    drives['D'] = dir.path() + "disk";
    ASSERT_EQ(::mkdir((dir.path() + "disk").c_str(), 0755), 0);
    WriteBytes(dir.File("disk/a.mid"), "MThd");
    Song("b.mid");
    auto e = Make();
    e.ShowFolder(dir.path() + "disk", 0);
    ASSERT_EQ(e.files(), std::vector<std::string>{dir.File("disk/a.mid")});
    EXPECT_TRUE(e.Register("a.mid"));                // the current folder's file
    EXPECT_TRUE(e.Register(dir.File("b.mid")));      // outside every drive
    EXPECT_EQ(Names(e), (std::vector<std::string>{"D:\\a.mid", dir.File("b.mid")}));
    EXPECT_EQ(e.rows()[0].title, "title of a.mid");  // read from the Linux file
}

TEST_F(CatalogEditorTest, TitlesLoseControlCharactersAndAreCutToTheFieldLimit) {
    CatalogEditor::Environment env;
    std::string long_title;
    for (int i = 0; i < 150; ++i) long_title += "\xE6\xBC\xA2";  // 300 bytes in CP932
    env.read_title = [&](const std::string& p, bool) {
        return p.ends_with("a.mid") ? std::string("A\tB\x01" "C  \r\n") : long_title;
    };
    CatalogEditor e(MediaKind::Midi, {}, env);
    e.Register("/x/a.mid");
    e.Register("/x/b.mid");
    EXPECT_EQ(e.rows()[0].title, "A B C");
    const std::string cut = e.rows()[1].title;
    EXPECT_EQ(text::Utf8ToCp932(cut)->size(), 254u);  // whole characters within 255 bytes
    EXPECT_TRUE(text::IsValidUtf8(cut));
}

TEST_F(CatalogEditorTest, ManyFilesRegisterWithProgressAndOneRowEach) {
    auto e = Make();
    std::vector<std::pair<int, std::size_t>> reports;
    e.SetProgress([&](int word, std::size_t done, std::size_t) { reports.emplace_back(word, done); });
    std::vector<std::string> paths;
    for (int i = 0; i < 20000; ++i) paths.push_back("/big/" + std::to_string(i) + ".mid");
    paths.push_back("/big/7.mid");  // twice in one go
    EXPECT_EQ(e.RegisterAll(paths), 20000);
    EXPECT_EQ(e.row_count(), 20000);
    EXPECT_EQ(e.selected(), 19999);
    ASSERT_EQ(reports.size(), paths.size() + 1);
    EXPECT_EQ(reports.front(), std::make_pair(strings::kProgressRegistering, std::size_t{0}));
    EXPECT_EQ(reports.back().second, paths.size());
}

TEST_F(CatalogEditorTest, UnreadableFilesStillRegisterUnderTheirNames) {
    std::string p = Song("locked.mid");
    ::chmod(p.c_str(), 0);
    CatalogEditor e(MediaKind::Midi, {}, {});
    EXPECT_TRUE(e.Register(p));
    EXPECT_EQ(e.rows()[0].title, "locked");
    ::chmod(p.c_str(), 0644);
}

TEST_F(CatalogEditorTest, AFolderThatCannotBeReadListsNothing) {
    ASSERT_EQ(::mkdir(dir.File("closed").c_str(), 0755), 0);
    WriteBytes(dir.File("closed/a.mid"), "MThd");
    ::chmod(dir.File("closed").c_str(), 0);
    auto e = Make();
    // Root reads any folder: the listing runs as a user the folder refuses.
    EXPECT_TRUE(nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        e.ShowFolder(dir.File("closed"), 0);
        return e.files().empty();
    }));
    e.ShowFolder(dir.File("missing"), 0);
    EXPECT_TRUE(e.files().empty());
    ::chmod(dir.File("closed").c_str(), 0755);
}

TEST_F(CatalogEditorTest, DropsRegisterMediaAndAppendCatalogs) {
    Song("one.mid");
    WriteBytes(dir.File("notes.txt"), "x");
    MediaList list;
    list.path = dir.File("old.mit");
    list.title = "Old";
    list.sub_title = "Sub";
    list.items.push_back({0, 0, "", "C:\\songs\\x.mid", "X", "", "C:\\init.cfg"});
    ASSERT_FALSE(WriteCatalog(list));
    auto e = Make();
    EXPECT_EQ(e.Drop({dir.File("one.mid"), dir.File("notes.txt"), dir.File("missing.mid"), dir.File("old.mit")}), 2);
    EXPECT_EQ(Names(e), (std::vector<std::string>{dir.File("one.mid"), "C:\\songs\\x.mid"}));
    EXPECT_EQ(e.rows()[1].init_file, "C:\\init.cfg");
    EXPECT_EQ(e.title(), "Old");
    EXPECT_EQ(e.sub_title(), "Sub");
    EXPECT_EQ(e.selected(), 1);

    // A five-letter extension of the kind counts too.
    WriteBytes(dir.File("clip.mpeg"), "x");
    auto movie = Make(MediaKind::Movie);
    EXPECT_EQ(movie.Drop({dir.File("clip.mpeg")}), 1);
}

// ---- archive check ----

TEST_F(CatalogEditorTest, ArchivesAreRegisteredOnlyWhenTheirCheckPasses) {
    NUKO_REQUIRE_TOOL(CArchiveFile::LibraryUsable(), "liblhasa.so.0 is not installed");
    const std::string work = dir.File("work/");
    ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
    WriteBytes(dir.File("songs.lzh"), test::LzhArchive({{"song.mid", "MThd"}, {"song.wrd", "@x"}}));
    WriteBytes(dir.File("texts.lzh"), test::LzhArchive({{"readme.txt", "hello"}}));
    CArchiveFile archives({work});
    CatalogEditorSettings settings;
    settings.kinds[0].arc_check = 1;
    CatalogEditor::Environment env;
    env.archives_enabled = true;
    env.archives = &archives;
    env.read_title = [](const std::string&, bool) { return std::string("t"); };
    CatalogEditor e(MediaKind::Midi, settings, env);
    EXPECT_TRUE(e.Register(dir.File("songs.lzh")));
    EXPECT_FALSE(e.Register(dir.File("texts.lzh")));
    EXPECT_TRUE(CArchiveFile::CheckTempList().empty());  // the check's files are gone
    EXPECT_TRUE(test::FolderEntries(work).empty());

    // WRD alone means "every type, with a script".
    e.settings().kinds[0].arc_check_type = file_type::kWrd;
    e.New();
    EXPECT_TRUE(e.Register(dir.File("songs.lzh")));
    WriteBytes(dir.File("plain.lzh"), test::LzhArchive({{"plain.mid", "MThd"}}));
    EXPECT_FALSE(e.Register(dir.File("plain.lzh")));
}

// ---- rows ----

TEST_F(CatalogEditorTest, SortByFileNameWithAndWithoutCase) {
    auto e = Make();
    for (const char* p : {"/z/C.mid", "/a/b.mid", "/y/a.mid", "/x/b.mid"}) e.Register(p);
    e.Sort();
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/y/a.mid", "/a/b.mid", "/x/b.mid", "/z/C.mid"}));

    e.settings().sort_distinction = 1;
    e.Sort();
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/z/C.mid", "/y/a.mid", "/a/b.mid", "/x/b.mid"}));

    // Whole paths: the folders decide; equal keys keep their order.
    e.settings().sort_mode = 1;
    e.settings().sort_distinction = 0;
    LoadRows(e, {"/z/C.mid", "/A/B.MID", "/y/a.mid", "/a/b.mid"});
    e.Sort();
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/A/B.MID", "/a/b.mid", "/y/a.mid", "/z/C.mid"}));
}

TEST_F(CatalogEditorTest, SortKeepsEachRowsFieldsAndTheSelection) {
    auto e = Make();
    e.Register("/b.mid");
    e.Register("/a.mid");
    e.Select(0);
    e.SetItemTitle("B title");
    ASSERT_TRUE(e.SetItemInitFile("/inits/b.cfg"));
    e.Sort();
    EXPECT_EQ(e.selected(), 1);
    EXPECT_EQ(e.rows()[1].title, "B title");
    EXPECT_EQ(e.rows()[1].init_file, "/inits/b.cfg");
}

TEST_F(CatalogEditorTest, SameNamesAreRemovedIgnoringCaseAfterConfirmation) {
    auto e = Make();
    LoadRows(e, {"X.mid", "Y.mid", "x.mid"});
    prompt.Answer(PromptAnswer::No);
    EXPECT_FALSE(e.CustomisePaths(PathRule::DropSameNames));
    EXPECT_EQ(e.row_count(), 3);
    prompt.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(e.CustomisePaths(PathRule::DropSameNames));
    EXPECT_EQ(Names(e), (std::vector<std::string>{"X.mid", "Y.mid"}));
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(prompt.ids(), (std::vector<int>{strings::kAskDropSameNames, strings::kAskDropSameNames}));
    EXPECT_EQ(e.settings().drive_mode, 2);
}

TEST_F(CatalogEditorTest, PathRulesRewriteWhatIsShownAndSaved) {
    EXPECT_EQ(DropDrivePart("X:\\music\\a.mid"), "\\music\\a.mid");
    EXPECT_EQ(DropDrivePart("\\\\server\\share\\a.mid"), "\\share\\a.mid");
    EXPECT_EQ(DropDrivePart("X:\\"), "X:\\");
    EXPECT_EQ(DropDrivePart("/home/u/a.mid"), "/home/u/a.mid");  // a Linux path has no drive part
    EXPECT_EQ(DropDrivePart("song.mid"), "song.mid");
    EXPECT_EQ(FileNamePart("X:\\music\\a.mid"), "a.mid");
    EXPECT_EQ(FileNamePart("/home/u/b.mid"), "b.mid");

    drives['X'] = "/mnt/x";
    auto e = Make();
    e.Register("/mnt/x/music/a.mid");
    e.Register("/home/u/b.mid");
    e.Select(0);
    e.SetItemTitle("Kept");
    prompt.Answer(PromptAnswer::Yes);
    ASSERT_TRUE(e.CustomisePaths(PathRule::DropDrive));
    EXPECT_EQ(Names(e), (std::vector<std::string>{"\\music\\a.mid", "/home/u/b.mid"}));
    prompt.Answer(PromptAnswer::Yes);
    ASSERT_TRUE(e.CustomisePaths(PathRule::FileNameOnly));
    EXPECT_EQ(Names(e), (std::vector<std::string>{"a.mid", "b.mid"}));
    EXPECT_EQ(e.rows()[0].title, "Kept");
    EXPECT_EQ(e.RowText(1), "b.mid");

    ASSERT_TRUE(e.SaveAs(dir.File("list.mit")));
    const std::string saved = ReadBytes(dir.File("list.mit"));
    EXPECT_NE(saved.find("\r\na.mid\tKept\t"), std::string::npos);
    EXPECT_NE(saved.find("\r\nb.mid\t"), std::string::npos);
}

TEST_F(CatalogEditorTest, DeleteInsertAndTheCopyBuffer) {
    auto e = Make();
    for (const char* p : {"/a.mid", "/b.mid", "/c.mid"}) e.Register(p);
    e.Select(1);
    ASSERT_TRUE(e.SetItemInitFile("/i/b.mid"));
    e.DeleteSelected();
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/a.mid", "/c.mid"}));
    EXPECT_EQ(e.selected(), 1);
    EXPECT_EQ(e.copy_buffer(), "/i/b.mid");
    e.Select(0);
    EXPECT_TRUE(e.InsertDeleted());
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/b.mid", "/a.mid", "/c.mid"}));
    EXPECT_EQ(e.rows()[0].init_file, "/i/b.mid");
    EXPECT_FALSE(e.InsertDeleted());  // the same path is there

    e.Select(2);
    e.DeleteSelected();  // the last row: the new last row is selected
    EXPECT_EQ(e.selected(), 1);
    e.MoveUp();
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/a.mid", "/b.mid"}));
    EXPECT_EQ(e.selected(), 0);
    e.MoveUp();  // nothing above
    e.MoveDown();
    EXPECT_EQ(Names(e), (std::vector<std::string>{"/b.mid", "/a.mid"}));

    prompt.Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(e.DeleteAll());
    EXPECT_EQ(e.row_count(), 2);
    prompt.Answer(PromptAnswer::Ok);
    EXPECT_TRUE(e.DeleteAll());
    EXPECT_EQ(e.row_count(), 0);
    EXPECT_TRUE(e.Register("/a.mid"));  // the prefix index was emptied too
}

TEST_F(CatalogEditorTest, InitFileValidation) {
    EXPECT_TRUE(IsValidInitFile(""));
    EXPECT_TRUE(IsValidInitFile("C:\\x\\init.cfg"));
    EXPECT_TRUE(IsValidInitFile("C:\\X\\GS.MID"));
    EXPECT_TRUE(IsValidInitFile("/home/u/gs.rcp"));
    EXPECT_TRUE(IsValidInitFile("/h/a.rmi"));
    EXPECT_FALSE(IsValidInitFile("C:\\x\\init.r36"));  // not a type that initialises
    EXPECT_FALSE(IsValidInitFile("/x/a.g36"));
    EXPECT_FALSE(IsValidInitFile("init.cfg"));        // no full path
    EXPECT_FALSE(IsValidInitFile("C:init.cfg"));
    EXPECT_FALSE(IsValidInitFile("C:\\a.mi"));
    EXPECT_FALSE(IsValidInitFile("/a.mid"));          // seven characters

    auto e = Make();
    e.Register("/a.mid");
    e.Select(0);
    EXPECT_FALSE(e.SetItemInitFile("C:\\x\\init.r36"));
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kInvalidInitFile});
    EXPECT_EQ(e.rows()[0].init_file, "");
}

// ---- whole catalogs ----

TEST_F(CatalogEditorTest, ClosingWithoutChangesNeverAsks) {
    auto e = Make();
    EXPECT_EQ(e.Close(), CatalogEditor::CloseResult::Discarded);
    MediaList list;
    list.path = dir.File("a.mit");
    list.items.push_back({0, 0, "", "a.mid", "A"});
    ASSERT_FALSE(WriteCatalog(list));
    e.Load(list.path);
    e.Select(0);
    e.SetItemTitle("A");  // the same text: no change
    e.Sort();             // one row: no change
    EXPECT_EQ(e.Close(), CatalogEditor::CloseResult::Discarded);
    EXPECT_TRUE(e.ConfirmDiscard());
    EXPECT_TRUE(prompt.asked().empty());
}

TEST_F(CatalogEditorTest, CloseQuestionSavesDiscardsOrStays) {
    auto e = Make();
    e.Register("/a.mid");
    ASSERT_TRUE(e.SaveAs(dir.File("c.mit")));
    e.Register("/b.mid");
    prompt.Answer(PromptAnswer::Cancel);
    EXPECT_EQ(e.Close(), CatalogEditor::CloseResult::Stay);
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].string_id, strings::kAskSaveChanges);
    EXPECT_NE(prompt.asked()[0].text.find("\"" + dir.File("c.mit") + "\""), std::string::npos);
    EXPECT_EQ(prompt.asked()[0].default_button, 2);
    prompt.Answer(PromptAnswer::No);
    EXPECT_EQ(e.Close(), CatalogEditor::CloseResult::Discarded);
    prompt.Answer(PromptAnswer::Yes);
    EXPECT_EQ(e.Close(), CatalogEditor::CloseResult::Saved);
    EXPECT_FALSE(e.modified());
    EXPECT_NE(ReadBytes(dir.File("c.mit")).find("/b.mid"), std::string::npos);
}

TEST_F(CatalogEditorTest, AFailedSaveKeepsTheModifiedMarkAndTheOldFile) {
    auto e = Make();
    e.Register("/a.mid");
    WriteBytes(dir.File("plain"), "x");
    EXPECT_FALSE(e.SaveAs(dir.File("plain/sub.mit")));  // a folder that is a file
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(e.catalog_path(), "");
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kSaveFailed});

    // A save that fails after a good one leaves the good file whole.
    ASSERT_EQ(::mkdir(dir.File("ro").c_str(), 0755), 0);
    ASSERT_TRUE(e.SaveAs(dir.File("ro/list.mit")));
    const std::string good = ReadBytes(dir.File("ro/list.mit"));
    e.Register("/b.mid");
    ::chmod(dir.File("ro").c_str(), 0555);
    // Root writes into any folder: the save runs as a user the folder
    // refuses. It fails, keeps the modified mark and says so.
    prompt.Clear();
    EXPECT_TRUE(nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        const bool saved = e.Save();
        return !saved && e.modified() && prompt.ids() == std::vector<int>{strings::kSaveFailed};
    }));
    EXPECT_EQ(ReadBytes(dir.File("ro/list.mit")), good);
    ::chmod(dir.File("ro").c_str(), 0755);
}

TEST_F(CatalogEditorTest, AnEmptyCatalogIsSavedOnlyWhenTheUserAgrees) {
    auto e = Make();
    prompt.Answer(PromptAnswer::No);
    EXPECT_FALSE(e.SaveAs(dir.File("e.mit")));
    EXPECT_FALSE(::access(dir.File("e.mit").c_str(), F_OK) == 0);
    prompt.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(e.SaveAs(dir.File("e.mit")));
    EXPECT_EQ(prompt.ids(), (std::vector<int>{strings::kAskSaveEmptyCatalog, strings::kAskSaveEmptyCatalog}));
    EXPECT_EQ(prompt.asked()[0].default_button, 1);
}

TEST_F(CatalogEditorTest, SaveAndLoadKeepEveryField) {
    drives['D'] = "/mnt/d";
    auto e = Make();
    e.SetTitle("My songs");
    e.SetSubTitle("\xE5\xAD\x97 sub");
    e.Register("/mnt/d/m/a.mid");
    e.Register("/home/u/b.mid");
    e.Select(0);
    e.SetItemPicture("/pics/a.png");
    ASSERT_TRUE(e.SetItemInitFile("D:\\init\\gs.cfg"));
    ASSERT_TRUE(e.SaveAs(dir.File("x.mit")));
    EXPECT_EQ(e.Caption(), "MIDI ｶﾀﾛｸﾞ編集<< " + dir.File("x.mit") + " >>");

    auto back = Make();
    EXPECT_TRUE(back.Load(dir.File("x.mit")));
    EXPECT_FALSE(back.modified());
    EXPECT_EQ(back.title(), "My songs");
    EXPECT_EQ(back.sub_title(), "\xE5\xAD\x97 sub");
    EXPECT_EQ(back.selected(), 0);
    ASSERT_EQ(back.row_count(), 2);
    EXPECT_EQ(back.rows()[0].name, "D:\\m\\a.mid");
    EXPECT_EQ(back.rows()[0].title, "title of a.mid");
    EXPECT_EQ(back.rows()[0].init_file, "D:\\init\\gs.cfg");
    EXPECT_EQ(back.rows()[0].picture, "/pics/a.png");
    EXPECT_EQ(back.rows()[1].name, "/home/u/b.mid");
    // Saved again unchanged, the bytes are the same.
    const std::string first = ReadBytes(dir.File("x.mit"));
    ASSERT_TRUE(back.SaveAs(dir.File("y.mit")));
    EXPECT_EQ(ReadBytes(dir.File("y.mit")), first);
}

TEST_F(CatalogEditorTest, ALineOverTheFormatsLengthIsNotSavedAndOneReadIsCounted) {
    auto e = Make();
    ASSERT_TRUE(e.Register("/a.mid"));
    e.Select(0);
    // "/a.mid" TAB title TAB TAB picture; the picture is counted in CP932
    // bytes (U+30A2 takes two there, three in UTF-8).
    std::string picture = "/";
    for (int i = 0; i < 127; ++i) picture += "\xE3\x82\xA2";  // 255 bytes
    e.SetItemPicture(picture);
    e.SetItemTitle(std::string(247, 't'));  // 6 + 1 + 247 + 2 + 255 = 511 bytes
    ASSERT_TRUE(e.SaveAs(dir.File("fits.mit")));
    EXPECT_TRUE(prompt.ids().empty());

    e.SetItemTitle(std::string(248, 't'));  // 512 bytes
    e.Select(-1);
    const std::string saved = ReadBytes(dir.File("fits.mit"));
    EXPECT_FALSE(e.Save());
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kCatalogLineTooLong});
    EXPECT_NE(prompt.asked()[0].text.find("1 番目"), std::string::npos);
    EXPECT_NE(prompt.asked()[0].text.find("/a.mid"), std::string::npos);
    EXPECT_EQ(e.selected(), 0);  // the row to shorten
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(ReadBytes(dir.File("fits.mit")), saved);

    // A catalog written elsewhere with such lines loads the others and says
    // how many it left out.
    std::string bytes = "Ver 1.00\r\nT\r\n\r\nb.mid\r\n" + std::string(508, 'c') + ".mid\r\n";
    bytes += "c.mid\t" + std::string(600, 't') + "\r\n\x1a";
    WriteBytes(dir.File("long.mit"), bytes);
    prompt.Clear();
    auto back = Make();
    EXPECT_TRUE(back.Load(dir.File("long.mit")));
    EXPECT_EQ(Names(back), std::vector<std::string>{"b.mid"});
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kCatalogLinesSkipped});
    EXPECT_NE(prompt.asked()[0].text.find("2 行"), std::string::npos);
}

TEST_F(CatalogEditorTest, AnUnreadableCatalogLeavesEmptyListsSilently) {
    WriteBytes(dir.File("bad.mit"), "not a catalog");
    CatalogEditor::Environment env;
    CatalogEditor e(MediaKind::Midi, {}, env);
    EXPECT_FALSE(e.Load(dir.File("nothing.mit")));
    EXPECT_EQ(e.row_count(), 0);
    EXPECT_TRUE(prompt.asked().empty());
}

TEST_F(CatalogEditorTest, TitleResetReadsAllOrTheSelectedRow) {
    auto e = Make();
    e.Register("/a.mid");
    e.Register("/b.mid");
    e.Select(0);
    e.SetItemTitle("changed");
    e.Select(1);
    e.SetItemTitle("changed too");
    e.settings().retitle_all_files = 0;
    e.settings().retitle_space_cut = 1;
    e.ResetTitles();
    EXPECT_EQ(e.rows()[0].title, "changed");
    EXPECT_EQ(e.rows()[1].title, "cut b.mid");
    e.settings().retitle_all_files = 1;
    e.settings().retitle_space_cut = 0;
    e.ResetTitles();
    EXPECT_EQ(e.rows()[0].title, "title of a.mid");
    EXPECT_EQ(e.rows()[1].title, "title of b.mid");
}

TEST_F(CatalogEditorTest, TheFolderListFollowsTheChosenFilterEntry) {
    for (const char* n : {"b.mid", "A.rcp", ".hidden.mid", "c.rmi", "d.wav", "e.lzh"}) Song(n);
    auto e = Make();
    const auto entries = FilterEntryExtensions(e.FolderFilter());
    ASSERT_EQ(entries.size(), 5u);  // ALL, MIDI, RCP, RMI, WRD
    EXPECT_EQ(entries[2], (ExtensionList{".rcp", ".r36", ".g36"}));
    e.ShowFolder(dir.path(), 0);
    EXPECT_EQ(e.files(), (std::vector<std::string>{dir.File(".hidden.mid"), dir.File("A.rcp"), dir.File("b.mid"),
                                                   dir.File("c.rmi")}));
    e.ShowFolder(dir.path(), 2);
    EXPECT_EQ(e.files(), std::vector<std::string>{dir.File("A.rcp")});
    EXPECT_EQ(e.current_folder(), dir.path());
}

}  // namespace
