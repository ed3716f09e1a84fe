// The main frame offscreen, over a real MediaDevice with recording back ends.
#include "app/frame/main_frame.h"
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTableWidget>
#include <QKeySequenceEdit>
#include <QPushButton>
#include <QTimer>
#include <QMenu>
#include <QToolButton>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QFontComboBox>
#include <QScreen>
#include <gtest/gtest.h>

#include "app/components/list_font.h"

#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include "app/components/buttons/button_panel_component.h"
#include "library/catalog_editor_dialog.h"
#include "library/related_files_dialog.h"
#include "app/components/cd_panel/cd_panel_component.h"
#include "cd/cd_panel_widget.h"
#include "media_fixtures.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include "app/components/cd_panel/cd_options_page.h"
#include <QListWidget>
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "app/components/file_area/file_area_component.h"
#include "app/components/hotkeys/hotkey_dialog.h"
#include "settings/options_model.h"
#include "app/options/options_sheet.h"
#include "app/components/hotkeys/hotkeys_component.h"
#include "app/components/midi_word/midi_word_component.h"
#include "app/components/midi_word/midi_word_window.h"
#include "app/components/time_display/time_display_component.h"
#include "fake_backend.h"
#include "frame_fixture.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "app/session_control.h"
#include "settings/settings_store.h"
#include "test_support.h"
#include "nuko/clock.h"
#include "nuko/qt_dispatch.h"
#include "core/timers.h"
#include "library/file_area_model.h"
#include "library/file_area_widget.h"
#include "library/media_list.h"

using namespace nuko;
using app::CMainFrame;
namespace cmd = app::cmd;
using playback::PlayOrder;
using playback::PlayState;

namespace {

class FrameTest : public test::FrameFixture<SteadyClock> {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        s.kinds[3].mode = 1;
        Make();
    }
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            QTest::qWait(0);
            core->Tick();
        }
    }
};

}  // namespace

TEST_F(FrameTest, MenusSpeakJapaneseAndLaterEntriesAreGreyed) {
    EXPECT_EQ(frame->objectName(), "NU-KOP32!MainWindow");
    EXPECT_EQ(frame->action(cmd::kPlay)->text(), "演奏開始(&P)\tEnter");
    EXPECT_EQ(frame->action(cmd::kSleepOn)->text(), "ｽﾘｰﾌﾟ ON [60分](&N)");
    EXPECT_EQ(frame->action(cmd::kOnTimer1)->text(), "ﾀｲﾏｰ1 ON  [ 0時00分](&A)");
    for (int id : {cmd::kCatalogMidi, cmd::kCatalogMovie, cmd::kCatalogSound})
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;
    EXPECT_EQ(frame->action(cmd::kCatalogMovie)->text(), "動画ｶﾀﾛｸﾞ編集(&A)...");
    EXPECT_TRUE(frame->action(cmd::kHotkeys)->isEnabled());  // also where no desktop service is
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
    EXPECT_TRUE(frame->component<app::ButtonPanelComponent>().model().Press(cmd::kPause));
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
    EXPECT_EQ(frame->component<app::FileAreaComponent>().selected_row(), 3);
    frame->RunCommand(cmd::kKindMidi + 3);
    EXPECT_TRUE(core->controller().Mode(media::MediaKind::Sound).random);
    EXPECT_EQ(frame->component<app::FileAreaComponent>().selected_row(), 2);
}

