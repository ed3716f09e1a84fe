#include "audio_writer.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

namespace nuko::level {
namespace {

constexpr std::size_t kBlockFrames = 4096;

std::string CannotWrite(const std::string& path, const std::string& why) {
    return "書き込めません: " + path + " (" + why + ")";
}

int SndfileFormat(AudioFormat format) {
    switch (format) {
        case AudioFormat::Wav: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        case AudioFormat::Flac: return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        case AudioFormat::Ogg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioFormat::Mp3: return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

// libsndfile, and the codecs it brings, load with the first file written
// rather than at every start of the programs that can write one.
struct SndFile {
    decltype(&sf_open) open = nullptr;
    decltype(&sf_strerror) strerror = nullptr;
    decltype(&sf_command) command = nullptr;
    decltype(&sf_set_string) set_string = nullptr;
    decltype(&sf_writef_float) writef_float = nullptr;
    decltype(&sf_close) close = nullptr;
    std::string error;  // why it did not load
};

const SndFile& TheSndFile() {
    static const SndFile lib = [] {
        SndFile f;
        void* h = ::dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
        auto find = [h](const char* name, auto* out) {
            *out = reinterpret_cast<std::remove_pointer_t<decltype(out)>>(::dlsym(h, name));
            return *out != nullptr;
        };
        if (!h || !find("sf_open", &f.open) || !find("sf_strerror", &f.strerror) || !find("sf_command", &f.command) ||
            !find("sf_set_string", &f.set_string) || !find("sf_writef_float", &f.writef_float) ||
            !find("sf_close", &f.close)) {
            const char* why = ::dlerror();
            SndFile none;
            none.error = why ? why : "libsndfile.so.1";
            return none;
        }
        return f;
    }();
    return lib;
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
    const SndFile& sf = TheSndFile();
    if (!sf.open) {
        result.error = CannotWrite(request.path, sf.error);
        return result;
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(request.sample_rate);
    info.channels = 2;
    info.format = SndfileFormat(request.format);
    SNDFILE* out = sf.open(request.path.c_str(), SFM_WRITE, &info);
    if (!out) {
        result.error = CannotWrite(request.path, sf.strerror(nullptr));
        return result;
    }
    // Clipped rather than wrapped where a sample passes full scale.
    sf.command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (request.format == AudioFormat::Flac) {
        // FLAC's fastest levels cost a few percent in size and keep an
        // export as fast as a plain render.
        double level = 0.0;
        sf.command(out, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    if (!request.tags.title.empty()) sf.set_string(out, SF_STR_TITLE, request.tags.title.c_str());
    if (!request.tags.artist.empty()) sf.set_string(out, SF_STR_ARTIST, request.tags.artist.c_str());

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
        if (request.measure) {
            for (std::size_t i = 0; i < 2 * got; ++i) sum += static_cast<double>(block[i]) * block[i];
            meter.AddFloat(block.data(), got);
        }
        errno = 0;
        if (sf.writef_float(out, block.data(), static_cast<sf_count_t>(got)) != static_cast<sf_count_t>(got)) {
            failed = true;
            result.error = CannotWrite(request.path, errno ? std::strerror(errno) : sf.strerror(out));
            break;
        }
        result.frames += got;
        if (request.progress) request.progress(result.frames);
    }
    errno = 0;
    if (sf.close(out) != 0 && !failed && !result.cancelled) {
        failed = true;
        result.error = CannotWrite(request.path, errno ? std::strerror(errno) : "close");
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

WriteResult WriteNormalisedAudioFile(const WriteRequest& request, const AudioSource& source, double target_lufs,
                                     Loudness* measured, double* gain_db) {
    WriteResult result;
    // The spool sits where the output goes, whose disk must hold the song
    // anyway; its name goes at once, so nothing is left behind whatever
    // happens.
    auto slash = request.path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : request.path.substr(0, slash + 1);
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string spool = folder + ".nukop32-spool-XXXXXX";
        fd = ::mkostemp(spool.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(spool.c_str());
    }
    if (fd < 0) {
        result.error = CannotWrite(request.path, std::strerror(errno));
        return result;
    }
    std::FILE* spool = ::fdopen(fd, "w+b");
    if (!spool) {
        ::close(fd);
        result.error = CannotWrite(request.path, std::strerror(errno));
        return result;
    }

    LoudnessMeter meter(2, request.sample_rate);
    std::vector<float> block(2 * kBlockFrames);
    double sum = 0;
    std::uint64_t frames = 0;
    while (frames < request.max_frames) {
        if (request.cancel && request.cancel->load()) {
            std::fclose(spool);
            result.cancelled = true;
            return result;
        }
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, request.max_frames - frames));
        std::size_t got = source(block.data(), want);
        if (got == 0) break;
        meter.AddFloat(block.data(), got);
        for (std::size_t i = 0; i < 2 * got; ++i) sum += static_cast<double>(block[i]) * block[i];
        if (std::fwrite(block.data(), sizeof(float) * 2, got, spool) != got) {
            result.error = CannotWrite(request.path, std::strerror(errno));
            std::fclose(spool);
            return result;
        }
        frames += got;
        if (request.progress) request.progress(frames);
    }
    const Loudness loudness = meter.Result();
    const double gain = LevelGainDb(loudness, target_lufs);
    if (measured) *measured = loudness;
    if (gain_db) *gain_db = gain;
    if (std::fflush(spool) != 0 || std::fseek(spool, 0, SEEK_SET) != 0) {
        result.error = CannotWrite(request.path, std::strerror(errno));
        std::fclose(spool);
        return result;
    }

    WriteRequest second = request;
    second.gain_db = gain;
    second.max_frames = frames;
    // What the second pass writes is the first at the gain, which stays
    // under full scale: its figures follow from the first pass's.
    second.measure = false;
    if (request.progress) second.progress = [&](std::uint64_t done) { request.progress(frames + done); };
    result = WriteAudioFile(second, [&](float* out, std::size_t n) {
        return std::fread(out, sizeof(float) * 2, n, spool);
    });
    std::fclose(spool);
    if (result.ok) {
        result.loudness = loudness;
        if (loudness.lufs) result.loudness.lufs = *loudness.lufs + gain;
        if (loudness.peak_db > kNoPeakDb) result.loudness.peak_db = loudness.peak_db + gain;
        if (frames && sum > 0) result.rms_db = 10.0 * std::log10(sum / (2.0 * static_cast<double>(frames))) + gain;
    }
    return result;
}

}  // namespace nuko::level
