#include "nuko/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "test_support.h"

using namespace nuko;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(PathParts, SplitNameAndExtension) {
    auto s = path::SplitPath("/a/b.c/name.Mid");
    EXPECT_EQ(s.folder, "/a/b.c/");
    EXPECT_EQ(s.name, "name.Mid");
    EXPECT_EQ(path::SplitPath("plain").folder, "");
    EXPECT_EQ(path::Extension("/a/b.c/noext"), "");  // a dot in a folder is no extension
    EXPECT_EQ(path::Extension("x.tar.gz"), "gz");
    EXPECT_EQ(path::Stem("/a/song.mid"), "song");
    EXPECT_EQ(path::ReplaceExtension("/a.b/song.MID", "wrd"), "/a.b/song.wrd");
    EXPECT_EQ(path::ReplaceExtension("/a.b/song", "wrd"), "/a.b/song.wrd");
    EXPECT_EQ(path::WithTrailingSlash("/x//"), "/x/");
    EXPECT_EQ(path::Join("/x/", "/y"), "/x/y");
    EXPECT_TRUE(path::IsHiddenName(".hidden"));
}

TEST(PathLegacy, DriveMapKeysAreALetterWithOrWithoutColon) {
    EXPECT_EQ(path::DriveKeyLetter("D"), 'D');
    EXPECT_EQ(path::DriveKeyLetter("e:"), 'E');
    EXPECT_EQ(path::DriveKeyLetter(" f: "), 'F');
    for (const char* other : {"Data", "D:\\", "DD", "1", ":", "", " ", "\xC4", "d;"})
        EXPECT_FALSE(path::DriveKeyLetter(other)) << other;

    path::DriveMap map = path::DriveMapFromEntries({{"D", "/media/cdrom"},
                                                     {"Data", "/not/a/drive"},  // not the D drive
                                                     {"e:", "/mnt/e"},
                                                     {"F", ""},                 // no folder: no drive
                                                     {"d:", "/media/cd2"}});    // the later D wins
    EXPECT_EQ(map, (path::DriveMap{{'D', "/media/cd2"}, {'E', "/mnt/e"}}));
}

TEST(PathLegacy, BackslashesAndDriveLetters) {
    path::DriveMap drives{{'D', "/media/cdrom"}};
    bool mapped = false;
    EXPECT_EQ(path::FromLegacy("d:\\MIDI\\song.mid", drives, &mapped), "/media/cdrom/MIDI/song.mid");
    EXPECT_TRUE(mapped);
    EXPECT_EQ(path::FromLegacy("E:\\x.mid", drives, &mapped), "E:/x.mid");
    EXPECT_FALSE(mapped);
    EXPECT_EQ(path::FromLegacy("\\root\\x.mid", drives), "/root/x.mid");
    EXPECT_EQ(path::FromLegacy("sub\\x.mid", drives), "sub/x.mid");
}

TEST(PathLegacy, MappedFoldersGoBackToTheirDriveLetters) {
    path::DriveMap drives{{'D', "/media/cdrom"}, {'E', "/media/cdrom/inner/"}, {'R', "/"}};
    EXPECT_EQ(path::ToLegacy("/media/cdrom/MIDI/song.mid", drives), "D:\\MIDI\\song.mid");
    EXPECT_EQ(path::ToLegacy("/media/cdrom/inner/a.mid", drives), "E:\\a.mid");  // the longest folder
    EXPECT_EQ(path::ToLegacy("/media/cdromX/a.mid", drives), "/media/cdromX/a.mid");  // whole names only
    EXPECT_EQ(path::ToLegacy("/home/u/a.mid", drives), "/home/u/a.mid");  // the root maps nothing
    EXPECT_EQ(path::ToLegacy("sub/a.mid", drives), "sub/a.mid");
    EXPECT_EQ(path::ToLegacy("C:/x/a.mid", drives), "C:\\x\\a.mid");
    EXPECT_EQ(path::FromLegacy(path::ToLegacy("/media/cdrom/M/s.mid", drives), drives), "/media/cdrom/M/s.mid");
}

TEST(PathResolve, CaseInsensitiveComponentByComponent) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("Music").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("Music/日本").c_str(), 0755), 0);
    WriteBytes(dir.File("Music/日本/Song.MID"), "x");
    WriteBytes(dir.File("music.txt"), "x");
    EXPECT_EQ(path::ResolveCaseInsensitive(dir.path() + "MUSIC/日本/song.mid"), dir.path() + "Music/日本/Song.MID");
    // Exists as written: unchanged.
    EXPECT_EQ(path::ResolveCaseInsensitive(dir.path() + "Music"), dir.path() + "Music");
    // An inner component must be a folder; the last one must not be.
    EXPECT_EQ(path::ResolveCaseInsensitive(dir.path() + "MUSIC.TXT/x"), dir.path() + "MUSIC.TXT/x");
    EXPECT_EQ(path::ResolveCaseInsensitive(dir.path() + "MUSIC.txt"), dir.path() + "music.txt");
    // Not found: the input.
    EXPECT_EQ(path::ResolveCaseInsensitive(dir.path() + "nope/x"), dir.path() + "nope/x");
}

TEST(Folders, XdgFoldersAndPrivateWorkFolder) {
    TempDir dir;
    nuko::test::ScopedEnv config("XDG_CONFIG_HOME", dir.path() + "cfg");
    nuko::test::ScopedEnv data("XDG_DATA_HOME", dir.path() + "data");
    EXPECT_EQ(folders::SettingsFile(), dir.path() + "cfg/NU-KO Application/NU-KO Player32.ini");
    EXPECT_EQ(folders::DataFolder(), dir.path() + "data/NU-KO Application/");
    nuko::test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
    std::string work = folders::DefaultWorkFolder();
    EXPECT_EQ(work, dir.path() + "nu-kop32/");
    EXPECT_FALSE(folders::EnsurePrivateFolder(work));
    struct stat st {};
    ASSERT_EQ(::stat(work.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A link planted in its place is refused.
    ASSERT_EQ(::symlink(dir.path().c_str(), dir.File("planted").c_str()), 0);
    EXPECT_TRUE(folders::EnsurePrivateFolder(dir.File("planted")));
}
