#include "app/components/components.h"

#include <QMainWindow>
#include <QPoint>

#include "app/components/buttons/button_panel_component.h"
#include "app/components/buttons/button_panel_widget.h"
#include "app/components/catalog_tools/catalog_tools_component.h"
#include "app/components/cd_panel/cd_panel_component.h"
#include "app/components/file_area/file_area_component.h"
#include "app/components/hotkeys/hotkeys_component.h"
#include "app/components/midi_word/midi_word_component.h"
#include "app/components/mini_window/mini_window_component.h"
#include "app/components/mpris/mpris_component.h"
#include "app/components/song_export/song_export_component.h"
#include "app/components/time_display/time_display_component.h"
#include "app/components/tray/tray_component.h"
#include "app/components/volume/volume_panel_component.h"
#include "cd/cd_panel_widget.h"
#include "library/file_area_widget.h"
#include "panels/time_panel_widget.h"
#include "panels/volume_panel_widget.h"

namespace nuko::app {

std::vector<std::unique_ptr<Component>> MakeComponents(FrameHost& frame) {
    using Place = FrameHost::Place;
    std::vector<std::unique_ptr<Component>> all;
    auto add = [&all](auto component) {
        auto* c = component.get();
        all.push_back(std::move(component));
        return c;
    };
    QWidget* panels = frame.panel_parent();
    QMainWindow* window = frame.main_window();

    frame.AddPanel(add(std::make_unique<TimeDisplayComponent>(panels))->widget(), Place::Display);
    frame.AddPanel(add(std::make_unique<VolumePanelComponent>(panels))->widget(), Place::DisplaySide);
    frame.AddPanel(add(std::make_unique<ButtonPanelComponent>(panels))->widget(), Place::Bar);
    FileAreaComponent* files = add(std::make_unique<FileAreaComponent>(panels));
    files->SetContextMenu([&frame](const QPoint& at) { frame.ShowListMenu(at - QPoint(3, 3)); });
    frame.AddPanel(files->widget(), Place::List);
    // Shown instead of the file area while the CD kind is current.
    CdPanelComponent* cd = add(std::make_unique<CdPanelComponent>(panels));
    cd->SetContextMenu([&frame](const QPoint& at) { frame.ShowListMenu(at); });
    frame.AddPanel(cd->widget(), Place::List);

    // Windows of their own, owned by the main window.
    add(std::make_unique<MidiWordComponent>(window));
    add(std::make_unique<HotkeysComponent>());
    add(std::make_unique<MiniWindowComponent>(window));
    add(std::make_unique<TrayComponent>(window));
    // The catalog editor and related file execution.
    add(std::make_unique<CatalogToolsComponent>(window));
    // MIDI songs to audio files.
    add(std::make_unique<SongExportComponent>(window));
    // The desktop's media controls on the session bus.
    add(std::make_unique<MprisComponent>([window] {
        if (window->isMinimized()) window->showNormal();
        window->show();
        window->raise();
        window->activateWindow();
    }));
    return all;
}

}  // namespace nuko::app
