#include "hotkeys_component.h"

#include <QCoreApplication>
#include <QTimer>

#include "app/command_router.h"
#include "hotkeys/x11_shortcuts.h"
#include "nuko/prompt.h"

namespace nuko::app {

HotkeysComponent::HotkeysComponent(std::unique_ptr<hotkeys::ShortcutService> service)
    : service_(std::move(service)) {
    if (!service_) service_ = hotkeys::X11Shortcuts::Create([this](int id) { Activated(id); });
}

HotkeysComponent::~HotkeysComponent() { Shutdown(); }

void HotkeysComponent::Attach(PlayerCore& core, CommandRouter& router) {
    router_ = &router;
    core.Subscribe(*this);
}

void HotkeysComponent::ApplySettings(const settings::Settings& s) {
    if (!service_) return;
    if (registered_) hotkeys::UnregisterAll(*service_);
    last_ = hotkeys::RegisterAll(*service_, s.hotkey, 1);
    registered_ = true;
    // Told once the window is up: the start must not wait on the message.
    if (last_.message_id)
        QTimer::singleShot(0, qApp, [id = last_.message_id] { Ask(id, {}, PromptButtons::Ok, PromptIcon::Information); });
}

void HotkeysComponent::Activated(int id) {
    const int command = hotkeys::CommandOf(id);
    // The command's own guards apply: a kind does not switch while a song
    // plays, full screen needs the MIDI-Word window.
    if (command && router_) router_->Run(command);
}

void HotkeysComponent::Shutdown() {
    if (!service_ || !registered_) return;
    hotkeys::UnregisterAll(*service_);
    registered_ = false;
}

}  // namespace nuko::app
