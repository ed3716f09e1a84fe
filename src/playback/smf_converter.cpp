#include "smf_converter.h"

#include <dlfcn.h>
#include <unistd.h>

#include "nuko/string_ids.h"

namespace nuko::playback {

namespace {

// The library's progress callback has no place for our own context: the
// conversion under way is held here, on the one thread that converts.
thread_local const std::function<void(int)>* current_progress = nullptr;

std::int32_t OnProgress(std::int32_t position, std::int32_t) {
    if (current_progress && *current_progress) (*current_progress)(position);
    return 1;
}

class Library {
public:
    explicit Library(const std::string& path) : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (handle_) ::dlclose(handle_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    template <typename F>
    F Find(const char* name) const {
        return handle_ ? reinterpret_cast<F>(::dlsym(handle_, name)) : nullptr;
    }

private:
    void* handle_;
};

}  // namespace

int SmfkResult::MessageId() const {
    if (outcome == TooOld) return strings::kSmfkTooOld;
    if (outcome == Failed && error >= 0 && error <= 7) return strings::kFirstSmfkError + error;
    return 0;
}

SmfkResult ConvertSmf(const std::string& library, const std::string& song, const std::string& out,
                      const std::string& cfg, const SmfkSettings& settings,
                      const std::function<void(int)>& progress) {
    SmfkResult r;
    Library lib(library);
    auto version = lib.Find<NuKoGetSmfkVersion>("GetSmfkVersion");
    auto convert = lib.Find<NuKoSmfkConvert>("SmfkConvert");
    if (!version || !convert) return r;  // silently off
    if (version() < kSmfkOldestVersion) {
        r.outcome = SmfkResult::TooOld;
        return r;
    }
    NuKoSmfkOptions options{static_cast<std::int32_t>(sizeof(NuKoSmfkOptions)), settings.jv, settings.mac,
                            settings.p, settings.bank, 0};
    const std::function<void(int)>* outer = current_progress;
    current_progress = &progress;
    const std::int32_t code =
        convert(nullptr, song.c_str(), out.c_str(), cfg.c_str(), "", &options, progress ? &OnProgress : nullptr);
    current_progress = outer;
    if (code == -1 || code == -2) {
        r.outcome = SmfkResult::Converted;
    } else {
        r.outcome = SmfkResult::Failed;
        r.error = code;
        ::unlink(out.c_str());  // nothing half written stays behind
    }
    return r;
}

}  // namespace nuko::playback
