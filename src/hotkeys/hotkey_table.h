// The seventeen global hot keys without a platform: the names a failure
// message shows, which records are sound, and registering a
// table through a shortcut service with the three report modes.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace nuko::hotkeys {

inline constexpr int kFirstId = settings::kFirstHotkeyId;  // 848
inline constexpr int kLastId = kFirstId + settings::kHotkeyCount - 1;  // 864

// Modifier bits of a record: 1 Shift, 2 Ctrl, 4 Alt, 8 extended key.
inline constexpr int kShift = 1;
inline constexpr int kCtrl = 2;
inline constexpr int kAlt = 4;
inline constexpr int kExtended = 8;

// The display name of a record in the failure list.
std::string DisplayName(int id);

// A record that can be registered: enabled, a key the platform knows, and
// no modifier bits beyond the four.
bool IsUsable(const settings::HotkeyRecord& r);

// The same key and Shift/Ctrl/Alt (the extended bit is the key's own).
bool SameCombination(const settings::HotkeyRecord& a, const settings::HotkeyRecord& b);

// The table as the player uses it: a record with a key nobody knows,
// modifier bits beyond the four, or the combination of an earlier enabled
// record is put back to its default (disabled); ids follow the places.
settings::HotkeySection Sanitized(const settings::HotkeySection& table);

// A global shortcut service of the desktop.
class ShortcutService {
public:
    virtual ~ShortcutService() = default;
    // False when the combination is taken or cannot be had.
    virtual bool Register(int id, int virtual_key, int modifiers) = 0;
    virtual void Unregister(int id) = 0;
};

struct RegisterResult {
    bool all = true;
    std::vector<int> failed;  // ids
    // The message the report mode asks for: 0 none, else its string id,
    // with the text to show.
    int message_id = 0;
    std::string text;
};

// Registers every enabled record (disabled ones count as success). Report
// mode 0: no message; 1: string 220 when any failed; 2: string 220, two
// line breaks and the names of the failed records.
RegisterResult RegisterAll(ShortcutService& service, const settings::HotkeySection& table, int report_mode);
void UnregisterAll(ShortcutService& service);

}  // namespace nuko::hotkeys
