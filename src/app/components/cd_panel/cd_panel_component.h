// The CD panel as a component: shows the core's drive list, the disc in
// the chosen drive and its rows; hands the user's drive choice, selection
// and play requests to the core and the router; opens the CD title dialog
// (EditTitles) and the CD options. Shown while the CD kind is current.
#pragma once

#include <QPoint>
#include <functional>

#include "app/components/component.h"
#include "cd/cd_title_dialog.h"

class QWidget;

namespace nuko::cd {
class CdPanelWidget;
}

namespace nuko::app {

class CdPanelComponent final : public Component {
public:
    explicit CdPanelComponent(QWidget* parent);
    ~CdPanelComponent() override;

    cd::CdPanelWidget* widget() const { return panel_; }
    // The list's pop-up menu at a screen point (the frame's list menu).
    void SetContextMenu(std::function<void(const QPoint&)> show);

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;

    void OnKindChanged(media::MediaKind kind) override;
    void OnDiscChanged() override;
    void OnDiscRowSelected(int row) override;
    void OnClockDuties(unsigned flags, int time_of_day) override;

    // Opens the CD title dialog (modal) on a copy of the disc's record and
    // applies its result.
    void EditTitles();
    // The "CD" page of the options sheet.
    void AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) override;

private:
    void Refresh();

    cd::CdPanelWidget* panel_;
    PlayerCore* core_ = nullptr;
    cd::TitleDialogSettings dialog_settings_;
};

}  // namespace nuko::app
