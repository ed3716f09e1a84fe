// The files the player writes for the user (the settings file, a catalog the
// editor saves, the CD title file) on a disk that is full and with the
// writer killed at every step of its write: afterwards each file is the old
// one or the new one, never cut short, and a failed save is told.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "cd/cd_title_db.h"
#include "cd/cd_title_editor.h"
#include "cd/disc_id.h"
#include "library/catalog_editor.h"
#include "nuko/string_ids.h"
#include "scripted_prompt.h"
#include "test_support.h"
#include "write_attacks.h"

using namespace nuko;

namespace {

constexpr std::size_t kDisk = 512 * 1024;

// The folder's entries other than the filler, sorted.
std::vector<std::string> Left(const std::string& folder) {
    std::vector<std::string> names = test::FolderEntries(folder);
    std::erase(names, ".filler");
    std::sort(names.begin(), names.end());
    return names;
}

// Removes what a killed writer left beside its file (its temporary copy);
// how many there were.
int RemoveLeftovers(const std::string& folder, const std::vector<std::string>& keep) {
    int removed = 0;
    for (const std::string& name : test::FolderEntries(folder)) {
        if (std::find(keep.begin(), keep.end(), name) != keep.end() || name == ".filler") continue;
        std::filesystem::remove_all(folder + name);
        ++removed;
    }
    return removed;
}

// Kills `write` at every step; each time the files must hold their old or
// their new bytes (as a whole write left them), and are set back after.
void KillAtEveryStepOf(const std::string& folder, const std::vector<std::string>& files,
                       const std::function<void()>& write) {
    std::vector<std::string> old_bytes, new_bytes;
    for (const auto& f : files) old_bytes.push_back(test::ReadBytes(folder + f));
    // The new bytes: a whole write, in a child, then the old ones back.
    ASSERT_EQ(test::RunInChild([&] {
                  write();
                  return true;
              }),
              true);
    for (std::size_t i = 0; i < files.size(); ++i) {
        new_bytes.push_back(test::ReadBytes(folder + files[i]));
        ASSERT_NE(new_bytes[i], old_bytes[i]) << files[i];
        test::WriteBytes(folder + files[i], old_bytes[i]);
    }
    int old_seen = 0, new_seen = 0, leftovers = 0;
    std::string broken;
    int failed = -1;
    const int steps = test::KillAtEveryStep(
        write,
        [&](int step) {
            for (std::size_t i = 0; i < files.size(); ++i) {
                const std::string now = test::ReadBytes(folder + files[i]);
                if (now == old_bytes[i]) ++old_seen;
                else if (now == new_bytes[i]) ++new_seen;
                else broken = files[i] + " cut at step " + std::to_string(step) + " (" +
                              std::to_string(now.size()) + " bytes)";
                test::WriteBytes(folder + files[i], old_bytes[i]);
            }
            leftovers += RemoveLeftovers(folder, files);
            return broken.empty();
        },
        &failed);
    EXPECT_EQ(broken, "");
    ASSERT_GT(steps, 0) << "the writer could not be traced";
    // The kills fell before the write began and after it was done, and
    // at every step between.
    EXPECT_GT(old_seen, 0);
    EXPECT_GT(new_seen, 0);
    ::testing::Test::RecordProperty("steps", steps);
    ::testing::Test::RecordProperty("leftovers", leftovers);
}

class WriteAttackTest : public ::testing::Test {
protected:
    void SetUp() override {
        disk = std::make_unique<test::SmallTmpfs>(dir.path(), kDisk);
        NUKO_REQUIRE_TOOL(disk->ok(), disk->why());
    }
    test::TempDir dir;
    std::unique_ptr<test::SmallTmpfs> disk;
    test::ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
};

media::CatalogEditor Editor() {
    media::CatalogEditor::Environment env;
    env.read_title = [](const std::string&, bool) { return std::string("title"); };
    return media::CatalogEditor(media::MediaKind::Midi, {}, env);
}

settings::Settings SomeSettings(char fill) {
    settings::Settings s;
    // Long values, so that the file takes several pages of the disk.
    for (auto& kind : s.kinds) kind.path = "/music/" + std::string(6000, fill) + "/";
    return s;
}

}  // namespace

TEST_F(WriteAttackTest, TheSettingsFileOnAFullDiskStaysTheOldOne) {
    const std::string path = dir.File("NU-KO Player32.ini");
    settings::SettingsStore store(path);
    ASSERT_FALSE(store.WriteAll(SomeSettings('a')));
    const std::string old = test::ReadBytes(path);
    // Nothing left, and then room for only part of the new file.
    for (std::size_t leave : {std::size_t{0}, old.size() / 2}) {
        SCOPED_TRACE(leave);
        ASSERT_TRUE(disk->Fill(leave));
        EXPECT_TRUE(store.WriteAll(SomeSettings('b')));  // an error, not a success
        EXPECT_EQ(test::ReadBytes(path), old);
        EXPECT_EQ(Left(dir.path()), std::vector<std::string>{"NU-KO Player32.ini"});  // no temporary copy
        EXPECT_EQ(store.ReadAll().kinds[0].path, SomeSettings('a').kinds[0].path);
        std::filesystem::remove(dir.File(".filler"));
    }
}

