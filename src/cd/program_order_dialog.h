// The program order dialog: the disc's tracks in play order, moved up and
// down; OK gives the program numbers of the new order.
#pragma once

#include <QDialog>
#include <vector>

#include "library/media_list.h"

class QListWidget;

namespace nuko::cd {

class ProgramOrderDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ProgramOrderDialog(const media::MediaList& record, QWidget* parent = nullptr);

    // Program number of each track, in track order.
    std::vector<int> ProgramNumbers() const;

    // Moves the selected line by `delta` places.
    void MoveSelected(int delta);

private:
    QListWidget* list_ = nullptr;
};

}  // namespace nuko::cd
