// The CD options page in a dialog of its own with OK and Cancel, opened
// from the options menu until the options sheet takes the page in.
#pragma once

#include <QDialog>
#include <vector>

#include "app/settings.h"
#include "cd/cd_drives.h"

namespace nuko::app {

class CdOptionsPage;

class CdOptionsDialog final : public QDialog {
    Q_OBJECT
public:
    CdOptionsDialog(const settings::Settings& s, std::vector<cd::CdDrive> drives, QWidget* parent = nullptr);
    CdOptionsPage& page() { return *page_; }
    // The edited settings, after OK.
    const settings::Settings& settings();

private:
    CdOptionsPage* page_;
};

}  // namespace nuko::app
