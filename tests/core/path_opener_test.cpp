#include "core/path_opener.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "nuko/files.h"
#include "test_support.h"

using namespace nuko::app;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(PathOpener, FilesCatalogsFoldersAndLinks) {
    TempDir dir;
    WriteBytes(dir.File("Song.MID"), "x");
    WriteBytes(dir.File("a.wav"), "x");
    WriteBytes(dir.File("list.mot"), "Ver 1.00\r\n");
    WriteBytes(dir.File("x.txt"), "x");
    ASSERT_EQ(::symlink(dir.File("Song.MID").c_str(), dir.File("link").c_str()), 0);
    OpenContext c;

    OpenPlan p = PlanOpenPath(dir.File("song.mid"), c);  // case differs
    ASSERT_TRUE(p.usable);
    EXPECT_EQ(p.kind, 0);
    EXPECT_EQ(p.source, dir.path());
    EXPECT_EQ(p.named_file, dir.File("Song.MID"));
    EXPECT_EQ(p.type_flags, 0x0001);

    p = PlanOpenPath(dir.File("a.wav"), c);
    EXPECT_EQ(p.kind, 3);
    p = PlanOpenPath(dir.File("list.mot"), c);
    EXPECT_EQ(p.kind, 2);
    EXPECT_EQ(p.type_flags, 0x8000);
    EXPECT_EQ(p.source, dir.File("list.mot"));
    EXPECT_TRUE(p.named_file.empty());

    p = PlanOpenPath(dir.File("link"), c);
    EXPECT_EQ(p.named_file, dir.File("Song.MID"));

    c.current_kind = 3;
    c.current_flags = 0x0003;
    p = PlanOpenPath(dir.path(), c);
    EXPECT_TRUE(p.usable);
    EXPECT_EQ(p.kind, 3);
    EXPECT_EQ(p.type_flags, 0x0003);
    EXPECT_TRUE(p.named_file.empty());

    EXPECT_FALSE(PlanOpenPath(dir.File("x.txt"), c).usable);
    EXPECT_FALSE(PlanOpenPath(dir.File("missing.mid"), c).usable);
    EXPECT_FALSE(PlanOpenPath("", c).usable);
    EXPECT_FALSE(PlanOpenPath(std::string(100 * 1024, 'a'), c).usable);
}

TEST(PathOpener, DropMediaCheckOffTriesOnlyTheCurrentKind) {
    TempDir dir;
    WriteBytes(dir.File("a.wav"), "x");
    WriteBytes(dir.File("b.mid"), "x");
    OpenContext c;
    c.drop_media_check = false;
    c.current_kind = 0;
    EXPECT_FALSE(PlanOpenPath(dir.File("a.wav"), c).usable);  // -1: the program does not start
    EXPECT_TRUE(PlanOpenPath(dir.File("b.mid"), c).usable);
}

TEST(PathOpener, WindowsMediaGoesWhereItsHeaderSays) {
    NUKO_CORPUS_FILE(asf, "asf/");
    OpenContext c;
    c.win_media_type = [](const std::string& p) { return nuko::files::WinMediaType(p); };
    EXPECT_EQ(PlanOpenPath(asf + "taglib_silence-1.wma", c).kind, 3);
    EXPECT_EQ(PlanOpenPath(asf + "wine_wmvcore_test.wmv", c).kind, 2);
    EXPECT_EQ(PlanOpenPath(asf + "taglib_silence-1.wma", c).type_flags, 0x0008);
}

TEST(PathOpener, ArchivesOpenInTheKindTheDropSettingNames) {
    TempDir dir;
    WriteBytes(dir.File("Song.LZH"), "x");
    OpenContext c;
    c.current_kind = 2;
    // Without the archive library an archive is no media file.
    EXPECT_FALSE(PlanOpenPath(dir.File("Song.LZH"), c).usable);

    c.archives = true;
    OpenPlan p = PlanOpenPath(dir.File("song.lzh"), c);
    ASSERT_TRUE(p.usable);
    EXPECT_EQ(p.kind, 2);  // the current kind
    EXPECT_EQ(p.type_flags, 0x0800);
    EXPECT_EQ(p.source, dir.path());
    EXPECT_EQ(p.named_file, dir.File("Song.LZH"));

    c.archive_drop = 3;
    EXPECT_EQ(PlanOpenPath(dir.File("Song.LZH"), c).kind, 3);
    c.archive_drop = 1;  // the CD kind plays no files: MIDI instead
    EXPECT_EQ(PlanOpenPath(dir.File("Song.LZH"), c).kind, 0);
    c.archive_drop = 100;
    EXPECT_EQ(PlanOpenPath(dir.File("Song.LZH"), c).kind, 2);  // nobody to ask: the current kind
    EXPECT_FALSE(PlanOpenPath(dir.File("Song.LZH"), c).keep_archive_drop);
    std::vector<std::string> asked;
    c.ask_archive_kind = [&](const std::string& archive) {
        asked.push_back(archive);
        return nuko::media::ArchiveKindAnswer{0, false};
    };
    p = PlanOpenPath(dir.File("Song.LZH"), c);
    EXPECT_EQ(p.kind, 0);
    EXPECT_FALSE(p.keep_archive_drop);
    EXPECT_EQ(asked, std::vector<std::string>{dir.File("Song.LZH")});
    // A kept answer comes back for "Drop".
    c.ask_archive_kind = [](const std::string&) { return nuko::media::ArchiveKindAnswer{3, true}; };
    p = PlanOpenPath(dir.File("Song.LZH"), c);
    EXPECT_EQ(p.kind, 3);
    EXPECT_EQ(p.keep_archive_drop, 3);
    c.ask_archive_kind = [](const std::string&) { return nuko::media::ArchiveKindAnswer{}; };
    EXPECT_FALSE(PlanOpenPath(dir.File("Song.LZH"), c).usable);
}
