// The volume panel's settings in one mapping: each kind's line and levels
// (the kinds' `Volume`), `MuteVolume`, `VolFinely`, `VolSetStart`,
// `VolRestore` and `VolChase`, read from the settings, written back, and
// shown as the volume options' values. Plain C++.
#pragma once

#include <array>

#include "mixer/volume_panel_model.h"
#include "panels/volume_options.h"

namespace nuko::settings {
struct Settings;
}

namespace nuko::app {

struct VolumeSettings {
    std::array<mixer::VolumeChoice, mixer::VolumePanelModel::kKinds> kinds{};
    mixer::VolumeChoice mute;
    int steps = 31;
    bool set_start = false;
    bool restore = false;
    bool chase = true;

    static VolumeSettings From(const settings::Settings& s);
    // The steps go in as a number the mixer knows.
    void StoreInto(settings::Settings& s) const;

    // The options' values, and taking them: the lines, the steps, the mute
    // line with one rate for both channels, and the switches; each kind
    // keeps its levels.
    panels::VolumeOptions Options() const;
    void Take(const panels::VolumeOptions& o);
};

}  // namespace nuko::app
