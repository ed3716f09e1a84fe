#include "cd/cd_title_dialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QInputDevice>
#include <QKeyEvent>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "cd_test_util.h"
#include "cd/multi_cd_drive_dialog.h"
#include "cd/program_order_dialog.h"
#include "qt_app.h"
#include "scripted_prompt.h"

using namespace nuko::cd;
using nuko::PromptAnswer;
using nuko::media::MediaList;
using nuko::test::CdFixture;
using nuko::test::Disc;
using nuko::test::ReadBytes;
using nuko::test::ScriptedPrompt;
using nuko::test::Time;
using nuko::test::WriteBytes;

namespace {

// Qt's default keyboard, made before the test program's QApplication: Qt's
// device registry then outlives the application, and the keyboard, having
// no parent, is not destroyed with it (at exit that would touch a registry
// already gone).
const QInputDevice* const kKeyboard = QInputDevice::primaryKeyboard();

// Key presses sent straight to the widget.
void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, 0, 0, 0, text, false, 1, kKeyboard);
    QKeyEvent release(QEvent::KeyRelease, key, mods, 0, 0, 0, text, false, 1, kKeyboard);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

void Typed(QWidget* w, const QString& text) {
    for (QChar c : text) Key(w, 0, Qt::NoModifier, QString(c));
}

struct DialogFixture : CdFixture {
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope{&prompt};
    nuko::cd::TitleDialogSettings section;
    MediaList record;
    std::vector<std::vector<std::string>> started;
    std::unique_ptr<CdTitleDialog> dialog;

    DialogFixture() {
        nuko::test::QtApp();
        section.also_save = true;
        db.LookupDisc(record, Disc({Time(4, 12, 40), Time(3, 58, 20), Time(5, 0, 0)}));
        dialog = std::make_unique<CdTitleDialog>(db, record, BcaNumbers{}, section);
        dialog->editor().SetProgramStarter([this](const std::vector<std::string>& argv) {
            started.push_back(argv);
            return true;
        });
        dialog->show();
    }

    template <typename T>
    T* Find(const char* name) {
        return nuko::test::Child<T>(dialog.get(), name);
    }
    QTreeWidget* Tracks() { return Find<QTreeWidget>("tracks"); }
    QString Cell(int row, int column) { return Tracks()->topLevelItem(row)->text(column); }
    int CurrentRow() { return Tracks()->indexOfTopLevelItem(Tracks()->currentItem()); }
    void Type(const char* edit, const QString& text) {
        auto* e = Find<QLineEdit>(edit);
        e->setText(text);
        Key(e, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    }
};

}  // namespace

TEST(CdTitleDialog, ShowsTheRecord) {
    DialogFixture f;
    EXPECT_EQ(f.dialog->windowTitle().toStdString(), "CDﾀｲﾄﾙ & 曲名編集<< " + f.db.default_file() + " >>");
    ASSERT_EQ(f.Tracks()->topLevelItemCount(), 3);
    EXPECT_EQ(f.Cell(0, 0), "01");
    EXPECT_EQ(f.Cell(0, 1), "04:12");
    EXPECT_EQ(f.Cell(2, 2), "Track 03");
    EXPECT_EQ(f.Cell(2, 3), "3");
    EXPECT_EQ(f.Tracks()->columnWidth(2), 300);
    EXPECT_EQ(f.CurrentRow(), 0);
    EXPECT_EQ(f.Find<QLabel>("track_label")->text(), "曲名 [01]");
    EXPECT_EQ(f.Find<QLineEdit>("track_title")->text(), "Track 01");
    EXPECT_TRUE(f.Find<QCheckBox>("also_save")->isChecked());
}

