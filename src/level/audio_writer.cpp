#include "audio_writer.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace nuko::level {
namespace {

constexpr std::size_t kBlockFrames = 4096;

int SndfileFormat(AudioFormat format) {
    switch (format) {
        case AudioFormat::Wav: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case AudioFormat::Flac: return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        case AudioFormat::Ogg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioFormat::Mp3: return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

}  // namespace

std::optional<AudioFormat> AudioFormatByName(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "wav") return AudioFormat::Wav;
    if (lower == "flac") return AudioFormat::Flac;
    if (lower == "ogg") return AudioFormat::Ogg;
    if (lower == "mp3") return AudioFormat::Mp3;
    return std::nullopt;
}

const char* AudioFormatExtension(AudioFormat format) {
    switch (format) {
        case AudioFormat::Wav: return "wav";
        case AudioFormat::Flac: return "flac";
        case AudioFormat::Ogg: return "ogg";
        case AudioFormat::Mp3: return "mp3";
    }
    return "";
}

WriteResult WriteAudioFile(const WriteRequest& request, const AudioSource& source) {
    WriteResult result;
    SF_INFO info{};
    info.samplerate = static_cast<int>(request.sample_rate);
    info.channels = 2;
    info.format = SndfileFormat(request.format);
    SNDFILE* out = sf_open(request.path.c_str(), SFM_WRITE, &info);
    if (!out) {
        result.error = "書き込めません: " + request.path + " (" + sf_strerror(nullptr) + ")";
        return result;
    }
    // Clipped rather than wrapped where a sample passes full scale.
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (!request.tags.title.empty()) sf_set_string(out, SF_STR_TITLE, request.tags.title.c_str());
    if (!request.tags.artist.empty()) sf_set_string(out, SF_STR_ARTIST, request.tags.artist.c_str());

    LoudnessMeter meter(2, request.sample_rate);
    const float factor = static_cast<float>(DbToFactor(request.gain_db));
    std::vector<float> block(2 * kBlockFrames);
    double sum = 0;
    bool failed = false;
    while (result.frames < request.max_frames) {
        if (request.cancel && request.cancel->load()) {
            result.cancelled = true;
            break;
        }
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, request.max_frames - result.frames));
        std::size_t got = source(block.data(), want);
        if (got == 0) break;
        if (factor != 1.0f)
            for (std::size_t i = 0; i < 2 * got; ++i) block[i] *= factor;
        for (std::size_t i = 0; i < 2 * got; ++i) sum += static_cast<double>(block[i]) * block[i];
        meter.AddFloat(block.data(), got);
        errno = 0;
        if (sf_writef_float(out, block.data(), static_cast<sf_count_t>(got)) != static_cast<sf_count_t>(got)) {
            failed = true;
            result.error = "書き込めません: " + request.path + " (" +
                           (errno ? std::string(std::strerror(errno)) : std::string(sf_strerror(out))) + ")";
            break;
        }
        result.frames += got;
        if (request.progress) request.progress(result.frames);
    }
    errno = 0;
    if (sf_close(out) != 0 && !failed && !result.cancelled) {
        failed = true;
        result.error = "書き込めません: " + request.path + " (" + (errno ? std::strerror(errno) : "close") + ")";
    }
    if (failed || result.cancelled) {
        // Only a file of our own making goes: never a device such as
        // /dev/full that the write was pointed at.
        struct stat st;
        if (::lstat(request.path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) std::remove(request.path.c_str());
        return result;
    }
    result.ok = true;
    result.loudness = meter.Result();
    if (result.frames && sum > 0) result.rms_db = 10.0 * std::log10(sum / (2.0 * static_cast<double>(result.frames)));
    return result;
}

}  // namespace nuko::level
