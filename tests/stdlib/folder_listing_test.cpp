#include "nuko/folder_listing.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "nuko/paths.h"
#include "nuko/text.h"
#include "test_support.h"

using namespace nuko;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// Puts a folder's mtime far in the past, as a folder untouched for a while
// is: its listing can then be trusted while the mtime stays.
void Age(const std::string& folder) {
    timespec times[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
}

using Kind = path::CaseResolver::Kind;

}  // namespace

TEST(FolderListing, TypesFromTheListingLinksFollowed) {
    TempDir dir;
    WriteBytes(dir.File("Song.MID"), "x");
    ASSERT_EQ(::mkdir(dir.File("Sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("Song.MID", dir.File("to-song").c_str()), 0);
    ASSERT_EQ(::symlink("Sub", dir.File("to-sub").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", dir.File("dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop-b", dir.File("loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", dir.File("loop-b").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);

    path::ListingCache cache;
    const path::FolderListing& l = cache.Get(dir.path());
    ASSERT_EQ(l.state, path::FolderListing::State::Listed);
    EXPECT_EQ(l.entries.size(), 8u);
    using Own = path::FolderEntry::Own;
    using Reached = path::FolderEntry::Reached;
    auto check = [&](const char* name, Own own, Reached reached) {
        const path::FolderEntry* e = l.Exact(name);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->own, own) << name;
        EXPECT_EQ(e->reached, reached) << name;
    };
    check("Song.MID", Own::File, Reached::File);
    check("Sub", Own::Folder, Reached::Folder);
    check("to-song", Own::Link, Reached::File);
    check("to-sub", Own::Link, Reached::Folder);
    check("dangling", Own::Link, Reached::Missing);
    check("loop-a", Own::Link, Reached::Missing);
    check("pipe", Own::Other, Reached::Other);
    EXPECT_EQ(l.Exact("song.mid"), nullptr);
    ASSERT_EQ(l.Lowered("song.mid").size(), 1u);

    EXPECT_EQ(cache.Get(dir.File("nope/")).state, path::FolderListing::State::Missing);
    EXPECT_EQ(cache.Get(dir.File("Song.MID/")).state, path::FolderListing::State::Missing);
}

TEST(FolderListing, ReadOncePerGenerationAndAgainWhenTheFolderChanged) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("old").c_str(), 0755), 0);
    WriteBytes(dir.File("old/a.mid"), "x");
    ASSERT_EQ(::symlink("b.mid", dir.File("old/to-b").c_str()), 0);
    Age(dir.File("old"));

    path::ListingCache cache;
    const std::string old = dir.File("old/");
    cache.Get(old);
    cache.Get(old);
    EXPECT_EQ(cache.reads(), 1u);

    // Unchanged since long before the reading: kept; a link is followed again.
    WriteBytes(dir.File("b.mid"), "x");
    ASSERT_EQ(::rename(dir.File("b.mid").c_str(), dir.File("old/b.mid").c_str()), 0);
    Age(dir.File("old"));  // as if the change had kept the mtime
    cache.Refresh();
    const path::FolderListing& kept = cache.Get(old);
    EXPECT_EQ(cache.reads(), 1u);
    EXPECT_EQ(kept.Exact("b.mid"), nullptr);  // the price of trusting the mtime
    EXPECT_EQ(kept.Exact("to-b")->reached, path::FolderEntry::Reached::File);

    // A change that moves the mtime is seen on the next generation.
    WriteBytes(dir.File("old/c.mid"), "x");
    EXPECT_EQ(cache.Get(old).Exact("c.mid"), nullptr);  // same generation: as read
    cache.Refresh();
    EXPECT_NE(cache.Get(old).Exact("c.mid"), nullptr);
    EXPECT_EQ(cache.reads(), 2u);

    // A folder changed just now is read again on every generation, since a
    // second change within the mtime's resolution would not move it.
    cache.Refresh();
    cache.Get(old);
    EXPECT_EQ(cache.reads(), 3u);

    // A missing folder is asked once per generation; when it appears it is seen.
    const std::string later = dir.File("later/");
    cache.Get(later);
    cache.Get(later);
    EXPECT_EQ(cache.reads(), 4u);
    ASSERT_EQ(::mkdir(dir.File("later").c_str(), 0755), 0);
    cache.Refresh();
    EXPECT_EQ(cache.Get(later).state, path::FolderListing::State::Listed);
    EXPECT_EQ(cache.reads(), 5u);

    // A generation that does not use a listing drops it: the cache holds
    // the folders of the last load, not of every load.
    Age(dir.File("old"));
    cache.Refresh();
    cache.Get(old);
    cache.Refresh();
    cache.Get(old);
    EXPECT_EQ(cache.reads(), 6u);  // kept across a generation that used it
    cache.Refresh();
    cache.Get(later);
    cache.Refresh();
    cache.Get(old);
    EXPECT_EQ(cache.reads(), 8u);  // "later" read again (racy), "old" dropped and read again
}

TEST(CaseResolver, AgreesWithTheOnePathResolution) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("Music").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("Music/Inner").c_str(), 0755), 0);
    WriteBytes(dir.File("Music/Song.MID"), "x");
    WriteBytes(dir.File("Music/inner.mid"), "x");  // a file and a folder that differ only in case
    WriteBytes(dir.File("music.txt"), "x");
    WriteBytes(dir.File("\xff\xfe" "A.MID"), "x");  // not UTF-8
    ASSERT_EQ(::symlink("Music", dir.File("Linked").c_str()), 0);
    ASSERT_EQ(::symlink("gone", dir.File("Dangling").c_str()), 0);

    const std::string d = dir.path();
    struct Case {
        std::string in, out;
        Kind kind;
    } cases[] = {
        {d + "MUSIC/song.mid", d + "Music/Song.MID", Kind::File},
        {d + "Music/Song.MID", d + "Music/Song.MID", Kind::File},
        {d + "MUSIC/INNER/", d + "Music/Inner/", Kind::Folder},
        {d + "MUSIC/INNER", d + "MUSIC/INNER", Kind::Missing},  // a folder does not answer for a file
        {d + "music/inner.MID", d + "Music/inner.mid", Kind::File},
        {d + "linked/SONG.mid", d + "Linked/Song.MID", Kind::File},
        {d + "Dangling", d + "Dangling", Kind::Missing},
        {d + "\xff\xfe" "a.mid", d + "\xff\xfe" "A.MID", Kind::File},
        {d + "MUSIC.TXT/x", d + "MUSIC.TXT/x", Kind::Missing},
        {d + "nope/deeper/x.mid", d + "nope/deeper/x.mid", Kind::Missing},
        {d + "Music/../MUSIC.TXT", d + "Music/../music.txt", Kind::File},
        {d + "Music/.", d + "Music/.", Kind::Folder},
        {d + "Music//song.mid", d + "Music//Song.MID", Kind::File},
    };
    path::CaseResolver resolver;
    for (const auto& c : cases) {
        path::CaseResolver::Found f = resolver.Find(c.in);
        EXPECT_EQ(f.path, c.out) << c.in;
        EXPECT_EQ(f.kind, c.kind) << c.in;
        EXPECT_EQ(path::ResolveCaseInsensitive(c.in), c.out) << c.in;
    }
}

