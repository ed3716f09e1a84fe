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
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/wait.h>
#include <thread>

#include "playback/fluidsynth_backend.h"
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
        std::string parecord = nuko::test::FindProgram("parecord");
        std::string pactl = nuko::test::FindProgram("pactl");
        if (parecord.empty() || pactl.empty()) {
            ADD_FAILURE() << "parecord or pactl is missing";
            return {};
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
        std::string out;
        int code = nuko::test::RunProgram({nuko::test::KoTool(), "play", file}, &out);
        // The last of the sound may still be on its way through the server.
        nuko::test::PollUntil(
            [&] {
                std::string pcm = nuko::test::ReadBytes(recording);
                return pcm.size() > kHalfSecond && Peak(pcm) > kLoud;
            },
            30s, 100ms);
        nuko::test::StopProgram(rec, SIGINT);
        EXPECT_EQ(code, 0) << out;
        EXPECT_NE(out.find("end: success"), std::string::npos) << out;
        return nuko::test::ReadBytes(recording);
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

}  // namespace
