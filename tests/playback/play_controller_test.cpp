#include <random>
#include <set>

#include <gtest/gtest.h>

#include "play_controller_fixture.h"

using nuko::playback::PlayCommand;
using nuko::playback::PlayState;
using nuko::test::ControllerFixture;

TEST(PlayController, SelectedOnlyPlaysOnceButTheUsersNextWraps) {
    ControllerFixture f(3);
    f.SetMode(0);
    f.list->SetSelected(3);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(f.LastStarted(), 3);
    f.Finish();
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_EQ(f.host.started.size(), 1u);
    EXPECT_TRUE(f.prompt.ids().empty());  // the end of the list is no error

    f.controller->RunCommand(PlayCommand::Play, true);
    f.controller->RunCommand(PlayCommand::Next, true);  // by the user: counts as loop
    EXPECT_EQ(f.LastStarted(), 1);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
}

TEST(PlayController, RepeatRestartsAFileItemBySeek) {
    ControllerFixture f(2);
    f.SetMode(3);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Run(200);
    auto* b = f.Backend();
    int plays = b->plays;
    f.Finish();
    EXPECT_TRUE(f.controller->restart_pending());
    EXPECT_EQ(b->seek_ms, 0);
    f.Run(200);  // the seek has finished: play resumes on the same item
    EXPECT_FALSE(f.controller->restart_pending());
    EXPECT_GT(b->plays, plays);
    EXPECT_EQ(f.host.started.size(), 1u);
    EXPECT_EQ(f.controller->current_item(), 1);
}

TEST(PlayController, RandomSequentialPlaysEveryItemOnceThenStops) {
    ControllerFixture f(5);
    f.SetMode(1, true);
    f.list->SetSelected(f.list->shuffle().order()[0]);
    f.controller->RunCommand(PlayCommand::Play, true);
    for (int i = 0; i < 6 && f.controller->state() == PlayState::Playing; ++i) f.Finish();
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    ASSERT_EQ(f.host.started.size(), 5u);
    std::set<std::string> distinct(f.host.started.begin(), f.host.started.end());
    EXPECT_EQ(distinct.size(), 5u);
}

TEST(PlayController, RandomLoopStartsANewOrderAfterTheLastEntry) {
    ControllerFixture f(4);
    f.SetMode(2, true);
    int seed = 1;
    f.list->SetSeedSource([&] { return static_cast<std::uint32_t>(seed++ * 7919); });
    f.list->Reloaded(1);
    auto first_order = f.list->shuffle().order();
    f.controller->RunCommand(PlayCommand::Play, true);
    for (int i = 0; i < 4; ++i) f.Finish();
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(f.host.started.size(), 5u);
    EXPECT_NE(f.list->shuffle().order(), first_order);  // a new pass, a new order
    std::set<std::string> pass(f.host.started.begin(), f.host.started.begin() + 4);
    EXPECT_EQ(pass.size(), 4u);
}

TEST(PlayController, PreviousRewindsAfterRewPrevTime) {
    ControllerFixture f(3);
    auto o = f.controller->options();
    o.rew_prev = false;
    o.rew_prev_time = 3;
    f.controller->SetOptions(o);
    f.list->SetSelected(2);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.SetPositionSeconds(5);
    f.Run(120);
    f.controller->RunCommand(PlayCommand::Previous, true);
    EXPECT_EQ(f.controller->current_item(), 2);  // restarted
    EXPECT_EQ(f.Backend()->seek_ms, 0);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    f.Run(200);
    f.SetPositionSeconds(2);
    f.Run(120);
    f.controller->RunCommand(PlayCommand::Previous, true);
    EXPECT_EQ(f.controller->current_item(), 1);  // within 3 s: the previous item
    EXPECT_EQ(f.LastStarted(), 1);
}

