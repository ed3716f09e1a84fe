#include "core/level_session.h"

#include "core/controller_settings.h"
#include "level/loudness_cache.h"
#include "playback/backend_module.h"
#include "playback/sound_font.h"

namespace nuko::app {
namespace {

const char* const kCancelled = "cancelled";

// Loudness through the libmpv module: files, or a CD track.
bool MeasureThroughMpv(const std::string& folder, const level::LevelItem& item, const std::atomic<bool>& cancel,
                       level::Loudness* out, std::string* error) {
    const playback::BackendModule* module = playback::LoadBackendModule(folder, playback::kMpvModuleFile, error);
    if (!module) return false;
    if (!module->measure_loudness) {
        *error = "the libmpv module measures nothing";
        return false;
    }
    playback::LoudnessRequest request;
    request.path = item.path;
    request.track = item.kind == level::LevelKind::CdTrack ? item.track : 0;
    request.cancel = &cancel;
    return module->measure_loudness(request, out, error);
}

}  // namespace

LevelSession::LevelSession(Dispatcher& owner, std::string program_folder, std::string cache_file)
    : owner_(owner), program_folder_(std::move(program_folder)), cache_file_(std::move(cache_file)) {}

LevelSession::~LevelSession() = default;

level::LevelService& LevelSession::service() {
    if (service_) return *service_;
    level::LevelService::Measurers m;
    const std::string folder = program_folder_;
    std::shared_ptr<Shared> shared = shared_;
    // The renderer stays from song to song while the settings do, so its
    // fonts load once. Only the worker touches it.
    struct Kept {
        playback::MidiRenderRequest request;
        std::unique_ptr<playback::MidiRenderer> renderer;
    };
    auto kept = std::make_shared<Kept>();
    m.midi = [folder, shared, kept](const level::LevelItem& item, const std::atomic<bool>& cancel,
                                    level::Loudness* out, std::string* error) {
        const playback::BackendModule* module =
            playback::LoadBackendModule(folder, playback::kFluidSynthModuleFile, error);
        if (!module || !module->make_midi_renderer) return false;
        playback::MidiRenderRequest request;
        {
            std::lock_guard lock(shared->mutex);
            request = shared->request;
        }
        if (!kept->renderer || !(kept->request.synth == request.synth) ||
            kept->request.rcp_library != request.rcp_library) {
            kept->renderer = module->make_midi_renderer(request);
            kept->request = request;
        }
        auto& renderer = kept->renderer;
        if (!renderer || !renderer->Open(item.path, error)) return false;
        auto loudness = level::MeasureSource(
            [&](float* block, std::size_t frames) { return renderer->Render(block, frames); },
            playback::MidiRenderer::kSampleRate, level::kMaxMeasureSeconds, &cancel);
        if (!loudness) {
            *error = kCancelled;
            return false;
        }
        *out = *loudness;
        return true;
    };
    m.media = [folder](const level::LevelItem& item, const std::atomic<bool>& cancel, level::Loudness* out,
                       std::string* error) { return MeasureThroughMpv(folder, item, cancel, out, error); };
    m.cd = m.media;
    service_ = std::make_unique<level::LevelService>(owner_, cache_file_, std::move(m));
    return *service_;
}

void LevelSession::Apply(const settings::Settings& s) {
    level_ = s.level;
    synth_ = MidiSynthOptionsFrom(s);
    std::lock_guard lock(shared_->mutex);
    shared_->request = MidiRenderRequestFrom(s, program_folder_);
}

std::string LevelSession::MidiIdentity(const std::string& song) const {
    const auto& loops = synth_.loops;
    return level::FilesFingerprint(playback::SoundFontsForSong(song, synth_.sound_fonts)) + "loops:" +
           std::to_string(loops.mode == midi::LoopOptions::Mode::PlayThrough ? 0 : 1) + "," +
           std::to_string(loops.count) + "," + std::to_string(loops.fade_seconds);
}

double LevelSession::GainFor(const playback::LevelQuery& q) {
    level::LevelItem item;
    item.path = q.path;
    switch (q.kind) {
        case media::MediaKind::Midi:
            if (!level_.midi) return 0.0;
            item.kind = level::LevelKind::Midi;
            item.identity = MidiIdentity(q.path);
            break;
        case media::MediaKind::Cd:
            if (!level_.media) return 0.0;
            item.kind = level::LevelKind::CdTrack;
            item.track = q.track;
            item.identity = q.disc;
            break;
        case media::MediaKind::Movie:
        case media::MediaKind::Sound:
            if (!level_.media) return 0.0;
            item.kind = level::LevelKind::Media;
            break;
    }
    return service().GainFor(item, level_.target);
}

}  // namespace nuko::app
