#include "library/file_area_widget.h"

#include <QLabel>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "qt_app.h"
#include "test_support.h"

using namespace nuko::media;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

TEST(FileAreaWidget, RowsSelectionAndDoubleClick) {
    nuko::test::QtApp();
    TempDir dir;
    for (const char* n : {"a.mid", "b.MID", "b.wrd", "c.rcp", "d.rmi", "e.lzh"}) WriteBytes(dir.File(n), "x");
    FileAreaWidget w;
    w.resize(260, 200);
    FileAreaSettings s;
    s.kind = 0;
    s.type_flags = 0x0807;
    s.archives = true;
    s.source = dir.path();
    s.hide_extension = true;
    ASSERT_EQ(w.Load(s, {}), 5);
    QSignalSpy selected(&w, &FileAreaWidget::rowSelected);
    QSignalSpy activated(&w, &FileAreaWidget::rowActivated);
    w.SelectRow(2);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).toInt(), 2);
    EXPECT_EQ(w.SelectedRow(), 2);
    auto* list = w.findChild<QListView*>();
    ASSERT_NE(list, nullptr);
    emit list->doubleClicked(list->model()->index(3, 0));
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 4);
    // A row is as tall as the text "a" set in the list's font, and one more.
    EXPECT_EQ(w.RowHeight(), QFontMetrics(list->font()).size(Qt::TextSingleLine, QStringLiteral("a")).height() + 1);
    for (int row = 1; row <= 5; ++row) EXPECT_FALSE(w.RowDisplayText(row).contains('.'));
    w.show();
    if (const char* out = std::getenv("NUKO_SCREENSHOT_DIR"))
        w.grab().toImage().save(QString::fromUtf8(out) + "/file_area.png");
}

TEST(FileAreaWidget, CatalogShowsItsTitleBar) {
    nuko::test::QtApp();
    TempDir dir;
    WriteBytes(dir.File("a.mid"), "x");
    WriteBytes(dir.File("l.mit"), "Ver 1.00\r\nTitle\r\nSub\r\na.mid\tSong A\r\n");
    FileAreaWidget w;
    FileAreaSettings s;
    s.type_flags = 0x8000;
    s.source = dir.File("l.mit");
    s.title_display = true;
    ASSERT_EQ(w.Load(s, {}), 1);
    EXPECT_EQ(w.RowDisplayText(1), "Song A");
    auto* title = w.findChild<QLabel*>("title");
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->isVisibleTo(&w));
    EXPECT_EQ(title->text(), "Title");
    s.type_flags = 0x0001;
    s.source = dir.path();
    w.Load(s, {});
    EXPECT_FALSE(title->isVisibleTo(&w));
}

TEST(FileAreaWidget, AListThatGrowsShowsItsRowsAsTheyComeAndKeepsTheSelection) {
    nuko::test::QtApp();
    FileAreaModel model;
    FileAreaSettings s;
    s.kind = 0;
    s.source = "/music/";
    model.Begin(s);
    FileAreaWidget w;
    w.ShowModel(model);
    EXPECT_EQ(w.RowCount(), 0);
    auto rows = [](int from, int n) {
        std::vector<MediaItem> out;
        for (int i = from; i < from + n; ++i) out.push_back({0, 1, "/music/", "song" + std::to_string(i) + ".mid", "", "", "", 0});
        return out;
    };
    model.Append(rows(0, 3));
    w.ShowNewRows();
    ASSERT_EQ(w.RowCount(), 3);
    QSignalSpy selected(&w, &FileAreaWidget::rowSelected);
    w.SelectRow(2);
    ASSERT_EQ(selected.count(), 1);
    model.Append(rows(3, 20000));
    w.ShowNewRows();
    EXPECT_EQ(w.RowCount(), 20003);
    EXPECT_EQ(w.SelectedRow(), 2);  // still the same row
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(w.RowDisplayText(20003), "song20002.mid");
    // A new order is shown anew, and says nothing of a selection.
    model.SortByNameMapped();
    w.Refill();
    EXPECT_EQ(w.RowDisplayText(1), "song0.mid");
    EXPECT_EQ(selected.count(), 1);
    model.Begin(s);
    w.Refill();
    EXPECT_EQ(w.RowCount(), 0);
    EXPECT_EQ(w.RowDisplayText(1), "");
}