TEST(CaseResolver, ManyPathsInManyMissingFoldersCostAListingPerFolder) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("Present").c_str(), 0755), 0);
    for (int i = 0; i < 50; ++i) WriteBytes(dir.File("Present/Song" + std::to_string(i) + ".mid"), "x");
    path::CaseResolver resolver;
    for (int pass = 0; pass < 3; ++pass) {
        for (int f = 0; f < 300; ++f) {
            for (int i = 0; i < 5; ++i) {
                std::string p = dir.File("Gone" + std::to_string(f) + "/deeper/x" + std::to_string(i) + ".mid");
                ASSERT_EQ(resolver.Find(p).kind, Kind::Missing);
                ASSERT_EQ(resolver.Resolve(p), p);
            }
        }
        for (int i = 0; i < 50; ++i) {
            std::string want = dir.File("Present/Song" + std::to_string(i) + ".mid");
            EXPECT_EQ(resolver.Resolve(dir.File("PRESENT/song" + std::to_string(i) + ".MID")), want);
            EXPECT_EQ(resolver.Resolve(dir.File("Present/missing" + std::to_string(i) + ".mid")),
                      dir.File("Present/missing" + std::to_string(i) + ".mid"));
        }
    }
    // Each "GoneN/deeper/" and "GoneN/" once, the temporary folder and "PRESENT/" once, "Present/" once.
    EXPECT_LE(resolver.listings().reads(), 300u * 2 + 3);
}

