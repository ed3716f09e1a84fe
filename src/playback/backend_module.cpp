#include "backend_module.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace nuko::playback {

std::string BackendModuleFile(BackendType type) {
    switch (type) {
        case BackendType::Sequencer: return kFluidSynthModuleFile;
        case BackendType::Mpv:
        case BackendType::Disc: return kMpvModuleFile;
        case BackendType::None: break;
    }
    return {};
}

const BackendModule* LoadBackendModule(const std::string& folder, const std::string& file, std::string* error) {
    static std::mutex mutex;
    static std::map<std::string, const BackendModule*> loaded;
    const std::string path = folder + file;
    std::lock_guard lock(mutex);
    if (auto it = loaded.find(path); it != loaded.end()) return it->second;
    // Resolved now, so that a module whose libraries lack a function fails
    // here with a message rather than later in the middle of a play.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        if (error) *error = why ? why : path;
        return nullptr;
    }
    auto entry = reinterpret_cast<NukoBackendModuleEntry>(::dlsym(handle, kBackendModuleEntry));
    const BackendModule* module = entry ? entry() : nullptr;
    if (!module || module->version != kBackendModuleVersion) {
        if (error) *error = path + ": " + (entry ? "another version" : "no entry point");
        ::dlclose(handle);
        return nullptr;
    }
    // Never closed: back ends and their threads may outlive any one owner.
    loaded.emplace(path, module);
    return module;
}

}  // namespace nuko::playback