TEST(PlayController, IntroPlaysTenSecondsOfEachItem) {
    ControllerFixture f(3);
    f.SetMode(2, false, true);
    f.controller->RunCommand(PlayCommand::Play, true);
    for (int s = 0; s <= 10; ++s) {
        f.SetPositionSeconds(s);
        f.Run(1000);
    }
    EXPECT_EQ(f.LastStarted(), 1);
    f.SetPositionSeconds(11);  // past the intro time
    f.Run(120);
    EXPECT_EQ(f.LastStarted(), 2);
}

TEST(PlayController, AllFilesMissingStopsWithMessage134AfterOnePass) {
    ControllerFixture f(3);
    for (const auto& n : f.names) ::unlink(n.c_str());
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{134});
    EXPECT_TRUE(f.backends.made.empty() || f.Backend()->opened.empty());
}

TEST(PlayController, OutOfMemoryStopsTheSearchAtOnceWithoutAMessage) {
    ControllerFixture f(3);
    f.backends.setup[nuko::media::MediaKind::Midi] = [](nuko::test::FakeBackend& b) {
        b.open_results = {264, 0, 0};
    };
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_EQ(f.controller->last_error(), 264);
    EXPECT_EQ(f.Backend()->opened.size(), 1u);
    // The device reported its error itself; no "no file to play" follows.
    for (int id : f.prompt.ids()) EXPECT_NE(id, 134);
}

TEST(PlayController, FailedOpensAreSkipped) {
    ControllerFixture f(3);
    f.backends.setup[nuko::media::MediaKind::Midi] = [](nuko::test::FakeBackend& b) { b.open_results = {296}; };
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(f.controller->current_item(), 2);
}

TEST(PlayController, AbSectionSeeksBackToA) {
    ControllerFixture f(1);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.SetPositionSeconds(10);
    f.Run(120);
    f.controller->SetPointA();
    f.SetPositionSeconds(20);
    f.Run(120);
    f.controller->SetPointB();
    EXPECT_EQ(f.controller->point_a(), 10u);
    EXPECT_EQ(f.controller->point_b(), 20u);
    f.SetPositionSeconds(20.5);
    f.Run(120);
    EXPECT_EQ(f.Backend()->seek_ms, 10000);
    f.Run(200);  // seek done: plays on from A without a pause
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_TRUE(f.host.ab_waits.empty());
}

TEST(PlayController, ThePositionStaysWithinTheLength) {
    ControllerFixture f(1);
    f.backends.setup[nuko::media::MediaKind::Midi] = [](nuko::test::FakeBackend& b) { b.length_ms = 30000; };
    f.controller->RunCommand(PlayCommand::Play, true);
    ASSERT_EQ(f.controller->length(), 30);
    f.SetPositionSeconds(29);
    f.Run(120);
    EXPECT_EQ(f.controller->position(), 29);
    // Play runs on past a length that was only estimated.
    f.SetPositionSeconds(31.5);
    f.Run(120);
    EXPECT_EQ(f.controller->position(), 30);
}

TEST(PlayController, ASeekIntoASectionPastTheItemsEndStopsAtTheEnd) {
    // A section of 16..32 s set while a longer item was known, then a
    // paused 2-second item asked to seek to 0: the section would place it
    // at 16 s, 14 s past its end.
    ControllerFixture f(1);
    f.backends.setup[nuko::media::MediaKind::Midi] = [](nuko::test::FakeBackend& b) { b.length_ms = 2000; };
    f.controller->RunCommand(PlayCommand::Play, true);
    ASSERT_EQ(f.controller->length(), 2);
    f.SetPositionSeconds(1);
    f.Run(120);
    f.controller->RunCommand(PlayCommand::Pause, true);
    ASSERT_TRUE(f.controller->SetSection(16, 32));
    f.controller->SeekTo(0);
    EXPECT_EQ(f.Backend()->seek_ms, 2000);
    EXPECT_EQ(f.controller->position(), 2);
}

