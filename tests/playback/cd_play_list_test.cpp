// The CD list played by the controller: program order, excluded tracks in
// every mode, random play, and the track each row starts on the device.
#include <gtest/gtest.h>

#include <set>

#include "fake_backend.h"
#include "manual_clock.h"
#include "play_controller_fixture.h"
#include "playback/cd_play_list.h"

namespace nuko::test {
namespace {

using playback::PlayCommand;
using playback::PlayOrder;
using playback::PlayState;

// A disc of `tracks` tracks of 10 s each on the fake disc back end, played
// through a CdPlayList.
class CdListFixture {
public:
    CdListFixture(std::vector<std::string> titles, bool program) {
        backends.setup[media::MediaKind::Cd] = [this](FakeBackend& b) {
            for (int n = 1; n <= static_cast<int>(titles_.size()); ++n) b.toc.tracks.push_back({n, (n - 1) * 750, true});
            b.toc.leadout = static_cast<std::int32_t>(titles_.size()) * 750;
        };
        titles_ = std::move(titles);
        playback::MediaDeviceHooks hooks;
        hooks.notice = [this](media::MediaKind k, int code) { controller->OnDeviceNotice(k, code); };
        device = std::make_unique<playback::MediaDevice>(backends, playback::MediaDeviceConfig{}, hooks);
        record.kind = media::MediaKind::Cd;
        for (std::size_t i = 0; i < titles_.size(); ++i) {
            media::MediaItem item;
            item.title = titles_[i];
            item.number = static_cast<int>(i) + 1;
            record.Add(item);
        }
        record.loaded = program ? 1 : 0;
        list = std::make_unique<playback::CdPlayList>(*device);
        list->SetSeedSource([] { return 99u; });
        controller = std::make_unique<playback::PlayController>(*device, host, queue, clock);
        controller->SetList(list.get());
        controller->StartClock();
    }

    void Build(int selected = 1) {
        cd::CdTrackList rows;
        rows.Build(record);
        list->SetDisc("/discs/album.cue", rows, selected);
    }
    FakeBackend* Backend() { return backends.made.empty() ? nullptr : backends.made.back(); }
    // The track the device was last told to play.
    int PlayedTrack() {
        if (!Backend() || Backend()->play_from < 0) return 0;
        return static_cast<int>(Backend()->play_from / 10000) + 1;
    }
    void Finish() {
        Backend()->mode = playback::DeviceMode::Stopped;
        Backend()->Finish(playback::EndReason::Success);
        queue.RunPending();
    }
    void SetMode(PlayOrder order, bool random) { controller->SetMode(media::MediaKind::Cd, {order, random, false}); }
    // Plays on from the current item, collecting the tracks, for `items`.
    std::vector<int> PlayThrough(int items) {
        std::vector<int> tracks;
        controller->RunCommand(PlayCommand::Play, true);
        for (int i = 0; i < items && controller->state() == PlayState::Playing; ++i) {
            tracks.push_back(PlayedTrack());
            Finish();
        }
        return tracks;
    }

    std::vector<std::string> titles_;
    FakeBackends backends;
    std::unique_ptr<playback::MediaDevice> device;
    media::MediaList record;
    std::unique_ptr<playback::CdPlayList> list;
    RecordingHost host;
    CallQueue queue;
    ManualClock clock;
    std::unique_ptr<playback::PlayController> controller;
    ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
};

TEST(CdPlayListTest, SequentialPlayFollowsTheProgramAndSkipsExcludedTracks) {
    CdListFixture f({"a", "@b", "c", "d"}, true);
    f.record.items[0].number = 4;  // program: 4 3 2 1 -> tracks d c b a
    f.record.items[1].number = 3;
    f.record.items[2].number = 2;
    f.record.items[3].number = 1;
    f.Build();
    f.SetMode(PlayOrder::Sequential, false);
    EXPECT_EQ(f.PlayThrough(10), (std::vector<int>{4, 3, 1}));
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_EQ(f.Backend()->opened.back(), "/discs/album.cue");
    EXPECT_EQ(f.list->ItemTitle(1), "d");
}

TEST(CdPlayListTest, RandomPlayNeverPlaysAnExcludedTrackAndPlaysEachOtherOnce) {
    CdListFixture f({"1", "@2", "3", "@4", "5", "6", "$7", "8"}, true);
    f.record.items[7].number = 1;  // the program starts with track 8
    f.record.items[0].number = 8;
    f.Build();
    ASSERT_EQ(f.list->Count(), 7);
    f.SetMode(PlayOrder::Sequential, true);
    std::vector<int> played = f.PlayThrough(20);
    std::multiset<int> seen(played.begin(), played.end());
    EXPECT_EQ(seen, (std::multiset<int>{1, 3, 5, 6, 8}));
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);

    // Looping random play goes on past a pass, still without them.
    f.SetMode(PlayOrder::Loop, true);
    played = f.PlayThrough(25);
    EXPECT_EQ(played.size(), 25u);
    for (int t : played) EXPECT_TRUE(t != 2 && t != 4 && t != 7) << t;
}

TEST(CdPlayListTest, ChoosingAnExcludedTrackPlaysTheNextPlayableOne) {
    CdListFixture f({"a", "@b", "c"}, false);
    f.Build(2);
    f.SetMode(PlayOrder::Selected, false);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(f.PlayedTrack(), 3);
}

TEST(CdPlayListTest, ADiscWithNothingToPlayStartsNothing) {
    CdListFixture f({"@a", "$b"}, false);
    f.Build();
    f.SetMode(PlayOrder::Loop, true);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_TRUE(f.backends.made.empty() || f.Backend()->plays == 0);

    CdListFixture none({"$a", "$b"}, false);
    none.Build();
    EXPECT_EQ(none.list->Count(), 0);
    none.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(none.controller->state(), PlayState::Stopped);
}

}  // namespace
}  // namespace nuko::test
