#include "library/file_area_model.h"

#include <algorithm>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "nuko/files.h"
#include "test_support.h"

using namespace nuko::media;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

std::vector<std::string> Names(const FileAreaModel& m) {
    std::vector<std::string> out;
    for (const auto& i : m.list().items) out.push_back(i.name);
    return out;
}

std::vector<std::string> ReaddirOrder(const std::string& folder) {
    std::vector<std::string> out;
    DIR* d = ::opendir(folder.c_str());
    while (dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') out.push_back(e->d_name);
    ::closedir(d);
    return out;
}

FileAreaSettings Folder(const std::string& source, int kind, FileTypeFlags flags) {
    FileAreaSettings s;
    s.kind = kind;
    s.type_flags = flags;
    s.source = source;
    return s;
}

}  // namespace

TEST(FileArea, SubFolderContentComesWhereTheFolderIsMet) {
    TempDir dir;
    for (const char* n : {"a.mid", "b.mid", "c.mid", "d.mid", "e.mid"}) WriteBytes(dir.File(n), "x");
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    WriteBytes(dir.File("sub/s1.mid"), "x");
    WriteBytes(dir.File("sub/s2.rcp"), "x");
    ASSERT_EQ(::mkdir(dir.File(".dotdir").c_str(), 0755), 0);
    WriteBytes(dir.File(".dotdir/hidden.mid"), "x");

    FileAreaModel m;
    auto s = Folder(dir.path(), 0, 0x0003);
    s.sub_folders = true;
    ASSERT_EQ(m.Load(s, {}), 7);
    std::vector<std::string> expected;
    for (const auto& n : ReaddirOrder(dir.path())) {
        if (n == "sub") {
            for (const auto& m2 : ReaddirOrder(dir.File("sub"))) expected.push_back(m2);
        } else {
            expected.push_back(n);
        }
    }
    EXPECT_EQ(Names(m), expected);
    EXPECT_FALSE(m.catalog_mode());
    EXPECT_EQ(m.RowPath(0), m.list().items[0].folder + m.list().items[0].name);
    EXPECT_EQ(m.RowPath(99), "");
    s.sub_folders = false;
    EXPECT_EQ(m.Load(s, {}), 5);
}

TEST(FileArea, TypeFlagsHiddenFilesAndCd) {
    TempDir dir;
    for (const char* n : {"a.mid", "b.RCP", "c.rmi", "d.wrd", ".h.mid", "x.lzh", "list.mit", "song.mid.txt"})
        WriteBytes(dir.File(n), "x");
    FileAreaModel m;
    EXPECT_EQ(m.Load(Folder(dir.path(), 0, 0x0001), {}), 1);
    EXPECT_EQ(m.Load(Folder(dir.path(), 0, 0x0002), {}), 1);  // extension compared case-insensitively
    EXPECT_EQ(m.Load(Folder(dir.path(), 0, 0x4007), {}), 4);
    auto with_archives = Folder(dir.path(), 0, 0x0801);
    EXPECT_EQ(m.Load(with_archives, {}), 1);
    with_archives.archives = true;
    EXPECT_EQ(m.Load(with_archives, {}), 2);
    auto hidden = Folder(dir.path(), 0, 0x0001);
    hidden.hidden_files = true;
    EXPECT_EQ(m.Load(hidden, {}), 2);
    EXPECT_EQ(m.Load(Folder(dir.path(), 1, 0xFFFF & ~0x8000), {}), 0);  // CD lists nothing
    EXPECT_EQ(m.Load(Folder(dir.path() + "missing/", 0, 0x0001), {}), 0);
}

TEST(FileArea, ShortcutsAreListedUnderTheirTarget) {
    TempDir dir;
    TempDir music;
    WriteBytes(music.File("song.mid"), "x");
    ASSERT_EQ(::symlink(music.File("song.mid").c_str(), dir.File("link-to-song").c_str()), 0);
    ASSERT_EQ(::symlink(dir.path().c_str(), dir.File("loop").c_str()), 0);  // a link to a folder
    FileAreaModel m;
    auto s = Folder(dir.path(), 0, 0x0001);
    s.sub_folders = true;
    ASSERT_EQ(m.Load(s, {}), 1);
    EXPECT_EQ(m.list().items[0].name, "song.mid");
    EXPECT_EQ(m.list().items[0].folder, music.path());
    EXPECT_EQ(m.RowPath(0), music.File("song.mid"));
}

