#include "rcpcv_binding.h"

#include <dlfcn.h>

namespace nuko::playback {

bool IsRcpExtension(std::string_view e) { return e == "rcp" || e == "r36" || e == "g36"; }

bool HasRcpSignature(std::string_view bytes) {
    return bytes.starts_with("RCM-PC98V2.0(C)COME ON MUSIC") || bytes.starts_with("COME ON MUSIC RECOMPOSER RCP3.0");
}

RcpcvBinding::RcpcvBinding(const std::string& library_path) {
    void* lib = ::dlopen(library_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
    auto find = [lib](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(::dlsym(lib, name));
        return fn != nullptr;
    };
    bool all = find(convert_, "rcpcvConvertFile");
    all = find(smf_, "rcpcvGetSMF") && all;
    all = find(length_, "rcpcvGetSMFLength") && all;
    all = find(delete_, "rcpcvDeleteObject") && all;
    all = find(major_, "rcpcvGetVersionMajor") && all;
    all = find(minor_, "rcpcvGetVersionMinor") && all;
    if (all) lib_ = lib;
    else ::dlclose(lib);
}

RcpcvBinding::~RcpcvBinding() {
    if (lib_) ::dlclose(lib_);
}

std::optional<std::string> RcpcvBinding::Convert(const std::string& song, const Progress& progress) const {
    if (!lib_) return std::nullopt;
    // The callback only forwards to `progress`, which outlives the call.
    RcpcvProgress report = nullptr;
    void* user = nullptr;
    if (progress) {
        report = [](int percent, void* u) { return (*static_cast<const Progress*>(u))(percent) ? 1 : 0; };
        user = const_cast<Progress*>(&progress);
    }
    RcpcvObject* object = convert_(song.c_str(), report, user);
    if (!object) return std::nullopt;
    const unsigned char* data = smf_(object);
    std::string smf = data ? std::string(reinterpret_cast<const char*>(data), length_(object)) : std::string();
    delete_(object);
    return smf;
}

}  // namespace nuko::playback
