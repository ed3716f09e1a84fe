// The core's CD kind: disc images opened as drives, the rows of the CD
// panel played through the controller, the question before the drive
// changes while a CD plays, and images that the reader cannot take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <filesystem>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "fake_backend.h"
#include "fake_core_context.h"
#include "manual_clock.h"
#include "media_fixtures.h"
#include "nuko/string_ids.h"
#include "cd/cd_drives.h"
#include "cd/cd_track_list.h"
#include "cd/disc_watch.h"
#include "library/media_list.h"
#include "settings/settings.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using app::PlayerCore;
using media::MediaKind;
using playback::PlayCommand;
using playback::PlayState;

namespace {

struct DiscEvents : app::CoreListener {
    int changed = 0;
    std::vector<int> rows;
    void OnDiscChanged() override { ++changed; }
    void OnDiscRowSelected(int row) override { rows.push_back(row); }
};

class CoreCdTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The device's disc back end answers with the table of the image
        // last opened, as the real one reads it.
        backends.setup[MediaKind::Cd] = [](test::FakeBackend& b) {
            b.toc.tracks = {{1, 0, true}, {2, 750, true}, {3, 1500, true}};
            b.toc.leadout = 2250;
        };
        app::CoreContext ctx = test::FakeCoreContext(s, work.path(), queue, clock, backends);
        ctx.cd_drive_list = drive_list;
        ctx.disc_id_reader = id_reader;
        ctx.shuffle_seed = [this] { return seed++; };
        core = std::make_unique<PlayerCore>(ctx);
        core->RegisterCommands(router);
        core->Start();
        core->Subscribe(events);
    }
    test::FakeBackend* Backend() { return backends.made.empty() ? nullptr : backends.made.back(); }
    int PlayedTrack() { return Backend() ? static_cast<int>(Backend()->play_from / 10000) + 1 : 0; }

    test::TempDir work, discs, data;
    test::ScopedEnv data_home{"XDG_DATA_HOME", data.path()};
    settings::Settings s;
    test::FakeBackends backends;
    CallQueue queue;
    test::ManualClock clock;
    app::CommandRouter router;
    test::ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
    DiscEvents events;
    // The machine's drives; unset: none found by libcdio here.
    std::function<std::vector<std::string>()> drive_list;
    // The insert check's look into a drive; unset: libcdio's.
    std::function<std::string(const std::string&)> id_reader;
    // The next seed of a random play order.
    std::uint32_t seed = 1;
    std::unique_ptr<PlayerCore> core;
};

TEST_F(CoreCdTest, ADiscImageOpensTheCdKindAsADriveOfItsOwnAndPlaysItsTracks) {
    const std::string cue = test::WriteCdImage(discs.path(), "album", {750, 750, 750});
    ASSERT_EQ(core->kind(), MediaKind::Midi);
    EXPECT_EQ(core->OpenPath(cue), 1);
    EXPECT_EQ(core->kind(), MediaKind::Cd);
    ASSERT_FALSE(core->cd_drives().empty());
    const cd::CdDrive& drive = core->cd_drives()[static_cast<std::size_t>(core->cd_drive())];
    EXPECT_TRUE(drive.image);
    EXPECT_EQ(drive.Label(), "album.cue");
    EXPECT_EQ(core->cd_tracks().Count(), 3);
    EXPECT_EQ(core->cd_record().section, "0030030000010");
    EXPECT_EQ(core->cd_record().items[1].title, "Track 02");
    EXPECT_GT(events.changed, 0);

    core->controller().SetMode(MediaKind::Cd, {playback::PlayOrder::Sequential, false, false});
    router.Run(app::cmd::kPlay);
    queue.RunPending();
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(Backend()->opened.back(), cue);
    EXPECT_EQ(PlayedTrack(), 1);
    Backend()->Finish(playback::EndReason::Success);
    queue.RunPending();
    EXPECT_EQ(PlayedTrack(), 2);

    // Opening it again finds the same drive entry.
    router.Run(app::cmd::kStop);
    EXPECT_EQ(core->OpenPath(cue), 1);
    EXPECT_EQ(core->cd_drives().size(), static_cast<std::size_t>(core->cd_drive() + 1));
}

