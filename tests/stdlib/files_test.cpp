#include "nuko/files.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "nuko/drives.h"
#include "nuko/fileio.h"
#include "nuko/paths.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using nuko::test::ReadBytes;
using nuko::test::ScriptedPrompt;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(FileFound, HiddenSystemAndFolders) {
    TempDir dir;
    WriteBytes(dir.File("a.mid"), "x");
    WriteBytes(dir.File(".h.mid"), "x");
    EXPECT_TRUE(files::IsFileFound(dir.File("a.mid"), false));
    EXPECT_FALSE(files::IsFileFound(dir.File(".h.mid"), false));
    EXPECT_TRUE(files::IsFileFound(dir.File(".h.mid"), true));
    EXPECT_FALSE(files::IsFileFound(dir.path(), true));
    EXPECT_FALSE(files::IsFileFound("/dev/null", true));  // a device is a system file
    EXPECT_TRUE(files::IsFolder(dir.path()));
}

TEST(DeleteFiles, RemovesFilesAndLinksButNotFolders) {
    TempDir dir;
    TempDir outside;
    WriteBytes(outside.File("keep"), "x");
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    WriteBytes(dir.File("sub/inner"), "x");
    WriteBytes(dir.File("a"), "x");
    ASSERT_EQ(::symlink(outside.File("keep").c_str(), dir.File("link").c_str()), 0);
    files::DeleteFilesIn(dir.path());
    EXPECT_FALSE(files::IsFileFound(dir.File("a"), true));
    EXPECT_EQ(::access(dir.File("link").c_str(), F_OK), -1);
    EXPECT_TRUE(files::IsFileFound(dir.File("sub/inner"), true));
    EXPECT_TRUE(files::IsFileFound(outside.File("keep"), true));
}

TEST(MakeDir, AsksBeforeCreatingEveryLevel) {
    TempDir dir;
    ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    std::string target = dir.File("a/b/c");

    prompt.Answer(PromptAnswer::No);
    EXPECT_FALSE(files::MakeDir(target, "title", nullptr));
    EXPECT_EQ(prompt.ids(), std::vector<int>{1006});
    EXPECT_EQ(prompt.asked()[0].text, target + "のﾌｫﾙﾀﾞがありません.\n新規に作成しますか?");
    EXPECT_EQ(prompt.asked()[0].caption, "title");
    EXPECT_FALSE(files::IsFolder(dir.File("a")));

    prompt.Clear();
    prompt.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(files::MakeDir(target, "title", nullptr));
    EXPECT_TRUE(files::IsFolder(target));
    prompt.Clear();
    EXPECT_TRUE(files::MakeDir(target, "title", nullptr));  // exists: no question
    EXPECT_TRUE(prompt.ids().empty());
}

TEST(MakeDir, RefusalsAndTheirMessages) {
    TempDir dir;
    ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    WriteBytes(dir.File("file"), "x");

    EXPECT_FALSE(files::MakeDir("relative/folder", "", nullptr));
    EXPECT_FALSE(files::MakeDir(dir.File("file"), "", nullptr));
    prompt.Answer(PromptAnswer::Yes);
    EXPECT_FALSE(files::MakeDir(dir.File("file/below"), "", nullptr));
    EXPECT_EQ(prompt.ids(), (std::vector<int>{1007, 1004, 1006, 1004}));
}