TEST_F(FrameTest, SleepTimerAt2350ForThirtyMinutesFiresAt0020) {
    now = 23 * 3600 + 50 * 60;
    frame->RunCommand(cmd::kSleep90 + 3);  // "30分(&4)"
    EXPECT_TRUE(core->sleep_timer().on());
    EXPECT_EQ(core->sleep_timer().end(), 20 * 60);
    EXPECT_TRUE(frame->component<app::TimeDisplayComponent>().model().sleep_shown());
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

TEST_F(FrameTest, TheListMenusCatalogEditorOpensTheShownCatalogAndASaveReloadsIt) {
    test::WriteBytes(midi.File("list.mit"), "Ver 1.00\r\nMy list\r\n\r\nb.mid\tB\r\nc.mid\tC\r\n\x1a");
    ASSERT_EQ(frame->OpenPath(midi.File("list.mit"), true), 1);
    ASSERT_TRUE(frame->ListMenu()->actions().contains(frame->action(cmd::kCatalogMidi)));
    std::string caption;
    int rows = -1;
    test::OnModal<media::CatalogEditorDialog>([&](media::CatalogEditorDialog* d) {
        caption = d->windowTitle().toStdString();
        rows = d->row_list()->count();
        d->editor().Register(midi.File("a.mid"));
        d->editor().settings().sort_mode = 1;  // kept when the dialog closes
        d->editor().Save();
        d->reject();
    });
    frame->RunCommand(cmd::kCatalogMidi);
    EXPECT_EQ(caption, "MIDI ｶﾀﾛｸﾞ編集<< " + midi.File("list.mit") + " >>");
    EXPECT_EQ(rows, 2);
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_TRUE(test::PollUntil(
        [&] {
            Events();
            return core->files().rows() == 3;
        },
        std::chrono::seconds(10)));
    EXPECT_EQ(store->ReadKey("Catalog\\Sort", "Mode"), "1");
}

TEST_F(FrameTest, RelatedFilesOpenOnTheCurrentItemsCompanion) {
    test::WriteBytes(midi.File("b.txt"), "notes");
    ASSERT_EQ(frame->OpenPath(midi.File("b.mid"), true), 1);
    ASSERT_TRUE(frame->action(cmd::kRelatedFiles)->isEnabled());
    std::string name;
    test::OnModal<media::RelatedFilesDialog>([&](media::RelatedFilesDialog* d) {
        name = test::Child<QLabel>(d, "file_name")->text().toStdString();
        d->reject();
    });
    frame->RunCommand(cmd::kRelatedFiles);
    EXPECT_EQ(name, "b.txt");
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
    cd::CdPanelWidget* panel = frame->component<app::CdPanelComponent>().widget();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(frame->component<app::FileAreaComponent>().widget()->isVisible());
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

    // The mode button switches multi-CD play and says which is on.
    QToolButton& multi = panel->multi_button();
    EXPECT_EQ(multi.toolTip(), QString::fromUtf8("ｼﾝｸﾞﾙCDﾓｰﾄﾞ"));
    multi.click();
    EXPECT_EQ(s.cd.multi, 1);
    EXPECT_EQ(multi.toolTip(), QString::fromUtf8("ﾏﾙﾁCDﾓｰﾄﾞ"));
    multi.click();
    EXPECT_EQ(s.cd.multi, 0);

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
    app::CdOptionsPage dialog(s, {});
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
    app::MidiWordComponent& word = frame->component<app::MidiWordComponent>();
    app::MidiWordWindow* window = word.window();
    ASSERT_NE(window, nullptr);
    // A pop-up of the main window: on screen only while it is.
    frame->show();
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
    EXPECT_TRUE(menu->actions()[0]->isEnabled());  // the options sheet at its WRD page
    menu->actions()[7]->trigger();
    EXPECT_EQ(core->controller().state(), PlayState::Paused);
    frame->RunCommand(cmd::kPause);
    ASSERT_EQ(core->controller().state(), PlayState::Playing);

    // The switch hides it and brings it back for the song that plays.
    frame->RunCommand(cmd::kWordFiles);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(core->WrdScreenOpen());
    EXPECT_FALSE(frame->action(cmd::kWordFiles)->isChecked());
    frame->RunCommand(cmd::kWordFiles);
    EXPECT_TRUE(window->isVisible());

    // Hidden (to the tray) or minimised, the main window takes it along and
    // brings it back.
    frame->hide();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(core->WrdScreenOpen());
    frame->show();
    EXPECT_TRUE(window->isVisible());
    frame->showMinimized();
    EXPECT_FALSE(window->isVisible());
    frame->showNormal();
    EXPECT_TRUE(window->isVisible());
    // Shut meanwhile, it stays away when the main window comes back.
    frame->hide();
    frame->RunCommand(cmd::kWordFiles);
    frame->show();
    EXPECT_FALSE(window->isVisible());
    // Opened meanwhile, it comes with the main window.
    frame->hide();
    frame->RunCommand(cmd::kWordFiles);
    EXPECT_FALSE(window->isVisible());
    frame->show();
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
    std::vector<std::array<int, 2>> keys;  // what each registration asked for
    int unregistered = 0;
    bool Register(int id, int vk, int mods) override {
        registered.push_back(id);
        keys.push_back({vk, mods});
        return id != 850;
    }
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
    // A desktop portal refuses one later: told as at registration.
    prompt.Clear();
    keys.BindFailed({857});
    EXPECT_EQ(prompt.ids(), std::vector<int>{220});
    EXPECT_EQ(keys.last_result().failed, (std::vector<int>{850, 857}));
    keys.Shutdown();
    EXPECT_EQ(r->unregistered, 17);
}

TEST_F(FrameTest, TheHotKeyDialogEditsTheTableChecksItAndRegistersItAgain) {
    auto service = std::make_unique<RecordingService>();
    RecordingService* r = service.get();
    app::HotkeysComponent keys(std::move(service));
    keys.Attach(*core, router);
    s.hotkey.keys[0] = {1, 848, 0x07, 3};  // a key nobody knows: back to its default
    s.hotkey.keys[1].enabled = 1;          // Play
    keys.ApplySettings(s);
    EXPECT_EQ(r->registered, std::vector<int>{849});
    r->registered.clear();

    bool seen = false;
    test::OnModal<QDialog>([&](QDialog* dialog) {
        auto* d = static_cast<app::HotkeyDialog*>(dialog);
        seen = true;
        EXPECT_EQ(d->windowTitle(), "ﾎｯﾄｷｰの設定");
        // Opening gave every key back.
        EXPECT_EQ(r->unregistered, 17);
        EXPECT_FALSE(d->enabled(848)->isChecked());
        EXPECT_EQ(d->key(848)->keySequence(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left));
        EXPECT_TRUE(d->enabled(849)->isChecked());
        EXPECT_EQ(d->enabled(863)->text(), "再生位置を進める");
        // FF on; Stop captured as two keys keeps the first only; a key the
        // table cannot store leaves the record's.
        d->enabled(850)->setChecked(true);
        d->enabled(851)->setChecked(true);
        d->key(851)->setKeySequence(QKeySequence(QKeyCombination(Qt::CTRL | Qt::ALT, Qt::Key_Q), QKeyCombination(Qt::Key_X)));
        EXPECT_EQ(d->key(851)->keySequence(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Q));
        d->key(852)->setKeySequence(QKeySequence(Qt::Key_Hyper_L));
        EXPECT_EQ(d->key(852)->keySequence(), QKeySequence(Qt::SHIFT | Qt::Key_Escape));
        // "チェック": the failed ones by name, and the keys given back.
        const int before = r->unregistered;
        d->check_button()->click();
        ASSERT_FALSE(prompt.asked().empty());
        EXPECT_EQ(prompt.asked().back().text, "ﾎｯﾄｷｰの設定で一部登録できませんでした.\n\n次曲");
        EXPECT_EQ(r->unregistered, before + 17);
        d->accept();
    });
    prompt.Clear();
    frame->RunCommand(cmd::kHotkeys);
    ASSERT_TRUE(seen);
    // Registered again after OK: FF is taken, the rest hold.
    EXPECT_EQ(r->registered, (std::vector<int>{849, 850, 851, 849, 850, 851}));
    EXPECT_EQ(r->keys.back(), (std::array<int, 2>{'Q', 6}));
    EXPECT_EQ(keys.last_result().failed, std::vector<int>{850});
    Events();
    EXPECT_EQ(prompt.ids().back(), 220);
    settings::Settings out;
    keys.StoreSettings(out);
    EXPECT_EQ(out.hotkey.keys[0].Format(), "848,0,37,11");
    EXPECT_EQ(out.hotkey.keys[2].Format(), "850,1,39,11");
    EXPECT_EQ(out.hotkey.keys[3].Format(), "851,1,81,6");

    // Cancel keeps the table and still registers it again.
    test::OnModal<app::HotkeyDialog>([](app::HotkeyDialog*) {});  // closed unchanged: Cancel
    frame->RunCommand(cmd::kHotkeys);
    keys.StoreSettings(out);
    EXPECT_EQ(out.hotkey.keys[3].Format(), "851,1,81,6");
    EXPECT_EQ(r->registered.size(), 9u);
}

TEST_F(FrameTest, ThePositionKeysMoveAPageOfTheSliderAndTheMovieKeyNeedsAMovie) {
    backends.setup[media::MediaKind::Midi] = [](test::FakeBackend& b) { b.length_ms = 100000; };
    EXPECT_FALSE(router.IsEnabled(cmd::kPanelPageUp));  // nothing plays
    EXPECT_FALSE(router.IsEnabled(cmd::kPanelMovieFull));  // no movie window
    frame->RunCommand(cmd::kPlay);
    Tick(2);
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    test::FakeBackend* b = backends.made.back();
    // The device gets where it was sent; the item starts again there on a
    // tick of the clock.
    const auto restarted = [&] {
        b->position_ms = b->seek_ms;
        for (int i = 0; i < 100 && core->controller().restart_pending(); ++i) {
            QTest::qWait(10);
            core->Tick();
        }
    };
    const auto page = [&](int id, int times) {
        for (int i = 0; i < times; ++i) {
            router.Run(id);
            restarted();
        }
    };
    // A page is a fifth of the slider: 20 of 100 seconds. Until the item
    // has started again at the new place, the keys wait.
    EXPECT_TRUE(router.Run(cmd::kPanelPageUp));
    EXPECT_EQ(b->seek_ms, 20000);
    EXPECT_FALSE(router.IsEnabled(cmd::kPanelPageUp));
    restarted();
    page(cmd::kPanelPageUp, 1);
    EXPECT_EQ(b->seek_ms, 40000);
    page(cmd::kPanelPageDown, 1);
    EXPECT_EQ(b->seek_ms, 20000);
    page(cmd::kPanelPageDown, 3);  // at least to 0
    EXPECT_EQ(b->seek_ms, 0);
    b->position_ms = 90000;
    for (int i = 0; i < 100 && core->controller().position() != 90; ++i) {
        QTest::qWait(10);
        core->Tick();
    }
    page(cmd::kPanelPageUp, 1);  // at most to the end
    EXPECT_EQ(b->seek_ms, 100000);
    EXPECT_FALSE(router.IsEnabled(cmd::kPanelMovieFull));
}

namespace {

settings::Settings ReadBack(const std::string& path) { return settings::SettingsStore(path).ReadAll(); }

}  // namespace

TEST_F(FrameTest, TheOptionsSheetChangesOneKeyPerPageAndKeepsTheRestOfTheFile) {
    // A file with a comment and keys of no one's: they stay.
    ASSERT_FALSE(frame->WriteSettings());
    std::string before = test::ReadBytes(store->path());
    before = "; kept comment\n[Extra]\nWhose=nobody\n" + before;
    test::WriteBytes(store->path(), before);
    const settings::Settings old = ReadBack(store->path());

    bool seen = false;
    test::OnModal<app::OptionsSheet>([&](app::OptionsSheet* sheet) {
        seen = true;
        QStringList titles;
        for (int i = 0; i < sheet->page_count(); ++i) titles << sheet->page(i)->title();
        EXPECT_EQ(titles,
                  (QStringList{"全般", "ﾌｧｲﾙ", "MIDI", "ｻｳﾝﾄﾞ", "時間表示", "WRD", "CD", "ﾎﾞﾘｭｰﾑ", "MINI", "ﾀｲﾏｰ", "ﾂｰﾙ", "ﾄﾞﾗｲﾌﾞ"}));
        // One field of each page: the first check box, and a drive.
        for (int i = 0; i + 1 < sheet->page_count(); ++i) {
            auto boxes = sheet->page(i)->widget()->findChildren<QCheckBox*>();
            ASSERT_FALSE(boxes.isEmpty()) << titles[i].toStdString();
            boxes.front()->toggle();
        }
        if (const char* shots = std::getenv("NUKO_SCREENSHOT_DIR")) {
            sheet->ShowPage("MIDI");
            Events();
            sheet->grab().save(QString::fromUtf8(shots) + QStringLiteral("/options-sheet.png"));
        }
        auto* drives = sheet->findChild<QTableWidget*>("drives");
        ASSERT_NE(drives, nullptr);
        drives->insertRow(0);
        drives->setItem(0, 0, new QTableWidgetItem("q:"));
        drives->setItem(0, 1, new QTableWidgetItem(QString::fromStdString(midi.path())));
        EXPECT_TRUE(sheet->ApplyNow());
        sheet->reject();
    });
    frame->RunCommand(cmd::kOptions);
    ASSERT_TRUE(seen);

    const std::string after = test::ReadBytes(store->path());
    EXPECT_NE(after.find("; kept comment"), std::string::npos);
    EXPECT_NE(after.find("Whose=nobody"), std::string::npos);
    const settings::Settings now = ReadBack(store->path());
    std::vector<std::string> changed = settings::ChangedKeys(old, now);
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, (std::vector<std::string>{"Cd/InsertCheck", "Drives/Q", "Level/Media", "Main/MidiInit", "Main/Mini", "Main/Sort", "Main/VolSetStart",
                                                 "Main/Word", "Main/Zero", "Mini/Font", "Timer/OnTimer1",
                                                 "Tool\\Archive/DlgView"}));
    EXPECT_EQ(now.drives.at('Q'), midi.path());
    // And the player took them: the time display, the list's order.
    EXPECT_EQ(s.main.zero, 1 - old.main.zero);
    EXPECT_EQ(core->settings().main.sort, now.main.sort);
}

