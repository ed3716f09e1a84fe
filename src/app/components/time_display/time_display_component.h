// The time display: its model follows the core's events, the panel draws
// it; the view commands (zero, digit style, remaining time) are its own.
#pragma once

#include "app/components/component.h"
#include "panels/time_display_model.h"

class QWidget;

namespace nuko::panels {
class TimePanel;
}

namespace nuko::app {

class TimeDisplayComponent final : public Component {
public:
    explicit TimeDisplayComponent(QWidget* parent);

    panels::TimePanel* widget() const { return panel_; }
    const panels::TimeDisplayModel& model() const { return model_; }

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;

    void OnListLoaded(int selected) override { model_.ListLoaded(selected); }
    void OnItemShown(int item) override { model_.ItemShown(item); }
    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnItemStopped() override;
    void OnPosition(std::uint16_t position) override { model_.Position(position); }
    void OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) override;
    void OnAbWait(bool on, int seconds_left) override;
    void OnSleep(bool on, int seconds_left) override;
    void OnClockDuties(unsigned flags, int time_of_day) override;

private:
    void SetZero(bool on);
    void SetDigitStyle(int style);
    void SetDowntime(bool on);

    panels::TimePanel* panel_;
    panels::TimeDisplayModel model_;
    PlayerCore* core_ = nullptr;
    bool zero_ = false;
    int digit_style_ = 0;
    bool downtime_ = true;
};

}  // namespace nuko::app
