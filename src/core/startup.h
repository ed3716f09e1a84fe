// Start-up decisions of the player that need no window: the work folder and
// the first show command of the main window.
#pragma once

#include <string>
#include <system_error>

#include "settings/settings.h"

namespace nuko::app {

// Show commands with the numbers of the Windows ones (the settings store
// keeps `Main`/`Show` in these numbers).
enum class ShowCommand { Hide = 0, Normal = 1, Minimized = 2, Maximized = 3, Show = 5, Restore = 9 };

// The work folder for temporary and converted files, ending in "/": the
// user's folder when `Tool`/`UserTmp` is on and `Tool`/`TmpDir` is not
// empty, else the private default folder. The folder is created; a user
// folder that cannot be used falls back to the default.
std::string ChooseWorkFolder(const settings::ToolSection& tool, std::error_code* ec = nullptr);

// The first show command from the one the desktop passed (Normal when
// started plainly): hidden in the tray, minimised at start, a maximised
// start with a fixed frame restored, and a plain start takes `Main`/`Show`.
ShowCommand FirstShowCommand(const settings::MainSection& main, ShowCommand passed);

// After a command-line path selected a CD drive or track: hidden with the
// tray icon, else minimised.
ShowCommand ShowCommandAfterCdSelection(const settings::MainSection& main);

}  // namespace nuko::app
