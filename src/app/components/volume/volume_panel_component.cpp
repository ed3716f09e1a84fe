#include "app/components/volume/volume_panel_component.h"

#include <QSocketNotifier>
#include <QTimer>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "app/components/volume/volume_options_page.h"
#include "app/options/options_sheet.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "panels/volume_panel_widget.h"
#include "playback/play_controller.h"

namespace nuko::app {

VolumePanelComponent::VolumePanelComponent(QWidget* parent, MixerFactory mixers)
    : panel_(new panels::VolumePanel(parent)),
      list_(mixers ? mixers() : mixer::MakeAlsaMixers()),
      model_(list_) {
    panel_->on_move = [this](mixer::Spin s, int d) {
        model_.Move(s, d);
        Refresh();
    };
    panel_->on_step = [this](mixer::StepDirection d) {
        model_.Step(d);
        Refresh();
    };
}

VolumePanelComponent::~VolumePanelComponent() { Shutdown(); }

void VolumePanelComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    router_ = &router;
    core.Subscribe(*this);
    router.Register(cmd::kPanelVolumeUp, {[this] {
                                              EnsureStarted();
model_.Step(mixer::StepDirection::Up);
                                              Refresh();
                                          },
                                          [this] { return model_.available(); }});
    router.Register(cmd::kPanelVolumeDown, {[this] {
                                                EnsureStarted();
model_.Step(mixer::StepDirection::Down);
                                                Refresh();
                                            },
                                            [this] { return model_.available(); }});
    router.Register(cmd::kPanelMute, {[this] {
                                          EnsureStarted();
model_.ToggleMute();
                                          Refresh();
                                      },
                                      {},
                                      [this] { return model_.muted(); }});
}

void VolumePanelComponent::ApplySettings(const settings::Settings& s) {
    v_ = VolumeSettings::From(s);
    if (!started_) {
        if (!start_posted_) {
            start_posted_ = true;
            QTimer::singleShot(0, panel_, [this] { EnsureStarted(); });
        }
        return;
    }
    Configure();
    Refresh();
}

void VolumePanelComponent::EnsureStarted() {
    if (started_) return;
    // Built once: the lines as they are at start, and their levels.
    started_ = true;
    list_.Enumerate();
    list_.SnapshotAll();
    Watch();
    model_.Configure(v_.steps, v_.kinds, v_.mute);
    model_.SelectKind(core_ ? media::Code(core_->kind()) : 0, v_.set_start);
    Refresh();
    if (router_) router_->Refresh();  // the volume commands can run now
    // A saved line that is not there: the sound cards changed since.
    bool gone = false;
    for (const auto& k : v_.kinds) gone = gone || (!k.label.empty() && list_.FindByLabel(k.label) < 0);
    if (gone) Ask(strings::kSoundCardsChanged, {}, PromptButtons::Ok, PromptIcon::Warning, {}, panel_->window());
}

void VolumePanelComponent::Configure() {
    model_.Configure(v_.steps, v_.kinds, v_.mute);
    model_.SelectKind(model_.kind(), false);
}

void VolumePanelComponent::StoreSettings(settings::Settings& s) const {
    if (!started_) {
        v_.StoreInto(s);  // nothing moved yet
        return;
    }
    VolumeSettings now = v_;
    now.kinds = model_.Choices();
    now.StoreInto(s);
}

void VolumePanelComponent::TakeOptions(const panels::VolumeOptions& o) {
    EnsureStarted();
    v_.kinds = model_.Choices();  // the levels each kind has now
    v_.Take(o);
    Configure();
    Refresh();
}

void VolumePanelComponent::AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) {
    EnsureStarted();
    pages.push_back(MakeVolumeOptionsPage(list_.Labels()));
}

void VolumePanelComponent::OnKindChanged(media::MediaKind kind) {
    if (!started_) return;  // the start selects the kind then current
    model_.SelectKind(media::Code(kind), false);
    Refresh();
}

void VolumePanelComponent::OnClockDuties(unsigned flags, int) {
    // Mixers whose changes are not told through a descriptor are read
    // again on the half-second duty.
    if (started_ && v_.chase && (flags & playback::kEvery500)) {
        list_.system().HandleEvents();
        const int l = model_.left(), r = model_.right();
        model_.Chase();
        if (l != model_.left() || r != model_.right()) Refresh();
    }
}

void VolumePanelComponent::Watch() {
    for (int fd : list_.system().PollDescriptors()) {
        auto n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(n.get(), &QSocketNotifier::activated, panel_, [this] { OnMixerEvent(); });
        notifiers_.push_back(std::move(n));
    }
}

void VolumePanelComponent::OnMixerEvent() {
    if (!list_.system().HandleEvents()) {
        // A device went away: the notices stop, and the panel reads again
        // (and shows "･･" when its line is gone).
        notifiers_.clear();
    }
    if (v_.chase) model_.Chase();
    Refresh();
}

void VolumePanelComponent::Refresh() { panel_->Show(model_); }

void VolumePanelComponent::Shutdown() {
    if (shut_down_ || !started_) return;
    shut_down_ = true;
    notifiers_.clear();
    model_.EndMute();
    if (v_.restore) list_.RestoreAll();
}

}  // namespace nuko::app
