// What the volume options ("ﾎﾞﾘｭｰﾑ") edit: the mixer line of each media
// kind, the steps, the mute line and its rate, and the three switches.
#pragma once

#include <array>
#include <string>

#include "mixer/volume_panel_model.h"

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

}  // namespace nuko::panels
