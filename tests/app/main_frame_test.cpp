// The main frame offscreen, over a real MediaDevice with recording back ends.
#include "app/main_frame.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/button_panel_component.h"
#include "app/cd_panel_component.h"
#include "cd/cd_panel_widget.h"
#include "library/file_area_widget.h"
#include "media_fixtures.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include "app/cd_options_dialog.h"
#include <QListWidget>
#include "app/command_ids.h"
#include "app/command_router.h"
#include "app/file_area_component.h"
#include "app/hotkeys_component.h"
#include "app/midi_word_component.h"
#include "app/midi_word_window.h"
#include "app/time_display_component.h"
#include "fake_backend.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "app/session_control.h"
#include "app/settings_store.h"
#include "test_support.h"
#include "nuko/clock.h"
#include "nuko/qt_dispatch.h"

using namespace nuko;
using app::CMainFrame;
namespace cmd = app::cmd;
using playback::PlayOrder;
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
        app::CoreContext ctx;
        ctx.settings = &s;
        ctx.store = store.get();
        ctx.work_folder = work.path();
        ctx.dispatcher = &dispatcher;
        ctx.clock = &clock;
        ctx.time_of_day = [this] { return now; };
        ctx.backends = &backends;
        core = std::make_unique<app::PlayerCore>(ctx);
        frame = std::make_unique<CMainFrame>(*core, router, &session);
    }
    void Events() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            QTest::qWait(0);
            core->Tick();
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
    QObject context;
    QtDispatcher dispatcher{&context};
    SteadyClock clock;
    std::unique_ptr<app::PlayerCore> core;
    app::CommandRouter router;
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
    EXPECT_EQ(core->files().rows(), 3);
    frame->RunCommand(cmd::kStop);  // nothing plays: no effect
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    frame->RunCommand(cmd::kPlay);  // posted
    Events();
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    frame->RunCommand(cmd::kKindMidi + 3);  // the kind does not change while playing
    EXPECT_EQ(core->kind(), media::MediaKind::Midi);
    frame->RunCommand(cmd::kNext);
    EXPECT_EQ(core->controller().current_item(), 2);
    EXPECT_TRUE(frame->buttons().model().Press(cmd::kPause));
    EXPECT_EQ(core->controller().state(), PlayState::Paused);
    frame->RunCommand(cmd::kStop);
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    frame->RunCommand(cmd::kModeRepeat);
    EXPECT_TRUE(frame->action(cmd::kModeRepeat)->isChecked());
    EXPECT_EQ(core->controller().Mode(media::MediaKind::Midi).mode, PlayOrder::Repeat);
}

TEST_F(FrameTest, KindSwitchingRestoresEachKindsModePathAndItem) {
    core->SelectRow(3);
    frame->RunCommand(cmd::kModeSequential);
    frame->RunCommand(cmd::kKindMidi + 3);
    EXPECT_EQ(core->kind(), media::MediaKind::Sound);
    EXPECT_EQ(core->files().rows(), 2);
    EXPECT_EQ(core->controller().Mode(media::MediaKind::Sound).mode, PlayOrder::Sequential);
    core->SelectRow(2);
    frame->RunCommand(cmd::kRandom);
    frame->RunCommand(cmd::kKindMidi);
    EXPECT_EQ(core->kind(), media::MediaKind::Midi);
    EXPECT_EQ(core->controller().Mode(media::MediaKind::Midi).mode, PlayOrder::Sequential);
    EXPECT_FALSE(core->controller().Mode(media::MediaKind::Midi).random);
    EXPECT_EQ(frame->file_area().selected_row(), 3);
    frame->RunCommand(cmd::kKindMidi + 3);
    EXPECT_TRUE(core->controller().Mode(media::MediaKind::Sound).random);
    EXPECT_EQ(frame->file_area().selected_row(), 2);
}

