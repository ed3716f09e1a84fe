#include "qt_keys.h"

#include "hotkey_table.h"

namespace nuko::hotkeys {

namespace {

struct Pair {
    int vk;
    Qt::Key key;
    bool keypad = false;
};

// The keys besides letters, digits, numpad digits and function keys, which
// are ranges. Where two Qt keys give one code, the first is the one shown.
constexpr Pair kKeys[] = {
    {0x08, Qt::Key_Backspace},  {0x09, Qt::Key_Tab},        {0x0D, Qt::Key_Return},
    {0x0D, Qt::Key_Enter},      {0x13, Qt::Key_Pause},      {0x14, Qt::Key_CapsLock},
    {0x1B, Qt::Key_Escape},     {0x20, Qt::Key_Space},      {0x21, Qt::Key_PageUp},
    {0x22, Qt::Key_PageDown},   {0x23, Qt::Key_End},        {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},       {0x26, Qt::Key_Up},         {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},       {0x2C, Qt::Key_Print},      {0x2D, Qt::Key_Insert},
    {0x2E, Qt::Key_Delete},     {0x5D, Qt::Key_Menu},       {0x6A, Qt::Key_Asterisk, true},
    {0x6B, Qt::Key_Plus, true}, {0x6D, Qt::Key_Minus, true}, {0x6E, Qt::Key_Period, true},
    {0x6F, Qt::Key_Slash, true}, {0x6A, Qt::Key_Asterisk},  {0x90, Qt::Key_NumLock},
    {0x91, Qt::Key_ScrollLock}, {0xBA, Qt::Key_Semicolon},  {0xBB, Qt::Key_Equal},
    {0xBB, Qt::Key_Plus},       {0xBC, Qt::Key_Comma},      {0xBD, Qt::Key_Minus},
    {0xBE, Qt::Key_Period},     {0xBF, Qt::Key_Slash},      {0xC0, Qt::Key_QuoteLeft},
    {0xDB, Qt::Key_BracketLeft}, {0xDC, Qt::Key_Backslash}, {0xDD, Qt::Key_BracketRight},
    {0xDE, Qt::Key_Apostrophe}, {0xAD, Qt::Key_VolumeMute}, {0xAE, Qt::Key_VolumeDown},
    {0xAF, Qt::Key_VolumeUp},   {0xB0, Qt::Key_MediaNext},  {0xB1, Qt::Key_MediaPrevious},
    {0xB2, Qt::Key_MediaStop},  {0xB3, Qt::Key_MediaPlay},
};

}  // namespace

int VirtualKeyOf(int qt_key, Qt::KeyboardModifiers modifiers) {
    const bool keypad = (modifiers & Qt::KeypadModifier) != 0;
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return qt_key;  // same codes
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return keypad ? 0x60 + (qt_key - Qt::Key_0) : qt_key;
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 0x70 + (qt_key - Qt::Key_F1);
    // A keypad key the table has only in its main form falls back to that.
    for (int pass = keypad ? 0 : 1; pass < 2; ++pass)
        for (const Pair& p : kKeys)
            if (p.key == qt_key && p.keypad == (pass == 0)) return p.vk;
    return 0;
}

int HotkeyModifiersOf(Qt::KeyboardModifiers modifiers) {
    return ((modifiers & Qt::ShiftModifier) ? kShift : 0) | ((modifiers & Qt::ControlModifier) ? kCtrl : 0) |
           ((modifiers & Qt::AltModifier) ? kAlt : 0);
}

bool IsExtendedKey(int vk) {
    return (vk >= 0x21 && vk <= 0x28) || vk == 0x2D || vk == 0x2E || vk == 0x6F || vk == 0x90 || vk == 0x2C;
}

QKeySequence SequenceOf(int vk, int modifiers) {
    Qt::KeyboardModifiers m;
    if (modifiers & kShift) m |= Qt::ShiftModifier;
    if (modifiers & kCtrl) m |= Qt::ControlModifier;
    if (modifiers & kAlt) m |= Qt::AltModifier;
    int key = 0;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        key = vk;
    } else if (vk >= 0x60 && vk <= 0x69) {
        key = Qt::Key_0 + (vk - 0x60);
        m |= Qt::KeypadModifier;
    } else if (vk >= 0x70 && vk <= 0x87) {
        key = Qt::Key_F1 + (vk - 0x70);
    } else {
        for (const Pair& p : kKeys)
            if (p.vk == vk) {
                key = p.key;
                if (p.keypad) m |= Qt::KeypadModifier;
                break;
            }
    }
    if (!key) return {};
    return QKeySequence(QKeyCombination(m, static_cast<Qt::Key>(key)));
}

bool RecordKeyOf(const QKeySequence& sequence, int* virtual_key, int* modifiers) {
    if (sequence.isEmpty()) return false;
    const QKeyCombination c = sequence[0];
    const int vk = VirtualKeyOf(c.key(), c.keyboardModifiers());
    if (!vk) return false;
    *virtual_key = vk;
    *modifiers = HotkeyModifiersOf(c.keyboardModifiers()) | (IsExtendedKey(vk) ? kExtended : 0);
    return true;
}

}  // namespace nuko::hotkeys
