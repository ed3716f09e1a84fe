// Global hot keys on X11: each record is grabbed on the root window
// (XGrabKey), with the Caps Lock and Num Lock variants, and the presses come
// through Qt's native event filter. A combination another program holds
// (BadAccess) is reported as taken. Main thread only.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>
#include <map>
#include <memory>

#include "hotkey_table.h"

namespace nuko::hotkeys {

class X11Shortcuts final : public ShortcutService, public QAbstractNativeEventFilter {
public:
    // Null when the application does not run on X11.
    static std::unique_ptr<X11Shortcuts> Create(std::function<void(int id)> activated);
    ~X11Shortcuts() override;

    bool Register(int id, int virtual_key, int modifiers) override;
    void Unregister(int id) override;
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    struct Grab {
        unsigned keycode = 0;
        unsigned modifiers = 0;  // X modifier mask
    };
    X11Shortcuts(void* display, void* connection, std::uint32_t root, std::function<void(int)> activated);

    void* display_;
    void* connection_;
    std::uint32_t root_;
    std::function<void(int)> activated_;
    std::map<int, Grab> grabs_;
    // A press posted for later finds out that the service is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace nuko::hotkeys
