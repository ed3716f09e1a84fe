// Windows virtual-key codes, as the hot key table stores them, and the X11
// key symbols they stand for: one table, both ways, with the symbols' names
// for desktops that take a shortcut as text.
#pragma once

#include <string>

namespace nuko::hotkeys {

// The key symbol of a virtual key, or 0 for a code the table lacks.
unsigned long KeysymOf(int virtual_key);
// The virtual key of a key symbol (either case of a letter), or 0.
int VirtualKeyOfKeysym(unsigned long keysym);
bool IsKnownVirtualKey(int virtual_key);

// The name of the key symbol ("Return", "a", "F5", "XF86AudioPlay"), or
// null for a code the table lacks.
const char* KeysymNameOf(int virtual_key);
// A shortcut in the XDG shortcuts format, e.g. "CTRL+SHIFT+Return", from a
// key and the Shift/Ctrl/Alt bits of a record; empty for an unknown key.
std::string ShortcutTrigger(int virtual_key, int modifiers);

}  // namespace nuko::hotkeys
