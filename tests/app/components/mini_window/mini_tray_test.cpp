// The mini window, the timer set switches, the MINI options and the tray
// icon inside the main frame, offscreen, over recording back ends.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "app/frame/main_frame.h"
#include "app/components/mini_window/mini_options_page.h"
#include "app/components/mini_window/mini_window_component.h"
#include "settings/settings_store.h"
#include "app/components/tray/tray_component.h"
#include "fake_backend.h"
#include "frame_fixture.h"
#include "manual_clock.h"
#include "nuko/qt_dispatch.h"
#include "panels/mini_window.h"
#include "panels/scroll_title_widget.h"
#include "panels/timer_set_dialog.h"
#include "panels/tray_icons.h"
#include "core/timers.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using app::CMainFrame;
namespace cmd = app::cmd;
using playback::PlayState;

namespace {

class MiniTest : public test::FrameFixture<test::ManualClock> {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        backends.setup[media::MediaKind::Midi] = [](test::FakeBackend& b) {
            b.length_ms = 150000;
            b.position_ms = 5000;
        };
    }
    void Make() {
        FrameFixture::Make();
        Events();  // the mini window comes up once the event loop runs
    }
    // n timer ticks of 40 ms.
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            QTest::qWait(0);
            clock.Advance(40);
            core->Tick();
        }
    }
    QPushButton* Button(const char* id) {
        auto* b = frame->component<app::MiniWindowComponent>().window()->findChild<QPushButton*>(QString::fromLatin1(id));
        EXPECT_NE(b, nullptr) << id;
        return b;
    }
    void Click(const char* id) {
        if (QPushButton* b = Button(id)) b->click();
        Events();
    }
};

}  // namespace

TEST_F(MiniTest, TheMenuEntryAndMiniStartShowIt) {
    s.main.mini = 1;
    s.main.mini_start = 2;  // overrides Mini
    s.mini.position = settings::IntFields<2>{{99999, -500}};  // off the desktop
    Make();
    panels::MiniWindow* w = frame->component<app::MiniWindowComponent>().window();
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(desktop.contains(w->geometry().topLeft())) << w->geometry().x() << "," << w->geometry().y();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(frame->action(cmd::kMiniWindow)->isEnabled());
    EXPECT_EQ(frame->action(cmd::kMiniWindow)->text(), "MINI画面表示(&P)...");
    frame->RunCommand(cmd::kMiniWindow);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(frame->action(cmd::kMiniWindow)->isChecked());
    EXPECT_EQ(w->windowTitle(), "--  mini (ﾘﾓｺﾝ)  --");
    Click("2145");  // "E": hidden through the main window
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(frame->action(cmd::kMiniWindow)->isChecked());
    ASSERT_FALSE(frame->WriteSettings());
    EXPECT_EQ(store->ReadAll().main.mini, 0);
}