TEST(PlayController, SectionPointsKeepBAfterA) {
    ControllerFixture f(2);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.SetPositionSeconds(0);
    f.Run(120);
    // B at the start, with A unset (the start): no section, which would
    // send the item back to the start on every tick.
    f.controller->SetPointB();
    EXPECT_FALSE(f.controller->point_a());
    EXPECT_FALSE(f.controller->point_b());

    EXPECT_FALSE(f.controller->SetSection(5, 5));
    EXPECT_FALSE(f.controller->SetSection(6, 3));
    EXPECT_FALSE(f.controller->point_b());
    // Both points at once: the next item that starts outside them begins at A.
    EXPECT_TRUE(f.controller->SetSection(3, 8));
    EXPECT_EQ(f.controller->point_a(), 3u);
    EXPECT_EQ(f.controller->point_b(), 8u);
    f.Backend()->seek_ms = -1;
    f.Finish();
    EXPECT_EQ(f.LastStarted(), 2);
    EXPECT_EQ(f.Backend()->seek_ms, 3000);
    EXPECT_TRUE(f.controller->restart_pending());
}

TEST(PlayController, AbSectionPausesAtAForAtoBPauseTime) {
    ControllerFixture f(1);
    auto o = f.controller->options();
    o.ab_pause_ms = 2000;
    f.controller->SetOptions(o);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.SetPositionSeconds(3);
    f.Run(120);
    f.controller->SetPointA();
    f.SetPositionSeconds(6);
    f.Run(120);
    f.controller->SetPointB();
    f.SetPositionSeconds(6.2);
    f.Run(120);  // reaches B: seek to A
    f.Run(120);  // seek done: pause at A
    EXPECT_EQ(f.controller->state(), PlayState::Paused);
    ASSERT_FALSE(f.host.ab_waits.empty());
    EXPECT_EQ(f.host.ab_waits.front(), std::make_pair(true, 3));
    f.Run(2100);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(f.host.ab_waits.back().first, false);
}

TEST(PlayController, ClockDutiesComeOnTheirTicks) {
    ControllerFixture f(1);
    f.Run(4000);
    int n500 = 0, n2000 = 0;
    for (unsigned d : f.host.duties) {
        n500 += !!(d & nuko::playback::kEvery500);
        n2000 += !!(d & nuko::playback::kEvery2000);
    }
    EXPECT_EQ(n500, 8);
    EXPECT_EQ(n2000, 2);
}

TEST(PlayController, AnEndWithoutANoticeIsFoundByPolling) {
    ControllerFixture f(2);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Run(500);
    f.auto_playing = false;
    f.Backend()->mode = nuko::playback::DeviceMode::Stopped;
    f.Run(2100);
    EXPECT_EQ(f.controller->current_item(), 2);
}

TEST(PlayController, WrdTicksExtrapolateBetweenPositionSteps) {
    ControllerFixture f(1);
    f.host.wrd_open = true;
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Run(200);
    ASSERT_GE(f.host.wrd.size(), 3u);
    // The fake's position stays at 42 at tempo 120: each tick adds
    // 120 / (15000 / 40) = 0.32 sixteenths, whole ones counted.
    // Five ticks in 200 ms: 42, then 4 x 0.32 = 1.28 later a whole one more.
    EXPECT_EQ(f.host.wrd, (std::vector<std::uint32_t>{42, 42, 42, 42, 43}));
}

TEST(PlayController, MenuGuards) {
    ControllerFixture f(2);
    EXPECT_FALSE(f.controller->CanRun(PlayCommand::Next));
    EXPECT_FALSE(f.controller->CanRun(PlayCommand::Stop));
    f.controller->MenuCommand(PlayCommand::Play);  // posted
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    f.queue.RunPending();
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    f.controller->MenuCommand(PlayCommand::Play);  // the same item: nothing
    f.queue.RunPending();
    EXPECT_EQ(f.host.started.size(), 1u);
    f.controller->MenuCommand(PlayCommand::Pause);
    EXPECT_EQ(f.controller->state(), PlayState::Paused);
    f.controller->MenuCommand(PlayCommand::Pause);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
}