TEST_F(FrameTest, TheOptionsSheetRefusesBadValuesAndKeepsTheOldOnes) {
    app::OptionsSheet sheet(s, [](const settings::Settings&) { return true; });
    for (auto& p : app::MakeStandardPages()) sheet.AddPage(std::move(p));
    // An interval far out of range.
    auto* time_page = sheet.page(4)->widget();
    auto* spin = time_page->findChild<QSpinBox*>("Main/Interval");
    ASSERT_NE(spin, nullptr);
    spin->setValue(5);
    prompt.Clear();
    EXPECT_FALSE(sheet.ApplyNow());
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_NE(prompt.asked()[0].text.find("10 - 1000"), std::string::npos) << prompt.asked()[0].text;
    EXPECT_EQ(sheet.page_list()->currentRow(), 4);  // the page that refused is shown
    EXPECT_EQ(spin->value(), s.main.interval);       // the old value is back in the field
    EXPECT_EQ(sheet.model().settings().main.interval, s.main.interval);

    // A drive whose folder is not there.
    auto* drives = sheet.findChild<QTableWidget*>("drives");
    drives->insertRow(0);
    drives->setItem(0, 0, new QTableWidgetItem("R"));
    drives->setItem(0, 1, new QTableWidgetItem("/no/such/folder"));
    prompt.Clear();
    EXPECT_FALSE(sheet.ApplyNow());
    EXPECT_TRUE(sheet.model().settings().drives.empty());
}

