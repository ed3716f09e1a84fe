// Lists read on a worker thread: the rows reach the owner in order and equal
// what a read in place gives; a cancelled or abandoned read leaves nothing
// behind. Runs under ThreadSanitizer too.
#include "library/list_loader.h"

#include <chrono>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "library/catalog.h"
#include "test_support.h"

using namespace nuko;
using namespace nuko::media;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

struct Received {
    std::vector<std::string> paths;
    std::vector<int> icons;
    std::vector<std::size_t> batches;
    std::optional<ListHeader> header;
    bool header_before_rows = true;
    bool done = false;
    std::unique_ptr<path::CaseResolver> resolver;

    ListLoader::Handlers Handlers() {
        ListLoader::Handlers h;
        h.header = [this](ListHeader hd) {
            if (!paths.empty()) header_before_rows = false;
            header = std::move(hd);
        };
        h.rows = [this](std::vector<MediaItem>&& rows) {
            batches.push_back(rows.size());
            for (auto& r : rows) {
                paths.push_back(r.folder + r.name);
                icons.push_back(r.icon);
            }
        };
        h.done = [this](std::unique_ptr<path::CaseResolver> r) {
            done = true;
            resolver = std::move(r);
        };
        return h;
    }
};

bool RunUntil(CallQueue& queue, const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) return false;
        queue.WaitAndRun(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<std::string> Paths(const FileAreaModel& m) {
    std::vector<std::string> out;
    for (int r = 0; r < m.rows(); ++r) out.push_back(m.RowPath(r));
    return out;
}

// A tree big enough for several batches: 30 folders of 100 songs, every
// tenth with its script.
FileAreaSettings BigTree(const TempDir& dir) {
    for (int f = 0; f < 30; ++f) {
        const std::string folder = dir.File("f" + std::to_string(f));
        ::mkdir(folder.c_str(), 0755);
        for (int i = 0; i < 100; ++i) {
            const std::string stem = folder + "/song" + std::to_string(i);
            WriteBytes(stem + ".mid", "MThd");
            if (i % 10 == 0) WriteBytes(stem + ".wrd", "x");
        }
    }
    FileAreaSettings s;
    s.kind = 0;
    s.type_flags = 0x0001;
    s.source = dir.path();
    s.sub_folders = true;
    return s;
}

}  // namespace

TEST(ListLoader, RowsComeInOrderInBatchesAndEqualAReadInPlace) {
    TempDir dir;
    const FileAreaSettings s = BigTree(dir);
    FileAreaModel in_place;
    ASSERT_EQ(in_place.Load(s, {}), 3000);

    CallQueue queue;
    Received got;
    ListLoader loader(queue);
    loader.Start(s, {}, nullptr, got.Handlers());
    EXPECT_TRUE(loader.busy());
    ASSERT_TRUE(RunUntil(queue, [&] { return got.done; }));
    EXPECT_FALSE(loader.busy());
    EXPECT_EQ(got.paths, Paths(in_place));
    std::vector<int> icons;
    for (const auto& i : in_place.list().items) icons.push_back(i.icon);
    EXPECT_EQ(got.icons, icons);  // songs with a script carry its badge
    EXPECT_GT(got.batches.size(), 1u);
    ASSERT_TRUE(got.header);
    EXPECT_TRUE(got.header_before_rows);
    ASSERT_TRUE(got.resolver);  // the listings come back for the next read
}