TEST_F(WriteAttackTest, ACatalogTheEditorSavesOnAFullDiskStaysTheOldOneAndTheUserIsTold) {
    media::CatalogEditor e = Editor();
    for (int i = 0; i < 400; ++i) e.Register("/music/song number " + std::to_string(i) + ".mid");
    ASSERT_TRUE(e.SaveAs(dir.File("list.mit")));
    const std::string old = test::ReadBytes(dir.File("list.mit"));
    for (int i = 400; i < 800; ++i) e.Register("/music/song number " + std::to_string(i) + ".mid");
    ASSERT_TRUE(disk->Fill(old.size() / 2));
    prompt.Clear();
    EXPECT_FALSE(e.Save());
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kSaveFailed});
    EXPECT_TRUE(e.modified());
    EXPECT_EQ(test::ReadBytes(dir.File("list.mit")), old);
    EXPECT_EQ(Left(dir.path()), std::vector<std::string>{"list.mit"});
}

namespace {

// A disc of 40 tracks and its record in a CD title file on the small disk.
struct CdTitles {
    explicit CdTitles(const test::TempDir& dir)
        : store(dir.File("settings.ini")), db(store, dir.File("nu_kopcd.txt")) {
        disc.track_count = 40;
        for (unsigned i = 0; i < 40; ++i) disc.tracks.push_back({3, i, 10});
        disc.disc = {140, 20, 0};
        db.LookupDisc(record, disc);
        for (std::size_t i = 0; i < record.items.size(); ++i)
            record.items[i].title = "track " + std::to_string(i + 1) + std::string(100, 'x');
        record.title = "Artist";
        record.sub_title = "Album";
    }
    settings::SettingsStore store;
    cd::CdTitleDatabase db;
    cd::DiscLengths disc;
    media::MediaList record;
};

}  // namespace

TEST_F(WriteAttackTest, TheCdTitleFileOnAFullDiskStaysTheOldOneAndTheUserIsTold) {
    CdTitles cd(dir);
    ASSERT_TRUE(cd.db.SaveDisc(cd.record, true));
    const std::string old = test::ReadBytes(dir.File("nu_kopcd.txt"));
    cd::CdTitleEditor editor(cd.db, cd.record, {});
    for (std::size_t row = 0; row < cd.record.items.size(); ++row)
        editor.SetTrackTitle(row, "another title of track " + std::to_string(row + 1) + std::string(120, 'y'));
    ASSERT_TRUE(disk->Fill(old.size() / 2));
    prompt.Clear();
    EXPECT_EQ(editor.Save(), cd::EditorOutcome::Stay);
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kSaveFailed});
    EXPECT_TRUE(editor.modified());
    EXPECT_EQ(test::ReadBytes(dir.File("nu_kopcd.txt")), old);
    EXPECT_EQ(Left(dir.path()), (std::vector<std::string>{"nu_kopcd.txt", "settings.ini"}));
}

// The writers killed: SIGKILL at each step of the system calls they make.

TEST_F(WriteAttackTest, ASettingsWriterKilledAtAnyStepLeavesTheOldOrTheNewFile) {
    const std::string path = dir.File("NU-KO Player32.ini");
    settings::SettingsStore store(path);
    ASSERT_FALSE(store.WriteAll(SomeSettings('a')));
    KillAtEveryStepOf(dir.path(), {"NU-KO Player32.ini"}, [&] { store.WriteAll(SomeSettings('b')); });
}

TEST_F(WriteAttackTest, ACatalogSaveKilledAtAnyStepLeavesTheOldOrTheNewFile) {
    media::CatalogEditor e = Editor();
    for (int i = 0; i < 400; ++i) e.Register("/music/song number " + std::to_string(i) + ".mid");
    ASSERT_TRUE(e.SaveAs(dir.File("list.mit")));
    for (int i = 400; i < 800; ++i) e.Register("/music/song number " + std::to_string(i) + ".mid");
    KillAtEveryStepOf(dir.path(), {"list.mit"}, [&] { e.Save(); });
}

TEST_F(WriteAttackTest, ACdTitleSaveKilledAtAnyStepLeavesTheOldOrTheNewFiles) {
    CdTitles cd(dir);
    ASSERT_TRUE(cd.db.SaveDisc(cd.record, true));
    media::MediaList changed = cd.record;
    for (auto& item : changed.items) item.title += " (live)";
    changed.title = "Another artist";
    KillAtEveryStepOf(dir.path(), {"nu_kopcd.txt"}, [&] { cd.db.SaveDisc(changed, true); });
}
