#include "app/components/volume/volume_settings.h"

#include "mixer/mixer_control_list.h"
#include "settings/settings.h"

namespace nuko::app {

VolumeSettings VolumeSettings::From(const settings::Settings& s) {
    VolumeSettings v;
    for (std::size_t k = 0; k < v.kinds.size(); ++k) {
        const settings::VolumeSetting& stored = s.kinds[k].volume;
        v.kinds[k] = {stored.line, stored.left, stored.right};
    }
    v.mute = {s.main.mute_volume.line, s.main.mute_volume.left, s.main.mute_volume.right};
    v.steps = s.main.vol_finely;
    v.set_start = s.main.vol_set_start != 0;
    v.restore = s.main.vol_restore != 0;
    v.chase = s.main.vol_chase != 0;
    return v;
}

void VolumeSettings::StoreInto(settings::Settings& s) const {
    for (std::size_t k = 0; k < kinds.size(); ++k) s.kinds[k].volume = {kinds[k].label, kinds[k].left, kinds[k].right};
    s.main.mute_volume = {mute.label, mute.left, mute.right};
    s.main.vol_finely = mixer::ValidMaxLevel(steps);
    s.main.vol_set_start = set_start ? 1 : 0;
    s.main.vol_restore = restore ? 1 : 0;
    s.main.vol_chase = chase ? 1 : 0;
}

panels::VolumeOptions VolumeSettings::Options() const {
    panels::VolumeOptions o;
    for (std::size_t k = 0; k < kinds.size(); ++k) o.lines[k] = kinds[k].label;
    o.steps = steps;
    o.mute_line = mute.label;
    o.mute_rate = mute.left;
    o.set_at_start = set_start;
    o.restore_at_exit = restore;
    o.chase = chase;
    return o;
}

void VolumeSettings::Take(const panels::VolumeOptions& o) {
    for (std::size_t k = 0; k < kinds.size(); ++k) kinds[k].label = o.lines[k];
    steps = o.steps;
    mute = {o.mute_line, o.mute_rate, o.mute_rate};
    set_start = o.set_at_start;
    restore = o.restore_at_exit;
    chase = o.chase;
}

}  // namespace nuko::app
