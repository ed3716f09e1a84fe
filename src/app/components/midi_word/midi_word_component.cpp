#include "app/components/midi_word/midi_word_component.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QMenu>
#include <QUrl>
#include <utility>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/player_core.h"
#include "app/components/midi_word/midi_word_window.h"
#include "settings/settings_store.h"
#include "nuko/qt_strings.h"
#include "nuko/run_program.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "wrd/wrd_screen_image.h"

namespace nuko::app {

MidiWordComponent::MidiWordComponent(QWidget* owner) : owner_(owner) {}

MidiWordComponent::~MidiWordComponent() {
    if (core_) core_->SetWrdScreenOpen(false);
    delete menu_.data();
}

void MidiWordComponent::Attach(PlayerCore& core, CommandRouter& router) {
    core_ = &core;
    router_ = &router;
    model_ = std::make_unique<MidiWordModel>(&glyphs_, core.context().dispatcher);
    window_ = std::make_unique<MidiWordWindow>(owner_);
    window_->on_moved = [this](QPoint at) { model_->SetPosition(at.x(), at.y()); };
    window_->on_toggle_full_screen = [this] { ToggleFullScreen(); };
    window_->on_key = [this](int key, int modifiers) { OnKey(key, modifiers); };
    window_->on_menu = [this](QPoint at) { ContextMenu()->popup(at); };
    window_->on_visible = [this](bool visible) { model_->frame().SetVisible(visible); };
    core.Subscribe(*this);

    router.Register(cmd::kWordFiles, {[this] {
                                          word_on_ = !word_on_;
                                          Opened(model_->SetWordOn(word_on_));
                                      },
                                      {},
                                      [this] { return word_on_; }});
    router.Register(cmd::kPanelWordFullScreen,
                    {[this] { ToggleFullScreen(); }, [this] { return model_->open() && MidiWordWindow::CanFullScreen(); }});
}

void MidiWordComponent::ApplySettings(const settings::Settings& s) {
    word_ = s.word;
    word_on_ = s.main.word != 0;
    hotkeys_ = s.hotkey;
    if (const settings::SettingsStore* store = core_ ? core_->context().store : nullptr) {
        wrd_program_ = store->ReadKey("Winexec", "Wrd").value_or("");
        if (!std::exchange(place_read_, true)) placed_ = store->ReadKey("Word", "Position").has_value();
    }
    if (!model_) return;
    model_->ApplySettings(word_, word_on_);
    window_->SetCaption(word_.caption != 0);
    window_->SetCursorHidden(word_.cursor_ten == 1);
    Refresh();
}

void MidiWordComponent::StoreSettings(settings::Settings& s) const {
    s.main.word = word_on_ ? 1 : 0;
    if (model_) model_->StoreSettings(s.word);
}

void MidiWordComponent::OnItemStarted(const playback::ItemDisplay& item) {
    const std::string& source = item.source.empty() ? item.path : item.source;
    Opened(model_->SongStarted(core_->kind(), source));
}

void MidiWordComponent::Opened(bool open) {
    core_->SetWrdScreenOpen(open);
    if (!open) {
        // Full screen is left before the window goes; the model keeps the
        // mark for the next script.
        window_->LeaveFullScreen(QPoint(model_->x(), model_->y()));
        window_->hide();
        return;
    }
    Refresh();
    if (!placed_) PlaceBesideOwner();
    window_->ShowAt(QPoint(model_->x(), model_->y()));
    if (model_->full_screen_mark() && MidiWordWindow::CanFullScreen()) {
        model_->SetFullScreen(true);
        window_->EnterFullScreen();
    }
}

void MidiWordComponent::PlaceBesideOwner() {
    QWidget* main = owner_ ? owner_->window() : nullptr;
    QScreen* screen = main && main->screen() ? main->screen() : QGuiApplication::primaryScreen();
    if (!main || !main->isVisible() || !screen) return;  // placed when it first shows beside a shown window
    placed_ = true;
    const QRect frame = main->frameGeometry();
    const QRect desktop = screen->availableGeometry();
    // The pop-up's frame: its client area and, captioned, the owner's
    // borders as a likely guess before it was ever shown.
    QSize size = window_->frameGeometry().size();
    if (window_->frameGeometry() == window_->geometry() && word_.caption != 0)
        size += frame.size() - main->geometry().size();
    const WordRect r = FirstPlaceBeside({frame.x(), frame.y(), frame.width(), frame.height()}, size.width(),
                                        size.height(), {desktop.x(), desktop.y(), desktop.width(), desktop.height()});
    model_->SetPosition(r.x, r.y);
}

void MidiWordComponent::OnWrdTick(std::uint32_t position) {
    model_->Tick(position);
    Refresh();
}

void MidiWordComponent::Refresh() {
    if (!model_->open() && !window_->isVisible()) return;
    window_->SetScreen(wrd::ToQImage(model_->frame().Compose()));
}

void MidiWordComponent::ToggleFullScreen() {
    if (!model_->open() || !MidiWordWindow::CanFullScreen()) return;
    const bool on = !model_->full_screen();
    model_->SetFullScreen(on);
    if (on) window_->EnterFullScreen();
    else window_->LeaveFullScreen(QPoint(model_->x(), model_->y()));
}

void MidiWordComponent::OnKey(int virtual_key, int modifiers) {
    const WordKey action = WordKeyAction(virtual_key, modifiers, hotkeys_, model_->full_screen(),
                                         MidiWordWindow::CanFullScreen());
    switch (action) {
        case WordKey::None: return;
        case WordKey::FullScreen: ToggleFullScreen(); return;
        case WordKey::Previous: router_->Run(cmd::kPrevious); return;
        case WordKey::Play: router_->Run(cmd::kPlay); return;
        case WordKey::Next: router_->Run(cmd::kNext); return;
        case WordKey::Stop: router_->Run(cmd::kStop); return;
        case WordKey::Pause: router_->Run(cmd::kPause); return;
    }
}

void MidiWordComponent::OpenScript() {
    const std::string script = model_->ScriptPath();
    if (script.empty()) return;
    if (!wrd_program_.empty()) {
        // The path is one word of its own, blanks and all.
        if (auto argv = process::SplitCommandLine(wrd_program_)) {
            argv->push_back(script);
            process::RunProgram(*argv, strings::kProgramNotFound, window_.get());
            return;
        }
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(script)));
}

QMenu* MidiWordComponent::ContextMenu() {
    delete menu_.data();
    menu_ = new QMenu(window_.get());
    auto add = [this](const QString& text, bool enabled, std::function<void()> run) {
        QAction* a = menu_->addAction(text);
        a->setEnabled(enabled);
        QObject::connect(a, &QAction::triggered, menu_, std::move(run));
    };
    auto command = [this, &add](int id, const QString& text) {
        add(text, router_->IsEnabled(id), [this, id] { router_->Run(id); });
    };
    if (MidiWordWindow::CanFullScreen()) command(cmd::kPanelWordFullScreen, LoadQString(strings::kWordFullScreen));
    command(cmd::kPanelOptionsWord, LoadQString(strings::kProperties));
    add(LoadQString(strings::kWordShowScript), !model_->ScriptPath().empty(), [this] { OpenScript(); });
    add(LoadQString(strings::kWordShowWindow), true, [this] {
        window_->show();
        window_->raise();
        window_->activateWindow();
    });
    menu_->addSeparator();
    for (int id : {cmd::kPrevious, cmd::kPlay, cmd::kNext, cmd::kPause, cmd::kStop})
        command(id, QString::fromStdString(router_->Text(id)));
    return menu_;
}

}  // namespace nuko::app
