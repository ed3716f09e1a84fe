// The file area: the list of the current kind with its icons, and the title
// bar of a catalog. It shows a FileAreaModel and reports selection and
// double click.
#pragma once

#include <QFont>
#include <QWidget>

#include "file_area_model.h"

class QLabel;
class QListView;

namespace nuko::media {

struct FileAreaLookSettings {
    bool own_colors = false;
    std::uint32_t background = 0xFFFFFF, selection_background = 0x800000;
    std::uint32_t text = 0, selection_text = 0xFFFFFF;
    bool button_face = false;
    int three_d_type = 0;  // 0 plain, 1 raised, 2 sunken
};

class FileAreaWidget final : public QWidget {
    Q_OBJECT
public:
    explicit FileAreaWidget(QWidget* parent = nullptr);

    // Builds the widget's own list and fills the rows; returns the row count.
    int Load(const FileAreaSettings& settings, const FileAreaEnvironment& env);
    // Shows a list that somebody else keeps and loads (the player's core);
    // it must outlive the widget or be replaced first.
    void ShowModel(const FileAreaModel& model);
    // Refills the rows after the model changed (loaded, sorted, display options).
    void Refill();
    // Shows the rows the model gained at its end, and its titles.
    void ShowNewRows();

    const FileAreaModel& model() const { return *shown_; }

    // Rows are numbered from 1; 0 means none.
    void SelectRow(int row);
    int SelectedRow() const;
    // The rows the list shows (the model may have gained more since).
    int RowCount() const;
    QString RowDisplayText(int row) const;

    void SetLook(const FileAreaLookSettings& look, const QFont& font);
    const FileAreaLookSettings& look() const { return look_; }
    int RowHeight() const;

signals:
    void rowSelected(int row);   // the current row changed
    void rowActivated(int row);  // double click: play it
    void contextMenuRequested(const QPoint& global);

private:
    void ShowTitles();

    QLabel* title_ = nullptr;
    QLabel* sub_title_ = nullptr;
    class Rows;
    QListView* list_ = nullptr;
    Rows* rows_ = nullptr;  // the view's model over the shown list
    FileAreaModel own_;
    const FileAreaModel* shown_ = &own_;
    FileAreaLookSettings look_;
    bool quiet_ = false;  // a new list is shown: no selection to report
};

}  // namespace nuko::media
