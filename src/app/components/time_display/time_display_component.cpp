#include "app/components/time_display/time_display_component.h"

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "panels/time_panel_widget.h"

namespace nuko::app {

using media::MediaKind;

TimeDisplayComponent::TimeDisplayComponent(QWidget* parent)
    : panel_(new panels::TimePanel(parent)),
      model_([panel = panel_](unsigned mask, const panels::TimeDisplayModel::Record& record, bool colon_on) {
          panel->Update(mask, record, colon_on);
      }) {}

void TimeDisplayComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    core.Subscribe(*this);
    QObject::connect(panel_, &panels::TimePanel::seekRequested, panel_,
                     [&core](int position) { core.SeekTo(position); });
    QObject::connect(panel_, &panels::TimePanel::frameStepRequested, panel_,
                     [&core](int frames, bool backwards) { core.StepFrames(frames, backwards); });

    router.Register(cmd::kZero, {[this] { SetZero(!zero_); }, {}, [this] { return zero_; }});
    const std::pair<int, int> styles[] = {{cmd::kDigitDot, 0}, {cmd::kDigitDigital, 1}, {cmd::kDigitCharacter, 2}};
    for (auto [id, style] : styles)
        router.Register(id, {[this, style] { SetDigitStyle(style); }, {}, [this, style] { return digit_style_ == style; }});
    router.Register(cmd::kPanelDigitCycle, {[this] { SetDigitStyle((digit_style_ + 1) % 3); }});
    // The hot keys' page moves: not while the item waits to start again.
    for (auto [id, direction] : {std::pair{cmd::kPanelPageUp, 1}, std::pair{cmd::kPanelPageDown, -1}})
        router.Register(id, {[this, direction] { panel_->Page(direction); },
                             [&core] { return !core.is_stopped() && !core.controller().restart_pending(); }});
    router.Register(cmd::kDowntime, {[this] { SetDowntime(!downtime_); }, {}, [this] { return downtime_; }});
}

void TimeDisplayComponent::ApplySettings(const settings::Settings& s) {
    SetZero(s.main.zero != 0);
    SetDigitStyle(s.main.dig_type);
    SetDowntime(s.main.downtime != 0);
    const auto& c = s.color.time_area;
    panel_->SetColors(c.background, c.text, c.button_face != 0);
}

void TimeDisplayComponent::StoreSettings(settings::Settings& s) const {
    s.main.zero = zero_ ? 1 : 0;
    s.main.dig_type = digit_style_;
    s.main.downtime = downtime_ ? 1 : 0;
}

void TimeDisplayComponent::SetZero(bool on) {
    zero_ = on;
    panel_->SetZeroShow(on);
}

void TimeDisplayComponent::SetDigitStyle(int style) {
    digit_style_ = style;
    panel_->SetDigitStyle(style);
}

void TimeDisplayComponent::SetDowntime(bool on) {
    downtime_ = on;
    panel_->SetDowntime(on);
}

void TimeDisplayComponent::OnItemStarted(const playback::ItemDisplay& item) {
    panel_->SetBase60(item.seconds);
    panel_->SetStatus(panels::TimePanel::Status::Playing);
    model_.ItemStarted(item.item, item.length);
}

void TimeDisplayComponent::OnItemStopped() {
    model_.ItemStopped();
    panel_->SetSection(std::nullopt);
}

void TimeDisplayComponent::OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) {
    if (a && b) panel_->SetSection(std::make_pair(static_cast<int>(*a), static_cast<int>(*b)));
    else panel_->SetSection(std::nullopt);
}

void TimeDisplayComponent::OnAbWait(bool on, int seconds_left) {
    panel_->SetABWait(on);
    if (on) model_.AbWaitCountdown(seconds_left);
}

void TimeDisplayComponent::OnSleep(bool on, int seconds_left) {
    if (on != model_.sleep_shown()) panel_->ShowSleep(on);
    model_.Sleep(on, seconds_left);
}

void TimeDisplayComponent::OnClockDuties(unsigned flags, int time_of_day) {
    if (flags & playback::kEvery500) model_.Clock(time_of_day);
    if (flags & playback::kEvery1500) model_.Blink(core_ && core_->controller().state() == playback::PlayState::Paused);
}

}  // namespace nuko::app
