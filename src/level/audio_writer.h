// Writes rendered sound to an audio file through libsndfile: WAVE, FLAC,
// Ogg Vorbis or MP3 (Debian's libsndfile encodes MP3 through LAME), with
// title and artist tags, at a gain, measuring what it writes. A write that
// fails or is cancelled leaves no file behind.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "loudness.h"

namespace nuko::level {

enum class AudioFormat { Wav, Flac, Ogg, Mp3 };

// "wav", "flac", "ogg", "mp3" (any case); nothing for another name.
std::optional<AudioFormat> AudioFormatByName(std::string_view name);
// The file extension, without the dot.
const char* AudioFormatExtension(AudioFormat format);

struct AudioTags {
    std::string title;   // UTF-8; empty: none
    std::string artist;
};

struct WriteRequest {
    std::string path;
    AudioFormat format = AudioFormat::Wav;
    AudioTags tags;
    unsigned sample_rate = 44100;
    double gain_db = 0.0;
    std::uint64_t max_frames = UINT64_MAX;
    // Set from another thread to stop; the file is removed.
    const std::atomic<bool>* cancel = nullptr;
    // Whether the samples written are measured (WriteResult's rms_db and
    // loudness).
    bool measure = true;
    // Called after each block with the frames written so far.
    std::function<void(std::uint64_t frames)> progress;
};

struct WriteResult {
    bool ok = false;
    bool cancelled = false;
    std::string error;  // Japanese, with the system's reason
    std::uint64_t frames = 0;
    double rms_db = kNoPeakDb;  // of the samples written, before encoding
    Loudness loudness;          // likewise
};

WriteResult WriteAudioFile(const WriteRequest& request, const AudioSource& source);

// Writes `source` at the gain that brings it to `target_lufs`
// (LevelGainDb; the request's own gain is not used). The source is
// rendered once: measured as it comes and kept meanwhile in a temporary
// file of no name beside the output, then written at the gain. Progress
// counts each frame twice, once per pass. `measured` gets the loudness of
// the source as it is, `gain_db` the gain used.
WriteResult WriteNormalisedAudioFile(const WriteRequest& request, const AudioSource& source, double target_lufs,
                                     Loudness* measured = nullptr, double* gain_db = nullptr);

}  // namespace nuko::level
