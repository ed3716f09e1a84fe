#include "app/components/hotkeys/hotkeys_component.h"

#include <QCoreApplication>
#include <algorithm>
#include <QTimer>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "app/components/hotkeys/hotkey_commands.h"
#include "app/components/hotkeys/hotkey_dialog.h"
#include "core/player_core.h"
#include "hotkeys/shortcut_service.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"

namespace nuko::app {

HotkeysComponent::HotkeysComponent(std::unique_ptr<hotkeys::ShortcutService> service)
    : service_(std::move(service)) {
    if (!service_)
        service_ = hotkeys::MakeShortcutService([this](int id) { Activated(id); },
                                                [this](std::vector<int> failed) { BindFailed(std::move(failed)); });
}

HotkeysComponent::~HotkeysComponent() { Shutdown(); }

void HotkeysComponent::Attach(PlayerCore& core, CommandRouter& router) {
    router_ = &router;
    core_ = &core;
    core.Subscribe(*this);
    router.Register(cmd::kHotkeys, {[this] { OpenDialog(); }});
}

void HotkeysComponent::ApplySettings(const settings::Settings& s) {
    // Bad records (unknown keys, stray bits, a combination twice) are back
    // at their defaults: the dialog shows them so and they are stored so.
    table_ = hotkeys::Sanitized(s.hotkey);
    applied_ = true;
    RegisterTable();
}

void HotkeysComponent::RegisterTable() {
    if (!service_) return;
    if (registered_) hotkeys::UnregisterAll(*service_);
    last_ = hotkeys::RegisterAll(*service_, table_, 1);
    registered_ = true;
    // Told once the window is up: the start must not wait on the message.
    if (last_.message_id)
        QTimer::singleShot(0, qApp, [id = last_.message_id] { Ask(id, {}, PromptButtons::Ok, PromptIcon::Information); });
}

void HotkeysComponent::OpenDialog() {
    // The dialog's keys must not run commands, and "チェック" must find them
    // free.
    Shutdown();
    HotkeyDialog::Check check;
    if (service_) check = [this](const settings::HotkeySection& t) { return Check(t); };
    QWidget* owner = core_ ? core_->owner_window().widget() : nullptr;
    HotkeyDialog dialog(table_, std::move(check), owner);
    if (dialog.exec() == QDialog::Accepted) table_ = dialog.table();
    RegisterTable();
    if (router_) router_->Run(cmd::kApplyTooltips);
}

hotkeys::RegisterResult HotkeysComponent::Check(const settings::HotkeySection& table) {
    if (!service_) return {};
    hotkeys::RegisterResult r = hotkeys::RegisterAll(*service_, table, 2);
    hotkeys::UnregisterAll(*service_);
    return r;
}

void HotkeysComponent::BindFailed(std::vector<int> failed) {
    // A desktop portal answers later than the registration: its refusals
    // are told as the registration's own would have been.
    for (int id : failed)
        if (std::find(last_.failed.begin(), last_.failed.end(), id) == last_.failed.end()) last_.failed.push_back(id);
    last_.all = last_.failed.empty();
    if (!failed.empty()) Ask(strings::kHotkeysPartlyFailed, {}, PromptButtons::Ok, PromptIcon::Information);
}

void HotkeysComponent::Activated(int id) {
    const int command = HotkeyCommandOf(id);
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
