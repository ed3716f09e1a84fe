// The player core without a window, the command router and the button
// panel's model: a call queue instead of the event loop, a clock that moves only
// when told, recording back ends.
#include "core/player_core.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/components/buttons/button_panel_model.h"
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/timers.h"
#include "library/file_area_model.h"
#include "library/archive_file.h"
#include "playback/rcp_conversion.h"
#include "settings/settings.h"
#include "fake_backend.h"
#include "fake_core_context.h"
#include "manual_clock.h"
#include "lzh_writer.h"
#include "test_support.h"

using namespace nuko;
using app::CommandRouter;
using app::CoreListener;
using app::PlayerCore;
namespace cmd = app::cmd;
using media::MediaKind;
using playback::PlayOrder;
using playback::PlayState;

namespace {

struct Recorder : CoreListener {
    std::vector<std::string> events;
    std::function<void()> on_item_shown;
    void OnListLoaded(int selected) override { events.push_back("loaded " + std::to_string(selected)); }
    void OnItemShown(int item) override {
        events.push_back("shown " + std::to_string(item));
        if (on_item_shown) on_item_shown();
    }
    void OnKindChanged(MediaKind kind) override { events.push_back("kind " + std::to_string(media::Code(kind))); }
    void OnSleep(bool on, int left) override { events.push_back(std::string(on ? "sleep " : "sleep off") + (on ? std::to_string(left) : "")); }
    void OnSessionEndRequested(int mode) override { events.push_back("end " + std::to_string(mode)); }
    void OnRowSelected(int row) override { events.push_back("row " + std::to_string(row)); }
    // The song's own file of each item that started.
    std::vector<std::string> sources;
    void OnItemStarted(const playback::ItemDisplay& item) override { sources.push_back(item.source); }
};

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"a.mid", "b.mid", "c.mid"}) test::WriteBytes(midi.File(n), "x");
        test::WriteBytes(sound.File("x.wav"), "x");
        s.kinds[0].path = midi.path();
        s.kinds[0].sub_code = 0x0001;
        s.kinds[3].path = sound.path();
        s.kinds[3].sub_code = 0x0001;
        s.kinds[3].mode = 1;
        app::CoreContext ctx = test::FakeCoreContext(s, work.path(), queue, clock, backends);
        ctx.time_of_day = [this] { return now; };
        core = std::make_unique<PlayerCore>(ctx);
        core->RegisterCommands(router);
    }

    test::TempDir midi, sound, work;
    settings::Settings s;
    test::FakeBackends backends;
    CallQueue queue;
    test::ManualClock clock;
    int now = 0;
    CommandRouter router;
    std::unique_ptr<PlayerCore> core;
};

}  // namespace

TEST_F(CoreTest, ListenersHearTheStartAndGoAwayWithoutBeingCalledAgain) {
    Recorder kept;
    auto gone = std::make_unique<Recorder>();
    core->Subscribe(kept);
    core->Subscribe(*gone);
    core->Subscribe(*gone);  // once only
    core->Start();
    EXPECT_EQ(kept.events, (std::vector<std::string>{"kind 0", "loaded 1"}));
    EXPECT_EQ(gone->events, kept.events);
    gone.reset();  // unsubscribes itself
    core->SelectRow(2);
    EXPECT_EQ(kept.events.back(), "shown 2");
}

TEST_F(CoreTest, AListenerMayDropAnotherWhileBeingTold) {
    Recorder first;
    auto second = std::make_unique<Recorder>();
    core->Subscribe(first);
    core->Subscribe(*second);
    first.on_item_shown = [&] { second.reset(); };
    core->Start();
    core->SelectRow(3);  // the second listener is gone before its turn
    EXPECT_FALSE(second);
    EXPECT_EQ(first.events.back(), "shown 3");
}

TEST_F(CoreTest, AListenerMayOutliveTheCore) {
    Recorder late;
    core->Subscribe(late);
    core->Start();
    EXPECT_FALSE(late.events.empty());
    app::CoreContext ctx = core->context();
    core.reset();
    // The core that went let the listener go: a new core takes it and tells
    // it its events; neither that nor the listener's destructor reaches the
    // core that is gone (ASan watches).
    late.events.clear();
    core = std::make_unique<PlayerCore>(ctx);
    core->Subscribe(late);
    core->Start();
    EXPECT_FALSE(late.events.empty());
}

