#include "shortcut_service.h"

#include <QGuiApplication>

#include "portal_shortcuts.h"
#include "x11_shortcuts.h"

namespace nuko::hotkeys {

std::unique_ptr<ShortcutService> MakeShortcutService(std::function<void(int)> activated,
                                                     std::function<void(std::vector<int>)> bind_failed) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) return X11Shortcuts::Create(std::move(activated));
    auto portal = PortalShortcuts::Create(std::move(activated));
    if (portal) portal->SetBindFailed(std::move(bind_failed));
    return portal;
}

}  // namespace nuko::hotkeys
