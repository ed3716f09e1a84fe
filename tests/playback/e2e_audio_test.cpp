// End to end: nu_kotool plays a MIDI song and a WAVE file into a PulseAudio
// null sink of a server of our own, and the recording of the sink's monitor
// holds sound.
//
// Running as root: pulseaudio prints "This program is not intended to be run
// as root (unless --system is specified)" and then runs normally in this
// per-user mode; --system is not needed (nor wanted: it would use the
// machine's shared runtime folder). HOME, XDG_RUNTIME_DIR and
// PULSE_RUNTIME_PATH point into a private temporary folder so that the
// server's cookie, socket and pid file stay there. The test is skipped only
// when no pulseaudio program exists or it cannot start at all.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sys/wait.h>
#include <thread>

#include "level/loudness.h"
#include "playback/cd_backend.h"
#include "playback/fluidsynth_backend.h"
#include "playback/media_errors.h"
#include "playback/mpv_backend.h"
#include "playback/mpv_loudness.h"
#include "media_fixtures.h"
#include "pulse_server.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using nuko::test::TempDir;

// The loudest sample of a 16-bit recording.
int Peak(const std::string& pcm) {
    int peak = 0;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
        auto v = static_cast<std::int16_t>(static_cast<unsigned char>(pcm[i]) | (static_cast<unsigned char>(pcm[i + 1]) << 8));
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    return peak;
}

constexpr std::size_t kHalfSecond = 44100 * 4 / 2;  // 16-bit stereo at 44100
constexpr int kLoud = 1000;                         // far above the silence of an idle sink

class EndToEndAudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        NUKO_REQUIRE_TOOL(server_.Start(&why), why);
        config_.emplace("XDG_CONFIG_HOME", server_.folder() + "home");
    }

    // Plays `file` in real time with nu_kotool while recording the sink's
    // monitor; returns the recording.
    std::string PlayAndRecord(const std::string& file) {
        std::string recording;
        Record(
            [&] {
                std::string out;
                int code = nuko::test::RunProgram({nuko::test::KoTool(), "play", file}, &out);
                EXPECT_EQ(code, 0) << out;
                EXPECT_NE(out.find("end: success"), std::string::npos) << out;
            },
            &recording);
        return recording;
    }

    // Runs `play` while recording the sink's monitor into `recording`; with
    // `frames`, until that much has come after the first sound (an idle
    // sink gives zeros).
    void Record(const std::function<void()>& play, std::string* recording_out, std::size_t frames = 0) {
        std::string parecord = nuko::test::FindProgram("parecord");
        std::string pactl = nuko::test::FindProgram("pactl");
        if (parecord.empty() || pactl.empty()) {
            ADD_FAILURE() << "parecord or pactl is missing";
            return;
        }
        std::string recording = media_.File("recording.raw");
        nuko::test::ProgramOptions o;
        o.output_file = media_.File("parecord.log");
        pid_t rec = nuko::test::StartProgram({parecord, "-d", "nullsink.monitor", "--raw", "--format=s16le",
                                              "--rate=44100", "--channels=2", "--latency-msec=50", recording},
                                             o);
        // The recording stream is connected once the server lists it.
        bool recording_started = nuko::test::PollUntil(
            [&] {
                std::string streams;
                nuko::test::RunProgram({pactl, "list", "short", "source-outputs"}, &streams);
                return !streams.empty();
            },
            30s, 50ms);
        EXPECT_TRUE(recording_started) << nuko::test::ReadBytes(o.output_file);
        // The idle sink's silence reaches the file once the recorder runs;
        // what plays before then would be lost.
        EXPECT_TRUE(nuko::test::PollUntil([&] { return !nuko::test::ReadBytes(recording).empty(); }, 30s, 10ms));
        play();
        // The last of the sound may still be on its way through the server.
        nuko::test::PollUntil(
            [&] {
                std::string pcm = nuko::test::ReadBytes(recording);
                if (pcm.size() <= kHalfSecond || Peak(pcm) <= kLoud) return false;
                std::size_t first = pcm.find_first_not_of('\0') / 4;
                return pcm.size() / 4 >= first + frames;
            },
            30s, 100ms);
        nuko::test::StopProgram(rec, SIGINT);
        *recording_out = nuko::test::ReadBytes(recording);
    }

    nuko::test::PulseServer server_;
    std::optional<nuko::test::ScopedEnv> config_;
    TempDir media_;
};

TEST_F(EndToEndAudioTest, AMidiSongSoundsInTheSink) {
    nuko::test::SmfWriter w(480);
    w.Track().Raw(0, "\xC0\x00");
    for (int i = 0; i < 4; ++i) w.Note(0, 60 + 2 * i, 240);
    nuko::test::WriteBytes(media_.File("song.mid"), w.Bytes());
    std::string pcm = PlayAndRecord(media_.File("song.mid"));
    EXPECT_GT(pcm.size(), kHalfSecond);
    EXPECT_GT(Peak(pcm), kLoud);
}