TEST_F(FrameTest, AStoredValueThatAChoiceStandsForIsShownAsItAndKept) {
    // Main/Show 5 (the first start's SW_SHOW) is a normal start; Drop 1
    // (the CD kind) opens archives as MIDI.
    s.main.show = 5;
    s.archive.drop = 1;
    app::OptionsSheet sheet(s, [](const settings::Settings&) { return true; });
    for (auto& p : app::MakeStandardPages()) sheet.AddPage(std::move(p));
    auto* show = sheet.findChild<QComboBox*>("Main/Show");
    auto* drop = sheet.findChild<QComboBox*>("Tool\\Archive/Drop");
    ASSERT_NE(show, nullptr);
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(show->currentText(), "通常");
    EXPECT_EQ(show->count(), 3);  // no bare "5" among the choices
    EXPECT_EQ(drop->currentText(), "MIDI");
    ASSERT_TRUE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().main.show, 5);
    EXPECT_EQ(sheet.model().settings().archive.drop, 1);
    // Another choice writes its own value.
    show->setCurrentIndex(2);
    drop->setCurrentIndex(4);
    ASSERT_TRUE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().main.show, 3);
    EXPECT_EQ(sheet.model().settings().archive.drop, 100);
    show->setCurrentIndex(0);
    ASSERT_TRUE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().main.show, 1);
}

