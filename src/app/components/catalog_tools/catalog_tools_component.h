// The library's tools of the File menu: the catalog editor of each kind
// (also the file area's list menu entry, which opens the catalog it shows)
// and related file execution for the current item. Each opens its modal
// dialog over a model of its own and keeps the tool's settings.
#pragma once

#include "app/components/component.h"
#include "library/catalog_editor.h"
#include "library/related_files.h"

class QWidget;

namespace nuko::app {

class CatalogToolsComponent final : public Component {
public:
    explicit CatalogToolsComponent(QWidget* owner) : owner_(owner) {}

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;

    // The editor of a kind: on the catalog the file area shows when it is
    // one of that kind, else on a new catalog.
    void OpenEditor(media::MediaKind kind);
    void OpenRelatedFiles();

private:
    QWidget* owner_;
    PlayerCore* core_ = nullptr;
    CommandRouter* router_ = nullptr;
    media::CatalogEditorSettings catalog_;
    media::RelatedFileSettings winexec_;
};

}  // namespace nuko::app
