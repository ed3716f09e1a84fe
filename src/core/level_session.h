// The player's level normalisation: which items play at the target level
// (the "Level" settings), their gains from the measuring worker, and the
// measurers that work through the back-end modules: the FluidSynth one
// renders a song offline with the playback settings, the libmpv one decodes
// sound files, movies and CD tracks.
//
// Threading: the owner thread calls it; the measurers run on the worker
// and read the synthesizer's settings only through their own locked copy.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "level/level_service.h"
#include "playback/media_device.h"
#include "playback/midi_renderer.h"
#include "settings/settings.h"

namespace nuko::app {

class LevelSession {
public:
    // `program_folder` holds the back-end modules; `cache_file` the
    // measured loudness (LoudnessCache::DefaultFile for the player).
    LevelSession(Dispatcher& owner, std::string program_folder, std::string cache_file);
    ~LevelSession();

    // The Level and MIDI settings in use from now on.
    void Apply(const settings::Settings& s);
    // MediaDeviceHooks::level_gain: the gain the item plays at; 0 while its
    // kind is not normalised.
    double GainFor(const playback::LevelQuery& item);
    // The song's identity for the cache: its fonts (beside it, in its
    // folder, the chain) as they are on disk, and the loop settings.
    std::string MidiIdentity(const std::string& song) const;

    // Made on first use: a player that normalises nothing starts no worker
    // and reads no cache.
    level::LevelService& service();

private:
    struct Shared {
        std::mutex mutex;
        playback::MidiRenderRequest request;
    };

    Dispatcher& owner_;
    std::string program_folder_;
    std::string cache_file_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    settings::LevelSection level_;
    playback::MidiSynthOptions synth_;
    std::unique_ptr<level::LevelService> service_;
};

}  // namespace nuko::app