TEST(FileArea, WindowsMediaSplitAndPictures) {
    NUKO_CORPUS_FILE(asf, "asf/");
    TempDir dir;
    for (const char* n : {"taglib_silence-1.wma", "wine_wmvcore_test.wmv"})
        ASSERT_EQ(nuko::files::CopyFile(asf + n, dir.File(n), nullptr), 0);
    WriteBytes(dir.File("image.png"), "x");
    FileAreaEnvironment env;
    env.win_media_type = [](const std::string& p) { return nuko::files::WinMediaType(p); };
    FileAreaModel m;
    ASSERT_EQ(m.Load(Folder(dir.path(), 3, 0x0008), env), 1);
    EXPECT_EQ(m.list().items[0].name, "taglib_silence-1.wma");
    EXPECT_EQ(m.list().items[0].picture, dir.File("image.png"));
    EXPECT_EQ(m.list().items[0].icon, 15);
    ASSERT_EQ(m.Load(Folder(dir.path(), 2, 0x0010), env), 1);
    EXPECT_EQ(m.list().items[0].name, "wine_wmvcore_test.wmv");
}

TEST(FileArea, CatalogRowsAndTitles) {
    TempDir dir;
    TempDir elsewhere;
    ASSERT_EQ(::chdir(elsewhere.path().c_str()), 0);  // the player's own folder is not the catalog's
    ASSERT_EQ(::mkdir(dir.File("Sub").c_str(), 0755), 0);
    WriteBytes(dir.File("a.mid"), "x");
    WriteBytes(dir.File("Sub/B.MID"), "x");
    WriteBytes(dir.File("list.mit"), "Ver 1.00\r\n\r\n\r\na.mid\tTitle A\r\nsub\\b.mid\tTitle B\r\n\x1a");
    FileAreaModel m;
    auto s = Folder(dir.File("list.mit"), 0, 0x8000);
    ASSERT_EQ(m.Load(s, {}), 2);
    EXPECT_TRUE(m.catalog_mode());
    EXPECT_EQ(m.list().title, "ﾀｲﾄﾙがありません");
    EXPECT_EQ(m.list().sub_title, "list.mit");
    EXPECT_EQ(m.RowPath(0), dir.File("a.mid"));
    EXPECT_EQ(m.RowPath(1), dir.File("Sub/B.MID"));
    EXPECT_EQ(m.DisplayText(1), "B.mid");
    s.title_display = true;
    m.Load(s, {});
    EXPECT_EQ(m.DisplayText(1), "Title B");

    FileAreaModel missing;
    EXPECT_EQ(missing.Load(Folder(dir.File("none.mit"), 0, 0x8000), {}), 0);
    EXPECT_EQ(missing.list().title, "ｶﾀﾛｸﾞﾌｧｲﾙがありません");
    EXPECT_EQ(missing.list().sub_title, "none.mit");
    ASSERT_EQ(::chdir("/"), 0);
}

TEST(FileArea, RowTextLetterCaseAndHiddenExtension) {
    TempDir dir;
    WriteBytes(dir.File("Song.MID"), "x");
    FileAreaModel m;
    auto s = Folder(dir.path(), 0, 0x0001);
    s.hide_extension = true;
    m.Load(s, {});
    EXPECT_EQ(m.RowText(0), "Song.mid");
    EXPECT_EQ(m.DisplayText(0), "Song");
    s.letter_case = LetterCase::Upper;
    m.Load(s, {});
    EXPECT_EQ(m.DisplayText(0), "SONG");
    s.letter_case = LetterCase::Lower;
    s.hide_extension = false;
    m.Load(s, {});
    EXPECT_EQ(m.DisplayText(0), "song.mid");
}

TEST(FileArea, IconCodes) {
    TempDir dir;
    for (const char* n : {"a.mid", "a.WRD", "b.rcp", "c.rmi", "c.wrd", "orphan.wrd", "d.g36", "x.lzh"})
        WriteBytes(dir.File(n), "x");
    EXPECT_EQ(IconCode(0, dir.File("a.mid"), false), 4);   // with its script (any case)
    EXPECT_EQ(IconCode(0, dir.File("b.rcp"), false), 2);
    EXPECT_EQ(IconCode(0, dir.File("c.rmi"), false), 6);
    EXPECT_EQ(IconCode(0, dir.File("d.g36"), false), 2);
    EXPECT_EQ(IconCode(0, dir.File("a.WRD"), false), 4);
    EXPECT_EQ(IconCode(0, dir.File("c.wrd"), false), 6);
    EXPECT_EQ(IconCode(0, dir.File("orphan.wrd"), false), 7);
    EXPECT_EQ(IconCode(0, dir.File("x.lzh"), false), 17);
    EXPECT_EQ(IconCode(0, dir.File("missing.mid"), false), 0);
    EXPECT_EQ(IconCode(2, "/x/a.AVI", false), 8);
    EXPECT_EQ(IconCode(2, "/x/a.qt", false), 9);
    EXPECT_EQ(IconCode(2, "/x/a.mpeg", false), 10);
    EXPECT_EQ(IconCode(2, "/x/a.dat", false), 11);
    EXPECT_EQ(IconCode(3, "/x/a.rmp", false), 13);
    EXPECT_EQ(IconCode(3, "/x/a.aiff", false), 14);
    EXPECT_EQ(IconCode(3, "/x/a.abs", false), 16);
    EXPECT_EQ(IconCode(1, "/x/a.cda", false), 0);
}

