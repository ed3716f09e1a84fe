// The product's name as the player's windows show it: the main window's
// caption, the tray icon's tip, the splash and the about box.
#pragma once

namespace nuko::app {

inline constexpr const char* kProductTitle = "NU-KO Player for WIN32";

}  // namespace nuko::app