TEST_F(EndToEndAudioTest, AWaveFileSoundsInTheSink) {
    nuko::test::WriteBytes(media_.File("tone.wav"), nuko::test::MakeWav(1.5));
    std::string pcm = PlayAndRecord(media_.File("tone.wav"));
    EXPECT_GT(pcm.size(), kHalfSecond);
    EXPECT_GT(Peak(pcm), kLoud);
}

// The sound server's mixer lists the MIDI and the sound-file streams as
// this program's, with its icon and as music.
TEST_F(EndToEndAudioTest, BothStreamsCarryTheProgramsNameIconAndRole) {
    const std::string pactl = nuko::test::FindProgram("pactl");
    ASSERT_FALSE(pactl.empty());
    nuko::test::SmfWriter w(480);
    for (int i = 0; i < 16; ++i) w.Note(0, 60 + i % 12, 240);
    nuko::test::WriteBytes(media_.File("song.mid"), w.Bytes());
    nuko::test::WriteBytes(media_.File("tone.wav"), nuko::test::MakeWav(4));
    for (const char* name : {"song.mid", "tone.wav"}) {
        nuko::test::ProgramOptions o;
        o.output_file = media_.File("play.log");
        pid_t player = nuko::test::StartProgram({nuko::test::KoTool(), "play", media_.File(name)}, o);
        std::string streams;
        EXPECT_TRUE(nuko::test::PollUntil(
            [&] {
                nuko::test::RunProgram({pactl, "list", "sink-inputs"}, &streams);
                return streams.find("application.name") != std::string::npos;
            },
            30s, 50ms))
            << name;
        EXPECT_NE(streams.find("application.name = \"NU-KOP32\""), std::string::npos) << name << streams;
        EXPECT_NE(streams.find("application.icon_name = \"nu-kop32\""), std::string::npos) << name << streams;
        EXPECT_NE(streams.find("media.role = \"music\""), std::string::npos) << name << streams;
        EXPECT_EQ(nuko::test::WaitProgram(player, 60s), 0) << nuko::test::ReadBytes(o.output_file);
    }
}

TEST_F(EndToEndAudioTest, TheProbeFindsTheSoundServer) {
    std::string out;
    ASSERT_EQ(nuko::test::RunProgram({nuko::test::KoTool(), "probe"}, &out), 0);
    EXPECT_EQ(out.find("※"), std::string::npos) << out;
}

TEST_F(EndToEndAudioTest, SongsChangeWhileTheSoundServerPullsSound) {
    // The audio driver's thread renders while this one deletes and makes
    // players: the render lock keeps them apart.
    nuko::test::SmfWriter w(480);
    for (int i = 0; i < 64; ++i) w.Note(0, 48 + i % 24, 120);
    nuko::test::WriteBytes(media_.File("song.mid"), w.Bytes());
    nuko::CallQueue queue;
    nuko::playback::FluidSynthOptions options;
    options.drivers = {"pulseaudio"};
    nuko::playback::FluidSynthBackend b(queue, options, nullptr);
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(b.Open(media_.File("song.mid")), 0) << b.ErrorText(0);
        ASSERT_EQ(b.OutputName(), "pulseaudio");
        ASSERT_EQ(b.Play(i % 4 * 250, -1), 0);
        std::int64_t from = b.PositionMs();
        auto until = std::chrono::steady_clock::now() + 30s;
        while (b.PositionMs() == from && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
        ASSERT_GT(b.PositionMs(), from) << "round " << i << ": the driver renders nothing";
        b.Close();
        queue.RunPending();
    }
}

// The loudness of a 16-bit stereo recording at 44100 Hz.
nuko::level::Loudness LoudnessOf(const std::string& pcm) {
    std::vector<std::int16_t> samples(pcm.size() / 2);
    std::memcpy(samples.data(), pcm.data(), samples.size() * 2);
    nuko::level::LoudnessMeter meter(2, 44100);
    meter.AddS16(samples.data(), samples.size() / 2);
    return meter.Result();
}

// The first frame of 16-bit stereo data with a sample at or above `level`;
// past the end when there is none.
std::size_t FirstFrameAbove(const std::string& pcm, double level) {
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
        auto v = static_cast<std::int16_t>(static_cast<unsigned char>(pcm[i]) |
                                           (static_cast<unsigned char>(pcm[i + 1]) << 8));
        if (std::abs(static_cast<int>(v)) >= level) return i / 4;
    }
    return pcm.size() / 4;
}

nuko::playback::MpvOptions PulseOutput() {
    nuko::playback::MpvOptions o;
    o.audio_drivers = {"pulse"};
    return o;
}

