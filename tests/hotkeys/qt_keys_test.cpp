// Keys typed into the player's windows and the hot key dialog, as the hot
// key table stores them, and back for showing a record.
#include "hotkeys/qt_keys.h"

#include <gtest/gtest.h>

#include "hotkeys/hotkey_table.h"
#include "hotkeys/virtual_keys.h"

using namespace nuko;
using namespace nuko::hotkeys;

TEST(QtKeys, KeysBecomeVirtualKeysAndBack) {
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Space, Qt::NoModifier), 32);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_F, Qt::ShiftModifier), 'F');
    EXPECT_EQ(VirtualKeyOf(Qt::Key_0, Qt::KeypadModifier), 96);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_0, Qt::NoModifier), '0');
    EXPECT_EQ(VirtualKeyOf(Qt::Key_F5, Qt::NoModifier), 0x74);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter, Qt::KeypadModifier), 13);  // the keypad's Enter is Return
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, Qt::KeypadModifier), 0x6D);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Minus, Qt::NoModifier), 0xBD);
    EXPECT_EQ(VirtualKeyOf(Qt::Key_Hyper_L, Qt::NoModifier), 0);
    EXPECT_EQ(HotkeyModifiersOf(Qt::ControlModifier | Qt::AltModifier), kCtrl | kAlt);
    EXPECT_EQ(HotkeyModifiersOf(Qt::MetaModifier | Qt::KeypadModifier), 0);

    // Every key a record can hold shows as a key that gives the record
    // back, extended bit included; and the X11 table has each of them.
    std::vector<int> keys;
    for (int vk = 'A'; vk <= 'Z'; ++vk) keys.push_back(vk);
    for (int vk = '0'; vk <= '9'; ++vk) keys.push_back(vk);
    for (int vk = 0x60; vk <= 0x69; ++vk) keys.push_back(vk);
    for (int vk = 0x70; vk <= 0x87; ++vk) keys.push_back(vk);
    for (const auto& r : settings::HotkeySection::DefaultHotkeys()) keys.push_back(r.virtual_key);
    for (int vk : {0x08, 0x09, 0x13, 0x1B, 0x21, 0x22, 0x23, 0x24, 0x2D, 0x2E, 0x6A, 0x6B, 0x6D, 0x6E, 0x6F, 0xBA,
                   0xBC, 0xBE, 0xBF, 0xC0, 0xDB, 0xDD, 0xDE, 0xAD, 0xAE, 0xAF, 0xB0, 0xB1, 0xB2, 0xB3})
        keys.push_back(vk);
    for (int vk : keys) {
        const int mods = kCtrl | kShift | (IsExtendedKey(vk) ? kExtended : 0);
        const QKeySequence seq = SequenceOf(vk, mods);
        ASSERT_FALSE(seq.isEmpty()) << vk;
        int back_vk = 0, back_mods = 0;
        ASSERT_TRUE(RecordKeyOf(seq, &back_vk, &back_mods)) << vk;
        EXPECT_EQ(back_vk, vk);
        EXPECT_EQ(back_mods, mods) << vk;
        EXPECT_TRUE(IsKnownVirtualKey(vk)) << vk;
    }
    // The defaults carry the bits the hot key control gives their keys.
    for (const auto& r : settings::HotkeySection::DefaultHotkeys())
        EXPECT_EQ((r.modifiers & kExtended) != 0, IsExtendedKey(r.virtual_key)) << r.id;
    EXPECT_TRUE(SequenceOf(0x07, 0).isEmpty());
    int vk = 0, mods = 0;
    EXPECT_FALSE(RecordKeyOf(QKeySequence(), &vk, &mods));
    EXPECT_FALSE(RecordKeyOf(QKeySequence(Qt::Key_Hyper_L), &vk, &mods));
}
