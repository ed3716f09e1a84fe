// The volume panel as a component: the mixer's lines (ALSA unless given),
// the panel's model following the media kind, and the volume commands
// (up, down, mute) registered with the router. Changes made by other
// programs come through the mixers' descriptors.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/components/component.h"
#include "app/components/volume/volume_settings.h"
#include "mixer/mixer_control_list.h"
#include "mixer/volume_panel_model.h"

class QSocketNotifier;
class QWidget;

namespace nuko::panels {
class VolumePanel;
}

namespace nuko::app {

class VolumePanelComponent final : public Component {
public:
    using MixerFactory = std::function<std::unique_ptr<mixer::MixerSystem>()>;

    // `mixers` unset: the real ALSA mixers.
    explicit VolumePanelComponent(QWidget* parent, MixerFactory mixers = {});
    ~VolumePanelComponent() override;

    panels::VolumePanel* widget() const { return panel_; }
    // The mixers are opened first when they were not yet.
    const mixer::VolumePanelModel& model() {
        EnsureStarted();
        return model_;
    }

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;
    void OnKindChanged(media::MediaKind kind) override;
    void OnClockDuties(unsigned flags, int time_of_day) override;

    // The exit: a mute ends, and with VolRestore every line gets its start
    // level back.
    void Shutdown() override;
    // The "ﾎﾞﾘｭｰﾑ" page of the options sheet.
    void AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) override;

    // Takes the volume options at once (lines, steps, mute, switches).
    void TakeOptions(const panels::VolumeOptions& o);

private:
    // Opens the mixers and takes the start levels, once: on the first loop
    // turn after the window shows (ALSA's devices take a while to open), or
    // sooner when something asks for them.
    void EnsureStarted();
    void Refresh();
    void Configure();
    void Watch();
    void OnMixerEvent();

    panels::VolumePanel* panel_;
    mixer::MixerControlList list_;
    mixer::VolumePanelModel model_;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers_;
    PlayerCore* core_ = nullptr;
    CommandRouter* router_ = nullptr;
    bool started_ = false;
    bool start_posted_ = false;
    // The settings the panel owns.
    VolumeSettings v_;
    bool shut_down_ = false;
};

}  // namespace nuko::app
