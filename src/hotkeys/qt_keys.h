// Qt's keys in the form the hot key table stores them: a Windows virtual
// key and the hot-key modifier bits (1 Shift, 2 Ctrl, 4 Alt, 8 extended
// key), and back, for the key capture of the hot key dialog and the keys of
// the player's windows.
#pragma once

#include <QKeyCombination>
#include <QKeySequence>

namespace nuko::hotkeys {

// The virtual key of a Qt key (the keypad modifier picks the numpad codes),
// or 0 for a key the table has no code for.
int VirtualKeyOf(int qt_key, Qt::KeyboardModifiers modifiers);
// Shift, Ctrl and Alt as hot-key bits; the extended bit is the key's own.
int HotkeyModifiersOf(Qt::KeyboardModifiers modifiers);
// Keys Windows calls extended (arrows, the block above them, keypad divide):
// a record of one of them carries bit 8, as the hot key control sets it.
bool IsExtendedKey(int virtual_key);

// A record's key as Qt shows it; an empty sequence for an unknown key.
QKeySequence SequenceOf(int virtual_key, int modifiers);
// The first key of a sequence as a record's key and modifier bits (extended
// bit included); false when it has no virtual key.
bool RecordKeyOf(const QKeySequence& sequence, int* virtual_key, int* modifiers);

}  // namespace nuko::hotkeys
