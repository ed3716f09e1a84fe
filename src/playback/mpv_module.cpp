// The libmpv back-end module: movies, sound files and audio CD.
#include "backend_module.h"
#include "cd_backend.h"
#include "mpv_backend.h"
#include "mpv_loudness.h"

namespace nuko::playback {
namespace {

std::unique_ptr<Backend> Create(const BackendRequest& r) {
    if (!r.dispatcher) return nullptr;
    MpvOptions mpv;
    mpv.audio_drivers = r.outputs.MpvDrivers();
    mpv.untimed = r.fast;
    mpv.clock = r.clock;
    switch (r.type) {
        case BackendType::Mpv:
            mpv.video = r.video;
            return std::make_unique<MpvBackend>(*r.dispatcher, std::move(mpv));
        case BackendType::Disc: return std::make_unique<CdBackend>(*r.dispatcher, std::move(mpv));
        default: return nullptr;
    }
}

const BackendModule kModule{kBackendModuleVersion, Create, nullptr, nullptr, MeasureMediaLoudness};

}  // namespace
}  // namespace nuko::playback

extern "C" __attribute__((visibility("default"))) const nuko::playback::BackendModule* nuko_backend_module() {
    return &nuko::playback::kModule;
}