TEST_F(FrameTest, TheLevelChecksAndTargetAreBoundToTheLevelSection) {
    s.level = {};  // both off, -18 LUFS
    app::OptionsSheet sheet(s, [](const settings::Settings&) { return true; });
    for (auto& p : app::MakeStandardPages()) sheet.AddPage(std::move(p));
    ASSERT_EQ(sheet.page(2)->title(), QStringLiteral("MIDI"));
    ASSERT_EQ(sheet.page(3)->title(), QStringLiteral("ｻｳﾝﾄﾞ"));
    auto* midi = sheet.page(2)->widget()->findChild<QCheckBox*>("Level/Midi");
    auto* media = sheet.page(3)->widget()->findChild<QCheckBox*>("Level/Media");
    auto* target = sheet.page(3)->widget()->findChild<QSpinBox*>("Level/Target");
    ASSERT_TRUE(midi && media && target);
    EXPECT_EQ(midi->text(), QStringLiteral("音量を揃える(&E)"));
    EXPECT_EQ(media->text(), QStringLiteral("音量を揃える(&E)"));
    EXPECT_EQ(target->suffix(), QStringLiteral(" LUFS"));
    EXPECT_FALSE(midi->isChecked());
    EXPECT_EQ(target->value(), -18);

    // Each check sets its own key only.
    midi->setChecked(true);
    ASSERT_TRUE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().level.midi, 1);
    EXPECT_EQ(sheet.model().settings().level.media, 0);
    media->setChecked(true);
    target->setValue(-23);
    ASSERT_TRUE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().level.media, 1);
    EXPECT_EQ(sheet.model().settings().level.target, -23);

    // -40 and -6 are the ends; past them the old value stays.
    target->setValue(-40);
    ASSERT_TRUE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().level.target, -40);
    target->setValue(-5);
    prompt.Clear();
    EXPECT_FALSE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().level.target, -40);
    target->setValue(-41);
    EXPECT_FALSE(sheet.ApplyNow());
    EXPECT_EQ(sheet.model().settings().level.target, -40);
}

