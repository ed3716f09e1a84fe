// The SMF converter binding and its dialog, over a stand-in library built
// by the tests (its answers set through the environment).
#include "playback/smf_convert_dialog.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "qt_app.h"
#include "test_support.h"

using namespace nuko;
using playback::SmfkResult;

namespace {

class SmfConverterTest : public ::testing::Test {
protected:
    void SetUp() override { test::WriteBytes(song, "MThd-song"); }
    playback::SmfConvertRequest Request() const {
        playback::SmfConvertRequest r;
        r.library = NUKO_TEST_SMFK;
        r.song = song;
        r.out = dir.File("out.mid");
        r.cfg = dir.File("sc88.cfg");
        r.settings = {1, 0, 2, 3};
        return r;
    }

    test::TempDir dir;
    std::string song = dir.File("song.mid");
};

}  // namespace

TEST_F(SmfConverterTest, AConversionWritesTheOutputWithTheOptionsAndReportsProgress) {
    std::vector<int> progress;
    const auto r = Request();
    SmfkResult result =
        playback::ConvertSmf(r.library, r.song, r.out, r.cfg, r.settings, [&](int p) { progress.push_back(p); });
    EXPECT_EQ(result.outcome, SmfkResult::Converted);
    EXPECT_EQ(result.MessageId(), 0);
    EXPECT_EQ(progress, (std::vector<int>{50, 100}));
    EXPECT_EQ(test::ReadBytes(r.out), "MThd-song\n" + r.cfg + " 24 1 0 2 3\n");
    // -2 is success too.
    test::ScopedEnv code("TEST_SMFK_RESULT", "-2");
    EXPECT_EQ(playback::ConvertSmf(r.library, r.song, r.out, r.cfg, r.settings, {}).outcome, SmfkResult::Converted);
}

TEST_F(SmfConverterTest, AMissingOrOldLibraryAndErrorCodes) {
    const auto r = Request();
    // No library: silently off.
    SmfkResult none = playback::ConvertSmf(dir.File("libsmfk32.so"), r.song, r.out, r.cfg, r.settings, {});
    EXPECT_EQ(none.outcome, SmfkResult::Unavailable);
    EXPECT_EQ(none.MessageId(), 0);
    {
        test::ScopedEnv version("TEST_SMFK_VERSION", "211");
        SmfkResult old = playback::ConvertSmf(r.library, r.song, r.out, r.cfg, r.settings, {});
        EXPECT_EQ(old.outcome, SmfkResult::TooOld);
        EXPECT_EQ(old.MessageId(), strings::kSmfkTooOld);
    }
    for (int code : {0, 4, 7}) {
        test::ScopedEnv result("TEST_SMFK_RESULT", std::to_string(code));
        SmfkResult failed = playback::ConvertSmf(r.library, r.song, r.out, r.cfg, r.settings, {});
        EXPECT_EQ(failed.outcome, SmfkResult::Failed);
        EXPECT_EQ(failed.MessageId(), strings::kFirstSmfkError + code);
        EXPECT_EQ(test::FolderEntries(dir.path()), (std::vector<std::string>{"song.mid"}))
            << "the half-written output is removed";
    }
    EXPECT_EQ(LoadString(strings::kFirstSmfkError + 7), "ﾕｰｻﾞｰにより中断されました.");
}

TEST_F(SmfConverterTest, TheDialogShowsTheFilesAndClosesWithTheResult) {
    test::QtApp();
    auto r = Request();
    r.song_label = "song.rcp(.mid)";
    {
        playback::SmfConvertDialog dialog(r, nullptr);
        EXPECT_EQ(dialog.windowTitle(), "SMFﾅｲﾌ 実行中...");
        QStringList labels;
        for (QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
        EXPECT_TRUE(labels.contains("song.rcp(.mid)"));
        EXPECT_TRUE(labels.contains("sc88.cfg"));
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        EXPECT_EQ(dialog.findChild<QProgressBar*>()->value(), 100);
    }
    EXPECT_EQ(playback::RunSmfConversion(r, true, nullptr), r.out);
    EXPECT_EQ(playback::RunSmfConversion(r, false, nullptr), r.out);

    // An error shows in the dialog for 2.5 s, then it closes as cancelled.
    test::ScopedEnv code("TEST_SMFK_RESULT", "7");
    playback::SmfConvertDialog failing(r, nullptr);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(failing.exec(), QDialog::Rejected);
    EXPECT_GE(t.elapsed(), 2400);
    bool shown = false;
    for (QLabel* l : failing.findChildren<QLabel*>())
        shown = shown || l->text().contains("ﾕｰｻﾞｰにより中断されました.");
    EXPECT_TRUE(shown);
    EXPECT_FALSE(failing.findChild<QProgressBar*>()->isVisibleTo(&failing));
    EXPECT_EQ(playback::RunSmfConversion(r, false, nullptr), "");
}
