// The CD list played by the controller: program order, excluded tracks in
// every mode, random play, and the track each row starts on the device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

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


// Multi-CD play over three drives, D with two tracks, F with three and G
// without a disc, each track's drive drawn at random, driven as the core
// drives the list: choosing drive D does nothing while D is in use, and a
// drive with nothing to play leaves the disc in use read again.
class RotationFixture : public CdListFixture {
public:
    RotationFixture() : CdListFixture({"1", "2", "3"}, false) {
        rotation.drives = [] { return std::vector<int>{0, 1, 2}; };
        rotation.current = [this] { return current; };
        rotation.load = [this](int drive) {
            if (kTracks[drive] == 0) {
                Read(current);
                return false;
            }
            current = drive;
            Read(drive);
            return true;
        };
        rotation.random_drive = true;
        list->SetSeedSource([this] { return seed++; });
    }
    void Read(int drive) {
        media::MediaList disc;
        disc.kind = media::MediaKind::Cd;
        for (int n = 1; n <= kTracks[drive]; ++n) {
            media::MediaItem item;
            item.number = n;
            disc.Add(item);
        }
        cd::CdTrackList rows;
        rows.Build(disc);
        list->SetDisc(kSources[drive], rows, 1);
    }
    // The user picks drive D and plays: what plays up to the stop, as
    // "d1" (drive D, track 1).
    std::vector<std::string> Pass() {
        if (current != 0) {
            current = 0;
            list->ForgetOtherDiscs();
            Read(0);
        }
        std::vector<std::string> played;
        controller->RunCommand(PlayCommand::Play, true);
        for (int i = 0; i < 8 && controller->state() == PlayState::Playing; ++i) {
            const std::string& disc = Backend()->opened.back();
            played.push_back(disc.substr(disc.rfind('/') + 1, 1) + std::to_string(PlayedTrack()));
            Finish();
        }
        return played;
    }

    static constexpr int kTracks[] = {2, 3, 0};
    static constexpr const char* kSources[] = {"/discs/d.cue", "/discs/f.cue", "/discs/g.cue"};
    playback::DiscRotation rotation;
    int current = 0;
    std::uint32_t seed = 0;
};

TEST(CdPlayListTest, EveryPassOfRandomMultiCdPlayPlaysEveryTrackOnceForEverySeed) {
    RotationFixture f;
    f.SetMode(PlayOrder::Sequential, true);
    const std::vector<std::string> all = {"d1", "d2", "f1", "f2", "f3"};
    int failures = 0;
    for (std::uint32_t first = 0; first < 10000 && failures < 5; ++first) {
        f.seed = first;
        f.list->SetRotation(f.rotation);  // the drive draws start again from the seed
        f.current = 0;
        f.Read(0);
        // Passes in a row: the second may begin on the drive the first
        // ended on.
        for (int pass = 0; pass < 3; ++pass) {
            // Settings applied between passes set the rotation again.
            if (pass == 2) f.list->SetRotation(f.rotation);
            std::vector<std::string> played = f.Pass();
            std::sort(played.begin(), played.end());
            if (played != all || f.controller->state() != PlayState::Stopped) {
                ++failures;
                ADD_FAILURE() << "seed " << first << " pass " << pass << " played " << played.size() << " tracks";
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace nuko::test
