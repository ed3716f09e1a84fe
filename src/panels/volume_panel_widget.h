// The volume panel: three spin buttons (left, both, right) and the level
// read-out. It draws what the model says and reports the user's presses
// and wheel turns.
#pragma once

#include <QWidget>
#include <functional>

#include "mixer/volume_panel_model.h"

class QLabel;
class QToolButton;

namespace nuko::panels {

class VolumePanel final : public QWidget {
public:
    explicit VolumePanel(QWidget* parent);

    void Show(const mixer::VolumePanelModel& model);

    // A spin pressed: which, and up (+1) or down (-1).
    std::function<void(mixer::Spin, int)> on_move;
    // The wheel.
    std::function<void(mixer::StepDirection)> on_step;

    QLabel* read_out() const { return read_out_; }
    QWidget* spin(mixer::Spin s) const { return spins_[static_cast<int>(s)]; }

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    QWidget* MakeSpin(mixer::Spin which);

    QWidget* spins_[3] = {};
    QLabel* read_out_ = nullptr;
};

}  // namespace nuko::panels