TEST(CaseResolver, AFolderChangingWhileItIsListed) {
    TempDir dir;
    for (int i = 0; i < 200; ++i) WriteBytes(dir.File("Stay" + std::to_string(i) + ".mid"), "x");
    std::atomic<bool> stop{false};
    // Names come and go and are renamed under the reader; the names that
    // stay must always be there, once each, and nothing else may appear.
    std::thread churn([&] {
        for (int n = 0; !stop.load(); n = (n + 1) % 50) {
            std::string a = dir.File("Come" + std::to_string(n) + ".mid");
            std::string b = dir.File("Went" + std::to_string(n) + ".mid");
            int fd = ::open(a.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd >= 0) ::close(fd);
            ::rename(a.c_str(), b.c_str());
            ::unlink(b.c_str());
        }
    });
    path::CaseResolver resolver;
    for (int round = 0; round < 200; ++round) {
        resolver.Refresh();
        const path::FolderListing& l = resolver.Listing(dir.path());
        ASSERT_EQ(l.state, path::FolderListing::State::Listed);
        std::set<std::string> seen;
        int stay = 0;
        for (const auto& e : l.entries) {
            ASSERT_TRUE(seen.insert(e.name).second) << e.name;
            if (e.name.rfind("Stay", 0) == 0) ++stay;
            else ASSERT_TRUE(e.name.rfind("Come", 0) == 0 || e.name.rfind("Went", 0) == 0) << e.name;
        }
        ASSERT_EQ(stay, 200);
        ASSERT_EQ(resolver.Resolve(dir.File("STAY7.MID")), dir.File("Stay7.mid"));
    }
    stop = true;
    churn.join();
}

