// The playing song's sound-module mode beside its title (main window and
// mini window), the synthesizer's notices in the status line, and the
// MIDI page of the options sheet: font chain, loops, MT-32 port.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>

#include "app/components/mini_window/mini_window_component.h"
#include "app/frame/main_frame.h"
#include "app/options/options_sheet.h"
#include "core/commands/command_ids.h"
#include "core/controller_settings.h"
#include "nuko/ini.h"
#include "fake_backend.h"
#include "frame_fixture.h"
#include "manual_clock.h"
#include "panels/mini_window.h"
#include "panels/scroll_title_widget.h"
#include "settings/settings_store.h"
#include "test_support.h"

using namespace nuko;
namespace cmd = app::cmd;
using playback::PlayState;

namespace {

class SongDisplayTest : public test::FrameFixture<test::ManualClock> {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        s.main.mini_start = 1;  // the mini window is shown
        s.kinds[0].mode = 1;    // sequential
        s.kinds[3].mode = 1;
        backends.setup[media::MediaKind::Midi] = [this](test::FakeBackend& b) {
            b.length_ms = 60000;
            b.song_mode = "GS";
            midi_backend = &b;
        };
        backends.setup[media::MediaKind::Sound] = [](test::FakeBackend& b) {
            b.length_ms = 60000;
            b.song_mode = "GS";  // not a MIDI item: never asked
        };
        Make();
        Events();
    }
    void Tick(int n) {
        for (int i = 0; i < n; ++i) {
            QTest::qWait(0);
            clock.Advance(100);
            core->Tick();
        }
    }
    QString MainTitle() { return frame->findChild<QLabel*>(QStringLiteral("NU-KOP32!ScrollTextWindow"))->text(); }
    QString MiniTitle() {
        return frame->component<app::MiniWindowComponent>()
            .window()
            ->findChild<panels::ScrollTitleWidget*>(QStringLiteral("2125"))
            ->text();
    }
    QString Status() { return frame->statusBar()->currentMessage(); }

    test::FakeBackend* midi_backend = nullptr;
};

}  // namespace

TEST_F(SongDisplayTest, TheModeShowsAfterTheTitleOfAMidiSongOnly) {
    frame->RunCommand(cmd::kPlay);
    Events();
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(MainTitle(), "a [GS]");
    EXPECT_EQ(MiniTitle(), "a [GS]");
    // The caption keeps the bare title.
    EXPECT_TRUE(frame->windowTitle().startsWith("a - ")) << frame->windowTitle().toStdString();

    // A song whose mode the back end cannot tell: no empty brackets.
    midi_backend->song_mode.clear();
    frame->RunCommand(cmd::kNext);
    Events();
    EXPECT_EQ(core->controller().current_item(), 2);
    EXPECT_EQ(MainTitle(), "b");
    EXPECT_EQ(MiniTitle(), "b");

    // A sound item, while the MIDI back end still holds its song: no tag.
    midi_backend->song_mode = "XG";
    frame->RunCommand(cmd::kStop);
    frame->RunCommand(cmd::kKindMidi + 3);
    ASSERT_EQ(core->kind(), media::MediaKind::Sound);
    frame->RunCommand(cmd::kPlay);
    Events();
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(MainTitle(), "x");
    EXPECT_EQ(MiniTitle(), "x");
}

TEST_F(SongDisplayTest, ASongsNoticesReachTheStatusLineOnceAndPlayGoesOn) {
    backends.setup[media::MediaKind::Midi] = [this](test::FakeBackend& b) {
        b.length_ms = 60000;
        b.song_notices = {"MT-32の曲です: 内蔵ｼﾝｾｻｲｻﾞｰで演奏します"};
        midi_backend = &b;
    };
    prompt.Clear();
    ::testing::internal::CaptureStderr();
    frame->RunCommand(cmd::kPlay);
    Events();
    ASSERT_EQ(core->controller().state(), PlayState::Playing);
    EXPECT_EQ(Status(), " MT-32の曲です: 内蔵ｼﾝｾｻｲｻﾞｰで演奏します");
    // Two more come while it plays; they show together, on the clock.
    midi_backend->song_notices = {"ｻｳﾝﾄﾞﾌｫﾝﾄを読めません: /x.sf2", "ﾁｪｯｸｻﾑの誤ったｴｸｽｸﾙｰｼﾌﾞがあります"};
    Tick(6);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Status(), " ｻｳﾝﾄﾞﾌｫﾝﾄを読めません: /x.sf2  ﾁｪｯｸｻﾑの誤ったｴｸｽｸﾙｰｼﾌﾞがあります");
    // Each once on standard error, as "program: text".
    const std::string program = std::string(program_invocation_short_name) + ": ";
    for (const char* notice : {"MT-32の曲です: 内蔵ｼﾝｾｻｲｻﾞｰで演奏します", "ｻｳﾝﾄﾞﾌｫﾝﾄを読めません: /x.sf2",
                               "ﾁｪｯｸｻﾑの誤ったｴｸｽｸﾙｰｼﾌﾞがあります"}) {
        const std::string line = program + notice + "\n";
        const std::size_t at = err.find(line);
        EXPECT_NE(at, std::string::npos) << err;
        EXPECT_EQ(err.find(line, at + 1), std::string::npos) << "twice: " << notice;
    }
    // No box waits for an answer: the play goes on.
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_EQ(core->controller().state(), PlayState::Playing);
    // The next song starts with a clear status line.
    frame->RunCommand(cmd::kNext);
    Events();
    EXPECT_EQ(Status(), "");
}

