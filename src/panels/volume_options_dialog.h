// The volume options ("ﾎﾞﾘｭｰﾑ"): the mixer line of each media kind, the
// steps, the mute line and its rate, and the three switches. Edits a copy
// of the values; the caller takes them on OK.
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "mixer/volume_panel_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace nuko::panels {

struct VolumeOptions {
    std::array<std::string, mixer::VolumePanelModel::kKinds> lines;  // labels, "" none
    int steps = 31;
    std::string mute_line;
    int mute_rate = 50;
    bool set_at_start = false;
    bool restore_at_exit = false;
    bool chase = true;
};

class VolumeOptionsDialog final : public QDialog {
public:
    VolumeOptionsDialog(const std::vector<std::string>& labels, const VolumeOptions& options, QWidget* parent);
    VolumeOptions options() const;

private:
    QComboBox* Lines(const std::vector<std::string>& labels, const std::string& current);

    std::array<QComboBox*, mixer::VolumePanelModel::kKinds> kinds_{};
    QComboBox* steps_ = nullptr;
    QComboBox* mute_ = nullptr;
    QSlider* rate_ = nullptr;
    QLabel* rate_text_ = nullptr;
    QCheckBox* set_at_start_ = nullptr;
    QCheckBox* restore_ = nullptr;
    QCheckBox* chase_ = nullptr;
};

}  // namespace nuko::panels
