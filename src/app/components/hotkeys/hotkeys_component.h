// The global hot keys as a component: the table from the settings is
// registered with the desktop's shortcut service at start (failures told
// with string 220), a hot key runs its command through the router, the hot
// key dialog edits the table, and the keys are given back at exit. Without
// a service nothing is registered, and the dialog says why.
#pragma once

#include <memory>
#include <vector>

#include "app/components/component.h"
#include "hotkeys/hotkey_table.h"

namespace nuko::app {

class HotkeysComponent final : public Component {
public:
    // `service` unset: the X11 service when the player runs on X11.
    explicit HotkeysComponent(std::unique_ptr<hotkeys::ShortcutService> service = {});
    ~HotkeysComponent() override;

    void Attach(PlayerCore& core, CommandRouter& router) override;
    void ApplySettings(const settings::Settings& s) override;
    void StoreSettings(settings::Settings& s) const override {
        if (applied_) s.hotkey = table_;
    }
    void Shutdown() override;

    // The hot key dialog: the keys are given back while it is open, and the
    // table it leaves is registered again.
    void OpenDialog();
    // Registers a table with report mode 2 and gives the keys back: the
    // dialog's "チェック".
    hotkeys::RegisterResult Check(const settings::HotkeySection& table);

    // A hot key went off.
    void Activated(int id);
    // The desktop refused these records after registering them.
    void BindFailed(std::vector<int> failed);
    bool available() const { return service_ != nullptr; }
    const hotkeys::RegisterResult& last_result() const { return last_; }
    const settings::HotkeySection& table() const { return table_; }

private:
    void RegisterTable();

    std::unique_ptr<hotkeys::ShortcutService> service_;
    CommandRouter* router_ = nullptr;
    PlayerCore* core_ = nullptr;
    settings::HotkeySection table_;
    hotkeys::RegisterResult last_;
    bool registered_ = false;
    bool applied_ = false;  // the table came from the settings
};

}  // namespace nuko::app
