// The window of an archive extraction, driven by the archive bridge.
#include <QApplication>
#include <QProgressDialog>

#include <algorithm>

#include <gtest/gtest.h>

#include "library/archive_progress_dialog.h"
#include "library/archive_file.h"
#include "lzh_writer.h"
#include "qt_app.h"
#include "test_support.h"

using namespace nuko;

TEST(ArchiveProgressDialog, ShowsEachMemberWhileTheExtractionRuns) {
    test::QtApp();
    NUKO_REQUIRE_TOOL(media::CArchiveFile::LibraryUsable(), "liblhasa.so.0 is not installed");
    test::TempDir dir, work;
    test::WriteBytes(dir.File("song.lzh"), test::LzhArchive({{"song.mid", std::string(200000, 'm')}, {"b.txt", "t"}}));
    media::ArchiveProgressDialog ui;
    struct Watch : media::ArchiveUi {
        media::ArchiveProgressDialog& ui;
        std::vector<std::string> labels;
        std::vector<int> values;
        explicit Watch(media::ArchiveProgressDialog& u) : ui(u) {}
        void BeginExtract(const std::string& a, void* o) override {
            ui.BeginExtract(a, o);
            EXPECT_TRUE(ui.window() && ui.window()->isVisible());
        }
        bool ExtractProgress(const std::string& m, std::uint64_t d, std::uint64_t t) override {
            bool r = ui.ExtractProgress(m, d, t);
            labels.push_back(ui.window()->labelText().toStdString());
            values.push_back(ui.window()->value());
            return r;
        }
        void EndExtract() override { ui.EndExtract(); }
    } watch(ui);
    media::ArchiveSettings s;
    s.work_folder = work.path();
    s.dlg_view = true;
    s.ui = &watch;
    media::CArchiveFile file(s);
    std::string path = dir.File("song.lzh");
    ASSERT_TRUE(file.OpenForPlay(path, 0, nullptr, true, false));
    EXPECT_EQ(path, work.File("song.mid"));
    ASSERT_GE(watch.labels.size(), 2u);
    EXPECT_EQ(watch.labels.front(), "song.mid");
    EXPECT_EQ(watch.labels.back(), "b.txt");
    EXPECT_TRUE(std::is_sorted(watch.values.begin(), watch.values.end() - 1));
    EXPECT_EQ(watch.values[watch.values.size() - 2], 1000);  // the song was written whole
    EXPECT_EQ(ui.window(), nullptr);  // closed at the end
}