TEST_F(CoreTest, APlayPostedBeforeTheCoreWentIsDropped) {
    core->Start();
    core->PostPlay();
    core.reset();
    EXPECT_EQ(queue.RunPending(), 1u);
}

TEST_F(CoreTest, CommandsRunThroughTheRouterAndFollowTheState) {
    core->Start();
    EXPECT_TRUE(router.IsEnabled(cmd::kPlay));
    EXPECT_FALSE(router.IsEnabled(cmd::kStop));
    EXPECT_TRUE(router.IsEnabled(cmd::kKindMidi + 1));  // the CD kind, while stopped
    EXPECT_TRUE(router.IsChecked(cmd::kKindMidi));
    EXPECT_TRUE(router.IsChecked(cmd::kModeLoop));
    ASSERT_TRUE(router.Run(cmd::kPlay));
    queue.RunPending();
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_FALSE(router.IsEnabled(cmd::kKindSound));  // not while playing
    EXPECT_FALSE(router.IsEnabled(cmd::kKindMidi + 1));
    EXPECT_FALSE(router.Run(cmd::kKindSound));
    router.Run(cmd::kStop);
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    router.Run(cmd::kModeRepeat);
    EXPECT_TRUE(router.IsChecked(cmd::kModeRepeat));
    EXPECT_FALSE(router.IsChecked(cmd::kModeLoop));
    router.Run(cmd::kKindSound);
    EXPECT_EQ(core->kind(), MediaKind::Sound);
    EXPECT_TRUE(router.IsChecked(cmd::kModeSequential));  // the sound kind's own mode
    router.Run(cmd::kKindMidi);
    EXPECT_EQ(core->controller().Mode(MediaKind::Midi).mode, PlayOrder::Repeat);
    settings::Settings out;
    core->StoreSettings(out);
    EXPECT_EQ(out.kinds[0].mode, 3);
    EXPECT_EQ(out.kinds[3].mode, 1);
    EXPECT_EQ(out.main.media, 0);
}

TEST_F(CoreTest, SleepTimerCountsDownAndAsksToEndTheSession) {
    Recorder r;
    core->Subscribe(r);
    s.timer.sleep_off = 8;
    now = 1000;
    router.Run(cmd::kSleep10);
    EXPECT_EQ(router.Text(cmd::kSleepOn), "ｽﾘｰﾌﾟ ON [10分](&N)");
    EXPECT_EQ(r.events.back(), "sleep 600");
    now = 1000 + 590;
    core->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(r.events.back(), "sleep 10");
    now = 1000 + 600;
    core->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(r.events.back(), "end 8");
    EXPECT_FALSE(core->sleep_timer().on());
}

TEST_F(CoreTest, SortingKeepsTheSelectedFile) {
    s.main.sort = 0;
    test::WriteBytes(midi.File("0.mid"), "x");
    core->Start();
    ASSERT_EQ(core->files().rows(), 4);
    Recorder r;
    core->Subscribe(r);
    core->SelectRow(3);
    const std::string chosen = core->files().RowPath(2);
    router.Run(cmd::kSort);
    EXPECT_TRUE(router.IsChecked(cmd::kSort));
    EXPECT_EQ(core->files().RowPath(0), midi.File("0.mid"));
    EXPECT_EQ(core->files().RowPath(core->selected_row() - 1), chosen);

    // The item that plays keeps its number in step with its row.
    router.Run(cmd::kSort);  // off
    core->ReloadList();
    core->SelectRow(1);
    const std::string playing = core->files().RowPath(0);
    ASSERT_TRUE(router.Run(cmd::kPlay));
    router.Run(cmd::kSort);
    EXPECT_EQ(core->files().RowPath(core->controller().current_item() - 1), playing);
}

