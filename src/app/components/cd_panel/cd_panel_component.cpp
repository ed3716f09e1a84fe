#include "app/components/cd_panel/cd_panel_component.h"

#include <QComboBox>
#include <QWidget>

#include "app/components/cd_panel/cd_options_page.h"
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "app/options/options_sheet.h"
#include "cd/cd_panel_widget.h"
#include "cd/disc_lengths.h"
#include "cd/foreign_disc_ids.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "playback/play_controller.h"
#include "cd/cd_title_db.h"
#include "cd/disc_toc.h"
#include "library/media_list.h"

namespace nuko::app {

using media::MediaKind;

namespace {

// The panel's line for a disc that cannot be used.
std::string StatusText(CdStatus status) {
    switch (status) {
        case CdStatus::Ready: return {};
        case CdStatus::InUse: return std::string(LoadString(strings::kCdInUse));
        case CdStatus::Unusable: return std::string(LoadString(strings::kCdUnusable));
    }
    return {};
}

}  // namespace

CdPanelComponent::CdPanelComponent(QWidget* parent) : panel_(new cd::CdPanelWidget(parent)) {
    panel_->hide();
}

CdPanelComponent::~CdPanelComponent() = default;

void CdPanelComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    core.Subscribe(*this);
    router.Register(cmd::kCdEditTitles, {[this] { EditTitles(); },
                                         [this] { return core_->kind() == MediaKind::Cd && !core_->cd_record().section.empty(); }});
    QObject::connect(panel_, &cd::CdPanelWidget::driveChosen, panel_, [this](int index) { core_->ChooseDrive(index); });
    QObject::connect(panel_, &cd::CdPanelWidget::multiModeToggled, panel_, [this](bool on) { core_->SetMultiCd(on); });
    QObject::connect(panel_, &cd::CdPanelWidget::rowSelected, panel_, [this](int row) { core_->SelectRow(row); });
    QObject::connect(panel_, &cd::CdPanelWidget::rowActivated, panel_, [this](int row) {
        // As a double click in the file area: Stop, select, Play.
        auto& c = core_->controller();
        if (c.item_active() && c.current_item() == row) return;
        c.RunCommand(playback::PlayCommand::Stop, true);
        core_->SelectRow(row);
        c.RunCommand(playback::PlayCommand::Play, true);
    });
    Refresh();
}

void CdPanelComponent::SetContextMenu(std::function<void(const QPoint&)> show) {
    QObject::connect(panel_, &cd::CdPanelWidget::contextRequested, panel_,
                     [show = std::move(show)](QPoint at) { show(at); });
}

void CdPanelComponent::ApplySettings(const settings::Settings& s) {
    dialog_settings_.column_widths = s.cd_title.separat.v;
    dialog_settings_.also_save = s.cd_title.save != 0;
    panel_->grid().SetBackground(s.color.cd_area.background);
    panel_->grid().SetTextColour(s.color.cd_area.text);
    panel_->SetMultiMode(s.cd.multi != 0);
}

void CdPanelComponent::StoreSettings(settings::Settings& s) const {
    s.cd_title.separat.v = dialog_settings_.column_widths;
    s.cd_title.save = dialog_settings_.also_save ? 1 : 0;
}

void CdPanelComponent::OnKindChanged(MediaKind kind) {
    panel_->setVisible(kind == MediaKind::Cd);
    if (kind == MediaKind::Cd) Refresh();
}

void CdPanelComponent::OnDiscChanged() { Refresh(); }

void CdPanelComponent::OnDiscRowSelected(int row) { panel_->SelectRow(row); }

void CdPanelComponent::OnClockDuties(unsigned flags, int) {
    if (flags & playback::kEvery500) panel_->grid().Blink();
}

void CdPanelComponent::Refresh() {
    if (!core_) return;
    panel_->SetDrives(core_->cd_drives(), core_->cd_drive());
    const auto& r = core_->cd_record();
    std::string caption = r.title;
    if (!r.sub_title.empty()) caption += (caption.empty() ? "" : " / ") + r.sub_title;
    const std::string status = StatusText(core_->cd_status());
    panel_->SetDisc(caption, core_->cd_tracks(), static_cast<int>(r.items.size()), status);
    panel_->SelectRow(core_->selected_disc_row());
}

void CdPanelComponent::EditTitles() {
    if (!core_ || core_->cd_record().section.empty()) return;
    const cd::DiscLengths lengths = cd::DiscLengthsOf(core_->cd_toc());
    cd::CdTitleDialog dialog(core_->cd_titles(), core_->cd_record(), cd::BcaNumbersOf(lengths), dialog_settings_,
                             panel_->window());
    if (auto ids = cd::ForeignIdsOf(core_->cd_toc())) dialog.SetForeignIds(ids->freedb, ids->musicbrainz, core_->cd_toc());
    if (dialog.exec() == QDialog::Accepted) core_->ApplyEditedRecord(dialog.record());
}

void CdPanelComponent::AddOptionsPages(std::vector<std::unique_ptr<OptionsPage>>& pages) {
    std::vector<cd::CdDrive> drives = core_ ? core_->cd_drives() : std::vector<cd::CdDrive>{};
    pages.push_back(std::make_unique<FormPage>(
        QStringLiteral("CD"),
        [drives](const settings::Settings& s, QWidget* parent) { return new CdOptionsPage(s, drives, parent); },
        [](QWidget* form, settings::Settings& s) { s = static_cast<CdOptionsPage*>(form)->settings(); }));
}

}  // namespace nuko::app
