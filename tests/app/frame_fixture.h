// The main window on fake back ends, in folders of its own (three MIDI
// files, two sound files), for the tests of the frame and its components.
// `Make` builds the core and the frame on the settings as the test left
// them.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "core/commands/command_router.h"
#include "app/frame/main_frame.h"
#include "core/player_core.h"
#include "app/session_control.h"
#include "settings/settings_store.h"
#include "fake_backend.h"
#include "fake_core_context.h"
#include "nuko/prompt.h"
#include "nuko/qt_dispatch.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "test_support.h"

namespace nuko::test {

// A session end that is only recorded.
struct RecordingSession final : app::SessionControl {
    std::vector<int> ended;
    bool End(int mode) override {
        ended.push_back(mode);
        return true;
    }
};

template <typename ClockType>
class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        QtApp();
        for (const char* n : {"a.mid", "b.mid", "c.mid"}) WriteBytes(midi.File(n), "x");
        for (const char* n : {"x.wav", "y.wav"}) WriteBytes(sound.File(n), "x");
        s.main.poff_chk = 0;
        s.kinds[0].path = midi.path();
        s.kinds[0].sub_code = 0x0001;
        s.kinds[3].path = sound.path();
        s.kinds[3].sub_code = 0x0001;
        store = std::make_unique<settings::SettingsStore>(cfg.File("NU-KO Player32.ini"));
    }
    void Make() {
        app::CoreContext ctx = FakeCoreContext(s, work.path(), dispatcher, clock, backends);
        ctx.store = store.get();
        if (!program_folder.empty()) ctx.program_folder = program_folder;
        ctx.time_of_day = [this] { return now; };
        core = std::make_unique<app::PlayerCore>(ctx);
        frame = std::make_unique<app::CMainFrame>(*core, router, &session);
    }
    void Events() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }

    TempDir midi, sound, work, cfg;
    // Where the back-end modules are; empty: the test program's folder.
    std::string program_folder;
    settings::Settings s;
    std::unique_ptr<settings::SettingsStore> store;
    FakeBackends backends;
    RecordingSession session;
    int now = 0;
    ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
    QObject context;
    QtDispatcher dispatcher{&context};
    ClockType clock;
    std::unique_ptr<app::PlayerCore> core;
    app::CommandRouter router;
    std::unique_ptr<app::CMainFrame> frame;
};

}  // namespace nuko::test
