// Qt's own dialogs in Japanese: the translation the programs install at
// start reaches the buttons of message boxes and the file dialog.
// NUKO_SCREENSHOT_DIR=folder also saves the file dialog as a picture.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "nuko/qt_translations.h"
#include "qt_app.h"
#include "test_support.h"

using namespace nuko;

namespace {

bool HasJapanese(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF) return true;
    return false;
}

}  // namespace

TEST(QtDialogs, SpeakJapaneseOnceTheTranslationIsInstalled) {
    QApplication& app = test::QtApp();
    QDialogButtonBox before(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_FALSE(HasJapanese(before.button(QDialogButtonBox::Cancel)->text()));

    ASSERT_TRUE(InstallQtTranslations(app)) << "qt6-translations-l10n is not installed";
    QDialogButtonBox after(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    EXPECT_TRUE(HasJapanese(after.button(QDialogButtonBox::Cancel)->text()))
        << after.button(QDialogButtonBox::Cancel)->text().toStdString();
    EXPECT_TRUE(HasJapanese(after.button(QDialogButtonBox::Open)->text()));

    test::TempDir folder;
    test::WriteBytes(folder.File("曲.mid"), "MThd");
    QFileDialog dialog(nullptr, QStringLiteral("ファイルを開く"), QString::fromStdString(folder.path()),
                       QStringLiteral("MIDI (*.mid)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.resize(640, 420);
    dialog.show();
    QApplication::processEvents();
    int japanese = 0;
    for (QLabel* label : dialog.findChildren<QLabel*>()) japanese += HasJapanese(label->text());
    EXPECT_GE(japanese, 2);  // "Look in:", "File name:", "Files of type:"

    if (const char* dir = std::getenv("NUKO_SCREENSHOT_DIR")) {
        QApplication::processEvents();
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/qt-file-dialog-ja.png")));
    }
}