TEST_F(CoreCdTest, AChangedDriveWhilePlayingAnsweredCancelKeepsTheOldDriveAndPlays) {
    const std::string one = test::WriteCdImage(discs.path(), "one", {750, 750, 750});
    const std::string two = test::WriteCdImage(discs.path(), "two", {300, 300});
    ASSERT_EQ(core->OpenPath(two), 1);
    ASSERT_EQ(core->OpenPath(one), 1);
    const int first = core->cd_drive();
    const int other = first == 0 ? 1 : 0;
    router.Run(app::cmd::kPlay);
    queue.RunPending();
    ASSERT_EQ(core->controller().state(), PlayState::Playing);

    prompt.Answer(PromptAnswer::Cancel);
    const int changes = events.changed;
    EXPECT_FALSE(core->ChooseDrive(other));
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kAskChangeDriveWhilePlaying});
    EXPECT_EQ(core->cd_drive(), first);
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_GT(events.changed, changes);  // the selector shows the old drive again

    // OK stops, switches and reads the other disc.
    prompt.Answer(PromptAnswer::Ok);
    EXPECT_TRUE(core->ChooseDrive(other));
    EXPECT_EQ(core->cd_drive(), other);
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    EXPECT_EQ(core->cd_tracks().Count(), 2);
    // Stopped: no question.
    prompt.Clear();
    EXPECT_TRUE(core->ChooseDrive(first));
    EXPECT_TRUE(prompt.ids().empty());
}

TEST_F(CoreCdTest, ImagesTheReaderCannotTakeChangeNothing) {
    test::WriteBytes(discs.File("silence.toc"), "CD_DA\nSILENCE 1:0:0");
    test::WriteBytes(discs.File("lost.cue"), "FILE \"lost.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    for (const char* name : {"silence.toc", "lost.cue"}) {
        EXPECT_EQ(core->OpenPath(discs.File(name)), -1) << name;
        EXPECT_EQ(core->kind(), MediaKind::Midi) << name;
        EXPECT_TRUE(core->cd_drives().empty() || !core->cd_drives().back().image) << name;
    }
}

TEST_F(CoreCdTest, DriveFormsOfPathsNeedADriveOfThatLetter) {
    // No drive has the letter Q here (and a test machine has no drives).
    EXPECT_EQ(core->OpenPath("Q:\\"), -1);
    EXPECT_EQ(core->OpenPath("Q*2"), -1);
    EXPECT_EQ(core->OpenPath("Q*0"), -1);
    EXPECT_EQ(core->kind(), MediaKind::Midi);
}

TEST_F(CoreCdTest, EditedTitlesApplyOnlyToTheirDisc) {
    const std::string cue = test::WriteCdImage(discs.path(), "album", {750, 750, 750});
    ASSERT_EQ(core->OpenPath(cue), 1);
    core->SelectRow(2);
    media::MediaList edited = core->cd_record();
    edited.items[0].title = "$hidden";
    edited.items[2].title = "@out";
    ASSERT_TRUE(core->ApplyEditedRecord(edited));
    EXPECT_EQ(core->cd_tracks().Count(), 2);
    // The selected track (2) is still selected, now in row 1.
    EXPECT_EQ(core->cd_tracks().TrackOfRow(core->selected_disc_row()), 2);
    EXPECT_TRUE(core->cd_tracks().Excluded(2));
    edited.section = "0000000000000";
    EXPECT_FALSE(core->ApplyEditedRecord(edited));
}

}  // namespace

namespace {

TEST_F(CoreCdTest, TheImageInUseComesBackAtTheNextStart) {
    const std::string cue = test::WriteCdImage(discs.path(), "album", {750, 750, 750});
    ASSERT_EQ(core->OpenPath(cue), 1);
    core->StoreSettings(s);
    EXPECT_EQ(s.main.media, media::Code(MediaKind::Cd));
    EXPECT_EQ(s.kinds[1].path, cue);

    app::CoreContext ctx = core->context();
    core.reset();
    auto again = std::make_unique<PlayerCore>(ctx);
    again->Start();
    EXPECT_EQ(again->kind(), MediaKind::Cd);
    ASSERT_GE(again->cd_drive(), 0);
    EXPECT_EQ(again->cd_drives()[static_cast<std::size_t>(again->cd_drive())].device, cue);
    EXPECT_EQ(again->cd_tracks().Count(), 3);
}

}  // namespace