TEST(CdTitleDialog, EnterAppliesAndMovesOn) {
    DialogFixture f;
    f.Type("track_title", QStringLiteral("最初"));
    EXPECT_EQ(f.dialog->record().items[0].title, "最初");
    EXPECT_EQ(f.Cell(0, 2), "最初");
    EXPECT_EQ(f.CurrentRow(), 1);
    EXPECT_EQ(f.Find<QLabel>("track_label")->text(), "曲名 [02]");

    f.Type("program_number", QStringLiteral("9"));
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{147});
    EXPECT_EQ(f.Find<QLineEdit>("program_number")->text(), "2");
    EXPECT_EQ(f.CurrentRow(), 1);
    f.Type("program_number", QStringLiteral("1"));
    EXPECT_EQ(f.Cell(0, 3), "2");
    EXPECT_EQ(f.Cell(1, 3), "1");
    EXPECT_EQ(f.CurrentRow(), 2);
    EXPECT_TRUE(f.dialog->editor().modified());

    // A typed title is kept when another row is chosen.
    Typed(f.Find<QLineEdit>("track_title"), QStringLiteral("!"));
    f.Tracks()->setCurrentItem(f.Tracks()->topLevelItem(0));
    EXPECT_EQ(f.dialog->record().items[2].title, "Track 03!");
}

TEST(CdTitleDialog, SpaceTogglesMarkers) {
    DialogFixture f;
    f.Tracks()->setFocus();
    Key(f.Tracks(), Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_EQ(f.Cell(0, 2), "@Track 01");
    Key(f.Tracks(), Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" "));
    EXPECT_EQ(f.Cell(0, 2), "$Track 01");
    EXPECT_EQ(f.Find<QLineEdit>("track_title")->text(), "$Track 01");
    Key(f.Tracks(), Qt::Key_Space, Qt::ControlModifier, QStringLiteral(" "));
    EXPECT_EQ(f.dialog->record().items[0].title, "Track 01");
    // Other keys still move through the list.
    Key(f.Tracks(), Qt::Key_Down);
    EXPECT_EQ(f.CurrentRow(), 1);
}