TEST(CopyFile, ProgressAndResults) {
    TempDir dir;
    std::string data(100003, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    WriteBytes(dir.File("src"), data);
    std::vector<int> seen;
    EXPECT_EQ(files::CopyFile(dir.File("src"), dir.File("dst"), [&](int p) { seen.push_back(p); }), 1);
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(ReadBytes(dir.File("dst")), data);
    EXPECT_EQ(files::CopyFile(dir.File("src"), dir.File("dst2"), nullptr), 0);
    EXPECT_EQ(files::CopyFile(dir.File("missing"), dir.File("x"), nullptr), -1);
    EXPECT_EQ(files::CopyFile(dir.path(), dir.File("x"), nullptr), -1);  // a folder is no source
    EXPECT_EQ(files::CopyFile(dir.File("src"), dir.File("nofolder/x"), nullptr), -2);
    WriteBytes(dir.File("empty"), "");
    EXPECT_EQ(files::CopyFile(dir.File("empty"), dir.File("empty2"), nullptr), 0);
    EXPECT_EQ(ReadBytes(dir.File("empty2")), "");
}

TEST(CopyFile, FailedWriteLeavesNoHalfFileUnderTheTargetName) {
    // The last step fails: the target name is taken by a folder, so the
    // rename of the finished temporary file cannot happen.
    TempDir dir;
    WriteBytes(dir.File("src"), std::string(5000, 'x'));
    ASSERT_EQ(::mkdir(dir.File("target").c_str(), 0755), 0);
    int r = files::CopyFile(dir.File("src"), dir.File("target"), nullptr);
    EXPECT_GT(r, 0);  // the errno of the failed step
    EXPECT_TRUE(files::IsFolder(dir.File("target")));
    // Nothing left behind beside it.
    int entries = 0;
    if (DIR* d = ::opendir(dir.path().c_str())) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.')) ++entries;
        ::closedir(d);
    }
    EXPECT_EQ(entries, 2);
}