TEST_F(CoreTest, ACatalogsLinesOverTheFormatsLengthAreLeftOutAndCountedInTheStatusLine) {
    struct Statuses : CoreListener {
        std::vector<std::string> texts;
        void OnStatus(std::string_view text) override { texts.emplace_back(text); }
    } statuses;
    core->Start();
    core->Subscribe(statuses);
    // The item lines: a.mid, a 512-byte one, b.mid.
    test::WriteBytes(midi.File("list.mit"),
                     "Ver 1.00\r\nT\r\n\r\na.mid\r\n" + std::string(508, 'x') + ".mid\r\nb.mid\r\n\x1a");
    ASSERT_NE(core->OpenPath(midi.File("list.mit"), true), app::kNothingOpened);
    EXPECT_EQ(core->files().rows(), 2);
    ASSERT_EQ(statuses.texts.size(), 1u);
    EXPECT_EQ(statuses.texts[0], "511 ﾊﾞｲﾄを超える行が 1 行あったため、読み込みませんでした.");
}

TEST_F(CoreTest, AMovieOpensInTheFrameMadeUnderTheOwnerWindow) {
    test::TempDir movies;
    test::WriteBytes(movies.File("m.avi"), "RIFF");
    s.kinds[2].path = movies.path();
    s.kinds[2].sub_code = 0x0001;
    std::vector<void*> owners;
    app::CoreContext ctx = core->context();
    ctx.movie_window = [&owners](void* owner) -> std::unique_ptr<playback::MovieWindow> {
        owners.push_back(owner);
        return nullptr;
    };
    router = CommandRouter{};
    core = std::make_unique<PlayerCore>(ctx);
    core->RegisterCommands(router);
    int window = 0;  // a token: the core only hands the owner on
    core->SetOwnerWindow(reinterpret_cast<QWidget*>(&window));
    core->Start();
    ASSERT_TRUE(router.Run(cmd::kKindMidi + 2));
    ASSERT_EQ(core->files().rows(), 1);
    ASSERT_TRUE(router.Run(cmd::kPlay));
    queue.RunPending();
    EXPECT_EQ(owners, std::vector<void*>{&window});
}

namespace {

struct RecordingRcpView final : playback::RcpConversionView {
    explicit RecordingRcpView(std::vector<std::string>* c) : calls(c) {}
    void Begin(std::string_view name) override { calls->push_back("begin " + std::string(name)); }
    void SetProgress(int) override {}
    void End(bool ok) override { calls->push_back(ok ? "ok" : "cancel"); }
    std::vector<std::string>* calls;
};

}  // namespace

TEST_F(CoreTest, WithTheRcpToolOnAnRcpSongPlaysAsTheConvertedFile) {
    NUKO_CORPUS_FILE(rcp, "rcp/");
    test::TempDir songs;
    test::WriteBytes(songs.File("song.rcp"), test::ReadBytes(rcp + "sted2clone_sted-cli_test.rcp"));
    s.kinds[0].path = songs.path();
    s.kinds[0].sub_code = media::file_type::kType2;  // the RCP family
    s.rcpcv.used = 1;
    s.rcpcv.dlg_view = 1;
    backends.facts.rcp_converter = true;
    std::vector<std::string> calls;
    app::CoreContext ctx = core->context();
    ctx.program_folder = NUKO_PROGRAM_DIR "/";
    ctx.rcp_view = [&calls] { return std::make_unique<RecordingRcpView>(&calls); };
    router = CommandRouter{};
    core = std::make_unique<PlayerCore>(ctx);
    core->RegisterCommands(router);
    core->Start();
    ASSERT_EQ(core->files().rows(), 1);
    ASSERT_TRUE(router.Run(cmd::kPlay));
    queue.RunPending();
    const std::string temp = work.File("$Nu-kop_Rcpcv$.mid");
    ASSERT_FALSE(backends.made.empty());
    EXPECT_EQ(backends.made.back()->opened.back(), temp);
    EXPECT_TRUE(test::ReadBytes(temp).starts_with("MThd"));
    EXPECT_EQ(calls, (std::vector<std::string>{"begin song.rcp", "ok"}));
    // Closing the item takes the converted file away.
    ASSERT_TRUE(router.Run(cmd::kStop));
    core.reset();
    EXPECT_FALSE(std::filesystem::exists(temp));
}

namespace {

// The core as the player runs it: lists read on a worker thread.
class BackgroundCoreTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        for (int i = 0; i < 2000; ++i) test::WriteBytes(big.File("s" + std::to_string(i) + ".mid"), "x");
        app::CoreContext ctx = core->context();
        ctx.background_lists = true;
        router = CommandRouter{};
        core = std::make_unique<PlayerCore>(ctx);
        core->RegisterCommands(router);
    }
    // Runs the posted calls until the list has come.
    bool Settle() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (core->list_loading()) {
            if (std::chrono::steady_clock::now() > until) return false;
            queue.WaitAndRun(std::chrono::milliseconds(5));
        }
        queue.RunPending();
        return true;
    }
    test::TempDir big, empty;
};

