// The MIDI-Word window as a component: its model follows the songs that
// start and the clock's ticks, the window shows the composed screen, and
// everything the user asks of it (keys, context menu, double click) goes
// to the router as commands.
#pragma once

#include <QPointer>
#include <memory>

#include "app/components/component.h"
#include "app/components/midi_word/midi_word_model.h"
#include "wrd/wrd_qt_glyphs.h"

class QMenu;
class QWidget;

namespace nuko::app {

class MidiWordWindow;

class MidiWordComponent final : public Component {
public:
    // The window is owned by `owner` (the main window) as its pop-up.
    explicit MidiWordComponent(QWidget* owner);
    ~MidiWordComponent() override;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override;

    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnWrdTick(std::uint32_t position) override;

    // After Attach.
    const MidiWordModel& model() const { return *model_; }
    MidiWordWindow* window() const { return window_.get(); }
    // The context menu as the right click opens it (for tests).
    QMenu* ContextMenu();
    void ToggleFullScreen();

private:
    void Opened(bool open);
    void Refresh();
    void OnKey(int virtual_key, int modifiers);
    void OpenScript();
    void PlaceBesideOwner();

    QWidget* owner_;
    wrd::QtGlyphSource glyphs_;
    std::unique_ptr<MidiWordModel> model_;  // built in Attach, with the core's dispatcher
    std::unique_ptr<MidiWordWindow> window_;
    QPointer<QMenu> menu_;
    PlayerCore* core_ = nullptr;
    CommandRouter* router_ = nullptr;
    settings::HotkeySection hotkeys_;
    std::string wrd_program_;  // the program registered for ".wrd"
    settings::WordSection word_;
    bool word_on_ = true;
    // No place was stored (the first start): the window first opens beside
    // the main window.
    bool place_read_ = false;
    bool placed_ = true;
};

}  // namespace nuko::app