TEST(PlayController, SequentialEndAndTheUsersNextAtTheEnd) {
    ControllerFixture f(2);
    f.SetMode(1);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Finish();
    EXPECT_EQ(f.controller->current_item(), 2);
    f.Finish();  // the end of a sequential list: stop, no message
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_TRUE(f.prompt.ids().empty());
    f.controller->RunCommand(PlayCommand::Play, true);
    f.controller->RunCommand(PlayCommand::Next, true);  // the user's Next at the end
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{131});
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
}

TEST(PlayController, RandomCommandsKeepItConsistent) {
    ControllerFixture f(4);
    std::mt19937 rng(99);
    for (int i = 0; i < 1000; ++i) {
        int r = static_cast<int>(rng() % 12);
        if (r < 6) f.controller->RunCommand(static_cast<PlayCommand>(r), rng() % 2 == 0, rng() % 2 == 0);
        else if (r == 6 && f.Backend()) f.Finish();
        else if (r == 7) f.SetMode(static_cast<int>(rng() % 4), rng() % 2, rng() % 2);
        else if (r == 8) f.list->SetSelected(1 + static_cast<int>(rng() % 4));
        else if (r == 9) f.controller->SetPointA();
        else if (r == 10) f.controller->SetPointB();
        else f.Run(static_cast<int>(rng() % 3000));
        f.queue.RunPending();
        auto s = f.controller->state();
        EXPECT_TRUE(s == PlayState::Playing || s == PlayState::Stopped || s == PlayState::Paused)
            << "step " << i;
        int open = 0;
        for (auto* b : f.backends.made) open += b->open ? 1 : 0;
        EXPECT_LE(open, 1) << "step " << i;
        EXPECT_EQ(f.controller->item_active(), s != PlayState::Stopped) << "step " << i;
    }
}

TEST(PlayController, MessagesComeFromTheStringTable) {
    ControllerFixture f(2);
    for (const auto& n : f.names) ::unlink(n.c_str());
    f.controller->RunCommand(PlayCommand::Play, true);
    ASSERT_EQ(f.prompt.asked().size(), 1u);
    EXPECT_EQ(f.prompt.asked()[0].text, "再生するﾌｧｲﾙがありません.");
}

TEST(PlayController, IntroOnWhilePlayingAsksFirst) {
    ControllerFixture f(2);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.prompt.Answer(nuko::PromptAnswer::No);
    EXPECT_FALSE(f.controller->ToggleIntro());
    EXPECT_FALSE(f.controller->Mode(nuko::media::MediaKind::Midi).intro);
    f.prompt.Answer(nuko::PromptAnswer::Yes);
    EXPECT_TRUE(f.controller->ToggleIntro());
    EXPECT_TRUE(f.controller->Mode(nuko::media::MediaKind::Midi).intro);
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{213, 213}));
    f.controller->ChooseMode(nuko::playback::PlayOrder::Sequential);
    EXPECT_TRUE(f.controller->Mode(nuko::media::MediaKind::Midi).intro);  // kept
}

TEST(PlayController, AnEmptyListAndVanishingFiles) {
    ControllerFixture f(3);
    ::unlink(f.names[1].c_str());  // item 2 vanishes while 1 plays
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Finish();
    EXPECT_EQ(f.LastStarted(), 3);  // skipped
    EXPECT_TRUE(f.prompt.ids().empty());

    ControllerFixture empty(0);
    empty.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(empty.controller->state(), PlayState::Stopped);
    EXPECT_TRUE(empty.prompt.ids().empty());  // nothing to say about an empty list
    empty.controller->RunCommand(PlayCommand::Next, true);
    EXPECT_EQ(empty.host.empty, 1);
}
