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
