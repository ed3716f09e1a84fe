#include "app/components/file_area/file_area_component.h"

#include "app/components/list_font.h"
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "library/file_area_widget.h"

namespace nuko::app {

FileAreaComponent::FileAreaComponent(QWidget* parent) : files_(new media::FileAreaWidget(parent)) {}

int FileAreaComponent::selected_row() const { return files_->SelectedRow(); }

void FileAreaComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core.Subscribe(*this);
    files_->ShowModel(core.files());
    QObject::connect(files_, &media::FileAreaWidget::rowSelected, files_, [&core](int row) { core.SelectRow(row); });
    QObject::connect(files_, &media::FileAreaWidget::rowActivated, files_, [&core, &router, this](int row) {
        core.SelectRow(row);
        router.Run(cmd::kPlay);
        if (QWidget* window = files_->window()) window->setFocus();
    });
    QObject::connect(files_, &media::FileAreaWidget::contextMenuRequested, files_, [this](const QPoint& at) {
        if (context_menu_) context_menu_(at);
    });
}

void FileAreaComponent::ApplySettings(const settings::Settings& s) {
    media::FileAreaLookSettings look;
    const auto& fc = s.color.file_area;
    look.own_colors = fc.own != 0;
    look.background = fc.background;
    look.selection_background = fc.selection_background;
    look.text = fc.text;
    look.selection_text = fc.selection_text;
    look.button_face = fc.button_face != 0;
    look.three_d_type = s.file_area.three_d_type;
    files_->SetLook(look, FileAreaFont(s, *files_));
}

void FileAreaComponent::OnListStarted() { files_->Refill(); }

void FileAreaComponent::OnRowsAdded(int, int) { files_->ShowNewRows(); }

void FileAreaComponent::OnListLoaded(int selected) {
    // The rows are shown as they came; only a list that changed otherwise is
    // shown again.
    if (files_->RowCount() != files_->model().rows()) files_->Refill();
    files_->SelectRow(selected);
}

void FileAreaComponent::OnListSorted(int selected) {
    files_->Refill();
    files_->SelectRow(selected);
}

void FileAreaComponent::OnRowSelected(int row) { files_->SelectRow(row); }

void FileAreaComponent::OnKindChanged(media::MediaKind kind) { files_->setVisible(kind != media::MediaKind::Cd); }

}  // namespace nuko::app