TEST(ListLoader, ACatalogSendsItsTitlesBeforeItsRows) {
    TempDir dir;
    WriteBytes(dir.File("a.mid"), "MThd");
    MediaList cat;
    cat.path = dir.File("list.mit");
    cat.title = "題名";
    cat.sub_title = "副題";
    cat.items.push_back({0, 0, "", "A.MID", "一曲目", "", "", 0});
    cat.items.push_back({0, 0, "", "missing\\b.mid", "二曲目", "", "", 0});
    ASSERT_FALSE(WriteCatalog(cat));

    FileAreaSettings s;
    s.kind = 0;
    s.type_flags = file_type::kCatalog;
    s.source = cat.path;
    FileAreaModel in_place;
    in_place.Load(s, {});

    CallQueue queue;
    Received got;
    ListLoader loader(queue);
    loader.Start(s, {}, nullptr, got.Handlers());
    ASSERT_TRUE(RunUntil(queue, [&] { return got.done; }));
    ASSERT_TRUE(got.header);
    EXPECT_TRUE(got.header_before_rows);
    EXPECT_EQ(got.header->title, "題名");
    EXPECT_EQ(got.header->sub_title, "副題");
    EXPECT_EQ(got.header->loaded, 1);
    EXPECT_EQ(got.paths, Paths(in_place));
    ASSERT_EQ(got.paths.size(), 2u);
    EXPECT_EQ(got.paths[0], dir.File("a.mid"));  // found whatever its case
}

TEST(ListLoader, ACancelledOrReplacedReadTellsNothingMore) {
    TempDir dir;
    const FileAreaSettings s = BigTree(dir);
    FileAreaSettings small;
    TempDir other;
    WriteBytes(other.File("x.mid"), "MThd");
    small.kind = 0;
    small.type_flags = 0x0001;
    small.source = other.path();

    CallQueue queue;
    Received first, second;
    ListLoader loader(queue);
    loader.Start(s, {}, nullptr, first.Handlers());
    loader.Start(small, {}, nullptr, second.Handlers());  // cancels the first
    ASSERT_TRUE(RunUntil(queue, [&] { return second.done; }));
    queue.WaitAndRun(std::chrono::milliseconds(20));
    EXPECT_FALSE(first.done);
    EXPECT_TRUE(first.paths.empty());
    EXPECT_EQ(second.paths, std::vector<std::string>{other.File("x.mid")});

    Received third;
    loader.Start(s, {}, nullptr, third.Handlers());
    loader.Cancel();
    EXPECT_FALSE(loader.busy());
    queue.WaitAndRun(std::chrono::milliseconds(50));
    EXPECT_FALSE(third.done);
    EXPECT_TRUE(third.paths.empty());
}

TEST(ListLoader, ALoaderGoneWhileItReadsLeavesQueuedCallsHarmless) {
    TempDir dir;
    const FileAreaSettings s = BigTree(dir);
    CallQueue queue;
    int reached = 0;  // calls that came through to the handlers
    ListLoader::Handlers h;
    h.header = [&](ListHeader) { ++reached; };
    h.rows = [&](std::vector<MediaItem>&&) { ++reached; };
    h.done = [&](std::unique_ptr<path::CaseResolver>) { ++reached; };
    {
        ListLoader loader(queue);
        loader.Start(s, {}, nullptr, h);
        // The read has posted calls by the time the loader goes.
        ASSERT_TRUE(nuko::test::PollUntil([&] { return !queue.empty(); }, std::chrono::seconds(30)));
    }  // waits for its thread
    // What the handlers would reach may be gone with the loader's owner:
    // the calls still queued run and reach none of them.
    EXPECT_GT(queue.RunPending(), 0u);
    EXPECT_EQ(reached, 0);
}

TEST(ListLoader, AHandlerMayStartTheNextRead) {
    TempDir dir;
    WriteBytes(dir.File("a.mid"), "MThd");
    FileAreaSettings s;
    s.kind = 0;
    s.type_flags = 0x0001;
    s.source = dir.path();
    CallQueue queue;
    ListLoader loader(queue);
    int reads = 0;
    ListLoader::Handlers h;
    h.done = [&](std::unique_ptr<path::CaseResolver> r) {
        if (++reads < 3) loader.Start(s, {}, std::move(r), h);
    };
    loader.Start(s, {}, nullptr, h);
    ASSERT_TRUE(RunUntil(queue, [&] { return reads == 3; }));
}
