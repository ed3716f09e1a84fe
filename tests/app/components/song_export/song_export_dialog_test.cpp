// The export's dialog on its own, and the File menu's command through the
// main window: the choices are kept in the settings, the songs are written
// with the real synthesizer module, a song that fails is told.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <chrono>

#include "app/components/song_export/song_export_dialog.h"
#include "core/commands/command_ids.h"
#include "frame_fixture.h"
#include "manual_clock.h"
#include "media_fixtures.h"
#include "playback/sound_font.h"

namespace nuko::app {
namespace {

using test::Child;

// A format-0 song: a track name, 4 quarter notes at 120 a minute (2 s).
std::string Song(std::string_view name) {
    test::SmfWriter w(480, 0);
    w.Track();
    w.Raw(0, std::string{'\xFF', '\x03', static_cast<char>(name.size())} + std::string(name));
    for (int i = 0; i < 4; ++i) w.Note(0, 60 + i, 480);
    return w.EndAfter(0).Bytes();
}

TEST(ExportDialogTest, ShowsTheChoicesAndGivesBackWhatTheUserChose) {
    test::QtApp();
    test::ScriptedPrompt prompt;
    ScopedPrompt scope(&prompt);
    ExportDialog dialog(ExportChoices{false, "/music/old", level::AudioFormat::Ogg}, true);
    auto* selected = Child<QRadioButton>(&dialog, "selected");
    auto* all = Child<QRadioButton>(&dialog, "all");
    auto* folder = Child<QLineEdit>(&dialog, "folder");
    auto* format = Child<QComboBox>(&dialog, "format");
    EXPECT_EQ(selected->text(), QStringLiteral("選択した曲"));
    EXPECT_EQ(all->text(), QStringLiteral("一覧のすべて"));
    EXPECT_EQ(Child<QPushButton>(&dialog, "browse")->text(), QStringLiteral("参照..."));
    EXPECT_TRUE(selected->isChecked());
    EXPECT_EQ(folder->text(), QStringLiteral("/music/old"));
    ASSERT_EQ(format->count(), 4);
    EXPECT_EQ(format->itemText(0), QStringLiteral("WAVE"));
    EXPECT_EQ(format->itemText(1), QStringLiteral("FLAC"));
    EXPECT_EQ(format->itemText(2), QStringLiteral("Ogg Vorbis"));
    EXPECT_EQ(format->itemText(3), QStringLiteral("MP3"));
    EXPECT_EQ(format->currentText(), QStringLiteral("Ogg Vorbis"));

    all->setChecked(true);
    folder->setText(QStringLiteral("  /music/new "));
    format->setCurrentIndex(3);
    EXPECT_EQ(dialog.choices(), (ExportChoices{true, "/music/new", level::AudioFormat::Mp3}));

    // No folder: told, and the dialog stays.
    folder->clear();
    dialog.show();
    dialog.accept();
    EXPECT_EQ(prompt.asked().size(), 1u);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    // Without a selected song only the whole list can be chosen.
    ExportDialog none(ExportChoices{false, "/m", level::AudioFormat::Flac}, false);
    EXPECT_FALSE(Child<QRadioButton>(&none, "selected")->isEnabled());
    EXPECT_TRUE(Child<QRadioButton>(&none, "all")->isChecked());
}

TEST(ExportDialogTest, TheProgressShowsTheSongAndTheShareAndCancelAsksTheJobToStop) {
    test::QtApp();
    ExportProgressDialog dialog;
    int cancels = 0;
    QObject::connect(&dialog, &ExportProgressDialog::cancelled, [&] { ++cancels; });
    dialog.show();
    dialog.Show(ExportProgress{1, 20, "曲名", 0.0625});
    EXPECT_EQ(Child<QLabel>(&dialog, "song")->text(), QStringLiteral("2/20  曲名"));
    EXPECT_EQ(Child<QProgressBar>(&dialog, "share")->value(), 63);  // of 1000
    auto* cancel = Child<QPushButton>(&dialog, "cancel");
    EXPECT_EQ(cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    cancel->click();
    EXPECT_EQ(cancels, 1);
    // It stays up until the job has stopped; closing it is a cancel too.
    EXPECT_TRUE(dialog.isVisible());
    dialog.close();
    EXPECT_EQ(cancels, 2);
}

TEST(ExportChoicesTest, TheSettingsGiveTheDefaultsAndKeepTheChoices) {
    settings::Settings s;  // no folder, FLAC
    EXPECT_EQ(ExportChoicesFrom(s, "/home/u/Music", true), (ExportChoices{false, "/home/u/Music", level::AudioFormat::Flac}));
    EXPECT_TRUE(ExportChoicesFrom(s, "/home/u/Music", false).all);
    s.export_.format = 9;  // out of range in the file
    EXPECT_EQ(ExportChoicesFrom(s, "/m", true).format, level::AudioFormat::Flac);
    StoreExportChoices(ExportChoices{true, "/out", level::AudioFormat::Wav}, s);
    EXPECT_EQ(s.export_.folder, "/out");
    EXPECT_EQ(s.export_.format, 0);
    StoreExportChoices(ExportChoices{true, "/out", level::AudioFormat::Mp3}, s);
    EXPECT_EQ(s.export_.format, 3);
    EXPECT_EQ(ExportChoicesFrom(s, "/m", true), (ExportChoices{false, "/out", level::AudioFormat::Mp3}));
}

TEST(ExportChoicesTest, TheEndMessageNamesTheSongsThatFailed) {
    ExportReport report;
    report.items = {{"/a.mid", "A", "/o/A.flac", true, {}}, {"/b.mid", "B", {}, false, "開けません: /b.mid"}};
    EXPECT_EQ(ExportEndMessage(report), "書き出せなかった曲があります.\n\nB: 開けません: /b.mid");
    report.stopped = "止めました.";
    EXPECT_EQ(ExportEndMessage(report), "書き出せなかった曲があります.\n\nB: 開けません: /b.mid\n\n止めました.");
    report.items.pop_back();
    EXPECT_EQ(ExportEndMessage(report), "止めました.");
    report.stopped.clear();
    EXPECT_EQ(ExportEndMessage(report), "");
    report.cancelled = true;
    report.items.push_back({"/b.mid", "B", {}, false, "x"});
    EXPECT_EQ(ExportEndMessage(report), "");  // the user knows: nothing to say
}

class ExportCommandTest : public test::FrameFixture<test::ManualClock> {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        NUKO_REQUIRE_TOOL(!playback::DefaultSoundFonts().empty(), "no sound font on this machine (fluid-soundfont-gm)");
        program_folder = std::string(NUKO_PROGRAM_DIR) + "/";
        test::WriteBytes(midi.File("a.mid"), Song("Alpha"));
        test::WriteBytes(midi.File("b.mid"), Song("Beta"));
        // c.mid stays "x": no song.
    }
    // Runs the event loop until `done` or a minute passed.
    template <typename Done>
    bool Until(Done done) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!done() && std::chrono::steady_clock::now() < give_up) QApplication::processEvents(QEventLoop::AllEvents, 50);
        return done();
    }
    test::TempDir out;
};