TEST(CdTitleDialog, SaveWritesAndAccepts) {
    DialogFixture f;
    auto* artist = f.Find<QLineEdit>("artist");
    Typed(artist, QStringLiteral("Singer"));
    f.prompt.Answer(PromptAnswer::Yes);  // 219: add to the file
    f.Find<QPushButton>("save")->click();
    EXPECT_EQ(f.dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_EQ(f.dialog->record().title, "Singer");
    EXPECT_NE(ReadBytes(f.db.default_file()).find("Artist=Singer"), std::string::npos);
    EXPECT_EQ(f.started.size(), 1u);
    EXPECT_TRUE(f.section.also_save);
}

TEST(CdTitleDialog, CloseAsksAndSettingsGoBack) {
    DialogFixture f;
    f.Tracks()->setColumnWidth(2, 222);
    f.Find<QCheckBox>("also_save")->setChecked(false);
    f.Find<QCheckBox>("program_play")->click();
    f.prompt.Answer(PromptAnswer::Cancel);
    f.Find<QPushButton>("close")->click();
    EXPECT_TRUE(f.dialog->isVisible());
    f.prompt.Answer(PromptAnswer::No);
    Key(f.dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_EQ(f.dialog->result(), QDialog::Rejected);
    EXPECT_EQ(f.prompt.ids(), (std::vector<int>{186, 186}));
    EXPECT_EQ(f.section.column_widths[2], 222);
    EXPECT_EQ(f.section.column_widths[3], 30);
    EXPECT_FALSE(f.section.also_save);
    EXPECT_EQ(ReadBytes(f.db.default_file()), "");
}

TEST(CdTitleDialog, ImportPasteAndCopy) {
    DialogFixture f;
    std::string csv = f.dir.File("list.csv");
    WriteBytes(csv, f.Cp932("\"盤\"\r\n\"歌手\"\r\n\"01\",\"いち\",\"\"\r\n"));
    int offered_filter = 0;
    std::string offered_folder;
    CdTitleDialog::FileDialogs dialogs;
    dialogs.import_file = [&](const std::string& folder, int* filter) {
        offered_folder = folder;
        offered_filter = *filter;
        *filter = 4;
        return csv;
    };
    f.dialog->SetFileDialogs(dialogs);
    CdTitleEditor::RememberedImport() = {};
    f.prompt.Answer(PromptAnswer::Yes);
    f.Find<QPushButton>("import")->click();
    EXPECT_EQ(offered_filter, 1);
    EXPECT_EQ(offered_folder, f.dir.path() + "data/");
    EXPECT_EQ(f.Find<QLineEdit>("artist")->text(), "歌手");
    EXPECT_EQ(f.Cell(0, 2), "いち");
    EXPECT_EQ(CdTitleEditor::RememberedImport().filter, 4);
    EXPECT_EQ(CdTitleEditor::RememberedImport().folder, f.dir.path());

    f.Find<QPushButton>("copy")->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("歌手\r\n盤\r\n\r\nいち\r\nTrack 02\r\nTrack 03\r\n"));
    QApplication::clipboard()->setText(QStringLiteral("A\nT\n\n1\n2\n3\n"));
    f.prompt.Answer(PromptAnswer::Yes);
    f.Find<QPushButton>("paste")->click();
    EXPECT_EQ(f.Find<QLineEdit>("title")->text(), "T");
    EXPECT_EQ(f.Cell(2, 2), "3");
    EXPECT_EQ(f.Find<QLineEdit>("track_title")->text(), "1");
}

TEST(ProgramOrderDialog, MovesGiveProgramNumbers) {
    nuko::test::QtApp();
    MediaList r;
    r.items.resize(3);
    for (int i = 0; i < 3; ++i) {
        r.items[static_cast<std::size_t>(i)].name = "00:0" + std::to_string(i) + ":00";
        r.items[static_cast<std::size_t>(i)].number = i + 1;
    }
    r.items[0].number = 3;
    r.items[2].number = 1;
    ProgramOrderDialog d(r);
    auto* list = d.findChild<QListWidget*>(QStringLiteral("order"));
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("03")));
    EXPECT_EQ(d.ProgramNumbers(), (std::vector<int>{3, 2, 1}));
    d.MoveSelected(1);  // track 3 moves after track 2
    EXPECT_EQ(d.ProgramNumbers(), (std::vector<int>{3, 1, 2}));
    d.MoveSelected(5);
    EXPECT_EQ(d.ProgramNumbers(), (std::vector<int>{3, 1, 2}));
}

TEST(MultiCdDriveDialog, OneCheckedLinePerDriveAndTheButtonsTickThemAll) {
    nuko::test::QtApp();
    MultiCdDriveDialog::Flags used;
    used.fill(true);
    used[1] = false;
    std::vector<CdDrive> drives = {{'D', "/dev/sr0", false}, {'E', "/dev/sr1", false}, {0, "/discs/a.cue", true}};
    MultiCdDriveDialog dialog(drives, used);
    QListWidget& list = dialog.list();
    ASSERT_EQ(list.count(), 2);  // images take no part
    EXPECT_EQ(list.item(0)->text().toStdString(),
              "ﾄﾞﾗｲﾌﾞ:                         D  (No.1)  /dev/sr0");
    EXPECT_EQ(list.item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list.currentRow(), 0);
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text().startsWith(QStringLiteral("すべて選択"))) b->click();
    EXPECT_TRUE(dialog.used()[0] && dialog.used()[1]);
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text().startsWith(QStringLiteral("すべて非選択"))) b->click();
    EXPECT_FALSE(dialog.used()[0] || dialog.used()[1]);
    EXPECT_TRUE(dialog.used()[2]);  // beyond the list: kept

    MultiCdDriveDialog none({}, used);
    ASSERT_EQ(none.list().count(), 1);
    EXPECT_EQ(none.list().item(0)->text(), QStringLiteral("CD-ROMﾄﾞﾗｲﾌﾞ無"));
    EXPECT_EQ(none.used(), used);
}
