// The main frame offscreen, over a real MediaDevice with recording back ends.
#include "app/main_frame.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/button_panel_widget.h"
#include "app/command_ids.h"
#include "fake_backend.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "app/session_control.h"
#include "test_support.h"
#include "panels/time_panel_widget.h"

using namespace nuko;
using app::CMainFrame;
namespace cmd = app::cmd;
using playback::PlayState;

namespace {

struct FakeSession final : app::SessionControl {
    std::vector<int> ended;
    bool End(int mode) override {
        ended.push_back(mode);
        return true;
    }
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::QtApp();
        for (const char* n : {"a.mid", "b.mid", "c.mid"}) test::WriteBytes(midi.File(n), "x");
        for (const char* n : {"x.wav", "y.wav"}) test::WriteBytes(sound.File(n), "x");
        s.main.poff_chk = 0;
        s.kinds[0].path = midi.path();
        s.kinds[0].sub_code = 0x0001;
        s.kinds[3].path = sound.path();
        s.kinds[3].sub_code = 0x0001;
        s.kinds[3].mode = 1;
        store = std::make_unique<settings::SettingsStore>(cfg.File("NU-KO Player32.ini"));
        app::FrameContext ctx;
        ctx.settings = &s;
        ctx.store = store.get();
        ctx.work_folder = work.path();
        ctx.session = &session;
        ctx.time_of_day = [this] { return now; };
        ctx.backends = &backends;
        frame = std::make_unique<CMainFrame>(ctx);
    }
    void Events() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            QTest::qWait(0);
            frame->controller().Tick();
        }
    }

    test::TempDir midi, sound, work, cfg;
    settings::Settings s;
    std::unique_ptr<settings::SettingsStore> store;
    test::FakeBackends backends;
    FakeSession session;
    int now = 0;
    test::ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace

TEST_F(FrameTest, MenusSpeakJapaneseAndLaterEntriesAreGreyed) {
    EXPECT_EQ(frame->objectName(), "NU-KOP32!MainWindow");
    EXPECT_EQ(frame->action(cmd::kPlay)->text(), "演奏開始(&P)\tEnter");
    EXPECT_EQ(frame->action(cmd::kSleepOn)->text(), "ｽﾘｰﾌﾟ ON [60分](&N)");
    EXPECT_EQ(frame->action(cmd::kOnTimer1)->text(), "ﾀｲﾏｰ1 ON  [ 0時00分](&A)");
    EXPECT_FALSE(frame->action(cmd::kCatalogMidi)->isEnabled());
    EXPECT_FALSE(frame->action(cmd::kHotkeys)->isEnabled());
    EXPECT_TRUE(frame->action(cmd::kPlay)->isEnabled());
    EXPECT_TRUE(frame->action(cmd::kModeLoop)->isChecked());
}

TEST_F(FrameTest, CommandRoutingAndGuards) {
    EXPECT_EQ(frame->file_area()->RowCount(), 3);
    frame->RunCommand(cmd::kStop);  // nothing plays: no effect
    EXPECT_EQ(frame->controller().state(), PlayState::Stopped);
    frame->RunCommand(cmd::kPlay);  // posted
    Events();
    EXPECT_EQ(frame->controller().state(), PlayState::Playing);
    frame->RunCommand(cmd::kKindMidi + 3);  // the kind does not change while playing
    EXPECT_EQ(frame->kind(), 0);
    frame->RunCommand(cmd::kNext);
    EXPECT_EQ(frame->controller().current_item(), 2);
    frame->button_panel()->button(cmd::kPause)->click();
    EXPECT_EQ(frame->controller().state(), PlayState::Paused);
    frame->RunCommand(cmd::kStop);
    EXPECT_EQ(frame->controller().state(), PlayState::Stopped);
    frame->RunCommand(cmd::kModeRepeat);
    EXPECT_TRUE(frame->action(cmd::kModeRepeat)->isChecked());
    EXPECT_EQ(frame->controller().Mode(media::MediaKind::Midi).mode, 3);
}

TEST_F(FrameTest, KindSwitchingRestoresEachKindsModePathAndItem) {
    frame->file_area()->SelectRow(3);
    frame->RunCommand(cmd::kModeSequential);
    frame->RunCommand(cmd::kKindMidi + 3);
    EXPECT_EQ(frame->kind(), 3);
    EXPECT_EQ(frame->file_area()->RowCount(), 2);
    EXPECT_EQ(frame->controller().Mode(media::MediaKind::Sound).mode, 1);
    frame->file_area()->SelectRow(2);
    frame->RunCommand(cmd::kRandom);
    frame->RunCommand(cmd::kKindMidi);
    EXPECT_EQ(frame->kind(), 0);
    EXPECT_EQ(frame->controller().Mode(media::MediaKind::Midi).mode, 1);
    EXPECT_FALSE(frame->controller().Mode(media::MediaKind::Midi).random);
    EXPECT_EQ(frame->file_area()->SelectedRow(), 3);
    frame->RunCommand(cmd::kKindMidi + 3);
    EXPECT_TRUE(frame->controller().Mode(media::MediaKind::Sound).random);
    EXPECT_EQ(frame->file_area()->SelectedRow(), 2);
}

