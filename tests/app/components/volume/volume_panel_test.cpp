// The volume panel in the player over the real ALSA mixers of a PulseAudio
// server of the test's own: the `default` device's Master is the server's
// null sink.
#include "app/components/volume/volume_panel_component.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "fake_backend.h"
#include "media_fixtures.h"
#include "nuko/qt_dispatch.h"
#include "panels/volume_options_dialog.h"
#include "panels/volume_panel_widget.h"
#include "playback/playback_clock.h"
#include "pulse_server.h"
#include "qt_app.h"
#include "nuko/string_ids.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;

namespace {

class VolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::QtApp();
        std::string why;
        NUKO_REQUIRE_TOOL(server.Start(&why), why);
        pactl = test::FindProgram("pactl");
        NUKO_REQUIRE_TOOL(!pactl.empty(), "no pactl");
        s.kinds[0].volume = {"default | Master", 16, 16};
        s.main.vol_finely = 31;
        app::CoreContext ctx;
        ctx.settings = &s;
        ctx.work_folder = work.path();
        ctx.dispatcher = &dispatcher;
        ctx.clock = &clock;
        ctx.backends = &backends;
        core = std::make_unique<app::PlayerCore>(ctx);
    }
    std::string Pactl(std::vector<std::string> args) {
        args.insert(args.begin(), pactl);
        std::string out;
        test::RunProgram(args, &out);
        return out;
    }
    std::unique_ptr<app::VolumePanelComponent> Panel() {
        if (!parent) parent = std::make_unique<QWidget>();
        auto p = std::make_unique<app::VolumePanelComponent>(parent.get());
        p->Attach(*core, router);
        p->ApplySettings(s);
        return p;
    }
    // The panel's 500 ms duty, run until `done` holds; the sound server
    // tells the ALSA plug-in of a change in its own time (slow under the
    // sanitizers), so the bound is generous.
    bool Ticks(app::VolumePanelComponent& p, const std::function<bool()>& done) {
        return test::PollUntil(
            [&] {
                QTest::qWait(25);
                p.OnClockDuties(playback::kEvery500, 0);
                return done();
            },
            std::chrono::seconds(20), std::chrono::milliseconds(0));
    }

    test::PulseServer server;
    std::string pactl;
    test::TempDir work;
    settings::Settings s;
    test::FakeBackends backends;
    QObject context;
    QtDispatcher dispatcher{&context};
    SteadyClock clock;
    std::unique_ptr<app::PlayerCore> core;
    app::CommandRouter router;
    std::unique_ptr<QWidget> parent;
};

}  // namespace

TEST_F(VolumeTest, ThePanelDrivesTheServersVolumeAndFollowsIt) {
    Pactl({"set-sink-volume", "nullsink", "100%"});
    s.main.vol_set_start = 1;  // the stored level 16 goes to the mixer at start
    s.main.vol_restore = 1;
    auto panel = Panel();
    ASSERT_TRUE(panel->model().available());
    EXPECT_NE(Pactl({"get-sink-volume", "nullsink"}).find("/  50% /"), std::string::npos);
    EXPECT_EQ(panel->widget()->read_out()->text(), "16");
    // The spins and the commands move it.
    panel->widget()->spin(mixer::Spin::Both)->findChild<QToolButton*>("up")->click();
    EXPECT_EQ(panel->model().left(), 17);
    router.Run(app::cmd::kPanelVolumeDown);
    router.Run(app::cmd::kPanelVolumeDown);
    EXPECT_EQ(panel->model().left(), 15);
    // Another program's change reaches the spins.
    Pactl({"set-sink-volume", "nullsink", "25%"});
    EXPECT_TRUE(Ticks(*panel, [&] { return panel->model().left() == 8; })) << panel->model().left();
    // Mute halves it, and the stored level is the one before.
    router.Run(app::cmd::kPanelMute);
    EXPECT_TRUE(router.IsChecked(app::cmd::kPanelMute));
    EXPECT_EQ(panel->model().left(), 4);
    settings::Settings out = s;
    panel->StoreSettings(out);
    EXPECT_EQ(out.kinds[0].volume.left, 8);
    // Exit: the mute ends and the start level (100 %) comes back.
    panel->Shutdown();
    EXPECT_NE(Pactl({"get-sink-volume", "nullsink"}).find("/ 100% /"), std::string::npos)
        << Pactl({"get-sink-volume", "nullsink"});
}

TEST_F(VolumeTest, WithoutChasingTheSpinsStay) {
    s.main.vol_chase = 0;
    auto panel = Panel();
    ASSERT_TRUE(panel->model().available());
    const int before = panel->model().left();
    Pactl({"set-sink-volume", "nullsink", "10%"});
    EXPECT_FALSE(Ticks(*panel, [&] { return panel->model().left() != before; }));
    // A line that is gone: no control, "･･", and the user hears that the
    // sound cards changed.
    s.kinds[0].volume.line = "gone | PCM";
    test::ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    auto other = Panel();
    EXPECT_FALSE(other->model().available());
    EXPECT_EQ(other->widget()->read_out()->text(), "･･");
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kSoundCardsChanged});
}

TEST(VolumeOptions, TheDialogShowsTheChoicesAndKeepsALineThatIsGone) {
    test::QtApp();
    panels::VolumeOptions o;
    o.lines = {"default | Master", "gone | CD", "", "default | Master"};
    o.steps = 63;
    o.mute_line = "default | Master";
    o.mute_rate = 70;
    o.restore_at_exit = true;
    panels::VolumeOptionsDialog dialog({"default | Master", "Card | PCM"}, o, nullptr);
    panels::VolumeOptions back = dialog.options();
    EXPECT_EQ(back.lines, o.lines);
    EXPECT_EQ(back.steps, 63);
    EXPECT_EQ(back.mute_line, "default | Master");
    EXPECT_EQ(back.mute_rate, 70);
    EXPECT_TRUE(back.restore_at_exit);
    EXPECT_FALSE(back.set_at_start);
    EXPECT_TRUE(back.chase);
    auto* midi = dialog.findChildren<QComboBox*>().front();
    midi->setCurrentIndex(midi->findData(QStringLiteral("Card | PCM")));
    EXPECT_EQ(dialog.options().lines[0], "Card | PCM");
}

TEST_F(VolumeTest, OptionsChangeTheLineOfAKindAndAreStored) {
    auto panel = Panel();
    ASSERT_TRUE(panel->model().available());
    panels::VolumeOptions o;  // MIDI without a line, 15 steps
    o.steps = 15;
    o.chase = false;
    panel->TakeOptions(o);
    EXPECT_FALSE(panel->model().available());
    settings::Settings out;
    panel->StoreSettings(out);
    EXPECT_EQ(out.kinds[0].volume.line, "");
    EXPECT_EQ(out.main.vol_finely, 15);
    EXPECT_EQ(out.main.vol_chase, 0);
    o.lines[0] = "default | Master";
    panel->TakeOptions(o);
    EXPECT_TRUE(panel->model().available());
    EXPECT_EQ(panel->model().max_level(), 15);
}
