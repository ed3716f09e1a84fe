#include "mouse_hook_binding.h"

#include <dlfcn.h>

#include <mutex>

#include "mousehook/nu_32mhk.h"

namespace nuko::playback {
namespace {

struct Binding {
    std::mutex mutex;
    int uses = 0;
    void* library = nullptr;
    // The library's exports, as its header declares them.
    decltype(&MouseHookStart) start = nullptr;
    decltype(&MouseHookStop) stop = nullptr;
    decltype(&MouseHookSetTargetWindow) set_target = nullptr;
    decltype(&MouseHookSetAction) set_action = nullptr;
    decltype(&MouseHookSetCaption) set_caption = nullptr;
};

Binding& TheBinding() {
    static Binding b;
    return b;
}

template <typename F>
bool Find(void* lib, const char* name, F* out) {
    *out = reinterpret_cast<F>(::dlsym(lib, name));
    return *out != nullptr;
}

void Load(Binding& b, const std::string& folder) {
    std::string file = folder + mouse_hook::kLibraryName;
    void* lib = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
    bool all = Find(lib, "MouseHookStart", &b.start) && Find(lib, "MouseHookStop", &b.stop) &&
               Find(lib, "MouseHookSetTargetWindow", &b.set_target) &&
               Find(lib, "MouseHookSetAction", &b.set_action) &&
               Find(lib, "MouseHookSetCaption", &b.set_caption);
    if (!all) {
        ::dlclose(lib);
        b.start = nullptr;
        b.stop = nullptr;
        b.set_target = nullptr;
        b.set_action = nullptr;
        b.set_caption = nullptr;
        return;
    }
    b.library = lib;
    b.start();
}

}  // namespace

MouseHookUse::MouseHookUse(const std::string& folder) {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    if (b.uses++ == 0) Load(b, folder);
}

MouseHookUse::~MouseHookUse() {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    if (--b.uses > 0 || !b.library) return;
    b.stop();
    ::dlclose(b.library);
    b.library = nullptr;
    b.start = nullptr;
    b.stop = nullptr;
    b.set_target = nullptr;
    b.set_action = nullptr;
    b.set_caption = nullptr;
}

bool MouseHookUse::Loaded() {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    return b.library != nullptr;
}

int MouseHookUse::UseCount() {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    return b.uses;
}

void MouseHookUse::SetAction(std::int32_t action) {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    if (b.library) b.set_action(action);
}

void MouseHookUse::SetTargetWindow(void* target, void* notify) {
    Binding& b = TheBinding();
    std::lock_guard lock(b.mutex);
    if (b.library) b.set_target(target, notify);
}

}  // namespace nuko::playback
