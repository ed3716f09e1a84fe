#include "catconvert/catalog_convert.h"

#include <sys/stat.h>

#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "catconvert/convert_dialog.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko::catconvert;
using nuko::PromptAnswer;
using nuko::test::ReadBytes;
using nuko::test::ScriptedPrompt;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// Titles as the media title reader would give them, keyed by file name.
TitleReader FakeTitles() {
    return [](const std::string& p) -> std::string {
        if (p.ends_with("a.mid")) return "Song A\x01 \t  ";
        return "";
    };
}

// Clicks the dialog's button of that name from inside its event loop; a
// missing button fails the test and closes the dialog, so exec returns.
void Click(QDialog& dialog, const char* name) {
    if (auto* button = dialog.findChild<QPushButton*>(QString::fromUtf8(name))) {
        button->click();
        return;
    }
    ADD_FAILURE() << "no button " << name;
    dialog.reject();
}

}  // namespace

TEST(CatalogConvert, OnlyATitle) {
    TempDir dir;
    WriteBytes(dir.File("old.mit"), "\x8B\xC8\x88\xEA\x97\x97\r\n");  // "曲一覧"
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope(&prompt);
    EXPECT_EQ(ConvertWithPrompts(dir.File("old.mit"), FakeTitles()), 1);
    EXPECT_EQ(ReadBytes(dir.File("old.mit")), "Ver 1.00\r\n\x8B\xC8\x88\xEA\x97\x97\r\n\r\n\x1a");
    EXPECT_TRUE(prompt.asked().empty());
}

TEST(CatalogConvert, MidiTitlesAndSecondColumns) {
    TempDir dir;
    WriteBytes(dir.File("a.mid"), "x");
    WriteBytes(dir.File("old.mit"), "Title\r\na.mid\r\nb.mid\tinit.cfg\r\n");
    OldCatalog c;
    ASSERT_EQ(ReadOldCatalog(dir.File("old.mit"), FakeTitles(), c), ReadOutcome::Read);
    EXPECT_EQ(SerializeConverted(c), "Ver 1.00\r\nTitle\r\n\r\na.mid\tSong A\r\nb.mid\t\tinit.cfg\r\n\x1a");
}

TEST(CatalogConvert, SoundCatalogCarriesTheWholeSecondColumn) {
    TempDir dir;
    WriteBytes(dir.File("old.wat"), "T\r\nP.wav\tX\tY\r\n\x1a" "ignored\r\n");
    OldCatalog c;
    ASSERT_EQ(ReadOldCatalog(dir.File("old.wat"), nullptr, c), ReadOutcome::Read);
    EXPECT_EQ(SerializeConverted(c), "Ver 1.00\r\nT\r\n\r\nP.wav\tP.wav\tX\tY\r\n\x1a");
}

TEST(CatalogConvert, CurrentOrMissingFilesAreNotTouched) {
    TempDir dir;
    const std::string current = "Ver 1.00\r\nT\r\n\r\n\x1a";
    WriteBytes(dir.File("c.mit"), current);
    ScriptedPrompt prompt;
    nuko::ScopedPrompt scope(&prompt);
    EXPECT_EQ(ConvertWithPrompts(dir.File("c.mit"), FakeTitles()), 0);
    EXPECT_EQ(ReadBytes(dir.File("c.mit")), current);
    EXPECT_EQ(ConvertWithPrompts(dir.File("none.mit"), FakeTitles()), 0);
    EXPECT_EQ(prompt.ids(), (std::vector<int>{202, 201}));
    EXPECT_EQ(prompt.asked()[0].text, "ｺﾝﾊﾞｰﾄ済みです.");
}

TEST(CatalogConvert, WriteProtectedRetryThenCancel) {
    TempDir dir;
    std::string folder = dir.File("ro/");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string old = "T\r\nx.mid\r\n";
    WriteBytes(folder + "old.mit", old);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    // The conversion runs as an ordinary user, so that root is refused too;
    // the child reports what it was asked through its exit code.
    bool ok = nuko::test::AsUnprivilegedUser(dir.path(), [&] {
        ScriptedPrompt prompt;
        nuko::ScopedPrompt scope(&prompt);
        prompt.Answer(PromptAnswer::Retry);
        prompt.Answer(PromptAnswer::Retry);
        prompt.Answer(PromptAnswer::Cancel);
        int r = ConvertWithPrompts(folder + "old.mit", FakeTitles());
        return r == 0 && prompt.ids() == std::vector<int>{203, 203, 203, 204};
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadBytes(folder + "old.mit"), old);
}

TEST(CatalogConvertDialog, StartConvertsAndClosesWithOne) {
    nuko::test::QtApp();
    TempDir dir;
    WriteBytes(dir.File("old.mot"), "Movies\r\nclip.avi\r\n");
    ConvertDialog dialog(dir.File("old.mot"), FakeTitles());
    QTimer::singleShot(0, [&] { Click(dialog, "start"); });
    dialog.exec();
    EXPECT_EQ(dialog.conversion_result(), 1);
    EXPECT_EQ(ReadBytes(dir.File("old.mot")), "Ver 1.00\r\nMovies\r\n\r\nclip.avi\tclip.avi\r\n\x1a");

    WriteBytes(dir.File("old2.mot"), "Movies\r\n");
    ConvertDialog cancelled(dir.File("old2.mot"), FakeTitles());
    QTimer::singleShot(0, [&] { Click(cancelled, "cancel"); });
    cancelled.exec();
    EXPECT_EQ(cancelled.conversion_result(), 0);
    EXPECT_EQ(ReadBytes(dir.File("old2.mot")), "Movies\r\n");
}