namespace {

// A minimal shell link: header, no ID list, a LinkInfo with a local base
// path and a common path suffix.
std::string MakeLnk(const std::string& base, const std::string& suffix) {
    std::string b(0x4C, '\0');
    b[0] = 0x4C;
    const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    for (int i = 0; i < 16; ++i) b[4 + i] = static_cast<char>(clsid[i]);
    b[0x14] = 0x02;  // HasLinkInfo
    auto le32 = [](std::string& s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string info;
    std::uint32_t header = 28;
    std::uint32_t base_off = header;
    std::uint32_t suffix_off = base_off + static_cast<std::uint32_t>(base.size()) + 1;
    std::uint32_t size = suffix_off + static_cast<std::uint32_t>(suffix.size()) + 1;
    le32(info, size);
    le32(info, header);
    le32(info, 1);  // VolumeIDAndLocalBasePath
    le32(info, 0);  // VolumeID offset (not read)
    le32(info, base_off);
    le32(info, 0);
    le32(info, suffix_off);
    info += base;
    info += '\0';
    info += suffix;
    info += '\0';
    return b + info;
}

}  // namespace

TEST(Shortcut, ShellLinkTargetThroughTheDriveMap) {
    // "曲" in CP932 inside the ANSI path.
    std::string lnk = MakeLnk("D:\\MIDI\\\x8B\xC8", "song.mid");
    EXPECT_EQ(files::ParseShellLink(lnk), "D:\\MIDI\\曲\\song.mid");
    TempDir dir;
    WriteBytes(dir.File("song.LNK"), lnk);
    path::SetCurrentDriveMap({{'D', "/media/cd"}});
    EXPECT_EQ(files::ShortcutTarget(dir.File("song.LNK")), "/media/cd/MIDI/曲/song.mid");
    path::SetCurrentDriveMap({});
    EXPECT_FALSE(files::ShortcutTarget(dir.File("song.LNK")));  // unknown drive
    // Damaged links never read outside the buffer.
    for (std::size_t cut = 0; cut < lnk.size(); cut += 7) EXPECT_FALSE(files::ParseShellLink(lnk.substr(0, cut)));
}

TEST(Shortcut, SymbolicLinks) {
    TempDir dir;
    WriteBytes(dir.File("target.mid"), "x");
    ASSERT_EQ(::symlink("target.mid", dir.File("rel").c_str()), 0);
    EXPECT_EQ(files::ShortcutTarget(dir.File("rel")), dir.File("target.mid"));
    EXPECT_FALSE(files::ShortcutTarget(dir.File("target.mid")));
}

TEST(WinMediaType, CorpusFiles) {
    NUKO_CORPUS_FILE(asf, "asf/");
    EXPECT_EQ(files::WinMediaType(asf + "mutagen_silence-2.wma"), 1);
    EXPECT_EQ(files::WinMediaType(asf + "mutagen_silence-3.wma"), 1);
    EXPECT_EQ(files::WinMediaType(asf + "taglib_silence-1.wma"), 1);
    EXPECT_EQ(files::WinMediaType(asf + "tinytag_mp3_audio.asf"), 1);
    EXPECT_EQ(files::WinMediaType(asf + "wine_wmvcore_test.wmv"), 2);
    EXPECT_EQ(files::WinMediaType(asf + "wine_mfplat_test-wmv1.wmv"), 2);
}

TEST(WinMediaType, ExtensionsAndHostileHeaders) {
    TempDir dir;
    const std::string head("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
    // Header size far larger than the file; no stream objects.
    std::string file = head + std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 8) + std::string(10, '\0');
    WriteBytes(dir.File("big.WMA"), file);
    EXPECT_EQ(files::WinMediaType(dir.File("big.WMA")), 1);
    WriteBytes(dir.File("x.mp3"), file);
    EXPECT_EQ(files::WinMediaType(dir.File("x.mp3")), 0);  // other extensions
    WriteBytes(dir.File("junk.asf"), "not asf at all");
    EXPECT_EQ(files::WinMediaType(dir.File("junk.asf")), 0);
    WriteBytes(dir.File("empty.wmv"), "");
    EXPECT_EQ(files::WinMediaType(dir.File("empty.wmv")), 0);
    // An object with size 0 must not loop forever.
    std::string loop = head + std::string("\x40\0\0\0\0\0\0\0", 8) + std::string(6, '\0') +
                       std::string(16, 'G') + std::string(8, '\0') + std::string(16, '\0');
    EXPECT_EQ(files::WinMediaTypeOfHeader(loop), 1);
}

TEST(Drives, MountTableLookup) {
    const char* info =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "30 22 11:0 / /media/CD\\040ROM ro - iso9660 /dev/sr0 ro\n"
        "31 22 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
        "32 22 0:5 / /media/stick/over rw shared:1 - tmpfs tmpfs rw\n"
        "garbage line\n";
    auto m = drives::FindMount(info, "/media/CD ROM/track.mid");
    EXPECT_EQ(m.mount_point, "/media/CD ROM");
    EXPECT_TRUE(drives::IsCdRomMount(m));
    EXPECT_EQ(drives::FindMount(info, "/media/CDX/a").mount_point, "/");
    auto s = drives::FindMount(info, "/media/stick/over/x");
    EXPECT_EQ(s.fs_type, "tmpfs");  // optional fields before "-" are skipped
    EXPECT_FALSE(drives::IsCdRomMount(drives::FindMount(info, "/home/x")));

    // The removable flag through a fake /sys.
    TempDir sys;
    ASSERT_EQ(::mkdir(sys.File("block").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(sys.File("block/sdb").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(sys.File("block/sdb/sdb1").c_str(), 0755), 0);
    WriteBytes(sys.File("block/sdb/removable"), "1\n");
    WriteBytes(sys.File("block/sdb/sdb1/partition"), "1\n");
    ASSERT_EQ(::mkdir(sys.File("class").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(sys.File("class/block").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(sys.File("block/sdb/sdb1").c_str(), sys.File("class/block/sdb1").c_str()), 0);
    std::string root = sys.path().substr(0, sys.path().size() - 1);
    EXPECT_TRUE(drives::IsRemovableMount(drives::FindMount(info, "/media/stick/a"), root));
    EXPECT_FALSE(drives::IsRemovableMount(drives::FindMount(info, "/home"), root));
    // The real machine: the root folder is no CD-ROM.
    EXPECT_FALSE(drives::IsCdRomPath("/"));
}

TEST(WriteFileAtomic, ReplacesOnlyRegularFiles) {
    TempDir dir;
    std::string file = dir.File("f.txt");
    WriteBytes(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_FALSE(fileio::WriteFileAtomic(file, "new"));
    EXPECT_EQ(ReadBytes(file), "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A pipe (or a device) in the target's place stays what it is, and no
    // temporary file is left beside it.
    std::string pipe = dir.File("p.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_TRUE(fileio::WriteFileAtomic(pipe, "x"));
    ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    std::string folder = dir.File("d.txt");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    EXPECT_TRUE(fileio::WriteFileAtomic(folder, "x"));
    int entries = 0;
    DIR* d = ::opendir(dir.path().c_str());
    while (dirent* e = ::readdir(d))
        if (std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..") ++entries;
    ::closedir(d);
    EXPECT_EQ(entries, 3);  // f.txt, p.txt, d.txt
}

// A settings file or catalog that is a link to a file kept elsewhere is
// written through the link: the link stays a link, its target takes the
// bytes, and nothing is left beside either.
TEST(WriteFileAtomic, WritesThroughSymbolicLinks) {
    TempDir dir, elsewhere;
    auto is_link = [](const std::string& p) {
        struct stat st {};
        return ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    };
    WriteBytes(elsewhere.File("real.ini"), "old");
    ASSERT_EQ(::symlink(elsewhere.File("real.ini").c_str(), dir.File("abs.ini").c_str()), 0);
    ASSERT_FALSE(fileio::WriteFileAtomic(dir.File("abs.ini"), "one"));
    EXPECT_TRUE(is_link(dir.File("abs.ini")));
    EXPECT_EQ(ReadBytes(elsewhere.File("real.ini")), "one");

    // Relative to the link's folder, and a link to a link.
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("../abs.ini", dir.File("sub/rel.ini").c_str()), 0);
    ASSERT_EQ(::symlink("sub/rel.ini", dir.File("chain.ini").c_str()), 0);
    ASSERT_FALSE(fileio::WriteFileAtomic(dir.File("chain.ini"), "two"));
    EXPECT_TRUE(is_link(dir.File("chain.ini")));
    EXPECT_TRUE(is_link(dir.File("sub/rel.ini")));
    EXPECT_EQ(ReadBytes(elsewhere.File("real.ini")), "two");

    // A link whose file is not there yet: the file is made where it points.
    ASSERT_EQ(::symlink(elsewhere.File("new.mit").c_str(), dir.File("new.mit").c_str()), 0);
    ASSERT_FALSE(fileio::WriteFileAtomic(dir.File("new.mit"), "three"));
    EXPECT_TRUE(is_link(dir.File("new.mit")));
    EXPECT_EQ(ReadBytes(elsewhere.File("new.mit")), "three");

    // Links in a circle name no file: refused, both links left as they are.
    ASSERT_EQ(::symlink("b.ini", dir.File("a.ini").c_str()), 0);
    ASSERT_EQ(::symlink("a.ini", dir.File("b.ini").c_str()), 0);
    EXPECT_TRUE(fileio::WriteFileAtomic(dir.File("a.ini"), "x"));
    EXPECT_TRUE(is_link(dir.File("a.ini")));
    EXPECT_TRUE(is_link(dir.File("b.ini")));

    std::vector<std::string> here = nuko::test::FolderEntries(dir.path()), there = nuko::test::FolderEntries(elsewhere.path());
    std::sort(here.begin(), here.end());
    std::sort(there.begin(), there.end());
    EXPECT_EQ(here, (std::vector<std::string>{"a.ini", "abs.ini", "b.ini", "chain.ini", "new.mit", "sub"}));
    EXPECT_EQ(there, (std::vector<std::string>{"new.mit", "real.ini"}));
}
