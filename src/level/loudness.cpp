#include "loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace nuko::level {
namespace {

ebur128_state* State(void* state) { return static_cast<ebur128_state*>(state); }

}  // namespace

double DbToFactor(double db) { return std::pow(10.0, db / 20.0); }

double FactorToDb(double factor) { return factor > 0 ? 20.0 * std::log10(factor) : kNoPeakDb; }

double LevelGainDb(const Loudness& item, double target_lufs) {
    if (!item.lufs) return 0.0;
    double gain = target_lufs - *item.lufs;
    if (item.peak_db > kNoPeakDb) gain = std::min(gain, kPeakCeilingDb - item.peak_db);
    return gain;
}

LoudnessMeter::LoudnessMeter(unsigned channels, unsigned sample_rate) : channels_(channels), rate_(sample_rate) {
    if (channels > 0 && sample_rate > 0) state_ = ebur128_init(channels, sample_rate, EBUR128_MODE_I);
}

LoudnessMeter::~LoudnessMeter() {
    if (state_) {
        ebur128_state* state = State(state_);
        ebur128_destroy(&state);
    }
}

void LoudnessMeter::AddFloat(const float* interleaved, std::size_t frames) {
    if (!state_ || frames == 0) return;
    ebur128_add_frames_float(State(state_), interleaved, frames);
    for (std::size_t i = 0; i < frames * channels_; ++i) peak_ = std::max(peak_, std::fabs(interleaved[i]));
    frames_ += frames;
}

void LoudnessMeter::AddS16(const std::int16_t* interleaved, std::size_t frames) {
    if (!state_ || frames == 0) return;
    ebur128_add_frames_short(State(state_), interleaved, frames);
    int peak = 0;
    for (std::size_t i = 0; i < frames * channels_; ++i) peak = std::max(peak, std::abs(static_cast<int>(interleaved[i])));
    peak_ = std::max(peak_, static_cast<float>(peak) / 32768.0f);
    frames_ += frames;
}

double LoudnessMeter::Seconds() const { return rate_ ? static_cast<double>(frames_) / rate_ : 0.0; }

Loudness LoudnessMeter::Result() const {
    Loudness out;
    out.peak_db = peak_ > 0 ? std::max(kNoPeakDb, FactorToDb(peak_)) : kNoPeakDb;
    double lufs = -HUGE_VAL;
    if (state_ && ebur128_loudness_global(State(state_), &lufs) == EBUR128_SUCCESS && std::isfinite(lufs)) out.lufs = lufs;
    return out;
}

std::optional<Loudness> MeasureSource(const AudioSource& source, unsigned sample_rate, double max_seconds,
                                      const std::atomic<bool>* cancel) {
    constexpr std::size_t kBlock = 4096;
    LoudnessMeter meter(2, sample_rate);
    std::vector<float> block(2 * kBlock);
    const auto limit = static_cast<std::uint64_t>(max_seconds * sample_rate);
    std::uint64_t frames = 0;
    bool partial = false;
    for (;;) {
        if (cancel && cancel->load()) return std::nullopt;
        if (frames >= limit) {
            // Whether anything follows decides whether the measure is whole.
            partial = source(block.data(), 1) > 0;
            break;
        }
        std::size_t got = source(block.data(), static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, limit - frames)));
        if (got == 0) break;
        meter.AddFloat(block.data(), got);
        frames += got;
    }
    Loudness out = meter.Result();
    out.partial = partial;
    return out;
}

}  // namespace nuko::level