TEST(FileArea, SortKeepsTheChosenRow) {
    TempDir dir;
    for (const char* n : {"b.mid", "C.mid", "a.mid"}) WriteBytes(dir.File(n), "x");
    FileAreaModel m;
    m.Load(Folder(dir.path(), 0, 0x0001), {});
    int keep = m.FindRow(dir.File("C.mid"));
    ASSERT_GE(keep, 0);
    EXPECT_EQ(m.SortByName(keep), 2);
    EXPECT_EQ(m.RowText(0), "a.mid");
    EXPECT_EQ(m.RowText(1), "b.mid");
    EXPECT_EQ(m.FindRow(dir.File("none.mid")), -1);

    // The mapped form tells where every row went.
    m.Load(Folder(dir.path(), 0, 0x0001), {});
    std::vector<std::string> before;
    for (int r = 0; r < m.rows(); ++r) before.push_back(m.RowPath(r));
    const std::vector<int> moved = m.SortByNameMapped();
    ASSERT_EQ(moved.size(), before.size());
    for (std::size_t r = 0; r < before.size(); ++r) EXPECT_EQ(m.RowPath(moved[r]), before[r]);
}

TEST(FileArea, NamesThatAreNotUtf8AndFoldersThatCannotBeRead) {
    TempDir dir;
    const std::string odd = std::string("\xff\xfe") + "\x8b\xc8.mid";  // not UTF-8 (a CP932 name)
    WriteBytes(dir.File(odd), "x");
    FileAreaModel m;
    ASSERT_EQ(m.Load(Folder(dir.path(), 0, 0x0001), {}), 1);
    EXPECT_EQ(m.RowPath(0), dir.File(odd));  // the bytes stay as they are, so the file plays
    ASSERT_EQ(::mkdir(dir.File("locked").c_str(), 0), 0);
    bool empty = nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        FileAreaModel locked;
        return locked.Load(Folder(dir.File("locked/"), 0, 0x0001), {}) == 0;
    });
    EXPECT_TRUE(empty);
    FileAreaModel catalog_folder;
    ASSERT_EQ(::mkdir(dir.File("x.mit").c_str(), 0755), 0);
    EXPECT_EQ(catalog_folder.Load(Folder(dir.File("x.mit"), 0, 0x8000), {}), 0);
    EXPECT_EQ(catalog_folder.list().title, "ｶﾀﾛｸﾞﾌｧｲﾙがありません");
}

TEST(FileArea, LoopsOfLinksUnderSubFolders) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("a").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("a/b").c_str(), 0755), 0);
    WriteBytes(dir.File("a/b/deep.mid"), "x");
    ASSERT_EQ(::symlink(dir.File("a").c_str(), dir.File("a/b/back").c_str()), 0);
    ASSERT_EQ(::symlink("self.mid", dir.File("a/self.mid").c_str()), 0);   // loops on itself
    ASSERT_EQ(::symlink("two.mid", dir.File("a/one.mid").c_str()), 0);
    ASSERT_EQ(::symlink("one.mid", dir.File("a/two.mid").c_str()), 0);
    FileAreaModel m;
    auto s = Folder(dir.path(), 0, 0x0001);
    s.sub_folders = true;
    m.Load(s, {});
    // Each link is one row under what it names; nothing is entered twice.
    std::multiset<std::string> rows;
    for (int r = 0; r < m.rows(); ++r) rows.insert(m.RowPath(r));
    EXPECT_EQ(rows, (std::multiset<std::string>{dir.File("a/b/deep.mid"), dir.File("a/self.mid"),
                                                 dir.File("a/two.mid"), dir.File("a/one.mid")}));
    for (const auto& item : m.list().items)
        if (item.name != "deep.mid") {
            EXPECT_EQ(item.icon, 0) << item.name;  // nothing found behind them
        }
}

