// A play controller over a real MediaDevice whose back ends only record,
// a file list of generated files, a manual clock and a recording host.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fake_backend.h"
#include "playback/file_play_list.h"
#include "manual_clock.h"
#include "playback/play_controller.h"
#include "scripted_prompt.h"
#include "test_support.h"

namespace nuko::test {

struct RecordingHost final : playback::ControllerHost {
    std::vector<playback::PlayState> states;
    std::vector<std::string> started;  // paths opened for play, in order
    std::vector<int> shown;
    int stopped = 0;
    int empty = 0;
    std::vector<std::pair<bool, int>> ab_waits;
    unsigned duty_flags = 0;
    std::vector<unsigned> duties;
    std::vector<std::uint32_t> wrd;
    bool wrd_open = false;
    int reloads = 0;

    void OnStateChanged(playback::PlayState s, media::MediaKind) override { states.push_back(s); }
    void OnListEmpty(media::MediaKind) override { ++empty; }
    void OnItemShown(int item) override { shown.push_back(item); }
    void OnItemStarted(const playback::ItemDisplay& d) override { started.push_back(d.path); }
    void OnItemStopped() override { ++stopped; }
    void OnAbWait(bool on, int left) override { ab_waits.emplace_back(on, left); }
    void OnClockDuties(unsigned flags) override {
        duty_flags |= flags;
        duties.push_back(flags);
    }
    void OnWrdTick(std::uint32_t p) override { wrd.push_back(p); }
    bool WrdScreenOpen() const override { return wrd_open; }
    void ReloadList() override { ++reloads; }
};

class ControllerFixture {
public:
    explicit ControllerFixture(int files, const std::string& ext = "mid", int kind = 0) {
        for (int i = 1; i <= files; ++i) {
            std::string name = std::to_string(i) + "." + ext;
            WriteBytes(dir.File(name), "x");
            names.push_back(dir.File(name));
        }
        playback::MediaDeviceConfig config;
        config.work_folder = work.path();
        playback::MediaDeviceHooks hooks;
        hooks.notice = [this](media::MediaKind k, int code) { controller->OnDeviceNotice(k, code); };
        device = std::make_unique<playback::MediaDevice>(backends, config, hooks);
        media::FileAreaSettings s;
        s.kind = kind;
        s.type_flags = 0x001F;
        s.source = dir.path();
        model.Load(s, {});
        // Rows in name order, so tests can speak of items 1, 2, 3.
        std::sort(model.list().items.begin(), model.list().items.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        list = std::make_unique<playback::FilePlayList>(model, *device);
        list->SetSeedSource([] { return 1234u; });
        list->Reloaded(1);
        controller = std::make_unique<playback::PlayController>(*device, host, queue, clock);
        playback::ControllerOptions o;
        o.work_folder = work.path();
        controller->SetOptions(o);
        controller->SetList(list.get());
        controller->StartClock();
    }

    FakeBackend* Backend() { return backends.made.empty() ? nullptr : backends.made.back(); }
    // The item number of the last path started.
    int LastStarted() const {
        if (host.started.empty()) return 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == host.started.back()) return static_cast<int>(i) + 1;
        return -1;
    }
    // Ends the playing item as the device would.
    void Finish() {
        Backend()->mode = playback::DeviceMode::Stopped;
        Backend()->Finish(playback::EndReason::Success);
        queue.RunPending();
    }
    // Advances the clock by `ms` in ticks of 40 ms. While `auto_playing`,
    // the device reports playing whenever an item plays.
    void Run(int ms) {
        for (int t = 0; t < ms; t += 40) {
            if (auto_playing && Backend() && controller->item_active() &&
                controller->state() == playback::PlayState::Playing && !controller->restart_pending())
                Backend()->mode = playback::DeviceMode::Playing;
            clock.Advance(40);
            controller->Tick();
            queue.RunPending();
        }
    }
    void SetPositionSeconds(double s) { Backend()->position_ms = static_cast<std::int64_t>(s * 1000); }
    void SetMode(int mode, bool random = false, bool intro = false) {
        controller->SetMode(media::MediaKind::Midi, {playback::PlayOrderFrom(mode), random, intro});
    }

    bool auto_playing = true;
    TempDir dir, work;
    std::vector<std::string> names;
    FakeBackends backends;
    std::unique_ptr<playback::MediaDevice> device;
    media::FileAreaModel model;
    std::unique_ptr<playback::FilePlayList> list;
    RecordingHost host;
    CallQueue queue;
    ManualClock clock;
    std::unique_ptr<playback::PlayController> controller;
    ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
};

}  // namespace nuko::test
