// The hot key table: the virtual-key mapping both ways, which records can
// be registered, their names, and the report modes of RegisterAll.
#include "hotkeys/hotkey_table.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <set>

#include "hotkeys/virtual_keys.h"
#include "nuko/string_ids.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xlib.h>

using namespace nuko;
using namespace nuko::hotkeys;

TEST(VirtualKeys, EveryKeyOfTheTableMapsBothWays) {
    // The defaults of the table.
    for (const settings::HotkeyRecord& r : settings::HotkeySection::DefaultHotkeys()) {
        const unsigned long sym = KeysymOf(r.virtual_key);
        ASSERT_NE(sym, 0u) << r.virtual_key;
        EXPECT_EQ(VirtualKeyOfKeysym(sym), r.virtual_key);
    }
    EXPECT_EQ(KeysymOf(13), static_cast<unsigned long>(XK_Return));
    EXPECT_EQ(KeysymOf(96), static_cast<unsigned long>(XK_KP_0));
    for (int vk = 'A'; vk <= 'Z'; ++vk) EXPECT_EQ(VirtualKeyOfKeysym(KeysymOf(vk)), vk);
    for (int vk = '0'; vk <= '9'; ++vk) EXPECT_EQ(VirtualKeyOfKeysym(KeysymOf(vk)), vk);
    for (int vk = 0x60; vk <= 0x69; ++vk) EXPECT_EQ(VirtualKeyOfKeysym(KeysymOf(vk)), vk);
    for (int vk = 0x70; vk <= 0x87; ++vk) EXPECT_EQ(VirtualKeyOfKeysym(KeysymOf(vk)), vk);
    EXPECT_EQ(VirtualKeyOfKeysym(XK_Q), 'Q');  // either case of a letter
    EXPECT_EQ(VirtualKeyOfKeysym(XK_KP_Enter), 13);
    EXPECT_EQ(KeysymOf(0x07), 0u);
    EXPECT_EQ(KeysymOf(-1), 0u);
    EXPECT_EQ(VirtualKeyOfKeysym(XK_Hyper_L), 0);
}

TEST(VirtualKeys, NamesAreTheKeysymsOwnAndMakeTriggers) {
    // Xlib's own reading of each name must give the same symbol back: a
    // misspelt name would ask the desktop for another key.
    int named = 0;
    for (int vk = 0; vk < 256; ++vk) {
        const char* name = KeysymNameOf(vk);
        ASSERT_EQ(name != nullptr, IsKnownVirtualKey(vk)) << vk;
        if (!name) continue;
        ++named;
        EXPECT_EQ(XStringToKeysym(name), KeysymOf(vk)) << name;
    }
    EXPECT_GT(named, 26 + 10 + 10 + 24);
    EXPECT_EQ(ShortcutTrigger(13, kCtrl | kShift), "CTRL+SHIFT+Return");
    EXPECT_EQ(ShortcutTrigger('F', kShift | kCtrl | kAlt), "CTRL+ALT+SHIFT+f");
    EXPECT_EQ(ShortcutTrigger(0x87, 0), "F24");
    EXPECT_EQ(ShortcutTrigger(0xB3, kAlt), "ALT+XF86AudioPlay");
    EXPECT_EQ(ShortcutTrigger(0x07, kCtrl), "");
}

TEST(HotkeyTable, RecordsHaveNames) {
    EXPECT_EQ(DisplayName(848), "前曲");
    EXPECT_EQ(DisplayName(857), "ｻｳﾝﾄﾞ");
    EXPECT_EQ(DisplayName(858), "WRDﾌﾙｽｸﾘｰﾝ");
    EXPECT_EQ(DisplayName(859), "ﾎﾞﾘｭｰﾑ上げる");
    EXPECT_EQ(DisplayName(862), "MOVIEﾌﾙｽｸﾘｰﾝ");
    EXPECT_EQ(DisplayName(864), "再生位置を戻す");
    EXPECT_EQ(DisplayName(900), "");
}

namespace {

struct FakeService final : ShortcutService {
    std::set<std::pair<int, int>> taken;  // (virtual key, modifiers)
    std::vector<int> registered;
    std::vector<int> unregistered;
    bool Register(int id, int vk, int mods) override {
        if (taken.count({vk, mods})) return false;
        registered.push_back(id);
        return true;
    }
    void Unregister(int id) override { unregistered.push_back(id); }
};

}  // namespace

