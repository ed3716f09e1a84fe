// The desktop's global shortcut service for the platform Qt runs on.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "hotkey_table.h"

namespace nuko::hotkeys {

// X11 grabs when Qt runs on xcb; otherwise the desktop portal's global
// shortcuts when the session bus offers them; else null. `activated` runs
// on the main thread with a record's id. `bind_failed` receives the ids a
// portal refused later (X11 refuses at once, through Register's result).
// Main thread, after the QGuiApplication exists.
std::unique_ptr<ShortcutService> MakeShortcutService(std::function<void(int id)> activated,
                                                     std::function<void(std::vector<int> failed_ids)> bind_failed = {});

}  // namespace nuko::hotkeys
