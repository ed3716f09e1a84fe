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

}  // namespace

TEST(PlayControllerReal, LoopPlaysOneTwoThreeOneAndLeavesNoTemporaryFiles) {
    test::TempDir songs, work;
    for (int i = 1; i <= 3; ++i) {
        test::SmfWriter w(480);
        w.Track().Note(0, 60 + i, 240);  // half a second at 120
        // A MacBinary header in front of the second song: it plays from a
        // cut copy in the work folder, which must be gone afterwards.
        std::string bytes = w.Bytes();
        if (i == 2) bytes = std::string(1, '\0') + std::string(127, 'M') + bytes;
        test::WriteBytes(songs.File(std::to_string(i) + ".mid"), bytes);
    }
    CallQueue queue;
    playback::BackendSettings bs;
    bs.fast = true;
    playback::LinuxBackends backends(queue, bs);
    if (backends.Facts().sound_font.empty()) GTEST_SKIP() << "no General MIDI sound font installed";

    std::unique_ptr<playback::PlayController> controller;
    playback::MediaDeviceConfig config;
    config.work_folder = work.path();
    playback::MediaDeviceHooks hooks;
    hooks.notice = [&](media::MediaKind k, int code) { controller->OnDeviceNotice(k, code); };
    playback::MediaDevice device(backends, config, hooks);

    media::FileAreaModel model;
    media::FileAreaSettings s;
    s.type_flags = 0x0001;
    s.source = songs.path();
    ASSERT_EQ(model.Load(s, {}), 3);
    std::sort(model.list().items.begin(), model.list().items.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    playback::FilePlayList list(model, device);
    list.Reloaded(1);

    Host host;
    SteadyClock clock;
    test::ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    controller = std::make_unique<playback::PlayController>(device, host, queue, clock);
    playback::ControllerOptions o;
    o.work_folder = work.path();
    controller->SetOptions(o);
    controller->SetList(&list);
    controller->SetMode(media::MediaKind::Midi, {2, false, false});
    controller->StartClock();
    controller->RunCommand(PlayCommand::Play, true);

    for (int i = 0; i < 2000 && host.started.size() < 4; ++i) {
        queue.WaitAndRun(std::chrono::milliseconds(10));
        controller->Tick();
    }
    ASSERT_GE(host.started.size(), 4u) << "prompts: " << prompt.asked().size();
    EXPECT_EQ(host.started[0], songs.File("1.mid"));
    EXPECT_EQ(host.started[1], work.File("$Nu-kop_MacCut$.mid"));
    EXPECT_EQ(host.started[2], songs.File("3.mid"));
    EXPECT_EQ(host.started[3], songs.File("1.mid"));
    controller->RunCommand(PlayCommand::Stop, true);
    queue.RunPending();
    EXPECT_EQ(controller->state(), PlayState::Stopped);
    EXPECT_EQ(FilesIn(work.path()), 0);
    EXPECT_TRUE(prompt.asked().empty());
}

TEST(PlayControllerReal, SoundItemsOpenInTheBackgroundAndStopCancelsThem) {
    test::TempDir sounds, work;
    for (const char* name : {"a.wav", "b.wav"}) test::WriteBytes(sounds.File(name), test::MakeWav(0.5));
    CallQueue queue;
    playback::BackendSettings bs;
    bs.fast = true;
    playback::LinuxBackends backends(queue, bs);

    std::unique_ptr<playback::PlayController> controller;
    playback::MediaDeviceConfig config;
    config.work_folder = work.path();
    playback::MediaDeviceHooks hooks;
    hooks.notice = [&](media::MediaKind k, int code) { controller->OnDeviceNotice(k, code); };
    playback::MediaDevice device(backends, config, hooks);

    media::FileAreaModel model;
    media::FileAreaSettings s;
    s.kind = media::Code(media::MediaKind::Sound);
    s.type_flags = 0x001F;
    s.source = sounds.path();
    ASSERT_EQ(model.Load(s, {}), 2);
    std::sort(model.list().items.begin(), model.list().items.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    playback::FilePlayList list(model, device);
    list.Reloaded(1);

    Host host;
    SteadyClock clock;
    test::ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    controller = std::make_unique<playback::PlayController>(device, host, queue, clock);
    controller->SetOptions({});
    controller->SetList(&list);
    controller->SetMode(media::MediaKind::Sound, {1, false, false});  // sequential: a, b, then stop
    controller->StartClock();
    auto run_until = [&](const std::function<bool()>& done,
                         std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        return test::PollUntil(
            [&] {
                queue.RunPending();
                controller->Tick();
                return done();
            },
            limit, std::chrono::milliseconds(5));
    };

    // Play returns before libmpv has loaded anything (its end needs the
    // queue); Stop then drops the load, and nothing starts after.
    controller->RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(controller->opening());
    EXPECT_EQ(controller->state(), PlayState::Playing);
    EXPECT_FALSE(controller->item_active());
    controller->RunCommand(PlayCommand::Stop, true);
    EXPECT_FALSE(controller->opening());
    EXPECT_FALSE(device.IsOpening(media::MediaKind::Sound));
    run_until([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(controller->state(), PlayState::Stopped);
    EXPECT_FALSE(device.IsOpen());

    // Left alone, each item starts once loaded and the next follows.
    controller->RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(controller->opening());
    ASSERT_TRUE(run_until([&] { return host.started.size() == 2 && controller->state() == PlayState::Stopped; }))
        << host.started.size() << " started, prompts " << prompt.asked().size();
    EXPECT_EQ(host.started[0], sounds.File("a.wav"));
    EXPECT_EQ(host.started[1], sounds.File("b.wav"));
    EXPECT_TRUE(prompt.asked().empty());
}
