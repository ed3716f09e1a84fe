// The CD options page ("CD"): insert check and its interval, every drive,
// auto play, the question before a CD starts, play without gaps, multi-CD
// mode with its drive selection, random drive choice, the track grid's
// background colour and the position read interval. It edits a copy of the
// settings; the options sheet (or, until it exists, CdOptionsDialog) takes
// the copy on OK.
#pragma once

#include <QWidget>
#include <vector>

#include "settings/settings.h"
#include "cd/cd_drives.h"

class QCheckBox;
class QLabel;
class QSlider;

namespace nuko::app {

class CdOptionsPage final : public QWidget {
    Q_OBJECT
public:
    CdOptionsPage(const settings::Settings& s, std::vector<cd::CdDrive> drives, QWidget* parent = nullptr);

    // The settings as the page's controls say.
    const settings::Settings& settings();

private:
    void ChooseDrives();
    void ShowColour();

    settings::Settings s_;
    std::vector<cd::CdDrive> drives_;
    QCheckBox* insert_check_ = nullptr;
    QSlider* insert_time_ = nullptr;
    QLabel* insert_readout_ = nullptr;
    QCheckBox* insert_multi_ = nullptr;
    QCheckBox* insert_start_ = nullptr;
    QCheckBox* change_msg_ = nullptr;
    QCheckBox* smooth_ = nullptr;
    QCheckBox* multi_ = nullptr;
    QCheckBox* random_drive_ = nullptr;
    QLabel* preview_ = nullptr;
    QSlider* read_time_ = nullptr;
    QLabel* read_readout_ = nullptr;
};

}  // namespace nuko::app
