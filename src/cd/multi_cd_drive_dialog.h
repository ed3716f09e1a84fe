// The multi-CD drive selection dialog (resource 233, "ﾏﾙﾁCD再生時の再生CD選択"):
// a check list with a line per CD drive saying whether it takes part in
// multi-CD play, and buttons to tick or untick them all.
#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "cd/cd_drives.h"

class QListWidget;

namespace nuko::cd {

class MultiCdDriveDialog final : public QDialog {
    Q_OBJECT
public:
    using Flags = std::array<bool, kMultiCdDrives>;
    MultiCdDriveDialog(const std::vector<CdDrive>& drives, const Flags& used, QWidget* parent = nullptr);

    // The ticks, after OK; drives beyond the list keep their flags.
    Flags used() const;
    QListWidget& list() { return *list_; }

private:
    QListWidget* list_ = nullptr;
    Flags used_;
    int drive_count_ = 0;
};

}  // namespace nuko::cd
