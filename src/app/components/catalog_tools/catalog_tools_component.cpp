#include "app/components/catalog_tools/catalog_tools_component.h"

#include <QTimer>
#include <QWidget>

#include "library/catalog_editor_dialog.h"
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "library/related_files_dialog.h"
#include "settings/settings_store.h"
#include "nuko/run_program.h"
#include "nuko/string_ids.h"
#include "library/archive_file.h"
#include "library/file_area_model.h"
#include "library/image_plugins.h"

namespace nuko::app {

using media::MediaKind;

namespace {

// The row of the current item (1-based): the one that plays or last played,
// else the selected one.
int CurrentRow(PlayerCore& core) {
    const int n = core.controller().current_item();
    return n >= 1 && n <= core.files().rows() ? n : core.selected_row();
}

}  // namespace

void CatalogToolsComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    router_ = &router;
    const std::pair<int, MediaKind> editors[] = {
        {cmd::kCatalogMidi, MediaKind::Midi}, {cmd::kCatalogMovie, MediaKind::Movie}, {cmd::kCatalogSound, MediaKind::Sound}};
    for (auto [id, kind] : editors) router.Register(id, {[this, kind = kind] { OpenEditor(kind); }});
    router.Register(cmd::kRelatedFiles, {[this] { OpenRelatedFiles(); }, [this] {
                                             const int row = CurrentRow(*core_);
                                             return core_->kind() != MediaKind::Cd && row >= 1 &&
                                                    row <= core_->files().rows();
                                         }});
}

void CatalogToolsComponent::ApplySettings(const settings::Settings& s) {
    catalog_ = s.catalog;
    winexec_ = s.winexec;
}

void CatalogToolsComponent::StoreSettings(settings::Settings& s) const {
    s.catalog = catalog_;
    s.winexec = winexec_;
}

void CatalogToolsComponent::OpenEditor(MediaKind kind) {
    PlayerCore& core = *core_;
    const auto& s = core.settings();
    media::CatalogEditor::Environment env;
    env.drives = s.drives;
    env.archives_enabled = core.archives_enabled();
    media::CArchiveFile archives(core.ArchiveSettingsNow());
    env.archives = &archives;
    env.owner = owner_;
    media::CatalogEditor editor(kind, catalog_, env);
    const bool shows_catalog = core.kind() == kind && core.files().catalog_mode();
    if (shows_catalog) editor.Load(core.source());

    media::CatalogEditorDialog dialog(editor, owner_);
    dialog.SetPictureFilter(core.image_plugins().DialogFilter());
    dialog.exec();
    catalog_ = editor.settings();
    core.settings().catalog = catalog_;
    if (settings::SettingsStore* store = core.context().store) store->WriteSection(core.settings(), "Catalog");
    // The file area shows what was just saved over its catalog.
    if (shows_catalog && !editor.modified() && editor.catalog_path() == core.source()) core.ReloadList();
}

void CatalogToolsComponent::OpenRelatedFiles() {
    PlayerCore& core = *core_;
    const int row = CurrentRow(core);
    if (core.kind() == MediaKind::Cd || row < 1 || row > core.files().rows()) return;
    const std::string current = core.files().RowPath(row - 1);
    media::RelatedFiles model(winexec_, current, core.settings().main.hidden_file != 0);
    auto save = [this, &core](const media::RelatedFileSettings& table) {
        winexec_ = table;
        core.settings().winexec = table;
        if (settings::SettingsStore* store = core.context().store) store->WriteSection(core.settings(), "Winexec");
    };
    media::RelatedFilesDialog* shown = nullptr;
    auto run = [this, &model, &shown] {
        CommandRouter* router = router_;
        // The stop is posted: it runs once the event loop comes back.
        return model.Run([router] { QTimer::singleShot(0, [router] { router->Run(cmd::kStop); }); },
                         [&shown](const std::vector<std::string>& argv) {
                             return process::RunProgram(argv, strings::kProgramNotFound, shown);
                         },
                         shown);
    };
    media::RelatedFilesDialog dialog(model, run, save, owner_);
    shown = &dialog;
    dialog.exec();
}

}  // namespace nuko::app
