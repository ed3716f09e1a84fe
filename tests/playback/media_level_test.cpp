// The level of sound files, movies and CD tracks: measured through the
// libmpv module (ReplayGain tags, a decoded pass, a CD track's sectors) and
// compared with ffmpeg's ebur128 filter, an independent measurement; and
// libmpv playing an item by a gain in dB.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "level/loudness.h"
#include "media_fixtures.h"
#include "nuko/dispatch.h"
#include "playback/media_errors.h"
#include "playback/mpv_loudness.h"
#include "playback/mpv_session.h"
#include "test_support.h"

namespace nuko::playback {
namespace {

using test::TempDir;

// Runs ffmpeg with `args`; its messages in `log`.
bool Ffmpeg(const std::vector<std::string>& args, std::string* log = nullptr) {
    std::string ffmpeg = test::FindProgram("ffmpeg");
    if (ffmpeg.empty()) return false;
    TempDir dir;
    test::ProgramOptions o;
    o.output_file = dir.File("ffmpeg.log");
    std::vector<std::string> argv{ffmpeg, "-nostdin", "-y"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    bool ok = test::RunProgram(argv, &out, o) == 0;
    if (log) *log = test::ReadBytes(o.output_file);
    return ok;
}

// A sine of `hz` at `db` below the generator's level, stereo, encoded by
// ffmpeg into `file` (its codec from the name) with `extra` arguments.
bool MakeTone(const std::string& file, double seconds, double db, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args{"-v", "error", "-f", "lavfi", "-i",
                                  "sine=frequency=1000:sample_rate=44100:duration=" + std::to_string(seconds),
                                  "-af", "volume=" + std::to_string(db) + "dB", "-ac", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(file);
    return Ffmpeg(args);
}

struct Reference {
    double lufs = 0;
    double peak_db = 0;
};

// ffmpeg's ebur128 filter on `file`: the summary's integrated loudness and
// sample peak.
std::optional<Reference> Ebur128(const std::string& file) {
    std::string log;
    if (!Ffmpeg({"-nostats", "-i", file, "-af", "ebur128=peak=sample", "-f", "null", "-"}, &log)) return std::nullopt;
    std::size_t summary = log.rfind("Summary:");
    if (summary == std::string::npos) return std::nullopt;
    auto number_after = [&](const char* label) -> std::optional<double> {
        std::size_t at = log.find(label, summary);
        if (at == std::string::npos) return std::nullopt;
        return std::strtod(log.c_str() + at + std::strlen(label), nullptr);
    };
    auto i = number_after("I:");
    auto peak = number_after("Peak:");
    if (!i || !peak) return std::nullopt;
    return Reference{*i, *peak};
}

bool Measure(const std::string& path, level::Loudness* out, std::string* error, int track = 0,
             double max_seconds = level::kMaxMeasureSeconds, const std::atomic<bool>* cancel = nullptr) {
    LoudnessRequest r;
    r.path = path;
    r.track = track;
    r.max_seconds = max_seconds;
    r.cancel = cancel;
    return MeasureMediaLoudness(r, out, error);
}

std::size_t OpenDescriptors() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

TEST(MediaLoudnessTest, ACdImageTrackMeasuresAsEbur128Does) {
    NUKO_CORPUS_FILE(cue, "cd/images/cdda.cue");
    // ffmpeg's ebur128 on the raw 16-bit data of cdda.bin (its one track):
    // I = -18.5 LUFS, sample peak -3.4 dBFS.
    level::Loudness l;
    std::string error;
    ASSERT_TRUE(Measure(cue, &l, &error, 1)) << error;
    ASSERT_TRUE(l.lufs.has_value());
    EXPECT_NEAR(*l.lufs, -18.5, 0.5);
    EXPECT_NEAR(l.peak_db, -3.4, 0.3);
    EXPECT_FALSE(l.partial);

    // The first second only: a measurement cut short says so.
    ASSERT_TRUE(Measure(cue, &l, &error, 1, 1.0)) << error;
    EXPECT_TRUE(l.partial);

    EXPECT_FALSE(Measure(cue, &l, &error, 2));
    EXPECT_NE(error.find("ﾄﾗｯｸ 2"), std::string::npos) << error;
    EXPECT_FALSE(Measure("/no/such/disc.cue", &l, &error, 1));
    EXPECT_NE(error.find("CDを読めません"), std::string::npos) << error;
}

TEST(MediaLoudnessTest, ReplayGainTagsAreTakenAsTheyStand) {
    TempDir dir;
    // ReplayGain 2.0 reads -3 dB as 3 LU above its -18 LUFS reference; a
    // peak of 0.5 is 20 log10(0.5) = -6.02 dBFS.
    for (const char* name : {"tagged.mp3", "tagged.flac"}) {
        const std::string file = dir.File(name);
        NUKO_REQUIRE_TOOL(MakeTone(file, 2, -30,
                                   {"-metadata", "REPLAYGAIN_TRACK_GAIN=-3.00 dB", "-metadata",
                                    "REPLAYGAIN_TRACK_PEAK=0.5"}),
                          "ffmpeg cannot make a tagged tone");
        level::Loudness l;
        std::string error;
        ASSERT_TRUE(Measure(file, &l, &error)) << name << ": " << error;
        ASSERT_TRUE(l.lufs.has_value()) << name;
        EXPECT_NEAR(*l.lufs, -15.0, 1e-9) << name;
        EXPECT_NEAR(l.peak_db, -6.02, 0.01) << name;
    }
}

TEST(MediaLoudnessTest, ReplayGainTextsAreReadWithTheirUnitsAndSigns) {
    auto l = LoudnessFromReplayGain("+2.5 dB", "1.0");
    ASSERT_TRUE(l && l->lufs);
    EXPECT_DOUBLE_EQ(*l->lufs, -20.5);
    EXPECT_DOUBLE_EQ(l->peak_db, 0.0);
    // No peak: taken as full scale, so no gain lifts the item into clipping.
    l = LoudnessFromReplayGain("-7.1 dB", "");
    ASSERT_TRUE(l && l->lufs);
    EXPECT_DOUBLE_EQ(*l->lufs, -10.9);
    EXPECT_DOUBLE_EQ(l->peak_db, 0.0);
    EXPECT_FALSE(LoudnessFromReplayGain("", "0.5"));
    EXPECT_FALSE(LoudnessFromReplayGain("loud", "0.5"));
}

TEST(MediaLoudnessTest, AnUntaggedMp3MeasuresAsEbur128Does) {
    TempDir dir;
    const std::string file = dir.File("tone.mp3");
    NUKO_REQUIRE_TOOL(MakeTone(file, 8, -12, {"-c:a", "libmp3lame", "-b:a", "192k"}), "ffmpeg cannot make an MP3");
    std::optional<Reference> ref = Ebur128(file);
    ASSERT_TRUE(ref) << "ffmpeg's ebur128 gave no summary";
    level::Loudness l;
    std::string error;
    ASSERT_TRUE(Measure(file, &l, &error)) << error;
    ASSERT_TRUE(l.lufs.has_value());
    EXPECT_NEAR(*l.lufs, ref->lufs, 0.5);
    EXPECT_NEAR(l.peak_db, ref->peak_db, 0.5);
    EXPECT_FALSE(l.partial);

    ASSERT_TRUE(Measure(file, &l, &error, 0, 3.0)) << error;
    EXPECT_TRUE(l.partial);
    ASSERT_TRUE(l.lufs.has_value());
    EXPECT_NEAR(*l.lufs, ref->lufs, 0.5);  // a steady tone: its start is as loud
}

TEST(MediaLoudnessTest, SilenceMeasuresWithoutLoudness) {
    NUKO_CORPUS_FILE(mp3, "mp3/mutagen_silence-44-s-v1.mp3");
    level::Loudness l;
    std::string error;
    ASSERT_TRUE(Measure(mp3, &l, &error)) << error;
    EXPECT_FALSE(l.lufs.has_value()) << *l.lufs;
}

TEST(MediaLoudnessTest, WhatLibmpvCannotReadFailsWithAReason) {
    TempDir dir;
    test::WriteBytes(dir.File("noise.mp3"), std::string(4096, '\x5a'));
    level::Loudness l;
    std::string error;
    EXPECT_FALSE(Measure(dir.File("noise.mp3"), &l, &error));
    EXPECT_NE(error.find("読めません"), std::string::npos) << error;
    EXPECT_FALSE(Measure(dir.File("missing.mp3"), &l, &error));
    EXPECT_NE(error.find("見つかりません"), std::string::npos) << error;
}

// Cancelled from another thread, a long pass stops, says so, and leaves
// no file and no descriptor behind.
TEST(MediaLoudnessTest, ACancelledPassStopsAndLeavesNothing) {
    TempDir media;
    const std::string file = media.File("long.wav");
    NUKO_REQUIRE_TOOL(Ffmpeg({"-v", "error", "-f", "lavfi", "-i", "anoisesrc=d=600:r=8000:a=0.1", "-ac", "1", "-c:a",
                              "pcm_u8", file}),
                      "ffmpeg cannot make ten minutes of noise");
    TempDir tmp;
    test::ScopedEnv tmpdir("TMPDIR", tmp.path());
    const std::size_t descriptors = OpenDescriptors();
    std::atomic<bool> cancel{false};
    std::atomic<bool> started{false};
    std::chrono::steady_clock::time_point cancelled_at;
    std::thread canceller([&] {
        while (!started) std::this_thread::yield();
        // Long enough for the pass to be under way.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancelled_at = std::chrono::steady_clock::now();
        cancel = true;
    });
    level::Loudness l;
    std::string error;
    started = true;
    const bool ok = Measure(file, &l, &error, 0, level::kMaxMeasureSeconds, &cancel);
    const auto returned_at = std::chrono::steady_clock::now();
    canceller.join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, kMeasureCancelled);
    std::cout << "returned "
              << std::chrono::duration_cast<std::chrono::milliseconds>(returned_at - cancelled_at).count()
              << " ms after the cancel\n";
    EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

// libmpv's raw output into a file, read back as float stereo at 48 kHz.
class LevelGainTest : public ::testing::Test {
protected:
    MpvOptions Options() {
        MpvOptions o;
        o.audio_drivers = {"pcm"};
        o.extra = {{"ao-pcm-file", out_.File("out.raw")},
                   {"ao-pcm-waveheader", "no"},
                   {"audio-format", "float"},
                   {"audio-channels", "stereo"},
                   {"audio-samplerate", "48000"}};
        return o;
    }
    // Plays `file` to its end; the loudness of what came out.
    level::Loudness PlayOut(MpvSession& s, const std::string& file, double gain_after_load = NAN, bool mute = false) {
        int result = -1;
        EXPECT_EQ(s.Load(file, {}, [&](int r) { result = r; }), mci::kPending);
        s.WaitForLoad();
        EXPECT_EQ(result, mci::kOk) << s.last_error();
        if (!std::isnan(gain_after_load)) s.SetLevelGain(gain_after_load);
        if (mute) s.SetMute(true);
        EXPECT_EQ(s.Play(0), mci::kOk);
        EXPECT_EQ(s.WaitForEnd(), mci::kOk);
        s.Unload();  // closes the output file
        std::string pcm = test::ReadBytes(out_.File("out.raw"));
        std::vector<float> samples(pcm.size() / sizeof(float));
        std::memcpy(samples.data(), pcm.data(), samples.size() * sizeof(float));
        level::LoudnessMeter meter(2, 48000);
        meter.AddFloat(samples.data(), samples.size() / 2);
        EXPECT_GT(meter.Seconds(), 2.5);
        return meter.Result();
    }

    CallQueue queue_;
    TempDir out_, media_;
};

TEST_F(LevelGainTest, AGainChangesTheLevelByThatManyDecibels) {
    const std::string file = media_.File("tone.wav");
    test::WriteBytes(file, test::MakeWav(3.0));
    MpvSession plain(queue_, Options());
    level::Loudness base = PlayOut(plain, file);
    ASSERT_TRUE(base.lufs.has_value());

    // Set before the load: above unity.
    MpvSession louder(queue_, Options());
    louder.SetLevelGain(6.0);
    level::Loudness up = PlayOut(louder, file);
    ASSERT_TRUE(up.lufs.has_value());
    EXPECT_NEAR(*up.lufs - *base.lufs, 6.0, 0.1);
    EXPECT_NEAR(up.peak_db - base.peak_db, 6.0, 0.1);
    // Kept for the next load of the same session.
    up = PlayOut(louder, file);
    ASSERT_TRUE(up.lufs.has_value());
    EXPECT_NEAR(*up.lufs - *base.lufs, 6.0, 0.1);

    // Set on a loaded item; then back to none.
    MpvSession quieter(queue_, Options());
    level::Loudness down = PlayOut(quieter, file, -10.0);
    ASSERT_TRUE(down.lufs.has_value());
    EXPECT_NEAR(*down.lufs - *base.lufs, -10.0, 0.1);
    down = PlayOut(quieter, file, 0.0);
    ASSERT_TRUE(down.lufs.has_value());
    EXPECT_NEAR(*down.lufs - *base.lufs, 0.0, 0.1);
}

TEST_F(LevelGainTest, MuteStillSilencesAnItemWithAGain) {
    const std::string file = media_.File("tone.wav");
    test::WriteBytes(file, test::MakeWav(3.0));
    MpvSession s(queue_, Options());
    s.SetLevelGain(9.0);
    level::Loudness l = PlayOut(s, file, NAN, true);
    EXPECT_FALSE(l.lufs.has_value());
}

}  // namespace
}  // namespace nuko::playback
