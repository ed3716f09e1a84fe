// The volume options ("ﾎﾞﾘｭｰﾑ"): the mixer line of each media kind, the
// steps, the mute line and its rate, and the three switches. Edits a copy
// of the values; the caller takes them on OK.
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "mixer/volume_panel_model.h"
#include "panels/volume_options.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace nuko::panels {

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
