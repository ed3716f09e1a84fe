#include "virtual_keys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include "hotkey_table.h"

namespace nuko::hotkeys {

namespace {

struct Pair {
    int vk;
    unsigned long keysym;
    const char* name;  // the key symbol's name, as XKB and the XDG shortcut format spell it
};

#define KEY(vk, sym) {vk, XK_##sym, #sym}
#define XF86(vk, sym) {vk, XF86XK_##sym, "XF86" #sym}

// Every key the hot key control can produce besides letters, digits and
// function keys, which follow below as ranges.
constexpr Pair kKeys[] = {
    KEY(0x08, BackSpace), KEY(0x09, Tab),       KEY(0x0D, Return),      KEY(0x13, Pause),
    KEY(0x14, Caps_Lock), KEY(0x1B, Escape),    KEY(0x20, space),       KEY(0x21, Prior),
    KEY(0x22, Next),      KEY(0x23, End),       KEY(0x24, Home),        KEY(0x25, Left),
    KEY(0x26, Up),        KEY(0x27, Right),     KEY(0x28, Down),        KEY(0x2C, Print),
    KEY(0x2D, Insert),    KEY(0x2E, Delete),    KEY(0x5D, Menu),        KEY(0x6A, KP_Multiply),
    KEY(0x6B, KP_Add),    KEY(0x6C, KP_Separator), KEY(0x6D, KP_Subtract), KEY(0x6E, KP_Decimal),
    KEY(0x6F, KP_Divide), KEY(0x90, Num_Lock),  KEY(0x91, Scroll_Lock), KEY(0xBA, semicolon),
    KEY(0xBB, equal),     KEY(0xBC, comma),     KEY(0xBD, minus),       KEY(0xBE, period),
    KEY(0xBF, slash),     KEY(0xC0, grave),     KEY(0xDB, bracketleft), KEY(0xDC, backslash),
    KEY(0xDD, bracketright), KEY(0xDE, apostrophe), KEY(0xE2, backslash),
    // Media keys of newer keyboards.
    XF86(0xAD, AudioMute), XF86(0xAE, AudioLowerVolume), XF86(0xAF, AudioRaiseVolume),
    XF86(0xB0, AudioNext), XF86(0xB1, AudioPrev),        XF86(0xB2, AudioStop),
    XF86(0xB3, AudioPlay),
};

#undef KEY
#undef XF86

// Names of the ranges: "a".."z", "0".."9", "KP_0".."KP_9", "F1".."F24".
constexpr const char* kLetters[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m",
                                    "n", "o", "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z"};
constexpr const char* kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
constexpr const char* kKeypad[] = {"KP_0", "KP_1", "KP_2", "KP_3", "KP_4", "KP_5", "KP_6", "KP_7", "KP_8", "KP_9"};
constexpr const char* kFunction[] = {"F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",
                                     "F9",  "F10", "F11", "F12", "F13", "F14", "F15", "F16",
                                     "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};

}  // namespace

unsigned long KeysymOf(int vk) {
    if (vk >= 'A' && vk <= 'Z') return XK_a + static_cast<unsigned long>(vk - 'A');
    if (vk >= '0' && vk <= '9') return XK_0 + static_cast<unsigned long>(vk - '0');
    if (vk >= 0x60 && vk <= 0x69) return XK_KP_0 + static_cast<unsigned long>(vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + static_cast<unsigned long>(vk - 0x70);
    for (const Pair& p : kKeys)
        if (p.vk == vk) return p.keysym;
    return 0;
}

int VirtualKeyOfKeysym(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return 'A' + static_cast<int>(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z) return 'A' + static_cast<int>(keysym - XK_A);
    if (keysym >= XK_0 && keysym <= XK_9) return '0' + static_cast<int>(keysym - XK_0);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return 0x60 + static_cast<int>(keysym - XK_KP_0);
    if (keysym >= XK_F1 && keysym <= XK_F24) return 0x70 + static_cast<int>(keysym - XK_F1);
    if (keysym == XK_KP_Enter) return 0x0D;
    for (const Pair& p : kKeys)
        if (p.keysym == keysym) return p.vk;
    return 0;
}

bool IsKnownVirtualKey(int vk) { return KeysymOf(vk) != 0; }

const char* KeysymNameOf(int vk) {
    if (vk >= 'A' && vk <= 'Z') return kLetters[vk - 'A'];
    if (vk >= '0' && vk <= '9') return kDigits[vk - '0'];
    if (vk >= 0x60 && vk <= 0x69) return kKeypad[vk - 0x60];
    if (vk >= 0x70 && vk <= 0x87) return kFunction[vk - 0x70];
    for (const Pair& p : kKeys)
        if (p.vk == vk) return p.name;
    return nullptr;
}

std::string ShortcutTrigger(int vk, int modifiers) {
    const char* key = KeysymNameOf(vk);
    if (!key) return {};
    std::string s;
    if (modifiers & kCtrl) s += "CTRL+";
    if (modifiers & kAlt) s += "ALT+";
    if (modifiers & kShift) s += "SHIFT+";
    return s + key;
}

}  // namespace nuko::hotkeys
