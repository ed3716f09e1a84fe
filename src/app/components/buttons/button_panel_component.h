// The button panel: follows the play state, kind and mode, and runs the
// pressed button's command through the router.
#pragma once

#include "app/components/buttons/button_panel_model.h"
#include "app/components/component.h"

class QWidget;

namespace nuko::app {

class ButtonPanel;

class ButtonPanelComponent final : public Component {
public:
    explicit ButtonPanelComponent(QWidget* parent);

    ButtonPanel* widget() const { return panel_; }
    const ButtonPanelModel& model() const { return model_; }

    void Attach(PlayerCore& core, CommandRouter& router) override;

    void OnStateChanged(playback::PlayState state, media::MediaKind kind) override;
    void OnListEmpty(media::MediaKind kind) override;
    void OnKindChanged(media::MediaKind kind) override;
    void OnModeChanged(const playback::PlayMode& mode) override;
    void OnListStarted() override;
    void OnRowsAdded(int first, int count) override;
    void OnListLoaded(int selected) override;

private:
    // The play state with -1 for an empty list.
    void ShowState();

    ButtonPanel* panel_;
    ButtonPanelModel model_;
    PlayerCore* core_ = nullptr;
};

}  // namespace nuko::app