// A large folder whose names come in case variants: every name is found as
// written, and every lowered name gives all its variants in enumeration
// order and nothing else.
TEST(FolderListing, AHundredThousandNamesInCaseVariants) {
    TempDir dir;
    constexpr int kNames = 100000;
    for (int i = 0; i < kNames; ++i) {
        std::string name = "song" + std::to_string(i / 3) + ".mid";
        if (i % 3 == 1) name[0] = 'S';
        if (i % 3 == 2) name = "SONG" + std::to_string(i / 3) + ".MID";
        int fd = ::open(dir.File(name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    path::ListingCache cache;
    const path::FolderListing& l = cache.Get(dir.path());
    ASSERT_EQ(l.state, path::FolderListing::State::Listed);
    ASSERT_EQ(l.entries.size(), static_cast<std::size_t>(kNames));
    std::size_t variants = 0;
    for (std::size_t k = 0; k < l.entries.size(); ++k) {
        const path::FolderEntry& e = l.entries[k];
        ASSERT_EQ(l.Exact(e.name), &e) << e.name;
        const std::string lowered = text::AsciiLowered(e.name);
        auto found = l.Lowered(lowered);
        ASSERT_FALSE(found.empty()) << e.name;
        EXPECT_TRUE(std::equal(found.begin(), found.end(), l.Lowered(e.name).begin(), l.Lowered(e.name).end()));
        for (std::size_t j = 0; j < found.size(); ++j) {
            EXPECT_EQ(text::AsciiLowered(l.entries[found[j]].name), lowered);
            if (j > 0) EXPECT_LT(found[j - 1], found[j]);
        }
        if (found.front() == k) variants += found.size();
    }
    EXPECT_EQ(variants, l.entries.size());
    EXPECT_TRUE(l.Lowered("song.mid").empty());
    EXPECT_EQ(l.Exact("song1.MID"), nullptr);
}

TEST(FolderListing, ResolveTakesTheExactNameThenAnotherCaseOfTheKindAsked) {
    TempDir dir;
    WriteBytes(dir.File("Abc"), "x");
    ASSERT_EQ(::mkdir(dir.File("ABC").c_str(), 0755), 0);
    WriteBytes(dir.File("abc"), "x");
    WriteBytes(dir.File("\xff\xfe" "Q.MID"), "x");  // not UTF-8
    WriteBytes(dir.File("\xc1\xda.mid"), "x");  // bytes that are letters but for their top bit
    const std::string long_name = std::string(200, 'L') + ".mid";  // past the look-up's stack buffer
    WriteBytes(dir.File(long_name), "x");
    path::ListingCache cache;
    const path::FolderListing& l = cache.Get(dir.path());
    auto name_of = [&](std::string_view n, bool folder) {
        const path::FolderEntry* e = l.Resolve(n, folder);
        return e ? e->name : std::string("(none)");
    };
    // Which of "Abc" and "abc" comes first is the listing's order.
    std::string first_file;
    for (const auto& e : l.entries)
        if (text::AsciiLowered(e.name) == "abc" && e.own == path::FolderEntry::Own::File) {
            first_file = e.name;
            break;
        }
    EXPECT_EQ(name_of("abc", false), "abc");
    EXPECT_EQ(name_of("Abc", false), "Abc");
    EXPECT_EQ(name_of("ABC", false), "ABC");  // the exact name, even a folder
    EXPECT_EQ(name_of("aBC", false), first_file);
    EXPECT_EQ(name_of("abc", true), "ABC");  // asked for a folder: the folder
    EXPECT_EQ(name_of("ABC", true), "ABC");
    EXPECT_EQ(name_of("\xff\xfe" "q.mid", false), "\xff\xfe" "Q.MID");
    EXPECT_EQ(name_of("\xe1\xfa.MID", false), "(none)");
    EXPECT_EQ(name_of("\xc1\xda.MID", false), "\xc1\xda.mid");
    EXPECT_EQ(name_of("\xff\xfe" "q.mid", true), "(none)");
    EXPECT_EQ(name_of(std::string(200, 'l') + ".MID", false), long_name);
    EXPECT_EQ(name_of("abcd", false), "(none)");
}

TEST(FolderListing, FoldersKnownMissingFromTheirParentAreNotAsked) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.File("Real").c_str(), 0755), 0);
    WriteBytes(dir.File("file.mid"), "x");
    ASSERT_EQ(::symlink("Real", dir.File("to-real").c_str()), 0);
    ASSERT_EQ(::symlink("file.mid", dir.File("to-file").c_str()), 0);
    path::ListingCache cache;
    using State = path::FolderListing::State;

    // Under a parent that is not there: only the first is asked.
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(cache.Get(dir.File("gone/a" + std::to_string(i) + "/")).state, State::Missing);
    EXPECT_EQ(cache.Get(dir.File("gone/")).state, State::Missing);
    const std::uint64_t first = cache.opened();
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(cache.Get(dir.File("gone/b" + std::to_string(i) + "/deeper/")).state, State::Missing);
    EXPECT_EQ(cache.opened(), first);

    // Under a listed parent: a name it does not hold as a folder.
    ASSERT_EQ(cache.Get(dir.path()).state, State::Listed);
    const std::uint64_t listed = cache.opened();
    for (int i = 0; i < 100; ++i) EXPECT_EQ(cache.Get(dir.File("x" + std::to_string(i) + "/")).state, State::Missing);
    EXPECT_EQ(cache.Get(dir.File("file.mid/")).state, State::Missing);
    EXPECT_EQ(cache.Get(dir.File("to-file/")).state, State::Missing);
    EXPECT_EQ(cache.Get(dir.File("real/")).state, State::Missing);  // as written: the case counts
    EXPECT_EQ(cache.opened(), listed);
    EXPECT_EQ(cache.Get(dir.File("Real/")).state, State::Listed);
    EXPECT_EQ(cache.Get(dir.File("to-real/")).state, State::Listed);
    EXPECT_EQ(cache.Get(dir.File("Real/../")).state, State::Listed);  // the system walks ".."
    EXPECT_EQ(cache.Get(dir.File("gone/../")).state, State::Missing);
    EXPECT_EQ(cache.opened(), listed + 4);

    // A folder made after its parent was listed shows on the next generation.
    ASSERT_EQ(::mkdir(dir.File("x1").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("gone").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("gone/a1").c_str(), 0755), 0);
    EXPECT_EQ(cache.Get(dir.File("x1/")).state, State::Missing);
    cache.Refresh();
    EXPECT_EQ(cache.Get(dir.File("x1/")).state, State::Listed);
    EXPECT_EQ(cache.Get(dir.File("gone/a1/")).state, State::Listed);
    EXPECT_EQ(cache.Get(dir.File("gone/a2/")).state, State::Missing);
}
