// The MIDI back-end module: FluidSynth and the ALSA sequencer's ports.
#include "backend_module.h"
#include "fluidsynth_backend.h"
#include "fluidsynth_renderer.h"
#include "rcpcv_binding.h"

namespace nuko::playback {
namespace {

std::unique_ptr<Backend> Create(const BackendRequest& r) {
    if (r.type != BackendType::Sequencer || !r.dispatcher) return nullptr;
    FluidSynthOptions o;
    o.synth = r.synth;
    o.drivers = r.outputs.FluidSynthDrivers();
    o.paced = !r.fast;
    if (!r.program_folder.empty()) o.rcp_library = r.program_folder + kRcpcvLibraryFile;
    return std::make_unique<FluidSynthBackend>(*r.dispatcher, std::move(o), r.ports);
}

const BackendModule kModule{kBackendModuleVersion, Create, MakeAlsaMidiPorts, MakeFluidSynthRenderer};

}  // namespace
}  // namespace nuko::playback

extern "C" __attribute__((visibility("default"))) const nuko::playback::BackendModule* nuko_backend_module() {
    return &nuko::playback::kModule;
}