struct RowCounter : CoreListener {
    int started = 0, added = 0, batches = 0, loaded = 0;
    void OnListStarted() override { ++started; added = 0; }
    void OnRowsAdded(int first, int count) override {
        EXPECT_EQ(first, added + 1);  // in order, nothing twice
        added += count;
        ++batches;
    }
    void OnListLoaded(int) override { ++loaded; }
};

}  // namespace

TEST_F(BackgroundCoreTest, AnOpenAnswersAtOnceAndPlaysTheNamedFileWhenItsRowComes) {
    core->Start();
    ASSERT_TRUE(Settle());
    RowCounter rows;
    core->Subscribe(rows);
    const std::string named = big.File("s1500.mid");
    EXPECT_EQ(core->OpenPath(named), 1);
    core->PostPlay();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(rows.started, 1);
    EXPECT_EQ(rows.added, 2000);
    EXPECT_EQ(rows.loaded, 1);
    EXPECT_EQ(core->files().rows(), 2000);
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(core->files().RowPath(core->controller().current_item() - 1), named);
    EXPECT_EQ(core->files().RowPath(core->selected_row() - 1), named);
}

TEST_F(BackgroundCoreTest, AListThatEndsEmptyPlaysNothing) {
    core->Start();
    ASSERT_TRUE(Settle());
    test::WriteBytes(empty.File("notes.txt"), "x");
    const int answer = core->OpenPath(empty.path());
    core->PostPlay();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(core->files().rows(), 0);
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    // Read in place, the same folder answers that it holds nothing.
    EXPECT_EQ(core->OpenPath(empty.path(), true), -1);
    EXPECT_NE(answer, 0);
}

TEST_F(BackgroundCoreTest, ANewListCancelsTheOneOnItsWay) {
    core->Start();
    ASSERT_TRUE(Settle());
    RowCounter rows;
    core->Subscribe(rows);
    EXPECT_EQ(core->OpenPath(big.File("s1.mid")), 1);
    EXPECT_TRUE(core->list_loading());
    EXPECT_EQ(core->OpenPath(midi.File("b.mid")), 1);  // before the first list came
    ASSERT_TRUE(Settle());
    EXPECT_EQ(rows.started, 2);
    EXPECT_EQ(rows.loaded, 1);
    EXPECT_EQ(core->files().rows(), 3);
    EXPECT_EQ(rows.added, 3);
    EXPECT_EQ(core->files().RowPath(core->selected_row() - 1), midi.File("b.mid"));
}

TEST_F(BackgroundCoreTest, PlayingWhileTheListComesKeepsTheItemThroughTheFinalSort) {
    s.main.sort = 1;
    core->Start();
    ASSERT_TRUE(Settle());
    EXPECT_EQ(core->OpenPath(big.path()), 1);
    // Play as soon as rows are there.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (core->files().rows() == 0 && std::chrono::steady_clock::now() < until)
        queue.WaitAndRun(std::chrono::milliseconds(1));
    ASSERT_GT(core->files().rows(), 0);
    ASSERT_TRUE(router.Run(cmd::kPlay));
    const std::string playing = core->files().RowPath(core->controller().current_item() - 1);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(core->files().rows(), 2000);
    EXPECT_EQ(core->files().RowPath(0), big.File("s0.mid"));  // sorted at the end
    EXPECT_EQ(core->files().RowPath(core->controller().current_item() - 1), playing);
}

TEST_F(BackgroundCoreTest, TheCoreMayGoWhileAListComes) {
    core->Start();
    EXPECT_EQ(core->OpenPath(big.path()), 1);
    core.reset();  // waits for the reading thread; its queued rows go nowhere
    queue.RunPending();
}

