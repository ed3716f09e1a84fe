// The CD data converter's dialog (resource 102): restore or backup mode,
// the file name with a browse button, Start, Cancel and help. A thin view of
// the functions in cd_convert.h.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "cd_convert.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nuko::settings {
class SettingsStore;
}

namespace nuko::cdconvert {

class CdConvertDialog final : public QDialog {
    Q_OBJECT
public:
    // `store` holds the registration index, `own` the converter's remembered
    // file name; `save_flag` preselects backup.
    CdConvertDialog(settings::SettingsStore& store, settings::SettingsStore& own, bool save_flag,
                    QWidget* parent = nullptr);

    Mode mode() const;
    // Replaceable for tests: asks for a file in the mode's file dialog.
    void SetBrowser(std::function<std::string(Mode, const std::string& current)> browse) {
        browse_ = std::move(browse);
    }

    // Brings the dialog and whatever it shows on top to the front.
    void BringToFront();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void UpdateStart();
    void Browse();
    void Start();
    void ShowVersion();

    settings::SettingsStore& store_;
    settings::SettingsStore& own_;
    QRadioButton* restore_ = nullptr;
    QRadioButton* backup_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* start_ = nullptr;
    std::function<std::string(Mode, const std::string&)> browse_;
};

}  // namespace nuko::cdconvert
