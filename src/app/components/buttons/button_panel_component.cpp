#include "app/components/buttons/button_panel_component.h"

#include "app/components/buttons/button_panel_widget.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "library/file_area_model.h"

namespace nuko::app {

ButtonPanelComponent::ButtonPanelComponent(QWidget* parent) : panel_(new ButtonPanel(parent)) {}

void ButtonPanelComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    core.Subscribe(*this);
    model_.SetRunner([&router](int id) { router.Run(id); });
    QObject::connect(panel_, &ButtonPanel::command, panel_, [this](int id) { model_.Press(id); });
    model_.SetKind(core.kind());
    model_.SetMode(core.controller().Mode(core.kind()));
    ShowState();
}

void ButtonPanelComponent::ShowState() {
    const bool empty = core_->files().rows() == 0;
    model_.SetPlayState(empty ? -1 : static_cast<int>(core_->controller().state()));
    panel_->Show(model_);
}

void ButtonPanelComponent::OnStateChanged(playback::PlayState state, media::MediaKind) {
    model_.SetPlayState(static_cast<int>(state));
    panel_->Show(model_);
}

void ButtonPanelComponent::OnListEmpty(media::MediaKind) {
    model_.SetPlayState(-1);
    panel_->Show(model_);
}

void ButtonPanelComponent::OnKindChanged(media::MediaKind kind) {
    model_.SetKind(kind);
    ShowState();
}

void ButtonPanelComponent::OnModeChanged(const playback::PlayMode& mode) {
    model_.SetMode(mode);
    panel_->Show(model_);
}

void ButtonPanelComponent::OnListStarted() { ShowState(); }

void ButtonPanelComponent::OnRowsAdded(int first, int count) {
    // The play buttons come alive with the first rows.
    if (first == 1 && count > 0) ShowState();
}

void ButtonPanelComponent::OnListLoaded(int) { ShowState(); }

}  // namespace nuko::app
