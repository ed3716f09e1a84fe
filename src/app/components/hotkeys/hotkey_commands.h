// What each global hot key runs: the router command of a record.
#pragma once

namespace nuko::app {

// The router command of the hot key `id` (848 to 864), or 0 when the player
// has none for it. The kinds' commands only switch while nothing plays; the
// commands' own guards apply to all.
int HotkeyCommandOf(int id);

}  // namespace nuko::app
