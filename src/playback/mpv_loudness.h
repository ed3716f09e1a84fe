// The loudness of the items the libmpv module plays: sound files and movies
// as libmpv decodes them (or by their ReplayGain tags), CD tracks as read
// from the disc. Each runs on the caller's thread and blocks until done.
#pragma once

#include <string>

#include "backend_module.h"
#include "level/loudness.h"

namespace nuko::playback {

// The text a measurement stopped by its cancel flag ends with.
inline constexpr const char* kMeasureCancelled = "cancelled";

// A file: its ReplayGain track tags when it has them, else its audio
// decoded as fast as libmpv goes, without output.
bool MeasureFileLoudness(const LoudnessRequest& request, level::Loudness* out, std::string* error);
// Track `request.track` of the drive or image `request.path`.
bool MeasureCdTrackLoudness(const LoudnessRequest& request, level::Loudness* out, std::string* error);
// The module's entry: a CD track when `track` is set, else a file.
bool MeasureMediaLoudness(const LoudnessRequest& request, level::Loudness* out, std::string* error);

// The loudness a ReplayGain 2.0 track gain and peak stand for (its
// reference is -18 LUFS); nothing when `gain` is no number ("-3.00 dB").
std::optional<level::Loudness> LoudnessFromReplayGain(const std::string& gain, const std::string& peak);

}  // namespace nuko::playback
