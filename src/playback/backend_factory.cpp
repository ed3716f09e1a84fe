#include "backend_factory.h"

#include "media_errors.h"
#include "nuko/paths.h"

namespace nuko::playback {
namespace {

// Stands for a back end whose module could not be loaded: the device opens
// nothing with it and says why through the usual error text.
class UnloadedBackend final : public Backend {
public:
    explicit UnloadedBackend(std::string why) : why_(std::move(why)) {}

    int Open(const std::string&) override { return mci::kCannotLoadDriver; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    int Play(std::int64_t, std::int64_t) override { return mci::kInvalidDeviceId; }
    int Pause() override { return mci::kInvalidDeviceId; }
    int Stop() override { return mci::kInvalidDeviceId; }
    int Seek(std::int64_t) override { return mci::kInvalidDeviceId; }
    int WaitForEnd() override { return mci::kInvalidDeviceId; }
    std::int64_t PositionMs() override { return 0; }
    std::int64_t LengthMs() override { return 0; }
    DeviceMode Mode() override { return DeviceMode::NotReady; }
    bool MediaPresent() override { return false; }
    void SetAudio(bool) override {}
    std::string ErrorText(int error) const override {
        return DeviceErrorText(error, error == mci::kCannotLoadDriver ? why_ : std::string());
    }

private:
    std::string why_;
};

}  // namespace

LinuxBackends::LinuxBackends(Dispatcher& dispatcher, BackendSettings settings)
    : dispatcher_(dispatcher), settings_(std::move(settings)) {
    if (settings_.program_folder.empty()) settings_.program_folder = folders::ProgramFolder();
}

LinuxBackends::~LinuxBackends() = default;

const PlatformFacts& LinuxBackends::Facts() {
    if (!facts_) facts_ = GatherPlatformFacts(settings_.synth.sound_fonts, settings_.program_folder);
    return *facts_;
}

void LinuxBackends::SetMidiSynthOptions(const MidiSynthOptions& options) {
    settings_.synth = options;
    facts_.reset();  // the device check asks again which font there is
}

std::unique_ptr<Backend> LinuxBackends::Create(BackendType type, MediaKind kind) {
    if (type == BackendType::None) return nullptr;
    std::string error;
    const BackendModule* module = LoadBackendModule(settings_.program_folder, BackendModuleFile(type), &error);
    if (!module) return std::make_unique<UnloadedBackend>(std::move(error));
    if (type == BackendType::Sequencer && !ports_ && module->make_midi_ports) ports_ = module->make_midi_ports();
    BackendRequest r;
    r.dispatcher = &dispatcher_;
    r.type = type;
    r.video = kind == MediaKind::Movie;
    r.synth = settings_.synth;
    r.outputs = Facts().outputs;
    r.fast = settings_.fast;
    r.clock = settings_.clock;
    r.ports = ports_.get();
    r.program_folder = settings_.program_folder;
    std::unique_ptr<Backend> backend = module->create ? module->create(r) : nullptr;
    if (!backend) return std::make_unique<UnloadedBackend>(settings_.program_folder + BackendModuleFile(type));
    return backend;
}

}  // namespace nuko::playback
