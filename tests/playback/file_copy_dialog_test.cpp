// The window of a copy to the work folder, driven as the device drives it,
// and its Cancel button.
#include "playback/file_copy_dialog.h"

#include <QAbstractButton>
#include <QProgressDialog>
#include <QTest>
#include <gtest/gtest.h>

#include "qt_app.h"

namespace nuko::playback {
namespace {

TEST(FileCopyDialogTest, ShowsTheFileAndProgressAndHandsCancelBack) {
    test::QtApp();
    FileCopyDialog d(nullptr);
    int cancels = 0;
    d.Begin("\xE6\x98\xA0\xE7\x94\xBB.mpg", [&] { ++cancels; });  // "映画.mpg"
    QProgressDialog* w = d.window();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ﾌｧｲﾙｺﾋﾟｰ中..."));
    EXPECT_EQ(w->labelText(), QStringLiteral("映画.mpg"));
    d.SetProgress(30);
    EXPECT_EQ(w->value(), 30);
    d.SetProgress(100);
    EXPECT_TRUE(w->isVisible());  // the end of the copy closes it, not the bar

    QAbstractButton* cancel = nullptr;
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) cancel = b;
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(cancels, 1);
    d.SetProgress(40);  // what comes after Cancel changes nothing
    d.End();
    EXPECT_EQ(d.window(), nullptr);
    EXPECT_EQ(cancels, 1);
}

}  // namespace
}  // namespace nuko::playback