namespace {

class MidiPageTest : public test::FrameFixture<test::ManualClock> {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        // A real sound font's head, and files that are not one.
        test::WriteBytes(fonts.File("one.sf2"), std::string("RIFF\x10\0\0\0sfbkLIST", 16));
        test::WriteBytes(fonts.File("two.sf3"), std::string("RIFF\x10\0\0\0sfbkLIST", 16));
        test::WriteBytes(fonts.File("wave.sf2"), std::string("RIFF\x04\0\0\0WAVEfmt ", 16));
        test::WriteBytes(fonts.File("short.sf2"), "RIFF");
    }
    void Open() {
        sheet = std::make_unique<app::OptionsSheet>(s, [](const settings::Settings&) { return true; });
        for (auto& p : app::MakeStandardPages()) sheet->AddPage(std::move(p));
        page = sheet->page(2)->widget();
        ASSERT_EQ(sheet->page(2)->title(), "MIDI");
        chain = page->findChild<QWidget*>("Midi/SoundFont");
        ASSERT_NE(chain, nullptr);
        list = chain->findChild<QListWidget*>("chain");
        ASSERT_NE(list, nullptr);
    }
    void Add(const std::string& path) {
        chain->findChild<QComboBox*>("path")->setCurrentText(QString::fromStdString(path));
        chain->findChild<QPushButton*>("add")->click();
    }
    void Press(const char* button) { chain->findChild<QPushButton*>(button)->click(); }
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
        return rows;
    }
    std::string F(const char* name) { return fonts.File(name); }

    test::TempDir fonts;
    std::unique_ptr<app::OptionsSheet> sheet;
    QWidget* page = nullptr;
    QWidget* chain = nullptr;
    QListWidget* list = nullptr;
};

}  // namespace

TEST_F(MidiPageTest, TheChainIsEditedInOrderAndWrittenToTheNumberedKeys) {
    Open();
    // Empty: the system's fonts stand in, and the page says so.
    auto* note = chain->findChild<QLabel*>("default");
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isHidden());
    EXPECT_TRUE(note->text().startsWith("(標準")) << note->text().toStdString();

    Add(fonts.File("one.sf2"));
    Add(fonts.File("two.sf3"));
    Add(fonts.File("one.sf2"));  // already there: not twice
    EXPECT_EQ(Rows(), (std::vector<std::string>{F("one.sf2"), F("two.sf3")}));
    EXPECT_TRUE(note->isHidden());
    // The second goes first.
    list->setCurrentRow(1);
    Press("up");
    EXPECT_EQ(Rows(), (std::vector<std::string>{F("two.sf3"), F("one.sf2")}));
    EXPECT_EQ(list->currentRow(), 0);
    ASSERT_TRUE(sheet->ApplyNow());
    const settings::MidiExtra& midi = sheet->model().settings().midi;
    EXPECT_EQ(midi.sound_fonts[0], fonts.File("two.sf3"));
    EXPECT_EQ(midi.sound_fonts[1], fonts.File("one.sf2"));
    EXPECT_EQ(midi.sound_fonts[2], "");

    // The page shows what was applied; down again, then the first removed:
    // one font is left, in "SoundFont".
    EXPECT_EQ(Rows(), (std::vector<std::string>{F("two.sf3"), F("one.sf2")}));
    list->setCurrentRow(0);
    Press("down");
    EXPECT_EQ(Rows(), (std::vector<std::string>{F("one.sf2"), F("two.sf3")}));
    list->setCurrentRow(0);
    Press("remove");
    ASSERT_TRUE(sheet->ApplyNow());
    EXPECT_EQ(sheet->model().settings().midi.SoundFontChain(), std::vector<std::string>{fonts.File("two.sf3")});
    EXPECT_EQ(sheet->model().Get("Midi", "SoundFont"), fonts.File("two.sf3"));
    EXPECT_EQ(sheet->model().Get("Midi", "SoundFont2"), "");

    // Removing the last shows the note again and empties the chain.
    list->setCurrentRow(0);
    Press("remove");
    EXPECT_FALSE(note->isHidden());
    ASSERT_TRUE(sheet->ApplyNow());
    EXPECT_TRUE(sheet->model().settings().midi.SoundFontChain().empty());
}