namespace {

// The start-up road: the stored kind's file list is still being read when
// a disc image opens; the play asked for plays the disc, whatever that
// list turns out to hold.
TEST(CoreCdStartTest, ADiscOpenedWhileAFileListIsReadPlaysAtOnce) {
    test::TempDir work, discs, data, empty;
    test::ScopedEnv data_home("XDG_DATA_HOME", data.path());
    test::FakeBackends backends;
    backends.setup[MediaKind::Cd] = [](test::FakeBackend& b) {
        b.toc.tracks = {{1, 0, true}, {2, 750, true}};
        b.toc.leadout = 1500;
    };
    settings::Settings s;
    s.kinds[0].path = empty.path();
    CallQueue queue;
    test::ManualClock clock;
    test::ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
    app::CoreContext ctx = test::FakeCoreContext(s, work.path(), queue, clock, backends);
    ctx.background_lists = true;
    PlayerCore core(ctx);
    core.Start();
    ASSERT_TRUE(core.list_loading());
    ASSERT_EQ(core.OpenPath(test::WriteCdImage(discs.path(), "two", {750, 750}), true), 1);
    EXPECT_FALSE(core.list_loading());
    core.PostPlay();
    for (int i = 0; i < 50 && core.controller().state() != PlayState::Playing; ++i) {
        queue.RunPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(core.controller().state(), PlayState::Playing);
    EXPECT_EQ(core.kind(), MediaKind::Cd);
}

}  // namespace

namespace {

// Several drives, each an image file standing where a drive's device would
// be: D with two tracks, E with two (left out by the drive flags), F with
// three and G empty.
class CoreMultiCdTest : public CoreCdTest {
protected:
    void SetUp() override {
        d = test::WriteCdImage(discs.path(), "d", {750, 750});
        e = test::WriteCdImage(discs.path(), "e", {750, 750});
        f = test::WriteCdImage(discs.path(), "f", {750, 750, 750});
        g = discs.File("g.cue");
        drive_list = [this] { return std::vector<std::string>{d, e, f, g}; };
        s.cd.multi = 1;
        s.cd.multi_cd_sel.used[1] = false;
        CoreCdTest::SetUp();
    }
    void PlayFromDriveD(playback::PlayMode mode) {
        router.Run(app::cmd::kKindMidi + media::Code(MediaKind::Cd));
        ASSERT_EQ(core->kind(), MediaKind::Cd);
        ASSERT_TRUE(core->ChooseDrive(0));
        core->controller().SetMode(MediaKind::Cd, mode);
        router.Run(app::cmd::kPlay);
        queue.RunPending();
        ASSERT_EQ(core->controller().state(), PlayState::Playing);
    }
    // The disc and track playing, as "d1".
    std::string Playing() {
        const std::string& disc = Backend()->opened.back();
        return disc.substr(disc.rfind('/') + 1, 1) + std::to_string(PlayedTrack());
    }
    // What plays through `count` track ends; "-" once play stopped.
    std::vector<std::string> PlayOn(int count) {
        std::vector<std::string> played{Playing()};
        for (int i = 0; i < count; ++i) {
            Backend()->Finish(playback::EndReason::Success);
            queue.RunPending();
            played.push_back(core->controller().state() == PlayState::Playing ? Playing() : "-");
            if (played.back() == "-") break;
        }
        return played;
    }
    // One insert check, to its answer.
    void CheckInserted() {
        core->CheckDiscInserted();
        while (core->disc_check_running()) queue.WaitAndRun(std::chrono::milliseconds(100));
    }
    std::string d, e, f, g;
};

TEST_F(CoreMultiCdTest, SequentialPlayGoesOnWithTheNextDriveTakingPartAndEndsAfterTheLast) {
    EXPECT_EQ(core->MultiCdDrives(), (std::vector<int>{0, 2, 3}));
    PlayFromDriveD({playback::PlayOrder::Sequential, false, false});
    EXPECT_EQ(PlayOn(6), (std::vector<std::string>{"d1", "d2", "f1", "f2", "f3", "-"}));
    // The panel follows the drive that plays.
    EXPECT_EQ(core->cd_drive(), 2);
}

TEST_F(CoreMultiCdTest, LoopPlayComesRoundToTheFirstDriveAndPreviousCrossesBack) {
    PlayFromDriveD({playback::PlayOrder::Loop, false, false});
    EXPECT_EQ(PlayOn(6), (std::vector<std::string>{"d1", "d2", "f1", "f2", "f3", "d1", "d2"}));
    router.Run(app::cmd::kNext);
    queue.RunPending();
    EXPECT_EQ(Playing(), "f1");
    router.Run(app::cmd::kPrevious);
    queue.RunPending();
    EXPECT_EQ(Playing(), "d2");
}

TEST_F(CoreMultiCdTest, RandomPlayWithTheDriveDrawnPlaysEveryTrackOnceAcrossDiscs) {
    // The default draws the drive; each pass begins again after its end,
    // also when the last one ended on the drive the next begins with. Over
    // a sweep of seeds (the player's own sweep of many more is the list's
    // test).
    for (std::uint32_t first = 19; first < 25; ++first) {  // 21 once lost a track
        seed = first * 7919u;
        core->ApplySettings();  // the drive draws start again from the seed
        for (int pass = 0; pass < 3; ++pass) {
            PlayFromDriveD({playback::PlayOrder::Sequential, true, false});
            std::vector<std::string> played = PlayOn(6);
            ASSERT_EQ(played.size(), 6u) << "seed " << first * 7919u << " pass " << pass << " "
                                            << ::testing::PrintToString(played);
            EXPECT_EQ(played.back(), "-") << pass;
            played.pop_back();
            std::sort(played.begin(), played.end());
            EXPECT_EQ(played, (std::vector<std::string>{"d1", "d2", "f1", "f2", "f3"}))
                << "seed " << first * 7919u << " pass " << pass;
        }
    }
}

TEST_F(CoreMultiCdTest, LoopedRandomPlayWithTheDriveDrawnPlaysEveryTrackOncePerPass) {
    PlayFromDriveD({playback::PlayOrder::Loop, true, false});
    std::vector<std::string> played = PlayOn(14);
    ASSERT_EQ(played.size(), 15u);
    for (std::size_t pass = 0; pass < 3; ++pass) {
        std::vector<std::string> these(played.begin() + static_cast<std::ptrdiff_t>(5 * pass),
                                       played.begin() + static_cast<std::ptrdiff_t>(5 * pass + 5));
        std::sort(these.begin(), these.end());
        EXPECT_EQ(these, (std::vector<std::string>{"d1", "d2", "f1", "f2", "f3"})) << pass;
    }
}

TEST_F(CoreMultiCdTest, RandomPlayWithoutTheDriveDrawnFinishesEachDiscFirst) {
    s.cd.muti_random = 0;
    s.cd.multi_cd_sel.used[1] = true;
    core->ApplySettings();
    PlayFromDriveD({playback::PlayOrder::Loop, true, false});
    std::vector<std::string> played = PlayOn(6);
    ASSERT_EQ(played.size(), 7u);
    std::vector<std::string> first(played.begin(), played.begin() + 2);
    std::vector<std::string> second(played.begin() + 2, played.begin() + 4);
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    EXPECT_EQ(first, (std::vector<std::string>{"d1", "d2"}));
    EXPECT_EQ(second, (std::vector<std::string>{"e1", "e2"}));
    EXPECT_EQ(played[4][0], 'f');
    EXPECT_EQ(played[6][0], 'f');
}

TEST_F(CoreMultiCdTest, SingleCdModeStaysOnItsDisc) {
    s.cd.multi = 0;
    core->ApplySettings();
    PlayFromDriveD({playback::PlayOrder::Loop, false, false});
    EXPECT_EQ(PlayOn(3), (std::vector<std::string>{"d1", "d2", "d1", "d2"}));
}

TEST_F(CoreMultiCdTest, TheInsertCheckTakesANewDiscAndPlaysIt) {
    s.cd.insert_check = 1;
    s.cd.insert_start = 1;
    s.cd.insert_multi = 1;
    core->ApplySettings();
    // Discs already in the drives at the first look are no insertions.
    CheckInserted();
    EXPECT_EQ(core->kind(), MediaKind::Midi);

    // A disc comes into G: the CD kind takes over and plays it.
    test::WriteCdImage(discs.path(), "g", {750, 750, 750, 750});
    CheckInserted();
    queue.RunPending();
    EXPECT_EQ(core->kind(), MediaKind::Cd);
    EXPECT_EQ(core->cd_drive(), 3);
    EXPECT_EQ(core->cd_tracks().Count(), 4);
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(Playing(), "g1");

    // Nothing is taken while a disc plays.
    std::filesystem::remove(d);
    test::WriteCdImage(discs.path(), "d", {750});
    CheckInserted();
    EXPECT_EQ(core->cd_drive(), 3);

    // Stopped, the disc that came into D meanwhile is taken.
    router.Run(app::cmd::kStop);
    CheckInserted();
    EXPECT_EQ(core->cd_drive(), 0);
    EXPECT_EQ(core->cd_tracks().Count(), 1);
}

TEST_F(CoreMultiCdTest, WithoutInsertMultiOnlyThePanelsDriveIsWatched) {
    s.cd.insert_check = 1;
    core->ApplySettings();
    router.Run(app::cmd::kKindMidi + media::Code(MediaKind::Cd));
    ASSERT_TRUE(core->ChooseDrive(3));
    EXPECT_EQ(core->cd_tracks().Count(), 0);
    CheckInserted();
    std::filesystem::remove(e);
    test::WriteCdImage(discs.path(), "e", {750});
    CheckInserted();
    EXPECT_EQ(core->cd_drive(), 3);
    test::WriteCdImage(discs.path(), "g", {750, 750});
    CheckInserted();
    EXPECT_EQ(core->cd_tracks().Count(), 2);
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);  // InsertStart is off
}


// Drives that answer only when the test lets them, as a disc spinning up
// keeps a real one waiting; the ids are the images' own.
class CoreSlowDriveTest : public CoreMultiCdTest {
protected:
    void SetUp() override {
        id_reader = [this](const std::string& device) {
            {
                std::unique_lock lock(mutex);
                ++looks;
                reader_threads.push_back(std::this_thread::get_id());
                changed.notify_all();
                changed.wait(lock, [this] { return open; });
            }
            return cd::DiscIdInDrive(device);
        };
        CoreMultiCdTest::SetUp();
        s.cd.insert_check = 1;
        s.cd.insert_multi = 1;
        core->ApplySettings();
    }
    void Hold() {
        std::lock_guard lock(mutex);
        open = false;
    }
    void Release() {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    int Looks() {
        std::lock_guard lock(mutex);
        return looks;
    }

    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
    int looks = 0;
    std::vector<std::thread::id> reader_threads;
};

TEST_F(CoreSlowDriveTest, TheInsertCheckOpensTheDrivesOffTheCoresThreadAndTakesTheAnswerLater) {
    CheckInserted();  // the discs already there
    ASSERT_EQ(Looks(), 4);

    Hold();
    test::WriteCdImage(discs.path(), "g", {750, 750, 750, 750});
    // Returns while the drives are held: a look on this thread would never end.
    core->CheckDiscInserted();
    EXPECT_TRUE(core->disc_check_running());
    core->CheckDiscInserted();  // skipped: the look under way is not doubled
    queue.RunPending();
    EXPECT_EQ(core->kind(), MediaKind::Midi);

    Release();
    while (core->disc_check_running()) queue.WaitAndRun(std::chrono::milliseconds(100));
    EXPECT_EQ(core->kind(), MediaKind::Cd);
    EXPECT_EQ(core->cd_drive(), 3);
    EXPECT_EQ(core->cd_tracks().Count(), 4);
    EXPECT_EQ(Looks(), 8);
    std::lock_guard lock(mutex);
    for (std::thread::id id : reader_threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(CoreSlowDriveTest, AnAnswerStillOnItsWayWhenTheCoreGoesIsDropped) {
    Hold();
    core->CheckDiscInserted();
    std::thread releaser([this] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return looks > 0; });
        open = true;
        changed.notify_all();
    });
    core.reset();  // waits for the look under way
    releaser.join();
    EXPECT_EQ(Looks(), 4);
    queue.RunPending();  // the answer finds no core to act on
}

}  // namespace
