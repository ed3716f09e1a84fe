// Windows virtual-key codes, as the hot key table stores them, and the X11
// key symbols they stand for: one table, both ways.
#pragma once

namespace nuko::hotkeys {

// The key symbol of a virtual key, or 0 for a code the table lacks.
unsigned long KeysymOf(int virtual_key);
// The virtual key of a key symbol (either case of a letter), or 0.
int VirtualKeyOfKeysym(unsigned long keysym);
bool IsKnownVirtualKey(int virtual_key);

}  // namespace nuko::hotkeys