TEST_F(MiniTest, ItMirrorsThePlayAndSendsItsButtons) {
    s.main.mini_start = 1;
    s.mini.scroll[4] = 1;  // the play time beside the title
    Make();
    const app::MiniWindowComponent& mini = frame->component<app::MiniWindowComponent>();
    panels::MiniWindow* w = mini.window();
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(mini.model().count(), 3);
    EXPECT_EQ(mini.model().NumberText(), "001");
    EXPECT_FALSE(Button("2134")->isEnabled());  // no pause while stopped

    Click("2131");  // PLAY
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    Tick(4);
    EXPECT_EQ(w->windowTitle(), "mini < 00:05/02:30 >");
    const int sets = w->caption_sets();
    Tick(4);
    EXPECT_EQ(w->caption_sets(), sets);  // the same caption is not set again
    EXPECT_TRUE(Button("2134")->isEnabled());
    EXPECT_EQ(Button("2131")->text(), "00:05");  // the play time on PLAY
    auto* title = w->findChild<panels::ScrollTitleWidget*>(QStringLiteral("2125"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "a");
    EXPECT_EQ(title->time(), "00:05");

    // Typing "3" then "C" shows the third item; PLAY plays it.
    Click("2103");
    EXPECT_EQ(mini.model().NumberText(), "003");
    Click("2131");
    EXPECT_EQ(core->controller().current_item(), 3);
    EXPECT_EQ(core->controller().state(), PlayState::Playing);

    Click("2134");  // pause, then PLAY resumes
    EXPECT_EQ(core->controller().state(), PlayState::Paused);
    Click("2131");
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    Click("2143");  // no kind change while an item plays
    EXPECT_EQ(core->kind(), media::MediaKind::Midi);
    Click("2133");  // "ﾛ"
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    EXPECT_EQ(w->windowTitle(), "--  mini (ﾘﾓｺﾝ)  --");
    EXPECT_EQ(Button("2131")->text(), "PLAY");

    Click("2102");
    Click("2110");  // "C" while stopped: the second item becomes current
    EXPECT_EQ(core->controller().current_item(), 2);
    EXPECT_TRUE(w->RunKey(Qt::Key_W, Qt::NoModifier));  // "wa"
    Events();
    EXPECT_EQ(core->kind(), media::MediaKind::Sound);
    EXPECT_TRUE(Button("2143")->isChecked());
    EXPECT_EQ(mini.model().count(), 2);
    EXPECT_FALSE(Button("1240")->isEnabled());  // EJECT is for CDs
    EXPECT_FALSE(w->RunKey(Qt::Key_F1, Qt::NoModifier));
}

TEST_F(MiniTest, TheCompactLayoutKeepsThePlayButtons) {
    s.main.mini_start = 1;
    Make();
    panels::MiniWindow* w = frame->component<app::MiniWindowComponent>().window();
    Click("1241");
    EXPECT_TRUE(frame->component<app::MiniWindowComponent>().model().compact());
    EXPECT_TRUE(Button("2136")->isVisible());
    EXPECT_FALSE(Button("2131")->isVisible());
    Click("2136");
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    Click("2138");
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    w->findChild<QPushButton*>(QStringLiteral("1241c"))->click();
    EXPECT_FALSE(frame->component<app::MiniWindowComponent>().model().compact());
    EXPECT_TRUE(Button("2131")->isVisible());
}

TEST_F(MiniTest, TheCompactLayoutAndTheCaptionSwitchKeepKeysOfTheirOwn) {
    s.main.mini_start = 1;
    s.mini.compact = 1;
    s.mini.caption = 0;
    Make();
    auto& mini = frame->component<app::MiniWindowComponent>();
    panels::MiniWindow* w = mini.window();
    EXPECT_TRUE(mini.model().compact());
    EXPECT_TRUE(Button("2136")->isVisible());
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);

    app::MiniOptionsPage page(s);
    QCheckBox* caption = nullptr;
    for (QCheckBox* b : page.findChildren<QCheckBox*>())
        if (b->text() == QStringLiteral("ｷｬﾌﾟｼｮﾝを表示(&C)")) caption = b;
    ASSERT_NE(caption, nullptr);
    EXPECT_FALSE(caption->isChecked());
    caption->setChecked(true);
    mini.TakeOptions(page);
    EXPECT_FALSE(w->windowFlags() & Qt::FramelessWindowHint);

    w->findChild<QPushButton*>(QStringLiteral("1241c"))->click();  // back to the normal layout
    ASSERT_FALSE(frame->WriteSettings());
    const std::string ini = test::ReadBytes(store->path());
    const std::size_t section = ini.find("[Mini]");
    ASSERT_NE(section, std::string::npos);
    const std::string mini_keys = ini.substr(section, ini.find("\n[", section + 1) - section);
    EXPECT_NE(mini_keys.find("Caption=1"), std::string::npos) << mini_keys;
    EXPECT_NE(mini_keys.find("Compact=0"), std::string::npos) << mini_keys;
}

TEST_F(MiniTest, TimerSwitchesSendOnlyWhatChanged) {
    Make();
    app::MiniWindowComponent& mini = frame->component<app::MiniWindowComponent>();
    mini.ApplyTimerSwitches(true, {false, true, false, false});
    EXPECT_TRUE(core->sleep_timer().on());
    EXPECT_TRUE(frame->action(cmd::kOffTimer1)->isChecked());
    EXPECT_EQ(mini.model().Right().label, "SLP");
    EXPECT_EQ(mini.model().Right().text, "60");
    mini.ApplyTimerSwitches(true, {false, true, false, false});  // no change: no toggling back
    EXPECT_TRUE(core->sleep_timer().on());
    EXPECT_TRUE(frame->action(cmd::kOffTimer1)->isChecked());
    mini.ApplyTimerSwitches(false, {false, false, false, true});
    EXPECT_FALSE(core->sleep_timer().on());
    EXPECT_FALSE(frame->action(cmd::kOffTimer1)->isChecked());
    EXPECT_TRUE(frame->action(cmd::kOffTimer2)->isChecked());
    EXPECT_EQ(mini.model().Right().label, "Max");
}