// An item measured, then played through the sound server with the gain
// that brings it to a target, records at that target. The silence before
// and after the item lies below the measurement's gate.
TEST_F(EndToEndAudioTest, ACdTrackAndAnMp3PlayAtTheTargetLevel) {
    using nuko::playback::LoudnessRequest;
    NUKO_CORPUS_FILE(cue, "cd/images/cdda.cue");
    LoudnessRequest cd_request;
    cd_request.path = cue;
    cd_request.track = 1;
    nuko::level::Loudness cd;
    std::string error;
    ASSERT_TRUE(nuko::playback::MeasureMediaLoudness(cd_request, &cd, &error)) << error;
    ASSERT_TRUE(cd.lufs.has_value());
    const double cd_target = -24.0;
    const double cd_gain = nuko::level::LevelGainDb(cd, cd_target);
    std::cout << "CD track 1: " << *cd.lufs << " LUFS, peak " << cd.peak_db << " dBFS, gain " << cd_gain << " dB\n";

    nuko::CallQueue queue;
    std::string recording;
    Record(
        [&] {
            nuko::playback::CdBackend b(queue, PulseOutput());
            ASSERT_EQ(b.Open(cue), 0) << b.ErrorText(0);
            b.SetLevelGain(cd_gain);
            ASSERT_EQ(b.Play(0, -1), 0) << b.ErrorText(0);
            EXPECT_EQ(b.WaitForEnd(), 0) << b.ErrorText(0);
            queue.RunPending();
        },
        &recording, 302 * 588);  // the track's sectors of 588 frames
    // The track is a short sound (0.7 s), whose integrated loudness moves
    // by half a unit with where the 400 ms blocks fall: the recording is
    // lined up with the image's own data (cdda.bin is the track's sectors)
    // before it is measured, by the first loud sample of each.
    NUKO_CORPUS_FILE(bin, "cd/images/cdda.bin");
    const std::string source = nuko::test::ReadBytes(bin);
    const std::size_t s0 = FirstFrameAbove(source, 200);
    const std::size_t r0 = FirstFrameAbove(recording, 200 * nuko::level::DbToFactor(cd_gain));
    ASSERT_LT(s0, source.size() / 4);
    ASSERT_LT(r0, recording.size() / 4);
    std::string aligned = r0 >= s0 ? recording.substr((r0 - s0) * 4) : std::string((s0 - r0) * 4, '\0') + recording;
    nuko::level::Loudness heard = LoudnessOf(aligned);
    ASSERT_TRUE(heard.lufs.has_value());
    std::cout << "CD track 1 recorded at " << *heard.lufs << " LUFS for " << cd_target << "\n";
    EXPECT_NEAR(*heard.lufs, cd_target, 1.0);

    // The corpus MP3s are silent: this one is made, a tone at about -30
    // LUFS, which needs a gain of about +12 dB to reach -18.
    std::string ffmpeg = nuko::test::FindProgram("ffmpeg");
    NUKO_REQUIRE_TOOL(!ffmpeg.empty(), "ffmpeg is missing");
    const std::string mp3 = media_.File("quiet.mp3");
    std::string out;
    ASSERT_EQ(nuko::test::RunProgram({ffmpeg, "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                      "sine=frequency=1000:sample_rate=44100:duration=4", "-af", "volume=-9dB", "-ac",
                                      "2", "-c:a", "libmp3lame", "-b:a", "192k", mp3},
                                     &out),
              0)
        << out;
    LoudnessRequest mp3_request;
    mp3_request.path = mp3;
    nuko::level::Loudness file;
    ASSERT_TRUE(nuko::playback::MeasureMediaLoudness(mp3_request, &file, &error)) << error;
    ASSERT_TRUE(file.lufs.has_value());
    const double mp3_target = -18.0;
    const double mp3_gain = nuko::level::LevelGainDb(file, mp3_target);
    std::cout << "MP3: " << *file.lufs << " LUFS, peak " << file.peak_db << " dBFS, gain " << mp3_gain << " dB\n";
    EXPECT_GT(mp3_gain, 10.0);
    Record(
        [&] {
            nuko::playback::MpvBackend b(queue, PulseOutput());
            int opened = -1;
            b.SetOpenHandler([&](int r) { opened = r; });
            ASSERT_EQ(b.Open(mp3), nuko::playback::mci::kPending) << b.ErrorText(0);
            ASSERT_TRUE(nuko::test::PollUntil(
                [&] {
                    queue.WaitAndRun(50ms);
                    return opened != -1;
                },
                30s, 1ms));
            ASSERT_EQ(opened, 0) << b.ErrorText(opened);
            b.SetLevelGain(mp3_gain);
            ASSERT_EQ(b.Play(0, -1), 0) << b.ErrorText(0);
            EXPECT_EQ(b.WaitForEnd(), 0) << b.ErrorText(0);
            queue.RunPending();
        },
        &recording, 4 * 44100);
    heard = LoudnessOf(recording);
    ASSERT_TRUE(heard.lufs.has_value());
    std::cout << "MP3 recorded at " << *heard.lufs << " LUFS for " << mp3_target << "\n";
    EXPECT_NEAR(*heard.lufs, mp3_target, 1.0);
}

}  // namespace
