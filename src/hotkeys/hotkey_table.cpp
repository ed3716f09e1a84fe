#include "hotkey_table.h"

#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "virtual_keys.h"

namespace nuko::hotkeys {

std::string DisplayName(int id) {
    // The names follow the records, not the positions of the string table:
    // WrdFull is "WRDﾌﾙｽｸﾘｰﾝ", the volume keys their own, MovieFull
    // "MOVIEﾌﾙｽｸﾘｰﾝ"; the two position keys have names of our own.
    static constexpr int kNames[settings::kHotkeyCount] = {4256, 4257, 4258, 4259, 4260, 4261, 4262, 4263, 4264,
                                                           4265, 4269, 4266, 4267, 4268, 4270, 4271, 4272};
    const int i = id - kFirstId;
    if (i < 0 || i >= settings::kHotkeyCount) return {};
    return std::string(LoadString(kNames[i]));
}

namespace {

// A key the platform knows, and no modifier bits beyond the four.
bool HasSoundKey(const settings::HotkeyRecord& r) {
    return (r.modifiers & ~(kShift | kCtrl | kAlt | kExtended)) == 0 && IsKnownVirtualKey(r.virtual_key);
}

// One of `held` has the combination of `r` already.
bool HeldAlready(const std::vector<const settings::HotkeyRecord*>& held, const settings::HotkeyRecord& r) {
    for (const settings::HotkeyRecord* h : held)
        if (SameCombination(*h, r)) return true;
    return false;
}

}  // namespace

bool IsUsable(const settings::HotkeyRecord& r) { return r.enabled == 1 && HasSoundKey(r); }

settings::HotkeySection Sanitized(const settings::HotkeySection& table) {
    const auto defaults = settings::HotkeySection::DefaultHotkeys();
    settings::HotkeySection out = table;
    std::vector<const settings::HotkeyRecord*> enabled;
    for (std::size_t i = 0; i < out.keys.size(); ++i) {
        settings::HotkeyRecord& r = out.keys[i];
        r.id = kFirstId + static_cast<int>(i);
        const bool sound = (r.enabled == 0 || r.enabled == 1) && HasSoundKey(r);
        if (!sound || (r.enabled && HeldAlready(enabled, r))) r = defaults[i];
        if (r.enabled) enabled.push_back(&r);
    }
    return out;
}

bool SameCombination(const settings::HotkeyRecord& a, const settings::HotkeyRecord& b) {
    constexpr int kPassed = kShift | kCtrl | kAlt;
    return a.virtual_key == b.virtual_key && (a.modifiers & kPassed) == (b.modifiers & kPassed);
}

RegisterResult RegisterAll(ShortcutService& service, const settings::HotkeySection& table, int report_mode) {
    RegisterResult r;
    std::vector<const settings::HotkeyRecord*> held;
    for (int i = 0; i < settings::kHotkeyCount; ++i) {
        // A record's id is its place in the table, whatever the file says.
        const settings::HotkeyRecord& rec = table.keys[static_cast<std::size_t>(i)];
        const int id = kFirstId + i;
        if (rec.enabled != 1) continue;
        // A combination an earlier record holds would only take it over.
        const bool ok = IsUsable(rec) && !HeldAlready(held, rec) &&
                        service.Register(id, rec.virtual_key, rec.modifiers & (kShift | kCtrl | kAlt));
        if (ok) held.push_back(&rec);
        if (!ok) {
            r.all = false;
            r.failed.push_back(id);
        }
    }
    if (r.all || report_mode == 0) return r;
    r.message_id = strings::kHotkeysPartlyFailed;
    r.text = std::string(LoadString(r.message_id));
    if (report_mode == 2) {
        r.text += "\n\n";
        for (std::size_t i = 0; i < r.failed.size(); ++i) r.text += (i ? "\n" : "") + DisplayName(r.failed[i]);
    }
    return r;
}

void UnregisterAll(ShortcutService& service) {
    for (int id = kFirstId; id <= kLastId; ++id) service.Unregister(id);
}

}  // namespace nuko::hotkeys