TEST_F(MiniTest, BadLookSettingsLeaveAWorkingWindow) {
    test::WriteBytes(work.File("not-a-picture.png"), "this is text");
    s.mini_picture.type = settings::IntFields<3>{{1, 7, 0}};
    s.mini_picture.midi = work.File("not-a-picture.png");
    s.mini_picture.transparence = 5000;
    s.mini.scroll = settings::IntFields<5>{{1, 999999, -40, 1, 0}};
    s.mini.scrl_time = -5;
    s.mini.title = 17;
    s.mini.font.height = 100000;
    s.main.mini_start = 1;
    Make();
    s.main.mini = 1;  // shown, as the settings say from now on
    panels::MiniWindow* w = frame->component<app::MiniWindowComponent>().window();
    EXPECT_FALSE(w->picture_loaded());
    EXPECT_EQ(w->look().picture_mode, 2);
    EXPECT_NEAR(w->windowOpacity(), 0.1, 0.01);  // never invisible
    EXPECT_EQ(w->look().scroll.speed, 10);
    EXPECT_EQ(w->look().scroll.gap_percent, 0);
    EXPECT_EQ(w->look().scroll.delay_seconds, 0);
    EXPECT_EQ(w->look().display, 2);
    w->grab();  // draws
    Click("2131");
    EXPECT_EQ(core->controller().state(), PlayState::Playing);

    // A real picture is drawn behind the controls.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(work.File("p.png"))));
    s.mini_picture.midi = work.File("p.png");
    s.mini_picture.type = settings::IntFields<3>{{1, 1, 0}};
    frame->component<app::MiniWindowComponent>().ApplySettings(s);
    EXPECT_TRUE(w->picture_loaded());
    // With "the control panel when the mouse comes", only the picture shows
    // until the mouse is over the window; the window keeps its size.
    const QSize size = w->size();
    s.mini_picture.type[2] = 1;
    frame->component<app::MiniWindowComponent>().ApplySettings(s);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
    Events();
    EXPECT_TRUE(w->panel_hidden());
    EXPECT_FALSE(Button("2131")->isVisible());
    EXPECT_EQ(w->size(), size);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(15, 15));
    QApplication::sendEvent(w, &enter);
    EXPECT_TRUE(Button("2131")->isVisible());
    QApplication::sendEvent(w, &leave);
    EXPECT_FALSE(Button("2131")->isVisible());
    s.mini_picture.type[2] = 0;
    s.mini_picture.midi = work.File("gone.png");
    frame->component<app::MiniWindowComponent>().ApplySettings(s);
    EXPECT_FALSE(w->picture_loaded());
}

