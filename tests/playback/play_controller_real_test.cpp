// The play controller on the real back ends: FluidSynth renders generated
// songs into the silent output as fast as it can.
#include <dirent.h>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "playback/backend_factory.h"
#include "playback/file_play_list.h"
#include "media_fixtures.h"
#include "nuko/clock.h"
#include "playback/play_controller.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using playback::PlayCommand;
using playback::PlayState;

namespace {

struct Host final : playback::ControllerHost {
    std::vector<std::string> started;
    void OnItemStarted(const playback::ItemDisplay& d) override { started.push_back(d.path); }
};

int FilesIn(const std::string& folder) {
    int n = 0;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') ++n;
        ::closedir(d);
    }
    return n;
}

// The controller over the real back ends (fast, silent) playing the files
// of `folder` of one kind, in name order.
class RealPlayer {
public:
    RealPlayer() {
        playback::BackendSettings bs;
        bs.fast = true;
        backends_ = std::make_unique<playback::LinuxBackends>(queue, bs);
    }
    bool HasSoundFont() { return !backends_->Facts().sound_font.empty(); }

    // The number of items found.
    int Start(const std::string& folder, media::MediaKind kind, int type_flags, int mode) {
        playback::MediaDeviceConfig config;
        config.work_folder = work.path();
        playback::MediaDeviceHooks hooks;
        hooks.notice = [this](media::MediaKind k, int code) { controller->OnDeviceNotice(k, code); };
        device = std::make_unique<playback::MediaDevice>(*backends_, config, hooks);

        media::FileAreaSettings s;
        s.kind = media::Code(kind);
        s.type_flags = type_flags;
        s.source = folder;
        int found = model_.Load(s, {});
        std::sort(model_.list().items.begin(), model_.list().items.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        list_ = std::make_unique<playback::FilePlayList>(model_, *device);
        list_->Reloaded(1);

        controller = std::make_unique<playback::PlayController>(*device, host, queue, clock_);
        playback::ControllerOptions o;
        o.work_folder = work.path();
        controller->SetOptions(o);
        controller->SetList(list_.get());
        controller->SetMode(kind, {playback::PlayOrderFrom(mode), false, false});
        controller->StartClock();
        return found;
    }

    // Runs the queue and the clock until `done` holds or `limit` has passed.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        return test::PollUntil(
            [&] {
                queue.WaitAndRun(std::chrono::milliseconds(5));
                controller->Tick();
                return done();
            },
            limit, std::chrono::milliseconds(1));
    }

    test::TempDir work;
    CallQueue queue;
    Host host;
    test::ScriptedPrompt prompt;
    std::unique_ptr<playback::MediaDevice> device;
    std::unique_ptr<playback::PlayController> controller;

private:
    ScopedPrompt scope_{&prompt};
    std::unique_ptr<playback::LinuxBackends> backends_;
    media::FileAreaModel model_;
    std::unique_ptr<playback::FilePlayList> list_;
    SteadyClock clock_;
};

}  // namespace

TEST(PlayControllerReal, LoopPlaysOneTwoThreeOneAndLeavesNoTemporaryFiles) {
    test::TempDir songs;
    for (int i = 1; i <= 3; ++i) {
        test::SmfWriter w(480);
        w.Track().Note(0, 60 + i, 240);  // half a second at 120
        // A MacBinary header in front of the second song: it plays from a
        // cut copy in the work folder, which must be gone afterwards.
        std::string bytes = w.Bytes();
        if (i == 2) bytes = std::string(1, '\0') + std::string(127, 'M') + bytes;
        test::WriteBytes(songs.File(std::to_string(i) + ".mid"), bytes);
    }
    RealPlayer p;
    NUKO_REQUIRE_TOOL(p.HasSoundFont(), "no General MIDI sound font installed");
    ASSERT_EQ(p.Start(songs.path(), media::MediaKind::Midi, 0x0001, 2), 3);
    p.controller->RunCommand(PlayCommand::Play, true);

    p.RunUntil([&] { return p.host.started.size() >= 4; });
    ASSERT_GE(p.host.started.size(), 4u) << "prompts: " << p.prompt.asked().size();
    EXPECT_EQ(p.host.started[0], songs.File("1.mid"));
    EXPECT_EQ(p.host.started[1], p.work.File("$Nu-kop_MacCut$.mid"));
    EXPECT_EQ(p.host.started[2], songs.File("3.mid"));
    EXPECT_EQ(p.host.started[3], songs.File("1.mid"));
    p.controller->RunCommand(PlayCommand::Stop, true);
    p.queue.RunPending();
    EXPECT_EQ(p.controller->state(), PlayState::Stopped);
    EXPECT_EQ(FilesIn(p.work.path()), 0);
    EXPECT_TRUE(p.prompt.asked().empty());
}

TEST(PlayControllerReal, SoundItemsOpenInTheBackgroundAndStopCancelsThem) {
    test::TempDir sounds;
    for (const char* name : {"a.wav", "b.wav"}) test::WriteBytes(sounds.File(name), test::MakeWav(0.5));
    RealPlayer p;
    // Sequential: a, b, then stop.
    ASSERT_EQ(p.Start(sounds.path(), media::MediaKind::Sound, 0x001F, 1), 2);
    playback::PlayController& c = *p.controller;

    // Play returns before libmpv has loaded anything (its end needs the
    // queue); Stop then drops the load, and nothing starts after.
    c.RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(c.opening());
    EXPECT_EQ(c.state(), PlayState::Playing);
    EXPECT_FALSE(c.item_active());
    c.RunCommand(PlayCommand::Stop, true);
    EXPECT_FALSE(c.opening());
    EXPECT_FALSE(p.device->IsOpening(media::MediaKind::Sound));
    p.RunUntil([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_TRUE(p.host.started.empty());
    EXPECT_EQ(c.state(), PlayState::Stopped);
    EXPECT_FALSE(p.device->IsOpen());

    // Left alone, each item starts once loaded and the next follows.
    c.RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(c.opening());
    ASSERT_TRUE(p.RunUntil([&] { return p.host.started.size() == 2 && c.state() == PlayState::Stopped; }))
        << p.host.started.size() << " started, prompts " << p.prompt.asked().size();
    EXPECT_EQ(p.host.started[0], sounds.File("a.wav"));
    EXPECT_EQ(p.host.started[1], sounds.File("b.wav"));
    EXPECT_TRUE(p.prompt.asked().empty());
}
