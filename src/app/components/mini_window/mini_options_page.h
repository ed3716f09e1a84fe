// The MINI options page (a page of the options sheet) and the background
// picture dialog it opens. Both edit a copy of the settings
// (`Mini`, `Mini\Picture`); the caller takes the copy back on OK.
#pragma once

#include <QDialog>
#include <QWidget>

#include "settings/settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace nuko::app {

class MiniPictureDialog final : public QDialog {
public:
    MiniPictureDialog(const settings::Settings& s, QWidget* parent = nullptr);
    // Writes the dialog's values into `s`.
    void Store(settings::Settings& s) const;

private:
    QLineEdit* file_ = nullptr;
    QComboBox* mode_ = nullptr;
    QCheckBox* panel_ = nullptr;
    QCheckBox* double_click_ = nullptr;
    std::uint32_t color_ = 0;
    bool button_face_ = true;
};

class MiniOptionsPage final : public QWidget {
public:
    explicit MiniOptionsPage(const settings::Settings& s, QWidget* parent = nullptr);
    // Writes the page's values into `s`.
    void Store(settings::Settings& s) const;

private:
    void Preview();

    settings::Settings edited_;  // the picture dialog's values live here until Store
    QComboBox* font_ = nullptr;
    QCheckBox* italic_ = nullptr;
    QCheckBox* bold_ = nullptr;
    QLabel* preview_ = nullptr;
    std::uint32_t background_ = 0;
    std::uint32_t text_ = 0;
    bool button_face_ = false;
    QRadioButton* styles_[3] = {};
    QSlider* speed_ = nullptr;
    QSlider* delay_ = nullptr;
    QSlider* gap_ = nullptr;
    QCheckBox* keep_short_ = nullptr;
    QCheckBox* show_time_ = nullptr;
    QComboBox* display_ = nullptr;
    QCheckBox* caption_ = nullptr;
    QCheckBox* title_fix_ = nullptr;
    QCheckBox* on_top_ = nullptr;
    QCheckBox* behind_ = nullptr;
    QCheckBox* picture_ = nullptr;
    QCheckBox* accel_shift_ = nullptr;
    QCheckBox* play_time_ = nullptr;
    QComboBox* slider_ = nullptr;
    QComboBox* position_ = nullptr;
    QSlider* transparency_ = nullptr;
};


}  // namespace nuko::app
