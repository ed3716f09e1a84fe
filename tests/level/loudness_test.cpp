// The meter against the published EBU Tech 3341 test signals (stereo 1 kHz
// sines at 48 kHz whose integrated loudness the document gives), and the
// gain rule against figures worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "level/loudness.h"

using nuko::level::LevelGainDb;
using nuko::level::Loudness;
using nuko::level::LoudnessMeter;
using nuko::level::MeasureSource;

namespace {

constexpr unsigned kRate = 48000;

// `seconds` of a stereo 1 kHz sine whose peak is `dbfs`, continuing the
// phase of what `meter` was given before.
void AddSine(LoudnessMeter& meter, double dbfs, double seconds, std::uint64_t* phase) {
    const double amplitude = std::pow(10.0, dbfs / 20.0);
    std::vector<float> block(2 * 4800);
    auto frames = static_cast<std::uint64_t>(seconds * kRate);
    while (frames > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(frames, 4800));
        for (std::size_t i = 0; i < n; ++i) {
            float v = static_cast<float>(amplitude * std::sin(2 * M_PI * 1000.0 * static_cast<double>((*phase)++) / kRate));
            block[2 * i] = block[2 * i + 1] = v;
        }
        meter.AddFloat(block.data(), n);
        frames -= n;
    }
}

}  // namespace

// EBU Tech 3341, cases 1 to 4: the sines alone, and the gates that keep
// quiet passages out of the figure.
TEST(LoudnessMeter, MeasuresTheEbuTestSignals) {
    struct Part {
        double dbfs, seconds;
    };
    struct Case {
        const char* name;
        std::vector<Part> parts;
        double expected;
    };
    const std::vector<Case> cases = {
        {"case 1", {{-23, 20}}, -23.0},
        {"case 2", {{-33, 20}}, -33.0},
        {"case 3", {{-36, 10}, {-23, 60}, {-36, 10}}, -23.0},
        {"case 4", {{-72, 10}, {-36, 10}, {-23, 60}, {-36, 10}, {-72, 10}}, -23.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoudnessMeter meter(2, kRate);
        ASSERT_TRUE(meter.ok());
        std::uint64_t phase = 0;
        for (const auto& p : c.parts) AddSine(meter, p.dbfs, p.seconds, &phase);
        Loudness l = meter.Result();
        ASSERT_TRUE(l.lufs);
        EXPECT_NEAR(*l.lufs, c.expected, 0.1);
    }
    // The peak of the -23 dBFS case is the sine's own.
    LoudnessMeter meter(2, kRate);
    std::uint64_t phase = 0;
    AddSine(meter, -23, 2, &phase);
    EXPECT_NEAR(meter.Result().peak_db, -23.0, 0.05);
    EXPECT_NEAR(meter.Seconds(), 2.0, 1e-9);
}

TEST(LoudnessMeter, SilenceAndSoundUnderTheAbsoluteGateHaveNoLoudness) {
    LoudnessMeter silent(2, kRate);
    std::vector<float> zeros(2 * kRate, 0.0f);
    silent.AddFloat(zeros.data(), kRate);
    EXPECT_FALSE(silent.Result().lufs);
    EXPECT_EQ(silent.Result().peak_db, nuko::level::kNoPeakDb);

    // A -80 dBFS sine is about -80 LUFS, under the -70 LUFS gate.
    LoudnessMeter faint(2, kRate);
    std::uint64_t phase = 0;
    AddSine(faint, -80, 5, &phase);
    EXPECT_FALSE(faint.Result().lufs);
    EXPECT_NEAR(faint.Result().peak_db, -80.0, 0.1);

    LoudnessMeter nothing(2, kRate);
    EXPECT_FALSE(nothing.Result().lufs);
}

TEST(LoudnessMeter, SixteenBitSamplesReadAsFullScaleFractions) {
    // A square wave of +-16384 is -6.02 dBFS at its peak.
    std::vector<std::int16_t> square(2 * kRate);
    for (std::size_t i = 0; i < kRate; ++i) square[2 * i] = square[2 * i + 1] = (i / 24) % 2 ? 16384 : -16384;
    LoudnessMeter meter(2, kRate);
    meter.AddS16(square.data(), kRate);
    EXPECT_NEAR(meter.Result().peak_db, -6.02, 0.01);
    ASSERT_TRUE(meter.Result().lufs);
}

TEST(LevelGain, BringsTheItemToTheTargetWithoutLiftingPeaksOverTheCeiling) {
    // -30 LUFS to -18: 12 dB up; its peak of -20 dBFS becomes -8, under -1.
    EXPECT_DOUBLE_EQ(LevelGainDb({-30.0, -20.0, false}, -18.0), 12.0);
    // A loud CD track comes down: -9 LUFS to -18 is -9 dB.
    EXPECT_DOUBLE_EQ(LevelGainDb({-9.0, -0.1, false}, -18.0), -9.0);
    // Peaks at -5 dBFS allow only 4 dB of the 12 asked.
    EXPECT_DOUBLE_EQ(LevelGainDb({-30.0, -5.0, false}, -18.0), 4.0);
    // Silence plays at the kind's default.
    EXPECT_DOUBLE_EQ(LevelGainDb({std::nullopt, nuko::level::kNoPeakDb, false}, -18.0), 0.0);
    EXPECT_NEAR(nuko::level::DbToFactor(6.0206), 2.0, 1e-4);
    EXPECT_NEAR(nuko::level::FactorToDb(0.5), -6.0206, 1e-4);
}

TEST(MeasureSource, StopsAtItsLimitOrWhenCancelled) {
    std::uint64_t given = 0;
    auto endless = [&](float* block, std::size_t frames) {
        for (std::size_t i = 0; i < 2 * frames; ++i) block[i] = 0.1f * static_cast<float>(((given * 2 + i) / 50) % 2 ? 1 : -1);
        given += frames;
        return frames;
    };
    auto l = MeasureSource(endless, kRate, 3.0);
    ASSERT_TRUE(l);
    EXPECT_TRUE(l->partial);
    EXPECT_GE(given, 3u * kRate);
    EXPECT_LE(given, 3u * kRate + 4096);

    std::uint64_t left = kRate;  // one second, then the end
    auto short_one = [&](float* block, std::size_t frames) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(frames, left));
        std::fill(block, block + 2 * n, 0.25f);
        left -= n;
        return n;
    };
    l = MeasureSource(short_one, kRate, 3.0);
    ASSERT_TRUE(l);
    EXPECT_FALSE(l->partial);

    std::atomic<bool> cancel{true};
    EXPECT_FALSE(MeasureSource(endless, kRate, 3.0, &cancel));
}