TEST_F(FrameTest, SleepTimerAt2350ForThirtyMinutesFiresAt0020) {
    now = 23 * 3600 + 50 * 60;
    frame->RunCommand(cmd::kSleep90 + 3);  // "30分(&4)"
    EXPECT_TRUE(core->sleep_timer().on());
    EXPECT_EQ(core->sleep_timer().end(), 20 * 60);
    EXPECT_TRUE(frame->time_display().model().sleep_shown());
    frame->RunCommand(cmd::kPlay);
    Events();
    now = 15 * 60;
    core->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    now = 20 * 60;
    core->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(core->controller().state(), PlayState::Stopped);
    EXPECT_FALSE(core->sleep_timer().on());
    EXPECT_TRUE(session.ended.empty());  // SleepOff -1: only stop
}

TEST_F(FrameTest, SleepTimerEndsTheSessionWhenAsked) {
    s.timer.sleep_off = 1;
    now = 1000;
    frame->RunCommand(cmd::kSleep10);
    now = 1000 + 600;
    core->OnClockDuties(playback::kEvery500);
    EXPECT_EQ(session.ended, std::vector<int>{1});
    EXPECT_TRUE(frame->shutdown_requested());
    EXPECT_NE(test::ReadBytes(cfg.File("NU-KO Player32.ini")).find("[Main]"), std::string::npos);
}

