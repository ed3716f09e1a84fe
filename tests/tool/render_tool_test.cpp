// nu_kotool render as a user's script runs it: the real synthesizer module
// and the system's fonts, the songs written byte by byte from the MIDI file
// format, the figures read from its output lines and the files it writes.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include "media_fixtures.h"
#include "playback/sound_font.h"
#include "test_support.h"

using nuko::test::KoTool;
using nuko::test::ProgramOptions;
using nuko::test::RunProgram;
using nuko::test::SmfWriter;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// Four seconds of string chords (program 48) at 120 bpm: C, F, G and C
// major, each held for a bar of two beats, all notes at `velocity`.
std::string Chords(int velocity) {
    SmfWriter w(480, 0);
    w.Track().Raw(0, std::string("\xC0\x30", 2));
    const int chords[4][3] = {{60, 64, 67}, {65, 69, 72}, {67, 71, 74}, {60, 64, 67}};
    for (const auto& chord : chords) {
        for (int key : chord) w.Raw(0, std::string{'\x90', static_cast<char>(key), static_cast<char>(velocity)});
        for (int i = 0; i < 3; ++i)
            w.Raw(i == 0 ? 960 : 0, std::string{'\x80', static_cast<char>(chord[i]), '\x40'});
    }
    return w.Bytes();
}

// The figure after "NAME: " in the tool's output.
double Figure(const std::string& out, const std::string& name) {
    auto at = out.find(name + ": ");
    if (at == std::string::npos) return NAN;
    return std::strtod(out.c_str() + at + name.size() + 2, nullptr);
}

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        // The player's settings as a new user has them: the system's fonts,
        // the target of -18 LUFS.
        options_.env = {{"XDG_CONFIG_HOME", config_.path()}, {"XDG_CACHE_HOME", config_.path()}};
    }
    int Render(const std::vector<std::string>& args, std::string* out) {
        std::vector<std::string> argv = {KoTool(), "render"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv, out, options_);
    }
    TempDir config_;
    TempDir dir_;
    ProgramOptions options_;
};

}  // namespace

TEST_F(RenderTool, SongsThatDifferOnlyInVelocityMeasureApartAndMeetAtTheTarget) {
    NUKO_REQUIRE_TOOL(!nuko::playback::FindSoundFont({}).empty(), "no sound font on this machine");
    WriteBytes(dir_.File("loud.mid"), Chords(110));
    WriteBytes(dir_.File("soft.mid"), Chords(55));
    std::string loud, soft;
    ASSERT_EQ(Render({dir_.File("loud.mid"), dir_.File("loud.wav")}, &loud), 0) << loud;
    ASSERT_EQ(Render({dir_.File("soft.mid"), dir_.File("soft.wav")}, &soft), 0) << soft;
    // The song lasts its four seconds, and the release of the last chord.
    EXPECT_GE(Figure(loud, "seconds"), 4.0) << loud;
    EXPECT_LT(Figure(loud, "seconds"), 6.0) << loud;
    const double loud_lufs = Figure(loud, "lufs"), soft_lufs = Figure(soft, "lufs");
    ASSERT_FALSE(std::isnan(loud_lufs)) << loud;
    EXPECT_GT(loud_lufs - soft_lufs, 3.0) << loud << soft;

    std::string out;
    for (const char* name : {"loud", "soft"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Render({dir_.File(std::string(name) + ".mid"), dir_.File(std::string(name) + "-n.wav"), "--normalise"},
                         &out),
                  0)
            << out;
        EXPECT_NEAR(Figure(out, "lufs"), -18.0, 1.0) << out;
        EXPECT_FALSE(std::isnan(Figure(out, "gain"))) << out;
    }
    // The gain that does it is the difference the plain renders showed.
    std::string n_loud, n_soft;
    Render({dir_.File("loud.mid"), dir_.File("a.wav"), "--normalise"}, &n_loud);
    Render({dir_.File("soft.mid"), dir_.File("b.wav"), "--normalise"}, &n_soft);
    EXPECT_NEAR(Figure(n_soft, "gain") - Figure(n_loud, "gain"), loud_lufs - soft_lufs, 0.2);
}

TEST_F(RenderTool, WritesTheFormatAskedOrTheOneItsNameSays) {
    NUKO_REQUIRE_TOOL(!nuko::playback::FindSoundFont({}).empty(), "no sound font on this machine");
    WriteBytes(dir_.File("song.mid"), Chords(100));
    const struct {
        std::vector<std::string> args;
        int major;
    } cases[] = {
        {{dir_.File("song.mid"), dir_.File("a.out"), "--format", "flac"}, SF_FORMAT_FLAC},
        {{dir_.File("song.mid"), dir_.File("b.ogg")}, SF_FORMAT_OGG},
        {{dir_.File("song.mid"), dir_.File("c.mp3"), "--for", "1"}, SF_FORMAT_MPEG},
        {{dir_.File("song.mid"), dir_.File("d.out")}, SF_FORMAT_WAV},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        std::string out;
        ASSERT_EQ(Render(c.args, &out), 0) << out;
        SF_INFO info{};
        SNDFILE* f = sf_open(c.args[1].c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, c.major);
        EXPECT_EQ(info.samplerate, 44100);
        sf_close(f);
    }
    std::string out;
    EXPECT_EQ(Render({dir_.File("song.mid"), dir_.File("e.wav"), "--format", "aiff"}, &out), 2);
    EXPECT_EQ(Render({dir_.File("song.mid")}, &out), 2);
    // A song that is none: a message and no file.
    WriteBytes(dir_.File("bad.mid"), "not a song");
    EXPECT_EQ(Render({dir_.File("bad.mid"), dir_.File("bad.wav")}, &out), 1);
    EXPECT_NE(::access(dir_.File("bad.wav").c_str(), F_OK), 0);
}
