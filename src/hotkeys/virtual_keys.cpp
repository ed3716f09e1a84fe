#include "virtual_keys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace nuko::hotkeys {

namespace {

struct Pair {
    int vk;
    unsigned long keysym;
};

// Every key the hot key control can produce besides letters, digits and
// function keys, which follow below as ranges.
constexpr Pair kKeys[] = {
    {0x08, XK_BackSpace}, {0x09, XK_Tab},       {0x0D, XK_Return},      {0x13, XK_Pause},
    {0x14, XK_Caps_Lock}, {0x1B, XK_Escape},    {0x20, XK_space},       {0x21, XK_Prior},
    {0x22, XK_Next},      {0x23, XK_End},       {0x24, XK_Home},        {0x25, XK_Left},
    {0x26, XK_Up},        {0x27, XK_Right},     {0x28, XK_Down},        {0x2C, XK_Print},
    {0x2D, XK_Insert},    {0x2E, XK_Delete},    {0x5D, XK_Menu},        {0x6A, XK_KP_Multiply},
    {0x6B, XK_KP_Add},    {0x6C, XK_KP_Separator}, {0x6D, XK_KP_Subtract}, {0x6E, XK_KP_Decimal},
    {0x6F, XK_KP_Divide}, {0x90, XK_Num_Lock},  {0x91, XK_Scroll_Lock}, {0xBA, XK_semicolon},
    {0xBB, XK_equal},     {0xBC, XK_comma},     {0xBD, XK_minus},       {0xBE, XK_period},
    {0xBF, XK_slash},     {0xC0, XK_grave},     {0xDB, XK_bracketleft}, {0xDC, XK_backslash},
    {0xDD, XK_bracketright}, {0xDE, XK_apostrophe}, {0xE2, XK_backslash},
    // Media keys of newer keyboards.
    {0xAD, XF86XK_AudioMute}, {0xAE, XF86XK_AudioLowerVolume}, {0xAF, XF86XK_AudioRaiseVolume},
    {0xB0, XF86XK_AudioNext}, {0xB1, XF86XK_AudioPrev},        {0xB2, XF86XK_AudioStop},
    {0xB3, XF86XK_AudioPlay},
};

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

}  // namespace nuko::hotkeys
