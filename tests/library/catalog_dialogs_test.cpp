// The catalog editor's and the related-file dialogs over their models.
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdlib>

#include <gtest/gtest.h>

#include "library/catalog_editor_dialog.h"
#include "library/related_files_dialog.h"
#include "nuko/string_ids.h"
#include "qt_app.h"
#include "scripted_prompt.h"
#include "test_support.h"

using namespace nuko;
using namespace nuko::media;
using nuko::test::Child;
using nuko::test::ScriptedPrompt;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// Screenshots for the documentation, when a folder is named for them.
void Shoot(QWidget& w, const char* name) {
    const char* folder = std::getenv("NUKO_SCREENSHOT_DIR");
    if (!folder) return;
    w.show();
    QApplication::processEvents();
    w.grab().save(QString::fromUtf8(folder) + "/" + name);
}

class CatalogDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { test::QtApp(); }
    media::CatalogEditor Editor(media::MediaKind kind = media::MediaKind::Midi) {
        media::CatalogEditor::Environment env;
        env.read_title = [this](const std::string& path, bool) {
            ++titles;
            if (on_title) on_title();
            return "ﾀｲﾄﾙ " + std::string(path::Stem(path));
        };
        return media::CatalogEditor(kind, {}, env);
    }
    TempDir dir;
    ScriptedPrompt prompt;
    ScopedPrompt scope{&prompt};
    int titles = 0;
    std::function<void()> on_title;
};

TEST_F(CatalogDialogsTest, TheEditorShowsItsCatalogAndClosesUnchangedWithoutAsking) {
    for (const char* n : {"夜想曲.mid", "b.mid", "c.rcp"}) WriteBytes(dir.File(n), "MThd");
    auto editor = Editor();
    editor.ShowFolder(dir.path(), 0);
    editor.RegisterAll({dir.File("b.mid"), dir.File("夜想曲.mid")});
    editor.SetTitle("ﾋﾟｱﾉ曲集");
    ASSERT_TRUE(editor.SaveAs(dir.File("piano.mit")));
    CatalogEditorDialog dialog(editor);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "MIDI ｶﾀﾛｸﾞ編集<< " + dir.File("piano.mit") + " >>");
    EXPECT_EQ(dialog.file_list()->count(), 3);
    EXPECT_EQ(dialog.row_list()->count(), 2);
    EXPECT_EQ(Child<QLineEdit>(&dialog, "init_file")->isVisibleTo(&dialog), true);
    dialog.row_list()->setCurrentRow(1);
    EXPECT_EQ(Child<QLineEdit>(&dialog, "item_title")->text().toStdString(), "ﾀｲﾄﾙ 夜想曲");
    Shoot(dialog, "catalog_editor.png");

    dialog.reject();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(prompt.asked().empty());
}

TEST_F(CatalogDialogsTest, RegisteringManyFilesShowsProgressAndTheRowsCome) {
    auto editor = Editor();
    CatalogEditorDialog dialog(editor);
    dialog.show();
    auto* progress = Child<QProgressBar>(&dialog, "progress");
    int seen_value = -1;
    bool shown = false;
    on_title = [&] {
        if (titles == 4000) {
            shown = progress->isVisible();
            seen_value = progress->value();
        }
    };
    std::vector<std::string> paths;
    for (int i = 0; i < 5000; ++i) paths.push_back("/songs/" + std::to_string(i) + ".mid");
    // Through the dialog's own list, as ">>" would.
    editor.ShowFolder(dir.path(), 0);
    dialog.Refresh();
    editor.RegisterAll(paths);
    EXPECT_TRUE(shown);
    EXPECT_GT(seen_value, 0);
    dialog.Refresh();
    EXPECT_EQ(dialog.row_list()->count(), 5000);

    prompt.Answer(PromptAnswer::Cancel);
    dialog.reject();  // modified: the question, and Cancel stays
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kAskSaveChanges});
    EXPECT_TRUE(dialog.isVisible());
    prompt.Answer(PromptAnswer::No);
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(CatalogDialogsTest, MoviesHaveNoInitFileControls) {
    auto editor = Editor(media::MediaKind::Movie);
    CatalogEditorDialog dialog(editor);
    EXPECT_FALSE(Child<QLineEdit>(&dialog, "init_file")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(&dialog, "init_file")->isVisibleTo(&dialog));
    EXPECT_FALSE(Child<QPushButton>(&dialog, "archive_check")->isEnabled());  // archives are off
    EXPECT_EQ(dialog.windowTitle().toStdString(), "動画 ｶﾀﾛｸﾞ編集<<  >>");
}

TEST_F(CatalogDialogsTest, TheRelatedFileDialogFollowsTheChosenType) {
    WriteBytes(dir.File("song.mid"), "MThd");
    WriteBytes(dir.File("song.txt"), "notes");
    media::RelatedFileSettings settings;
    settings.Command(0) = "mousepad";
    media::RelatedFiles model(settings, dir.File("song.mid"), false);
    int runs = 0;
    std::vector<media::RelatedFileSettings> saved;
    RelatedFilesDialog dialog(
        model,
        [&] {
            ++runs;
            return true;
        }, [&](const media::RelatedFileSettings& s) { saved.push_back(s); });
    auto* name = Child<QLabel>(&dialog, "file_name");
    auto* run = Child<QPushButton>(&dialog, "run");
    EXPECT_EQ(name->text().toStdString(), "song.txt");
    EXPECT_EQ(Child<QLineEdit>(&dialog, "command")->text().toStdString(), "mousepad");
    EXPECT_TRUE(run->isEnabled());
    Shoot(dialog, "related_files.png");

    model.Choose(media::RelatedType::Doc);
    dialog.Refresh();
    EXPECT_EQ(name->text().toStdString(), "ﾌｧｲﾙがありません. << .doc >>");
    EXPECT_FALSE(run->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(&dialog, "command")->text().toStdString(), "xdg-open");

    // Cancel after a change asks first.
    Child<QLineEdit>(&dialog, "command")->setText("libreoffice");
    prompt.Answer(PromptAnswer::Cancel);
    dialog.reject();
    EXPECT_EQ(prompt.ids(), std::vector<int>{strings::kAskDiscardChanges});
    Child<QPushButton>(&dialog, "save_end")->click();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].Command(1), "libreoffice");
    EXPECT_EQ(runs, 0);
}

}  // namespace