TEST(CommandRouter, UnknownCommandsAreGreyedAndDisabledOnesDoNotRun) {
    CommandRouter router;
    int runs = 0, refreshes = 0;
    bool allowed = false;
    router.Watch([&] { ++refreshes; });
    EXPECT_FALSE(router.IsEnabled(40037));
    EXPECT_FALSE(router.Run(40037));
    EXPECT_EQ(router.Text(40037), "MIDIｶﾀﾛｸﾞ編集(&M)...");
    router.Register(1, {[&] { ++runs; }, [&] { return allowed; }});
    EXPECT_FALSE(router.Run(1));
    allowed = true;
    EXPECT_TRUE(router.Run(1));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(refreshes, 1);
    // A command that runs another refreshes once, after the outer one.
    router.Register(2, {[&] { router.Run(1); }});
    router.Run(2);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(refreshes, 2);
    // A check item without an action shows its state, greyed.
    router.Register(3, {{}, {}, [] { return true; }});
    EXPECT_TRUE(router.IsChecked(3));
    EXPECT_FALSE(router.IsEnabled(3));
    router.Unregister(1);
    EXPECT_FALSE(router.Run(1));
    EXPECT_EQ(app::FormatMenuText(cmd::kOnTimer2, {7, 5}), "ﾀｲﾏｰ2 ON  [ 7時05分](&C)");
}

TEST(ButtonPanelModel, ButtonsFollowStateKindAndMode) {
    app::ButtonPanelModel m;
    std::vector<int> ran;
    m.SetRunner([&](int id) { ran.push_back(id); });
    m.SetPlayState(-1);  // empty list
    EXPECT_FALSE(m.LookOf(cmd::kPlay).enabled);
    EXPECT_FALSE(m.Press(cmd::kPlay));
    EXPECT_TRUE(m.LookOf(cmd::kKindSound).enabled);
    m.SetPlayState(static_cast<int>(PlayState::Playing));
    m.SetKind(MediaKind::Movie);
    EXPECT_TRUE(m.LookOf(cmd::kPlay).down);
    EXPECT_TRUE(m.LookOf(cmd::kStop).enabled);
    EXPECT_FALSE(m.LookOf(cmd::kKindSound).enabled);  // kinds change only while stopped
    EXPECT_TRUE(m.LookOf(cmd::kKindMidi + 2).checked);
    m.SetPlayState(static_cast<int>(PlayState::Paused));
    EXPECT_TRUE(m.LookOf(cmd::kPause).down);
    m.SetMode({PlayOrder::Repeat, true, false});
    EXPECT_TRUE(m.LookOf(cmd::kModeRepeat).checked);
    EXPECT_FALSE(m.LookOf(cmd::kModeLoop).checked);
    EXPECT_TRUE(m.LookOf(cmd::kRandom).checked);
    EXPECT_TRUE(m.Press(cmd::kStop));
    EXPECT_EQ(ran, std::vector<int>{cmd::kStop});
}

TEST_F(CoreTest, ArchiveRowsAreListedAndPlayTheirChosenMember) {
    NUKO_REQUIRE_TOOL(media::CArchiveFile::LibraryUsable(), "liblhasa.so.0 is not installed");
    // "All types" lists archives too.
    s.kinds[0].sub_code = 0;
    test::WriteBytes(midi.File("song.lzh"),
                     test::LzhArchive({{"other.mid", "MThd"}, {"song.mid", std::string("MThd\xFF\x03\x05Tune!", 12)}}));
    test::WriteBytes(midi.File("empty.lzh"), test::LzhArchive({{"readme.txt", "r"}}));
    app::CoreContext ctx = core->context();
    core.reset();
    core = std::make_unique<PlayerCore>(ctx);
    core->RegisterCommands(router);
    ASSERT_TRUE(core->archives_enabled());
    core->Start();
    int song = 0, empty = 0;
    for (int row = 0; row < core->files().rows(); ++row) {
        if (core->files().list().items[static_cast<std::size_t>(row)].name == "song.lzh") song = row + 1;
        if (core->files().list().items[static_cast<std::size_t>(row)].name == "empty.lzh") empty = row + 1;
    }
    ASSERT_NE(song, 0);
    ASSERT_NE(empty, 0);

    Recorder started;
    core->Subscribe(started);
    core->SelectRow(song);
    ASSERT_TRUE(router.Run(cmd::kPlay));
    queue.RunPending();
    ASSERT_FALSE(backends.made.empty());
    EXPECT_EQ(backends.made.back()->opened.back(), work.File("song.mid"));
    // The song's own file is the member in the work folder, where the
    // archive's script and pictures came out beside it.
    EXPECT_EQ(started.sources, std::vector<std::string>{work.File("song.mid")});
    EXPECT_EQ(core->ItemTitle(song), "Tune!");  // the member's title, not the archive's
    router.Run(cmd::kStop);
    core.reset();
    // The last user of the extracted files went: they went with it.
    EXPECT_TRUE(test::FolderEntries(work.path()).empty());

    // An archive without a song has no device to play it; what its
    // extraction wrote stays listed until the core goes. (Only the selected
    // item plays, so that the search does not go on to the song.)
    s.kinds[0].mode = 0;
    core = std::make_unique<PlayerCore>(ctx);
    core->RegisterCommands(router);
    core->Start();
    core->SelectRow(empty);
    router.Run(cmd::kPlay);
    queue.RunPending();
    EXPECT_EQ(test::FolderEntries(work.path()), std::vector<std::string>{"readme.txt"});
    router.Run(cmd::kStop);
    core.reset();
    // The last user of the extracted files went: they went with it.
    EXPECT_TRUE(test::FolderEntries(work.path()).empty());
}