TEST_F(FrameTest, OnTimerFiresOnceInItsMinute) {
    frame->RunCommand(cmd::kOnTimer1);  // on, at its stored 0:00
    EXPECT_TRUE(frame->action(cmd::kOnTimer1)->isChecked());
    int plays = 0;
    for (now = 0; now < 130; now += 2) {
        core->OnClockDuties(playback::kEvery2000);
        Events();
        if (core->controller().state() == PlayState::Playing) {
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
    EXPECT_EQ(core->kind(), media::MediaKind::Sound);
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(core->device().IsOpen(), true);
    EXPECT_EQ(core->files().RowPath(core->controller().current_item() - 1), sound.File("y.wav"));
}

TEST_F(FrameTest, OpeningPaths) {
    test::WriteBytes(midi.File("list.mit"), "Ver 1.00\r\nMy list\r\n\r\nb.mid\tB\r\nc.mid\tC\r\n\x1a");
    test::WriteBytes(midi.File("notes.txt"), "x");
    EXPECT_EQ(frame->OpenPath(midi.File("list.mit")), 1);
    EXPECT_TRUE(core->files().catalog_mode());
    EXPECT_EQ(core->files().rows(), 2);
    EXPECT_EQ(frame->OpenPath(midi.path()), 1);  // a folder: the current kind
    EXPECT_EQ(core->kind(), media::MediaKind::Midi);
    EXPECT_FALSE(core->files().catalog_mode());
    EXPECT_EQ(frame->OpenPath(sound.path()), -1);  // no MIDI files there
    EXPECT_EQ(frame->OpenPath(midi.File("notes.txt")), -1);
    s.main.drop_media_check = 0;
    EXPECT_EQ(frame->OpenPath(sound.File("x.wav")), -1);
    EXPECT_EQ(core->kind(), media::MediaKind::Midi);
    s.main.drop_media_check = 1;
    EXPECT_EQ(frame->OpenPath(sound.File("x.wav")), 1);
    EXPECT_EQ(core->kind(), media::MediaKind::Sound);
    EXPECT_EQ(frame->OpenPath(std::string(100 * 1024, 'z')), -1);
}

TEST_F(FrameTest, ADiscImageShowsTheCdPanelInPlaceOfTheFileArea) {
    backends.setup[media::MediaKind::Cd] = [](test::FakeBackend& b) {
        for (int n = 1; n <= 14; ++n) b.toc.tracks.push_back({n, (n - 1) * 750, true});
        b.toc.leadout = 14 * 750;
    };
    frame->resize(420, 520);
    frame->show();
    const std::string cue = test::WriteCdImage(midi.path(), "album", std::vector<int>(14, 750));
    ASSERT_EQ(frame->OpenPath(cue), 1);
    Events();
    cd::CdPanelWidget* panel = frame->cd_panel().widget();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(frame->file_area().widget()->isVisible());
    EXPECT_EQ(panel->drive_selector().currentText(), QStringLiteral("album.cue"));
    EXPECT_EQ(panel->list().count(), 14);
    EXPECT_EQ(panel->grid().grid().track_count(), 14);
    EXPECT_TRUE(router.IsEnabled(cmd::kCdEditTitles));

    // Titles with markers: "@" grey, "$" gone from the list.
    media::MediaList titled = core->cd_record();
    const char* names[] = {"Overture", "@Interlude", "Morning", "Harbour Lights", "$Hidden track", "Rain on Glass",
                           "Night Train", "Paper Moon", "@Radio Edit", "Slow Dance", "Coda", "Lullaby", "Reprise",
                           "Encore"};
    titled.title = "The Tide";
    titled.sub_title = "Coastline";
    for (std::size_t i = 0; i < 14; ++i) titled.items[i].title = names[i];
    ASSERT_TRUE(core->ApplyEditedRecord(titled));
    Events();
    EXPECT_EQ(panel->list().count(), 13);
    EXPECT_EQ(panel->list().item(1)->foreground().color(), QColor(0x80, 0x80, 0x80));

    // A click on a number selects its track's row; a double click plays it.
    panel->grid().resize(120, 90);
    Events();
    const cd::CellRect c = panel->grid().grid().Cell(6);  // track 7, row 6
    QTest::mouseClick(&panel->grid(), Qt::LeftButton, {}, QPoint(c.x + 5, c.y + 5));
    EXPECT_EQ(core->selected_disc_row(), 6);
    QTest::mouseDClick(&panel->grid(), Qt::LeftButton, {}, QPoint(c.x + 5, c.y + 5));
    Events();
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(core->controller().current_item(), 6);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Night Train - NU-KO Player for WIN32"));

    // The shot for the documentation, when asked for.
    if (const char* shots = std::getenv("NUKO_SCREENSHOT_DIR")) {
        frame->resize(420, 560);
        Events();
        frame->grab().save(QString::fromUtf8(shots) + QStringLiteral("/cd-panel.png"));
    }
    router.Run(cmd::kStop);
}

TEST_F(FrameTest, TheCdOptionsPageEditsACopyOfTheSettings) {
    s.cd.insert_time = 7000;
    s.cd.read_time = 300;
    app::CdOptionsDialog dialog(s, {});
    auto* auto_play = dialog.findChild<QCheckBox*>();
    QCheckBox* insert_start = nullptr;
    for (QCheckBox* c : dialog.findChildren<QCheckBox*>())
        if (c->text() == QStringLiteral("挿入されたら自動的に再生(&A)")) insert_start = c;
    ASSERT_TRUE(auto_play && insert_start);
    insert_start->setChecked(true);
    auto* insert_time = dialog.findChild<QSlider*>(QStringLiteral("insert_time"));
    auto* read_time = dialog.findChild<QSlider*>(QStringLiteral("read_time"));
    ASSERT_TRUE(insert_time && read_time);
    EXPECT_EQ(insert_time->value(), 7);
    EXPECT_EQ(read_time->value(), 300);
    insert_time->setValue(12);
    bool readout = false;
    for (QLabel* l : dialog.findChildren<QLabel*>()) readout = readout || l->text() == QStringLiteral("12秒");
    EXPECT_TRUE(readout);
    const settings::Settings& edited = dialog.settings();
    EXPECT_EQ(edited.cd.insert_start, 1);
    EXPECT_EQ(edited.cd.insert_time, 12000);
    EXPECT_EQ(s.cd.insert_start, 0);  // the original is untouched until the caller takes the copy
    EXPECT_EQ(s.cd.insert_time, 7000);
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

TEST_F(FrameTest, TheMidiWordWindowShowsTheScriptOfTheSongThatPlays) {
    NUKO_CORPUS_FILE(corpus, "wrd/yoshitan98_MidiToWRD_sample");
    test::WriteBytes(midi.File("w.mid"), test::ReadBytes(corpus + ".mid"));
    test::WriteBytes(midi.File("w.wrd"), test::ReadBytes(corpus + ".wrd"));
    app::MidiWordComponent& word = frame->midi_word();
    app::MidiWordWindow* window = word.window();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(core->WrdScreenOpen());

    ASSERT_EQ(frame->OpenPath(midi.File("w.mid")), 1);
    frame->PostPlay();
    Events();
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(core->WrdScreenOpen());
    EXPECT_EQ(window->objectName(), "NU-KOP32!MIDI-WordWindow");
    EXPECT_EQ(window->size(), QSize(640, 400));
    // The back end stands at position 42: the first lyrics are due.
    Tick(3);
    const QImage& screen = window->screen_image();
    int white = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x) white += screen.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(white, 20);
    EXPECT_EQ(screen.pixel(639, 399), qRgb(0, 0, 0));

    // Its menu: commands to the main window, no full screen offscreen.
    QMenu* menu = word.ContextMenu();
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"ﾌﾟﾛﾊﾟﾃｨ(&P)...", "WRDﾌｧｲﾙを表示(&W)", "(この)画面を表示(&D)", "",
                                  "前曲(&R)\t↑(←)", "演奏開始(&P)\tEnter", "次曲(&F)\t↓(→)", "一時停止(&T)\tESC",
                                  "演奏停止(&S)\tSpace"}));
    EXPECT_FALSE(menu->actions()[0]->isEnabled());  // the options sheet is not there yet
    menu->actions()[7]->trigger();
    EXPECT_EQ(core->controller().state(), PlayState::Paused);
    // Keys come as the hot key table writes them.
    EXPECT_EQ(app::VirtualKeyOf(Qt::Key_Space, Qt::NoModifier), 32);
    EXPECT_EQ(app::VirtualKeyOf(Qt::Key_F, Qt::ShiftModifier), 'F');
    EXPECT_EQ(app::VirtualKeyOf(Qt::Key_0, Qt::KeypadModifier), 96);
    EXPECT_EQ(app::VirtualKeyOf(Qt::Key_F5, Qt::NoModifier), 0x74);
    EXPECT_EQ(app::HotkeyModifiersOf(Qt::ControlModifier | Qt::AltModifier), 6);
    frame->RunCommand(cmd::kPause);
    ASSERT_EQ(core->controller().state(), PlayState::Playing);

    // The switch hides it and brings it back for the song that plays.
    frame->RunCommand(cmd::kWordFiles);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(core->WrdScreenOpen());
    EXPECT_FALSE(frame->action(cmd::kWordFiles)->isChecked());
    frame->RunCommand(cmd::kWordFiles);
    EXPECT_TRUE(window->isVisible());

    // A song without a script hides it; the position stays stored.
    window->move(70, 90);
    frame->RunCommand(cmd::kNext);
    Events();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(core->WrdScreenOpen());
    ASSERT_FALSE(frame->WriteSettings());
    settings::Settings back = store->ReadAll();
    EXPECT_EQ(back.main.word, 1);
    EXPECT_EQ(back.word.position.v, (std::array<int, 2>{70, 90}));
}