TEST_F(FrameTest, SleepTimerAt2350ForThirtyMinutesFiresAt0020) {
    now = 23 * 3600 + 50 * 60;
    frame->RunCommand(cmd::kSleep90 + 3);  // "30分(&4)"
    EXPECT_TRUE(frame->sleep_timer().on());
    EXPECT_EQ(frame->sleep_timer().end(), 20 * 60);
    EXPECT_TRUE(frame->time_panel()->sleep_shown());
    frame->RunCommand(cmd::kPlay);
    Events();
    now = 15 * 60;
    frame->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(frame->controller().state(), PlayState::Playing);
    now = 20 * 60;
    frame->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(frame->controller().state(), PlayState::Stopped);
    EXPECT_FALSE(frame->sleep_timer().on());
    EXPECT_TRUE(session.ended.empty());  // SleepOff -1: only stop
}

TEST_F(FrameTest, SleepTimerEndsTheSessionWhenAsked) {
    s.timer.sleep_off = 1;
    now = 1000;
    frame->RunCommand(cmd::kSleep10);
    now = 1000 + 600;
    frame->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(session.ended, std::vector<int>{1});
    EXPECT_TRUE(frame->shutdown_requested());
    EXPECT_NE(test::ReadBytes(cfg.File("NU-KO Player32.ini")).find("[Main]"), std::string::npos);
}

TEST_F(FrameTest, OnTimerFiresOnceInItsMinute) {
    frame->RunCommand(cmd::kOnTimer1);  // on, at its stored 0:00
    EXPECT_TRUE(frame->action(cmd::kOnTimer1)->isChecked());
    int plays = 0;
    for (now = 0; now < 130; now += 2) {
        frame->OnClockDuties(playback::kEvery2000);
        Events();
        if (frame->controller().state() == PlayState::Playing) {
            ++plays;
            frame->RunCommand(cmd::kStop);
        }
    }
    EXPECT_EQ(plays, 1);
}

TEST_F(FrameTest, DroppingThreeFilesOpensTheFirst) {
    frame->OpenDropped({QUrl::fromLocalFile(QString::fromStdString(sound.File("y.wav"))),
                        QUrl::fromLocalFile(QString::fromStdString(midi.File("a.mid"))),
                        QUrl::fromLocalFile(QString::fromStdString(midi.File("b.mid")))});
    Events();
    EXPECT_EQ(frame->kind(), 3);
    EXPECT_EQ(frame->controller().state(), PlayState::Playing);
    EXPECT_EQ(frame->device().IsOpen(), true);
    EXPECT_EQ(frame->file_area()->model().RowPath(frame->controller().current_item() - 1), sound.File("y.wav"));
}

TEST_F(FrameTest, OpeningPaths) {
    test::WriteBytes(midi.File("list.mit"), "Ver 1.00\r\nMy list\r\n\r\nb.mid\tB\r\nc.mid\tC\r\n\x1a");
    test::WriteBytes(midi.File("notes.txt"), "x");
    EXPECT_EQ(frame->OpenPath(midi.File("list.mit"), false), 1);
    EXPECT_TRUE(frame->file_area()->model().catalog_mode());
    EXPECT_EQ(frame->file_area()->RowCount(), 2);
    EXPECT_EQ(frame->OpenPath(midi.path(), false), 1);  // a folder: the current kind
    EXPECT_EQ(frame->kind(), 0);
    EXPECT_FALSE(frame->file_area()->model().catalog_mode());
    EXPECT_EQ(frame->OpenPath(sound.path(), false), -1);  // no MIDI files there
    EXPECT_EQ(frame->OpenPath(midi.File("notes.txt"), false), -1);
    s.main.drop_media_check = 0;
    EXPECT_EQ(frame->OpenPath(sound.File("x.wav"), false), -1);
    EXPECT_EQ(frame->kind(), 0);
    s.main.drop_media_check = 1;
    EXPECT_EQ(frame->OpenPath(sound.File("x.wav"), false), 1);
    EXPECT_EQ(frame->kind(), 3);
    EXPECT_EQ(frame->OpenPath(std::string(100 * 1024, 'z'), false), -1);
}

TEST_F(FrameTest, WriteSettingsKeepsTheWindowAndTheKindsPath) {
    frame->setGeometry(40, 50, 500, 600);
    frame->RunCommand(cmd::kKindMidi + 3);
    ASSERT_FALSE(frame->WriteSettings());
    settings::Settings back = store->ReadAll();
    EXPECT_EQ(back.main.media, 3);
    EXPECT_TRUE(back.main.position.set);
    EXPECT_EQ(back.main.position.left, 40);
    EXPECT_EQ(back.kinds[3].path, sound.path());
    EXPECT_EQ(back.kinds[0].path, midi.path());
}

TEST_F(FrameTest, TheListPopUpMenu) {
    QMenu* m = frame->ListMenu();
    ASSERT_FALSE(m->actions().isEmpty());
    EXPECT_EQ(m->actions().front()->text(), "元の位置へ(&O)\tCtrl+Home");
    EXPECT_TRUE(m->actions().contains(frame->action(cmd::kSort)));
}
