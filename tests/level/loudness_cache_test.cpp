#include <gtest/gtest.h>
#include <sys/stat.h>

#include "level/loudness_cache.h"
#include "test_support.h"

using nuko::level::FileKey;
using nuko::level::Loudness;
using nuko::level::LoudnessCache;
using nuko::level::LoudnessKey;
using nuko::test::ReadBytes;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(LoudnessCache, KeepsWhatWasMeasuredAcrossRunsAndTellsAChangedItem) {
    TempDir dir;
    WriteBytes(dir.File("a.mid"), "MThd");
    // Names may hold tabs, new lines and backslashes.
    const std::string odd = dir.File("tab\there\nand\\back.mid");
    WriteBytes(odd, "MThd...");
    const std::string file = dir.File("cache/sub/loudness.tsv");  // folders made on save
    {
        LoudnessCache cache(file);
        cache.Load();
        EXPECT_EQ(cache.size(), 0u);
        cache.Put(*FileKey(dir.File("a.mid"), "fonts:x"), {-31.25, -12.5, false});
        cache.Put(*FileKey(odd), {std::nullopt, nuko::level::kNoPeakDb, true});
        ASSERT_TRUE(cache.Save());
    }
    LoudnessCache cache(file);
    cache.Load();
    ASSERT_EQ(cache.size(), 2u);
    auto hit = cache.Find(*FileKey(dir.File("a.mid"), "fonts:x"));
    ASSERT_TRUE(hit);
    EXPECT_TRUE(hit->current);
    EXPECT_NEAR(*hit->loudness.lufs, -31.25, 0.01);
    EXPECT_NEAR(hit->loudness.peak_db, -12.5, 0.01);
    hit = cache.Find(*FileKey(odd));
    ASSERT_TRUE(hit);
    EXPECT_TRUE(hit->current);
    EXPECT_FALSE(hit->loudness.lufs);
    EXPECT_TRUE(hit->loudness.partial);

    // Other fonts, or another file of the same name: last known only.
    hit = cache.Find(*FileKey(dir.File("a.mid"), "fonts:y"));
    ASSERT_TRUE(hit);
    EXPECT_FALSE(hit->current);
    WriteBytes(dir.File("a.mid"), "MThd and more");
    EXPECT_FALSE(cache.Find(*FileKey(dir.File("a.mid"), "fonts:x"))->current);
    EXPECT_FALSE(cache.Find(LoudnessKey{dir.File("never.mid"), 1, 1, ""}));
    EXPECT_FALSE(FileKey(dir.File("never.mid")));
    EXPECT_FALSE(FileKey(dir.path()));  // a folder is no item
}

TEST(LoudnessCache, BrokenLinesAndForeignFilesAreDropped) {
    TempDir dir;
    const std::string file = dir.File("loudness.tsv");
    WriteBytes(file,
               "NU-KOP32 loudness 1\n"
               "/a.mid\t10\t20\t\t-20.00\t-3.00\twhole\n"
               "/b.mid\tten\t20\t\t-20.00\t-3.00\twhole\n"  // a size that is no number
               "/c.mid\t10\t20\t\t-20.00\n"                 // too few fields
               "/d.mid\t10\t20\t\tloud\t-3.00\twhole\n"     // a loudness that is no number
               "\t10\t20\t\t-20.00\t-3.00\twhole\n");       // no path
    LoudnessCache cache(file);
    cache.Load();
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_TRUE(cache.Find({"/a.mid", 10, 20, ""})->current);

    WriteBytes(file, "something else\n/a.mid\t10\t20\t\t-20.00\t-3.00\twhole\n");
    cache.Load();
    EXPECT_EQ(cache.size(), 0u);
}

TEST(LoudnessCache, AnUnwritableFolderFailsWithAReasonAndLeavesTheOldFile) {
    TempDir dir;
    WriteBytes(dir.File("plain"), "x");
    LoudnessCache blocked(dir.File("plain/loudness.tsv"));  // a file where a folder should be
    blocked.Put({"/a.mid", 1, 2, ""}, {-20.0, -3.0, false});
    std::string why;
    EXPECT_FALSE(blocked.Save(&why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(ReadBytes(dir.File("plain")), "x");
}
