// The global hot keys as a component: the table from the settings is
// registered with the desktop's shortcut service at start (failures told
// with string 220), a hot key runs its command through the router, and the
// keys are given back at exit. Without a service (not on X11) nothing is
// registered.
#pragma once

#include <memory>

#include "app/component.h"
#include "hotkeys/hotkey_table.h"

namespace nuko::app {

class HotkeysComponent final : public Component {
public:
    // `service` unset: the X11 service when the player runs on X11.
    explicit HotkeysComponent(std::unique_ptr<hotkeys::ShortcutService> service = {});
    ~HotkeysComponent() override;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void Shutdown() override;

    // A hot key went off.
    void Activated(int id);
    bool available() const { return service_ != nullptr; }
    const hotkeys::RegisterResult& last_result() const { return last_; }

private:
    std::unique_ptr<hotkeys::ShortcutService> service_;
    CommandRouter* router_ = nullptr;
    hotkeys::RegisterResult last_;
    bool registered_ = false;
};

}  // namespace nuko::app