namespace {

struct RecordingService final : hotkeys::ShortcutService {
    std::vector<int> registered;
    int unregistered = 0;
    bool Register(int id, int, int) override { return registered.push_back(id), id != 850; }
    void Unregister(int) override { ++unregistered; }
};

}  // namespace

TEST_F(FrameTest, HotKeysRunTheirCommandsWithTheCommandsGuards) {
    auto service = std::make_unique<RecordingService>();
    RecordingService* r = service.get();
    app::HotkeysComponent keys(std::move(service));
    keys.Attach(*core, router);
    s.hotkey.keys[1].enabled = 1;  // Play
    s.hotkey.keys[2].enabled = 1;  // FF: taken by another program
    s.hotkey.keys[9].enabled = 1;  // Sound
    keys.ApplySettings(s);
    EXPECT_EQ(r->registered, (std::vector<int>{849, 850, 857}));
    EXPECT_EQ(keys.last_result().failed, std::vector<int>{850});
    Events();  // the message comes once the event loop turns
    EXPECT_EQ(prompt.ids(), std::vector<int>{220});

    keys.Activated(849);
    Events();
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    keys.Activated(857);  // a kind does not switch while a song plays
    EXPECT_EQ(core->kind(), media::MediaKind::Midi);
    frame->RunCommand(cmd::kStop);
    keys.Activated(857);
    EXPECT_EQ(core->kind(), media::MediaKind::Sound);
    keys.Activated(900);  // not a hot key
    keys.Shutdown();
    EXPECT_EQ(r->unregistered, 17);
}