TEST_F(MiniTest, TheOptionsPageKeepsWhatItWasGiven) {
    s.mini.scroll = settings::IntFields<5>{{1, 4, 60, 0, 1}};
    s.mini.scrl_time = 3;
    s.mini.three_d_type = 2;
    s.mini.window_top = 1;
    s.mini.title = 2;
    s.mini.def_position = 1;
    s.mini.font.flag = 3;
    s.mini_picture.transparence = 30;
    s.mini_picture.midi = "/x/y.png";
    s.mini_picture.type = settings::IntFields<3>{{1, 2, 1}};
    Make();
    app::MiniOptionsPage page(s);
    settings::Settings back;
    page.Store(back);
    EXPECT_EQ(back.mini.scroll.v, s.mini.scroll.v);
    EXPECT_EQ(back.mini.scrl_time, 3);
    EXPECT_EQ(back.mini.three_d_type, 2);
    EXPECT_EQ(back.mini.window_top, 1);
    EXPECT_EQ(back.mini.title, 2);
    EXPECT_EQ(back.mini.def_position, 1);
    EXPECT_EQ(back.mini.font.flag, 3);
    EXPECT_EQ(back.mini_picture.transparence, 30);
    EXPECT_EQ(back.mini_picture.midi, "/x/y.png");
    EXPECT_EQ(back.mini_picture.type.v, s.mini_picture.type.v);

    // Taken back, the window follows.
    frame->component<app::MiniWindowComponent>().TakeOptions(page);
    EXPECT_TRUE(frame->component<app::MiniWindowComponent>().window()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_NEAR(frame->component<app::MiniWindowComponent>().window()->windowOpacity(), 0.7, 0.01);
}

TEST_F(MiniTest, TheTrayIconFollowsThePlayAndDances) {
    s.main.tray_icon = 1;
    Make();
    app::TrayComponent& tray = frame->component<app::TrayComponent>();
    ASSERT_TRUE(tray.on());
    ASSERT_NE(tray.icon(), nullptr);
    EXPECT_TRUE(tray.model().added());
    EXPECT_EQ(tray.model().icon(), 1);  // MIDI, stopped
    EXPECT_EQ(tray.icon()->toolTip(), "NU-KO Player for WIN32");
    frame->RunCommand(cmd::kPlay);
    Events();
    EXPECT_EQ(tray.icon()->toolTip(), "a");
    const int first = tray.model().icon();
    Tick(18);  // past a 700 ms duty
    EXPECT_NE(tray.model().icon(), first);
    EXPECT_GE(tray.model().icon(), 1);
    EXPECT_LE(tray.model().icon(), 3);
    // The context menu: the play menu, the mini window and the exit.
    tray.menu()->popup(QPoint());
    QStringList texts;
    for (QAction* a : tray.menu()->actions()) texts << a->text();
    EXPECT_EQ(texts.first(), "前曲(&R)\t↑(←)");
    EXPECT_EQ(texts.last(), "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)");
    tray.menu()->hide();
    // Offscreen there is no tray: closing ends the program as before.
    EXPECT_FALSE(tray.shown());
    frame->hide();
    tray.Activate();
    EXPECT_TRUE(frame->isVisible());
    frame->RunCommand(cmd::kStop);
    EXPECT_EQ(tray.model().icon(), 1);
}

TEST(TrayIcons, ThirteenDistinctIcons) {
    nuko::test::QtApp();
    std::vector<QImage> images;
    for (int i = 0; i < 13; ++i) images.push_back(panels::TrayIconImage(i).pixmap(16, 16).toImage());
    for (int i = 0; i < 13; ++i)
        for (int j = i + 1; j < 13; ++j) EXPECT_NE(images[i], images[j]) << i << " " << j;
    EXPECT_EQ(panels::TrayIconImage(99).pixmap(16, 16).toImage(), images[0]);
}

TEST_F(MiniTest, TheTimerSetDialogSendsWhatTheUserChanged) {
    Make();
    app::MiniWindowComponent& mini = frame->component<app::MiniWindowComponent>();
    // The dialog comes up modal: switch the sleep timer and timer 2's ON,
    // then OK.
    test::OnModal<panels::TimerSetDialog>([](panels::TimerSetDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "ﾀｲﾏｰｾｯﾄ");
        EXPECT_EQ(dialog->box(0)->text(), "ｽﾘｰﾌﾟ ON [60分](&N)");
        EXPECT_EQ(dialog->box(3)->text(), "ﾀｲﾏｰ2 ON  [ 0時00分](&C)");
        dialog->box(0)->setChecked(true);
        dialog->box(3)->setChecked(true);
        dialog->accept();
    });
    mini.OpenTimerSet();
    EXPECT_TRUE(core->sleep_timer().on());
    EXPECT_TRUE(frame->action(cmd::kOnTimer2)->isChecked());
    EXPECT_FALSE(frame->action(cmd::kOnTimer1)->isChecked());
    // Cancel changes nothing.
    test::OnModal<panels::TimerSetDialog>([](panels::TimerSetDialog* dialog) {
        EXPECT_TRUE(dialog->box(0)->isChecked());
        dialog->box(0)->setChecked(false);
        dialog->reject();
    });
    mini.OpenTimerSet();
    EXPECT_TRUE(core->sleep_timer().on());
}

TEST_F(MiniTest, ASettingsFileWithNonsenseStillGivesAWorkingWindow) {
    test::WriteBytes(cfg.File("NU-KO Player32.ini"),
                     "[Main]\nMiniStart=1\n[Mini]\nScroll=1,2\nScrlTime=99999999999\nPosition=x,y\nFont=,,\n"
                     "Color=zz\n3DType=-4\n[Mini\\Picture]\nMidi=/nowhere/at/all.png\nType=1\nTransparence=-7\n");
    s = store->ReadAll();
    s.kinds[0].path = midi.path();
    Make();
    panels::MiniWindow* w = frame->component<app::MiniWindowComponent>().window();
    ASSERT_TRUE(w->isVisible());
    EXPECT_EQ(w->look().scroll.speed, 2);  // too few numbers: the defaults
    EXPECT_EQ(w->look().scroll.gap_percent, 100);
    EXPECT_EQ(w->look().style, draw::Style::Flat);
    EXPECT_EQ(w->look().transparency, 0);
    EXPECT_FALSE(w->picture_loaded());
    EXPECT_EQ(w->geometry().topLeft(), QPoint(10, 10));
    w->grab();
    Click("2131");
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
}
