// Items that open in the background (movies and sound files on libmpv): the
// controller waits in its opening state, and whatever ends the wait leaves
// no late load that could start a play.
#include <gtest/gtest.h>

#include "play_controller_fixture.h"
#include "playback/media_errors.h"

using nuko::media::MediaKind;
using nuko::playback::PlayCommand;
using nuko::playback::PlayState;
using nuko::test::ControllerFixture;
using nuko::test::FakeBackend;
namespace mci = nuko::playback::mci;

namespace {

// The back end answers its opens with `results` in turn (kPending: the
// test ends the load), then opens at once.
struct OpeningFixture : ControllerFixture {
    OpeningFixture(int files, std::vector<int> results) : ControllerFixture(files) {
        backends.setup[MediaKind::Midi] = [results](FakeBackend& b) { b.open_results = results; };
    }
    bool Opening() const { return controller->opening(); }
};

TEST(PlayControllerOpening, WaitsForTheLoadThenPlaysAndGoesOn) {
    OpeningFixture f(3, {mci::kPending});
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(f.Opening());
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_FALSE(f.controller->item_active());
    EXPECT_TRUE(f.host.started.empty());
    EXPECT_EQ(f.Backend()->plays, 0);
    f.Run(400);  // the clock keeps checking the load's time limit
    EXPECT_TRUE(f.Opening());
    EXPECT_GT(f.Backend()->polls, 0);

    f.Backend()->CompleteOpen(0);
    EXPECT_FALSE(f.Opening());
    EXPECT_TRUE(f.controller->item_active());
    EXPECT_EQ(f.LastStarted(), 1);
    EXPECT_EQ(f.Backend()->plays, 1);
    f.Finish();
    EXPECT_EQ(f.LastStarted(), 2);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
}

TEST(PlayControllerOpening, StopCloseOrTheControllersEndCancelAndALateLoadStartsNothing) {
    auto nothing_started = [](OpeningFixture& f) {
        EXPECT_TRUE(f.host.started.empty());
        EXPECT_EQ(f.Backend()->plays, 0);
        EXPECT_FALSE(f.device->IsOpen());
        EXPECT_FALSE(f.device->IsOpening(MediaKind::Midi));
    };
    {
        OpeningFixture f(3, {mci::kPending});
        f.controller->RunCommand(PlayCommand::Play, true);
        ASSERT_TRUE(f.Opening());
        f.controller->RunCommand(PlayCommand::Stop, true);
        EXPECT_FALSE(f.Opening());
        EXPECT_EQ(f.controller->state(), PlayState::Stopped);
        EXPECT_GE(f.Backend()->closes, 1);
        f.Backend()->CompleteOpen(0);  // the load ends after all
        f.Run(200);
        nothing_started(f);
        EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    }
    {
        // Closed under the controller (the frame shuts the device): the
        // clock sees the open gone and stops.
        OpeningFixture f(3, {mci::kPending});
        f.controller->RunCommand(PlayCommand::Play, true);
        f.device->Close(MediaKind::Midi);
        f.Run(80);
        EXPECT_FALSE(f.Opening());
        EXPECT_EQ(f.controller->state(), PlayState::Stopped);
        f.Backend()->CompleteOpen(0);
        f.Run(200);
        nothing_started(f);
    }
    {
        OpeningFixture f(3, {mci::kPending});
        f.controller->RunCommand(PlayCommand::Play, true);
        FakeBackend* b = f.Backend();
        f.controller.reset();  // its notice hook would now reach nothing
        b->CompleteOpen(0);
        f.queue.RunPending();
        nothing_started(f);
    }
}

TEST(PlayControllerOpening, AFailedLoadEndsLikeAFailedOpen) {
    // Selected only: the search ends with the same message either way.
    for (int first : {mci::kInvalidFile, mci::kPending}) {
        OpeningFixture f(3, {first});
        f.SetMode(0);
        f.controller->RunCommand(PlayCommand::Play, true);
        if (first == mci::kPending) f.Backend()->CompleteOpen(mci::kInvalidFile);
        EXPECT_FALSE(f.Opening());
        EXPECT_EQ(f.controller->state(), PlayState::Stopped) << first;
        EXPECT_EQ(f.prompt.ids(), std::vector<int>{134}) << first;
        EXPECT_EQ(f.controller->last_error(), mci::kInvalidFile) << first;
        EXPECT_TRUE(f.host.started.empty());
    }
    // Loop: the search goes on with the next item, which loads in turn.
    OpeningFixture f(3, {mci::kPending, mci::kPending});
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Backend()->CompleteOpen(mci::kInvalidFile);
    EXPECT_TRUE(f.Opening());
    EXPECT_EQ(f.controller->current_item(), 2);
    f.Backend()->CompleteOpen(0);
    EXPECT_EQ(f.host.started.size(), 1u);
    EXPECT_EQ(f.LastStarted(), 2);
    EXPECT_TRUE(f.prompt.ids().empty());
}

TEST(PlayControllerOpening, OtherCommandsWhileOpening) {
    OpeningFixture f(3, {mci::kPending, mci::kPending, mci::kPending});
    f.controller->RunCommand(PlayCommand::Play, true);
    // Pause waits for an item.
    f.controller->RunCommand(PlayCommand::Pause, true);
    EXPECT_TRUE(f.Opening());
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    // Next leaves the item that loads for the next one.
    f.controller->RunCommand(PlayCommand::Next, true);
    EXPECT_TRUE(f.Opening());
    EXPECT_EQ(f.controller->current_item(), 2);
    // Another Play replaces it too.
    f.list->SetSelected(3);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(f.Opening());
    EXPECT_EQ(f.controller->current_item(), 3);
    f.Backend()->CompleteOpen(0);
    EXPECT_EQ(f.host.started.size(), 1u);
    EXPECT_EQ(f.LastStarted(), 3);
    // The end of a load that was left behind changes nothing.
    f.Backend()->CompleteOpen(0);
    EXPECT_EQ(f.host.started.size(), 1u);
    EXPECT_EQ(f.Backend()->plays, 1);
}

TEST(PlayControllerOpening, AnItemAfterAPausedOneStartsPausedOnceLoaded) {
    OpeningFixture f(3, {0, mci::kPending});
    f.controller->RunCommand(PlayCommand::Play, true);
    f.controller->RunCommand(PlayCommand::Pause, true);
    ASSERT_EQ(f.controller->state(), PlayState::Paused);
    const int pauses = f.Backend()->pauses;
    f.controller->RunCommand(PlayCommand::Next, true);
    EXPECT_TRUE(f.Opening());
    f.Backend()->CompleteOpen(0);
    EXPECT_EQ(f.LastStarted(), 2);
    EXPECT_EQ(f.controller->state(), PlayState::Paused);
    EXPECT_GT(f.Backend()->pauses, pauses);
}

TEST(PlayControllerOpening, TheClockDoesNotTakeAnItemStillOpeningForAFinishedOne) {
    // Intro play moves on to an item that loads; the check of a stopped
    // device in the same tick must not end the item that is not there yet.
    OpeningFixture f(3, {0, mci::kPending});
    nuko::playback::ControllerOptions o = f.controller->options();
    o.intro_time = 1;
    f.controller->SetOptions(o);
    f.SetMode(2, false, true);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Run(200);  // intro play arms itself
    f.SetPositionSeconds(5);
    f.clock.Advance(2000);  // one tick with every period's flag
    f.controller->Tick();
    EXPECT_TRUE(f.Opening());
    EXPECT_EQ(f.controller->current_item(), 2);
    EXPECT_EQ(f.host.started.size(), 1u);
    f.Backend()->CompleteOpen(0);
    EXPECT_EQ(f.LastStarted(), 2);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
}

}  // namespace