TEST_F(ExportCommandTest, TheFileMenuExportsTheListAndKeepsTheChoices) {
    Make();
    EXPECT_EQ(router.Text(cmd::kExport), "書き出し(&X)...");
    ASSERT_TRUE(router.IsEnabled(cmd::kExport));
    bool seen = false;
    test::OnModal<ExportDialog>([&](ExportDialog* dialog) {
        seen = true;
        // The first time: the music folder and FLAC.
        EXPECT_EQ(Child<QLineEdit>(dialog, "folder")->text(),
                  QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
        EXPECT_EQ(Child<QComboBox>(dialog, "format")->currentText(), QStringLiteral("FLAC"));
        Child<QRadioButton>(dialog, "all")->setChecked(true);
        Child<QLineEdit>(dialog, "folder")->setText(QString::fromStdString(out.path()));
        Child<QComboBox>(dialog, "format")->setCurrentIndex(0);
        dialog->accept();
    });
    prompt.Clear();
    frame->RunCommand(cmd::kExport);
    ASSERT_TRUE(seen);
    // The choices are in the file at once.
    const settings::Settings stored = store->ReadAll();
    EXPECT_EQ(stored.export_.folder, out.path());
    EXPECT_EQ(stored.export_.format, 0);

    // c.mid is no song: the end tells it.
    ASSERT_TRUE(Until([&] { return !prompt.asked().empty(); }));
    const std::string& told = prompt.asked()[0].text;
    EXPECT_NE(told.find("書き出せなかった曲があります"), std::string::npos) << told;
    EXPECT_NE(told.find("\nc: "), std::string::npos) << told;
    std::vector<std::string> files = test::FolderEntries(out.path());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Alpha.wav", "Beta.wav"}));

    // The next time the dialog starts from them.
    test::OnModal<ExportDialog>([&](ExportDialog* dialog) {
        EXPECT_EQ(Child<QLineEdit>(dialog, "folder")->text().toStdString(), out.path());
        EXPECT_EQ(Child<QComboBox>(dialog, "format")->currentText(), QStringLiteral("WAVE"));
        dialog->reject();
    });
    frame->RunCommand(cmd::kExport);
    EXPECT_EQ(test::FolderEntries(out.path()).size(), 2u);
}

TEST_F(ExportCommandTest, OnlyTheMidiKindWithSongsExports) {
    Make();
    EXPECT_TRUE(router.IsEnabled(cmd::kExport));
    frame->RunCommand(cmd::KindId(media::MediaKind::Sound));
    Events();
    EXPECT_FALSE(router.IsEnabled(cmd::kExport));
}

TEST_F(ExportCommandTest, AnEmptyMidiListHasNothingToExport) {
    s.kinds[0].path = out.path();
    Make();
    EXPECT_FALSE(router.IsEnabled(cmd::kExport));
}

}  // namespace
}  // namespace nuko::app
