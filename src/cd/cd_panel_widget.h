// The CD panel: the drive selector with its status text, the track list
// (excluded tracks grey) and the track number grid. Thin: the component
// fills it and follows its signals.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "cd/cd_drives.h"
#include "cd/cd_track_list.h"
#include "cd/track_grid_widget.h"

class QComboBox;
class QLabel;
class QListWidget;
class QToolButton;

namespace nuko::cd {

class CdPanelWidget final : public QWidget {
    Q_OBJECT
public:
    explicit CdPanelWidget(QWidget* parent = nullptr);

    // The drive lines ("D  /dev/sr0", an image by its file name).
    void SetDrives(const std::vector<CdDrive>& drives, int chosen);
    // The disc: a caption (artist and title), the rows, the disc's track
    // count (the grid's numbers), the status text (shown instead of the
    // caption when not empty).
    void SetDisc(const std::string& caption, const CdTrackList& rows, int track_count, const std::string& status);
    void SelectRow(int row);
    int selected_row() const;
    TrackGridWidget& grid() { return *grid_; }
    QListWidget& list() { return *list_; }
    QComboBox& drive_selector() { return *drives_; }
    // The multi-CD mode button: pressed while several drives play in turn.
    void SetMultiMode(bool on);
    QToolButton& multi_button() { return *multi_; }

signals:
    void driveChosen(int index);
    void rowSelected(int row);
    void rowActivated(int row);
    void editTitlesRequested();
    void contextRequested(QPoint global);
    void multiModeToggled(bool on);

private:
    QComboBox* drives_ = nullptr;
    QToolButton* multi_ = nullptr;
    QLabel* caption_ = nullptr;
    QListWidget* list_ = nullptr;
    TrackGridWidget* grid_ = nullptr;
    std::vector<int> row_tracks_;
    bool filling_ = false;
};

}  // namespace nuko::cd