TEST(HotkeyTable, RegisterAllReportsFailuresByMode) {
    FakeService service;
    settings::HotkeySection table;
    // All disabled: success, nothing taken, no message.
    RegisterResult none = RegisterAll(service, table, 2);
    EXPECT_TRUE(none.all);
    EXPECT_TRUE(service.registered.empty());
    EXPECT_EQ(none.message_id, 0);

    table.keys[1].enabled = 1;   // Play, Ctrl+Shift+Enter
    table.keys[10].enabled = 1;  // WrdFull, Ctrl+Shift+F
    table.keys[15].enabled = 1;  // PageUp, Ctrl+Right with the extended bit
    service.taken = {{'F', 3}};
    RegisterResult one = RegisterAll(service, table, 1);
    EXPECT_FALSE(one.all);
    EXPECT_EQ(one.failed, std::vector<int>{858});
    EXPECT_EQ(service.registered, (std::vector<int>{849, 863}));  // the extended bit is not passed
    EXPECT_EQ(one.message_id, strings::kHotkeysPartlyFailed);
    EXPECT_EQ(one.text, "ﾎｯﾄｷｰの設定で一部登録できませんでした.");
    RegisterResult two = RegisterAll(service, table, 2);
    EXPECT_EQ(two.text, "ﾎｯﾄｷｰの設定で一部登録できませんでした.\n\nWRDﾌﾙｽｸﾘｰﾝ");
    EXPECT_EQ(RegisterAll(service, table, 0).message_id, 0);

    // Bad records fail without reaching the service; the others work.
    settings::HotkeySection bad;
    bad.keys[0] = {1, 848, 0x07, 3};  // a key nobody knows
    bad.keys[1] = {1, 999, 13, 16};   // a modifier bit beyond the four
    bad.keys[2] = {1, 850, 39, 3};
    service.registered.clear();
    RegisterResult r = RegisterAll(service, bad, 2);
    EXPECT_EQ(r.failed, (std::vector<int>{848, 849}));
    EXPECT_EQ(service.registered, std::vector<int>{850});
    EXPECT_EQ(r.text, "ﾎｯﾄｷｰの設定で一部登録できませんでした.\n\n前曲\n再生");

    UnregisterAll(service);
    EXPECT_EQ(service.unregistered.size(), 17u);
    EXPECT_EQ(service.unregistered.front(), 848);
    EXPECT_EQ(service.unregistered.back(), 864);
}

TEST(HotkeyTable, BadRecordsGoBackToTheirDefaultsAndACombinationIsHeldOnce) {
    settings::HotkeySection table;
    table.keys[0] = {1, 848, 0x07, 3};     // a key nobody knows
    table.keys[1] = {1, 849, 13, 3 | 32};  // a modifier bit beyond the four
    table.keys[2] = {1, 777, 'Q', 6};      // sound, with a wrong id
    table.keys[3] = {1, 851, 'Q', 6 | 8};  // the same combination again
    table.keys[4] = {0, 852, 'Q', 6};      // the same, but off: harmless
    table.keys[5] = {7, 853, 'E', 3};      // an enabled flag that is neither
    const settings::HotkeySection clean = Sanitized(table);
    const auto defaults = settings::HotkeySection::DefaultHotkeys();
    EXPECT_EQ(clean.keys[0].Format(), defaults[0].Format());
    EXPECT_EQ(clean.keys[1].Format(), defaults[1].Format());
    EXPECT_EQ(clean.keys[2].Format(), "850,1,81,6");
    EXPECT_EQ(clean.keys[3].Format(), defaults[3].Format());
    EXPECT_EQ(clean.keys[4].Format(), "852,0,81,6");
    EXPECT_EQ(clean.keys[5].Format(), defaults[5].Format());
    for (std::size_t i = 6; i < clean.keys.size(); ++i) EXPECT_EQ(clean.keys[i].Format(), defaults[i].Format());

    // Registering a table with a combination twice: the first holds it,
    // the second is reported, the service never sees it.
    FakeService service;
    table.keys[0] = {1, 848, 'Q', 6};
    RegisterResult r = RegisterAll(service, table, 2);
    EXPECT_EQ(service.registered, (std::vector<int>{848}));
    EXPECT_EQ(r.failed, (std::vector<int>{849, 850, 851}));
}
