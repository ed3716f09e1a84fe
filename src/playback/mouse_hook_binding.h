// The process-wide binding of the mouse hook library (libnu_32mhk.so in the
// program folder). The first user loads it and starts the hook, the last
// one stops the hook and unloads it; a missing library or function only
// takes the movie window's mouse actions away.
#pragma once

#include <cstdint>
#include <string>

namespace nuko::playback {

namespace mouse_hook {
// The action set for a movie played through the universal back end.
inline constexpr std::int32_t kActionClose = 0xF060;  // SC_CLOSE
inline constexpr const char* kLibraryName = "libnu_32mhk.so";
}  // namespace mouse_hook

// One use of the library; a MediaDevice holds one for its life.
class MouseHookUse {
public:
    // `folder` (ending in "/") is where the library is looked for.
    explicit MouseHookUse(const std::string& folder);
    ~MouseHookUse();
    MouseHookUse(const MouseHookUse&) = delete;
    MouseHookUse& operator=(const MouseHookUse&) = delete;

    // Whether the library and its five entry points were found.
    static bool Loaded();
    static int UseCount();
    static void SetAction(std::int32_t action);
    static void SetTargetWindow(void* target, void* notify);
};

}  // namespace nuko::playback
