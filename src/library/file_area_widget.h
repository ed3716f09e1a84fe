// The file area: the list of the current kind with its icons, and the title
// bar of a catalog. It shows a FileAreaModel and reports selection and
// double click.
#pragma once

#include <QFont>
#include <QWidget>

#include "file_area_model.h"

class QLabel;
class QListWidget;

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

    const FileAreaModel& model() const { return *shown_; }

    // Rows are numbered from 1; 0 means none.
    void SelectRow(int row);
    int SelectedRow() const;
    int RowCount() const { return shown_->rows(); }
    QString RowDisplayText(int row) const;

    void SetLook(const FileAreaLookSettings& look, const QFont& font);
    const FileAreaLookSettings& look() const { return look_; }
    int RowHeight() const;

signals:
    void rowSelected(int row);   // the current row changed
    void rowActivated(int row);  // double click: play it
    void contextMenuRequested(const QPoint& global);

private:
    QLabel* title_ = nullptr;
    QLabel* sub_title_ = nullptr;
    QListWidget* list_ = nullptr;
    FileAreaModel own_;
    const FileAreaModel* shown_ = &own_;
    FileAreaLookSettings look_;
};

}  // namespace nuko::media