TEST(FileArea, AReloadSeesWhatChangedInTheFolders) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    WriteBytes(dir.File("sub/one.mid"), "x");
    FileAreaModel m;
    auto s = Folder(dir.path(), 0, 0x0001);
    s.sub_folders = true;
    ASSERT_EQ(m.Load(s, {}), 1);
    EXPECT_EQ(m.list().items[0].icon, 1);
    // Each change made right after the last load, within the mtime's resolution.
    WriteBytes(dir.File("sub/ONE.WRD"), "x");
    WriteBytes(dir.File("sub/two.mid"), "x");
    ASSERT_EQ(m.Load(s, {}), 2);
    auto names = Names(m);
    auto one = std::find(names.begin(), names.end(), "one.mid");
    ASSERT_NE(one, names.end());
    EXPECT_EQ(m.list().items[static_cast<std::size_t>(one - names.begin())].icon, 4);
    ASSERT_EQ(::unlink(dir.File("sub/one.mid").c_str()), 0);
    ASSERT_EQ(::rename(dir.File("sub").c_str(), dir.File("moved").c_str()), 0);
    ASSERT_EQ(m.Load(s, {}), 1);
    EXPECT_EQ(m.RowPath(0), dir.File("moved/two.mid"));
}

TEST(FileArea, RowIconsAgreeWithTheLookUpByPath) {
    TempDir dir;
    // Companions in other letter cases, an exact name that is a folder
    // beside a file of another case, hidden companions, names that are not
    // UTF-8, and links that reach a file, nothing, or a folder.
    for (const char* n : {"a.mid", "A.WRD", "b.mid", "B.wrd", "c.RCP", "c.Wrd", "d.rmi", "e.wrd", "E.RMI",
                          "f.g36", "g.wrd", "h.mid", ".h.wrd", ".i.mid", ".i.wrd", "\xff\xfe.mid",
                          "\xff\xfe.WRD", "j.r36", "k.mid", "K.MID", "k.wrd", "x.lzh"})
        WriteBytes(dir.File(n), "x");
    ASSERT_EQ(::mkdir(dir.File("b.wrd").c_str(), 0755), 0);  // exact name, a folder: no script
    ASSERT_EQ(::mkdir(dir.File("G.MID").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("a.mid", dir.File("l.mid").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", dir.File("l.wrd").c_str()), 0);
    ASSERT_EQ(::symlink("b.wrd", dir.File("m.wrd").c_str()), 0);
    for (bool hidden : {false, true}) {
        FileAreaModel m;
        auto s = Folder(dir.path(), 0, 0x001F);
        s.hidden_files = hidden;
        ASSERT_GT(m.Load(s, {}), 10);
        for (int r = 0; r < m.rows(); ++r)
            EXPECT_EQ(m.list().items[static_cast<std::size_t>(r)].icon, IconCode(0, m.RowPath(r), hidden))
                << m.RowPath(r) << " hidden " << hidden;
    }
    // Rows from folders with and without scripts, in turn (a catalog), and
    // one whose only ".WRD" is a folder.
    for (const char* sub : {"plain", "dirs"}) ASSERT_EQ(::mkdir(dir.File(sub).c_str(), 0755), 0);
    for (const char* n : {"plain/p.mid", "plain/P.rcp", "plain/q.wrd.txt", "dirs/x.mid"}) WriteBytes(dir.File(n), "x");
    ASSERT_EQ(::mkdir(dir.File("dirs/X.WRD").c_str(), 0755), 0);
    WriteBytes(dir.File("list.mit"), "Ver 1.00\r\nT\r\nS\r\nplain\\p.mid\r\na.mid\r\nplain\\P.rcp\r\nc.RCP\r\n"
                                     "dirs\\x.mid\r\ne.wrd\r\nplain\\p.mid\r\nb.mid\r\n\x1a");
    FileAreaModel catalog;
    ASSERT_EQ(catalog.Load(Folder(dir.File("list.mit"), 0, 0x8000), {}), 8);
    std::vector<int> icons;
    for (int r = 0; r < catalog.rows(); ++r) {
        icons.push_back(catalog.list().items[static_cast<std::size_t>(r)].icon);
        EXPECT_EQ(icons.back(), IconCode(0, catalog.RowPath(r), false)) << catalog.RowPath(r);
    }
    EXPECT_EQ(icons, (std::vector<int>{1, 4, 2, 5, 1, 6, 1, 1}));
    EXPECT_EQ(IconCode(0, dir.File("b.mid"), false), 1);  // "b.wrd" is a folder; "B.wrd" is not asked
    EXPECT_EQ(IconCode(0, dir.File("e.wrd"), false), 6);  // its song in another case
    EXPECT_EQ(IconCode(0, dir.File("h.mid"), false), 1);
    EXPECT_EQ(IconCode(0, dir.File("h.mid"), true), 1);  // ".h.wrd" is another name
}