TEST_F(FrameTest, TheFilesPageSetsTheFileAreasOwnFont) {
    s.main.font.face = "IPAPGothic";
    s.main.font.size = 10;
    app::OptionsSheet sheet(s, [](const settings::Settings&) { return true; });
    for (auto& p : app::MakeStandardPages()) sheet.AddPage(std::move(p));
    QWidget* files = sheet.page(1)->widget();
    ASSERT_EQ(sheet.page(1)->title(), QStringLiteral("ﾌｧｲﾙ"));
    auto* face = files->findChild<QFontComboBox*>();
    ASSERT_NE(face, nullptr);
    QSpinBox* size = nullptr;
    QCheckBox* bold = nullptr;
    for (QSpinBox* b : face->parentWidget()->findChildren<QSpinBox*>()) size = b;
    for (QCheckBox* b : face->parentWidget()->findChildren<QCheckBox*>()) bold = b;
    ASSERT_TRUE(size && bold);
    // Unset, it shows the list font that stands in for it, and stays unset.
    EXPECT_EQ(face->currentText(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(size->value(), 10);
    ASSERT_TRUE(sheet.ApplyNow());
    EXPECT_FALSE(sheet.model().settings().file_area.font.set);

    face->setEditText(QStringLiteral("IPAGothic"));
    size->setValue(12);
    bold->setChecked(true);
    ASSERT_TRUE(sheet.ApplyNow());
    const settings::LogFontSetting& f = sheet.model().settings().file_area.font;
    ASSERT_TRUE(f.set);
    EXPECT_EQ(f.face, "IPAGothic");
    EXPECT_EQ(f.height(), -16);  // 12 points at 96 dots per inch
    EXPECT_EQ(f.weight(), 700);
    EXPECT_EQ(f.values[8], 128);

    // The file area draws its rows in it; the title line keeps the list font.
    QWidget probe;
    const int dpi = probe.screen() ? static_cast<int>(probe.screen()->logicalDotsPerInchY()) : 96;
    const QFont rows = app::FileAreaFont(sheet.model().settings(), probe);
    EXPECT_EQ(rows.pixelSize(), 16 * dpi / 96);
    EXPECT_TRUE(rows.bold());
    EXPECT_EQ(app::ListFont(sheet.model().settings().main, probe).pixelSize(), 10 * dpi / 72);
}

TEST_F(FrameTest, ANewSoundFontIsTheNextSongsAndTheSheetCanNotWriteAReadOnlyFile) {
    frame->RunCommand(cmd::kPlay);
    Tick(2);
    const std::size_t made = backends.made.size();
    test::OnModal<app::OptionsSheet>([&](app::OptionsSheet* sheet) {
        auto* chain = sheet->page(2)->widget()->findChild<QWidget*>("Midi/SoundFont");
        chain->findChild<QComboBox*>("path")->setCurrentText("/usr/share/sounds/sf2/TimGM6mb.sf2");
        chain->findChild<QPushButton*>("add")->click();
        EXPECT_TRUE(sheet->ApplyNow());
        // The factory has the chain for the back ends it makes from now on.
        ASSERT_FALSE(backends.synth_options.empty());
        EXPECT_EQ(backends.synth_options.back().sound_fonts,
                  std::vector<std::string>{"/usr/share/sounds/sf2/TimGM6mb.sf2"});
        // The song that plays keeps its back end; the next one gets a new one.
        EXPECT_EQ(backends.made.size(), made);
        // A settings file that can no longer be written: told, the sheet
        // stays open. (Root writes read-only files: a folder in the file's
        // place stands in for it there.)
        const std::string saved = test::ReadBytes(store->path());
        const bool root = ::geteuid() == 0;
        if (root) {
            ::unlink(store->path().c_str());
            ::mkdir(store->path().c_str(), 0700);
        } else {
            ::chmod(cfg.path().c_str(), 0500);
            ::chmod(store->path().c_str(), 0400);
        }
        auto boxes = sheet->page(0)->widget()->findChildren<QCheckBox*>();
        boxes.front()->toggle();
        prompt.Clear();
        EXPECT_FALSE(sheet->ApplyNow());
        EXPECT_EQ(prompt.ids(), std::vector<int>{165});  // could not save
        if (root) {
            ::rmdir(store->path().c_str());
            test::WriteBytes(store->path(), saved);
        } else {
            ::chmod(store->path().c_str(), 0600);
            ::chmod(cfg.path().c_str(), 0700);
        }
        sheet->reject();
    });
    frame->RunCommand(cmd::kOptions);
    EXPECT_EQ(core->settings().midi.SoundFontChain(), std::vector<std::string>{"/usr/share/sounds/sf2/TimGM6mb.sf2"});
    frame->RunCommand(cmd::kNext);
    Tick(2);
    EXPECT_GT(backends.made.size(), made);
}

// The start shows a returning user's window before its contents are made.
class WindowFirstTest : public test::FrameFixture<SteadyClock> {};

TEST_F(WindowFirstTest, TheWindowAloneShowsAndItsContentsComeOnceAndWhole) {
    app::CoreContext ctx = test::FakeCoreContext(s, work.path(), dispatcher, clock, backends);
    ctx.store = store.get();
    core = std::make_unique<app::PlayerCore>(ctx);
    frame = std::make_unique<CMainFrame>(*core, router, &session, CMainFrame::Contents::Later);
    EXPECT_EQ(frame->windowTitle(), "NU-KO Player for WIN32");
    EXPECT_EQ(frame->centralWidget(), nullptr);
    EXPECT_EQ(frame->action(cmd::kPlay), nullptr);
    frame->setGeometry(40, 50, 500, 600);
    frame->show();
    // A close asked for before the contents (the window manager's button)
    // is refused, and the exit path has nothing to write yet.
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    frame->Shutdown();
    EXPECT_FALSE(std::filesystem::exists(cfg.File("NU-KO Player32.ini")));

    frame->MakeContents();
    frame->MakeContents();  // once only: no second set of panels or menus
    Events();
    ASSERT_NE(frame->centralWidget(), nullptr);
    EXPECT_EQ(frame->action(cmd::kPlay)->text(), "演奏開始(&P)\tEnter");
    EXPECT_EQ(frame->findChildren<media::FileAreaWidget*>().size(), 1);
    EXPECT_EQ(core->files().rows(), 3);
    // The place it was shown at is the place it keeps.
    EXPECT_EQ(frame->geometry(), QRect(40, 50, 500, 600));
    frame->RunCommand(cmd::kPlay);
    Events();
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    frame->Shutdown();
    settings::Settings back = store->ReadAll();
    EXPECT_EQ(back.main.position.left, 40);
    EXPECT_EQ(back.main.position.bottom, 650);
}
