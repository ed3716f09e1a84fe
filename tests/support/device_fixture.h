// A MediaDevice on the real back ends for the playback tests. Calls the
// back ends post run only when the test runs the queue, so a test decides
// what happens between a play and its completion notice.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "playback/backend_factory.h"
#include "playback/media_device.h"
#include "playback/media_errors.h"
#include "nuko/dispatch.h"
#include "scripted_prompt.h"
#include "test_support.h"

namespace nuko::test {

class RealDeviceTest : public ::testing::Test {
protected:
    RealDeviceTest() : scoped_prompt_(&prompt_) {}

    // `fast`: the silent output as fast as it renders; otherwise real time.
    playback::MediaDevice& Device(bool fast = true) {
        if (!device_) {
            playback::BackendSettings s;
            s.fast = fast;
            backends_ = std::make_unique<playback::LinuxBackends>(queue_, s);
            config_.work_folder = work_.path();
            hooks_.notice = [this](media::MediaKind, int code) {
                if (code == playback::kNotifyOpened) ++opened_;
                else notices_.push_back(code);
            };
            device_ = std::make_unique<playback::MediaDevice>(*backends_, config_, hooks_);
        }
        return *device_;
    }

    // Runs the queue until `done` holds or `limit` has passed.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        auto until = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < until) queue_.WaitAndRun(std::chrono::milliseconds(10));
        return done();
    }

    // Opens `path` and, when it loads in the background, runs the queue
    // until the load has ended; the open's result.
    int OpenNow(media::MediaKind kind, const std::string& path) {
        int r = Device().Open(kind, path);
        if (r != playback::mci::kPending) return r;
        RunUntil([&] { return !device_->IsOpening(kind); });
        return device_->OpenResult(kind);
    }

    // Runs the queue until a seek under way has arrived.
    bool WaitForSeek(media::MediaKind kind) {
        return RunUntil([&] { return !Device().IsSeeking(kind); });
    }

    // Runs the queue until one more notice has come.
    bool WaitForNotice(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        std::size_t before = notices_.size();
        return RunUntil([&] { return notices_.size() > before; }, limit);
    }

    ScriptedPrompt prompt_;
    ScopedPrompt scoped_prompt_;
    CallQueue queue_;
    TempDir work_;
    std::unique_ptr<playback::LinuxBackends> backends_;
    playback::MediaDeviceConfig config_;
    playback::MediaDeviceHooks hooks_;
    std::unique_ptr<playback::MediaDevice> device_;
    std::vector<int> notices_;  // ends of plays
    int opened_ = 0;            // ends of opens in the background
};

}  // namespace nuko::test
