// The RCP conversion window driven as the conversion drives it.
#include "playback/rcp_convert_dialog.h"

#include <QLabel>
#include <gtest/gtest.h>

#include "qt_app.h"

namespace nuko::playback {
namespace {

TEST(RcpConvertDialogTest, ShowsTheSongAndProgressAndClosesWithTheResult) {
    test::QtApp();
    for (bool ok : {true, false}) {
        RcpConvertDialog d;
        d.Begin("\x83\x65\x83\x58\x83\x67.rcp");  // a CP932 file name
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.windowTitle(), QStringLiteral("RCPCV 実行中..."));
        bool named = false;
        for (QLabel* l : d.findChildren<QLabel*>()) named = named || l->text() == QStringLiteral("テスト.rcp");
        EXPECT_TRUE(named);
        d.SetProgress(40);
        EXPECT_EQ(d.progress(), 40);
        d.End(ok);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), ok ? QDialog::Accepted : QDialog::Rejected);
    }
}

}  // namespace
}  // namespace nuko::playback