TEST_F(MidiPageTest, AFileThatIsNoSoundFontIsRefusedWithTheReason) {
    Open();
    for (const char* bad : {"wave.sf2", "short.sf2"}) {
        prompt.Clear();
        Add(fonts.File(bad));
        ASSERT_EQ(prompt.asked().size(), 1u) << bad;
        EXPECT_EQ(prompt.asked()[0].text, "ｻｳﾝﾄﾞﾌｫﾝﾄではありません: " + fonts.File(bad));
    }
    prompt.Clear();
    Add(fonts.File("missing.sf2"));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "ﾌｧｲﾙがありません: " + fonts.File("missing.sf2"));
    EXPECT_EQ(list->count(), 0);
    ASSERT_TRUE(sheet->ApplyNow());
    EXPECT_TRUE(sheet->model().settings().midi.SoundFontChain().empty());
}

TEST_F(MidiPageTest, AStoredChainIsShownAndTheLoopAndPortFieldsWriteTheirKeys) {
    s.midi.SetSoundFontChain({fonts.File("one.sf2"), fonts.File("two.sf3")});
    s.midi.loop_mode = 0;
    Open();
    EXPECT_EQ(Rows(), (std::vector<std::string>{F("one.sf2"), F("two.sf3")}));
    auto* mode = page->findChild<QComboBox*>("Midi/LoopMode");
    auto* count = page->findChild<QSpinBox*>("Midi/LoopCount");
    auto* fade = page->findChild<QSpinBox*>("Midi/LoopFade");
    ASSERT_TRUE(mode && count && fade);
    auto* port = page->findChild<QComboBox*>("Midi/Mt32Port");
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(mode->currentText(), "最後まで演奏する");
    EXPECT_EQ(count->value(), 2);
    EXPECT_EQ(fade->value(), 8);
    EXPECT_EQ(port->currentText(), "");
    EXPECT_EQ(port->lineEdit()->placeholderText(), "内蔵ｼﾝｾｻｲｻﾞｰ");

    mode->setCurrentIndex(1);
    count->setValue(3);
    fade->setValue(15);
    port->setCurrentText("Munt MT-32:Port 0");
    ASSERT_TRUE(sheet->ApplyNow());
    const settings::MidiExtra& midi = sheet->model().settings().midi;
    EXPECT_EQ(midi.loop_mode, 1);
    EXPECT_EQ(midi.loop_count, 3);
    EXPECT_EQ(midi.loop_fade, 15);
    EXPECT_EQ(midi.mt32_port, "Munt MT-32:Port 0");
    // The chain stayed as it was.
    EXPECT_EQ(midi.SoundFontChain(), (std::vector<std::string>{fonts.File("one.sf2"), fonts.File("two.sf3")}));

    // Out of range: refused, the old value kept.
    count->setValue(100);
    prompt.Clear();
    EXPECT_FALSE(sheet->ApplyNow());
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_NE(prompt.asked()[0].text.find("1 - 99"), std::string::npos) << prompt.asked()[0].text;
    EXPECT_EQ(sheet->model().settings().midi.loop_count, 3);
    fade->setValue(61);
    count->setValue(3);
    EXPECT_FALSE(sheet->ApplyNow());
    EXPECT_EQ(sheet->model().settings().midi.loop_fade, 15);
}

TEST_F(MidiPageTest, TheSynthesizerOptionsComeFromTheMidiKeys) {
    // What the back end is handed, read from a file as the user left it.
    const settings::Settings from = settings::ReadSettings(
        ini::Document::Parse("[Midi]\nSoundFont=/a.sf2\nSoundFont3=/b.sf2\nLoopMode=0\nLoopCount=4\nLoopFade=3\n"
                             "Mt32Port=MT:0\n",
                             ini::Encoding::Utf8),
        "/prog/");
    const playback::MidiSynthOptions o = app::MidiSynthOptionsFrom(from);
    EXPECT_EQ(o.sound_fonts, (std::vector<std::string>{"/a.sf2", "/b.sf2"}));
    EXPECT_EQ(o.loops.mode, midi::LoopOptions::Mode::PlayThrough);
    EXPECT_EQ(o.loops.count, 4);
    EXPECT_EQ(o.loops.fade_seconds, 3);
    EXPECT_EQ(o.mt32_port, "MT:0");
    // The defaults: the system's chain, two passes and eight seconds of fade.
    const playback::MidiSynthOptions d = app::MidiSynthOptionsFrom(settings::Settings{});
    EXPECT_TRUE(d.sound_fonts.empty());
    EXPECT_EQ(d.loops.mode, midi::LoopOptions::Mode::LoopThenFade);
    EXPECT_EQ(d.loops.count, 2);
    EXPECT_EQ(d.loops.fade_seconds, 8);
    EXPECT_EQ(d.mt32_port, "");
}
