// How loud an item is, by EBU R128 (integrated loudness over the gated
// blocks, through libebur128), and the gain that brings it to a target.
// Plain C++: no Qt, no playback library.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace nuko::level {

// A peak below every real one: the item has no sound.
inline constexpr double kNoPeakDb = -200.0;
inline constexpr double kDefaultTargetLufs = -18.0;
// A gain never lifts the item's highest sample above this, so the players'
// resamplers and encoders keep a little room.
inline constexpr double kPeakCeilingDb = -1.0;
// Items longer than this are measured on their beginning, so a song of
// hours costs what a long one does.
inline constexpr double kMaxMeasureSeconds = 20.0 * 60.0;

struct Loudness {
    // Integrated loudness, LUFS; none for silence (nothing above the
    // absolute gate of -70 LUFS).
    std::optional<double> lufs;
    // The highest sample, dBFS.
    double peak_db = kNoPeakDb;
    // Only the first kMaxMeasureSeconds were measured.
    bool partial = false;

    bool operator==(const Loudness&) const = default;
};

// The gain in dB that brings `item` to `target_lufs`, lowered where the
// peaks would pass kPeakCeilingDb; 0 for an item without loudness (it
// plays at its kind's default level).
double LevelGainDb(const Loudness& item, double target_lufs);
double DbToFactor(double db);
double FactorToDb(double factor);

// Takes interleaved samples as they come and tells the item's loudness.
class LoudnessMeter {
public:
    LoudnessMeter(unsigned channels, unsigned sample_rate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    bool ok() const { return state_ != nullptr; }
    void AddFloat(const float* interleaved, std::size_t frames);
    // 16-bit samples, as a CD's sectors hold them.
    void AddS16(const std::int16_t* interleaved, std::size_t frames);
    double Seconds() const;
    unsigned sample_rate() const { return rate_; }
    // What was added so far.
    Loudness Result() const;

private:
    void* state_ = nullptr;  // libebur128's ebur128_state
    unsigned channels_;
    unsigned rate_;
    std::uint64_t frames_ = 0;
    float peak_ = 0;
};

// Fills up to `frames` stereo frames (left and right interleaved); fewer at
// the end, 0 after it.
using AudioSource = std::function<std::size_t(float* interleaved, std::size_t frames)>;

// Measures stereo sound at `sample_rate` from `source` to its end or for
// `max_seconds` (then `partial` is set). Nothing when `cancel` turned true
// first.
std::optional<Loudness> MeasureSource(const AudioSource& source, unsigned sample_rate,
                                      double max_seconds = kMaxMeasureSeconds,
                                      const std::atomic<bool>* cancel = nullptr);

}  // namespace nuko::level