TEST_F(CoreTest, WithoutTheArchiveLibraryArchivesAreNeitherListedNorPlayed) {
    s.kinds[0].sub_code = 0;
    test::WriteBytes(midi.File("song.lzh"), test::LzhArchive({{"song.mid", "MThd"}}));
    app::CoreContext ctx = core->context();
    ctx.archives_enabled = false;
    core.reset();
    core = std::make_unique<PlayerCore>(ctx);
    core->Start();
    std::vector<std::string> names;
    for (const auto& item : core->files().list().items) names.push_back(item.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.mid", "b.mid", "c.mid"}));
}

TEST_F(CoreTest, TheArchiveKindQuestionOpensTheArchiveAndAKeptAnswerIsNotAskedAgain) {
    NUKO_REQUIRE_TOOL(media::CArchiveFile::LibraryUsable(), "liblhasa.so.0 is not installed");
    test::TempDir box;
    test::WriteBytes(box.File("tune.lzh"), test::LzhArchive({{"tune.wav", "RIFF"}}));
    s.archive.drop = 100;  // ask
    std::vector<std::string> asked;
    app::CoreContext ctx = core->context();
    ctx.ask_archive_kind = [&](const std::string& archive) {
        asked.push_back(archive);
        return media::ArchiveKindAnswer{3, true};
    };
    core.reset();
    core = std::make_unique<PlayerCore>(ctx);
    core->RegisterCommands(router);
    core->Start();
    ASSERT_EQ(core->OpenPath(box.File("tune.lzh"), true), 1);
    EXPECT_EQ(core->kind(), MediaKind::Sound);
    EXPECT_EQ(asked, std::vector<std::string>{box.File("tune.lzh")});
    EXPECT_EQ(s.archive.drop, 3);  // written with the settings at exit
    ASSERT_EQ(core->OpenPath(box.File("tune.lzh"), true), 1);
    EXPECT_EQ(asked.size(), 1u);

    // Cancelled: nothing opens, what was there stays.
    s.archive.drop = 100;
    ctx.ask_archive_kind = [](const std::string&) { return media::ArchiveKindAnswer{}; };
    core.reset();
    core = std::make_unique<PlayerCore>(ctx);
    core->RegisterCommands(router);
    core->Start();
    EXPECT_EQ(core->OpenPath(box.File("tune.lzh"), true), -1);
    EXPECT_EQ(s.archive.drop, 100);
}

TEST_F(CoreTest, AnArchiveOpensInItsFolderAndPlaysItsMember) {
    NUKO_REQUIRE_TOOL(media::CArchiveFile::LibraryUsable(), "liblhasa.so.0 is not installed");
    test::TempDir box;
    test::WriteBytes(box.File("tune.lzh"), test::LzhArchive({{"tune.mid", "MThd"}}));
    test::WriteBytes(box.File("x.mid"), "x");
    core->Start();
    ASSERT_EQ(core->OpenPath(box.File("tune.lzh"), true), 1);
    ASSERT_EQ(core->files().rows(), 1);  // the archives of the folder
    ASSERT_TRUE(router.Run(cmd::kPlay));
    queue.RunPending();
    EXPECT_EQ(backends.made.back()->opened.back(), work.File("tune.mid"));
}
