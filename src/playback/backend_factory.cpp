#include "backend_factory.h"

#include "cd_backend.h"
#include "fluidsynth_backend.h"
#include "mpv_backend.h"
#include "nuko/paths.h"

namespace nuko::playback {

LinuxBackends::LinuxBackends(Dispatcher& dispatcher, BackendSettings settings)
    : dispatcher_(dispatcher), settings_(std::move(settings)), ports_(MakeAlsaMidiPorts()) {
    if (settings_.program_folder.empty()) settings_.program_folder = folders::ProgramFolder();
}

LinuxBackends::~LinuxBackends() = default;

const PlatformFacts& LinuxBackends::Facts() {
    if (!facts_) facts_ = GatherPlatformFacts(settings_.sound_font, settings_.program_folder);
    return *facts_;
}

std::unique_ptr<Backend> LinuxBackends::Create(BackendType type, MediaKind kind) {
    const AudioOutputs& outputs = Facts().outputs;
    MpvOptions mpv;
    mpv.audio_drivers = outputs.MpvDrivers();
    mpv.untimed = settings_.fast;
    mpv.clock = settings_.clock;
    switch (type) {
        case BackendType::Sequencer: {
            FluidSynthOptions o;
            o.sound_font = settings_.sound_font;
            o.drivers = outputs.FluidSynthDrivers();
            o.paced = !settings_.fast;
            return std::make_unique<FluidSynthBackend>(dispatcher_, std::move(o), ports_.get());
        }
        case BackendType::Mpv:
            mpv.video = kind == MediaKind::Movie;
            return std::make_unique<MpvBackend>(dispatcher_, std::move(mpv));
        case BackendType::Disc: return std::make_unique<CdBackend>(dispatcher_, std::move(mpv));
        case BackendType::None: break;
    }
    return nullptr;
}

}  // namespace nuko::playback
