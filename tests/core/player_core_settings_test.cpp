// The core takes changed settings in one step and itself decides whether
// the list is read again.
#include "core/player_core.h"

#include <gtest/gtest.h>

#include "fake_backend.h"
#include "fake_core_context.h"
#include "library/file_area_model.h"
#include "manual_clock.h"
#include "settings/settings.h"
#include "test_support.h"

using namespace nuko;

namespace {

// Counts the lists that begin.
struct ListStarts : app::CoreListener {
    int started = 0;
    void OnListStarted() override { ++started; }
};

class CoreSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"b.mid", "a.mid", ".hidden.mid"}) test::WriteBytes(midi.File(n), "x");
        s.kinds[0].path = midi.path();
        s.kinds[0].sub_code = 0x0001;
        s.main.sort = 0;
        core = std::make_unique<app::PlayerCore>(test::FakeCoreContext(s, work.path(), queue, clock, backends));
        core->Start();
        core->Subscribe(lists);
    }

    test::TempDir midi, work;
    settings::Settings s;
    test::FakeBackends backends;
    CallQueue queue;
    test::ManualClock clock;
    std::unique_ptr<app::PlayerCore> core;
    ListStarts lists;
};

}  // namespace

TEST_F(CoreSettingsTest, TheListIsReadAgainOnlyWhenWhatItShowsChanged) {
    ASSERT_EQ(core->files().rows(), 2);  // the hidden file is left out

    // The clock and the title line's height change nothing of the list.
    settings::Settings next = s;
    next.main.interval = 25;
    next.main.title_bottom = 60;
    core->ApplySettings(s, next);
    EXPECT_EQ(lists.started, 0);
    EXPECT_EQ(core->settings().main.interval, 25);

    // Hidden files shown: read again, with the third file.
    next = s;
    next.main.hidden_file = 1;
    core->ApplySettings(s, next);
    EXPECT_EQ(lists.started, 1);
    EXPECT_EQ(core->files().rows(), 3);

    // The old settings may be the core's own: a sub-folder switch of a kind.
    next = core->settings();
    next.kinds[0].sub_folder = 1;
    core->ApplySettings(core->settings(), next);
    EXPECT_EQ(lists.started, 2);
    EXPECT_EQ(core->settings().kinds[0].sub_folder, 1);
}

TEST_F(CoreSettingsTest, ANewLoopSettingGoesToTheNextSongsSynthesizerAndNotToThePlayingOne) {
    core->controller().RunCommand(playback::PlayCommand::Play, false);
    queue.RunPending();
    ASSERT_EQ(core->controller().state(), playback::PlayState::Playing);
    const std::size_t made = backends.made.size();
    ASSERT_GT(made, 0u);
    backends.synth_options.clear();

    // Nothing of the synthesizer changed: nothing is handed on.
    settings::Settings next = core->settings();
    next.main.interval = 30;
    core->ApplySettings(core->settings(), next);
    EXPECT_TRUE(backends.synth_options.empty());

    next = core->settings();
    next.midi.loop_mode = 0;
    next.midi.loop_count = 5;
    next.midi.mt32_port = "MT:0";
    core->ApplySettings(core->settings(), next);
    ASSERT_EQ(backends.synth_options.size(), 1u);
    EXPECT_EQ(backends.synth_options[0].loops.mode, midi::LoopOptions::Mode::PlayThrough);
    EXPECT_EQ(backends.synth_options[0].loops.count, 5);
    EXPECT_EQ(backends.synth_options[0].mt32_port, "MT:0");
    EXPECT_EQ(backends.made.size(), made);  // the song plays on with its back end
    core->controller().RunCommand(playback::PlayCommand::Next, false);
    queue.RunPending();
    EXPECT_EQ(core->controller().current_item(), 2);
    EXPECT_GT(backends.made.size(), made);
}
