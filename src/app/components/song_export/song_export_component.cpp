#include "app/components/song_export/song_export_component.h"

#include <QStandardPaths>
#include <QWidget>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "library/file_area_model.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "settings/settings_store.h"

namespace nuko::app {

SongExportComponent::~SongExportComponent() { job_.reset(); }

void SongExportComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    router.Register(cmd::kExport, {[this] { Open(); }, [this] { return Applies(); }});
}

void SongExportComponent::ApplySettings(const settings::Settings& s) { export_ = s.export_; }

void SongExportComponent::StoreSettings(settings::Settings& s) const { s.export_ = export_; }

void SongExportComponent::Shutdown() {
    // A song under way is dropped with its file.
    job_.reset();
}

bool SongExportComponent::Applies() const {
    return core_->kind() == media::MediaKind::Midi && core_->files().rows() > 0;
}

void SongExportComponent::Open() {
    if (running()) {
        if (progress_) {
            progress_->show();
            progress_->raise();
        }
        return;
    }
    if (!Applies()) return;
    PlayerCore& core = *core_;
    const media::FileAreaModel& files = core.files();
    const int selected = core.selected_row();
    const bool has_selection = selected >= 1 && selected <= files.rows();
    settings::Settings& s = core.settings();
    s.export_ = export_;
    const std::string music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation).toStdString();
    ExportDialog dialog(ExportChoicesFrom(s, music, has_selection), has_selection, owner_);
    if (dialog.exec() != QDialog::Accepted) return;
    const ExportChoices choices = dialog.choices();
    StoreExportChoices(choices, s);
    export_ = s.export_;
    if (settings::SettingsStore* store = core.context().store) store->WriteSection(s, "Export");

    std::vector<ExportSong> songs;
    auto add = [&](int row) {  // 0-based
        ExportSong song{files.RowPath(row), {}};
        const auto& item = files.list().items[static_cast<std::size_t>(row)];
        if (files.catalog_mode()) song.title = item.title;
        songs.push_back(std::move(song));
    };
    if (choices.all || !has_selection) {
        for (int row = 0; row < files.rows(); ++row) add(row);
    } else {
        add(selected - 1);
    }

    std::string program_folder = core.context().program_folder;
    if (program_folder.empty()) program_folder = folders::ProgramFolder();
    job_ = std::make_unique<SongExportJob>(
        *core.context().dispatcher, FluidSynthRenderers(program_folder, s),
        SongExportJob::Events{[this](const ExportProgress& p) {
                                  if (progress_) progress_->Show(p);
                              },
                              [this](const ExportReport& r) { Ended(r); }});
    if (!progress_) {
        progress_ = new ExportProgressDialog(owner_);
        QObject::connect(progress_, &ExportProgressDialog::cancelled, progress_, [this] {
            if (job_) job_->Cancel();
        });
    }
    progress_->Show(ExportProgress{0, static_cast<int>(songs.size()), {}, 0.0});
    job_->Start(std::move(songs), ExportOptionsFrom(s, choices.folder, choices.format));
    progress_->show();
}

void SongExportComponent::Ended(const ExportReport& report) {
    if (progress_) progress_->hide();
    const std::string message = ExportEndMessage(report);
    if (!message.empty()) AskText(message, PromptButtons::Ok, PromptIcon::Warning, "書き出し", owner_);
}

}  // namespace nuko::app
