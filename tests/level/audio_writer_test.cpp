// Exported files read back by libsndfile and by ffprobe (a separate tool)
// for their tags.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>
#include <vector>

#include "level/audio_writer.h"
#include "media_fixtures.h"
#include "test_support.h"

using nuko::level::AudioFormat;
using nuko::level::WriteAudioFile;
using nuko::level::WriteRequest;
using nuko::test::FindProgram;
using nuko::test::RunProgram;
using nuko::test::TempDir;

namespace {

constexpr unsigned kRate = 44100;

// `seconds` of a stereo sine of peak `amplitude`.
nuko::level::AudioSource Sine(double seconds, float amplitude, std::uint64_t* given, double hz = 441.0) {
    const auto total = static_cast<std::uint64_t>(seconds * kRate);
    return [=](float* block, std::size_t frames) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(frames, total - *given));
        for (std::size_t i = 0; i < n; ++i)
            block[2 * i] = block[2 * i + 1] =
                amplitude * static_cast<float>(std::sin(2 * M_PI * hz * static_cast<double>(*given + i) / kRate));
        *given += n;
        return n;
    };
}

struct ReadBack {
    bool ok = false;
    SF_INFO info{};
    float peak = 0;
    std::string title, artist;
};

ReadBack Read(const std::string& path) {
    ReadBack r;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &r.info);
    if (!f) return r;
    r.ok = true;
    std::vector<float> block(2 * 4096);
    for (sf_count_t n; (n = sf_readf_float(f, block.data(), 4096)) > 0;)
        for (sf_count_t i = 0; i < 2 * n; ++i) r.peak = std::max(r.peak, std::fabs(block[static_cast<std::size_t>(i)]));
    if (const char* t = sf_get_string(f, SF_STR_TITLE)) r.title = t;
    if (const char* a = sf_get_string(f, SF_STR_ARTIST)) r.artist = a;
    sf_close(f);
    return r;
}

std::string FfprobeTag(const std::string& ffprobe, const std::string& path, const std::string& tag) {
    std::string out;
    RunProgram({ffprobe, "-v", "error", "-show_entries", "format_tags=" + tag + ":stream_tags=" + tag, "-of",
                "default=nw=1:nk=1", path},
               &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    auto nl = out.find('\n');
    return nl == std::string::npos ? out : out.substr(0, nl);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(AudioWriter, WritesEachFormatWithItsTagsAndLength) {
    const std::string ffprobe = FindProgram("ffprobe");
    NUKO_REQUIRE_TOOL(!ffprobe.empty(), "ffprobe (ffmpeg) is not installed");
    TempDir dir;
    const struct {
        AudioFormat format;
        int major;
    } formats[] = {{AudioFormat::Wav, SF_FORMAT_WAV},
                   {AudioFormat::Flac, SF_FORMAT_FLAC},
                   {AudioFormat::Ogg, SF_FORMAT_OGG},
                   {AudioFormat::Mp3, SF_FORMAT_MPEG}};
    for (const auto& f : formats) {
        const std::string path = dir.File(std::string("song.") + nuko::level::AudioFormatExtension(f.format));
        SCOPED_TRACE(path);
        std::uint64_t given = 0;
        WriteRequest request;
        request.path = path;
        request.format = f.format;
        request.tags = {"春の海", "宮城"};
        std::uint64_t last_progress = 0;
        request.progress = [&](std::uint64_t frames) { last_progress = frames; };
        auto result = WriteAudioFile(request, Sine(2.0, 0.5f, &given));
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.frames, 2u * kRate);
        EXPECT_EQ(last_progress, 2u * kRate);
        // A sine of peak 0.5 is -6.02 dBFS at its peak and -9.03 dB RMS.
        EXPECT_NEAR(result.rms_db, -9.03, 0.01);
        EXPECT_NEAR(result.loudness.peak_db, -6.02, 0.01);

        ReadBack back = Read(path);
        ASSERT_TRUE(back.ok);
        EXPECT_EQ(back.info.format & SF_FORMAT_TYPEMASK, f.major);
        EXPECT_EQ(back.info.channels, 2);
        EXPECT_EQ(back.info.samplerate, static_cast<int>(kRate));
        // Lossy encoders pad the end to whole frames.
        if (f.format == AudioFormat::Mp3)
            EXPECT_NEAR(static_cast<double>(back.info.frames), 2.0 * kRate, 3000.0);
        else
            EXPECT_EQ(back.info.frames, static_cast<sf_count_t>(2 * kRate));
        EXPECT_NEAR(back.peak, 0.5f, 0.03f);
        EXPECT_EQ(FfprobeTag(ffprobe, path, "title"), "春の海");
        EXPECT_EQ(FfprobeTag(ffprobe, path, "artist"), "宮城");
    }
}

TEST(AudioWriter, AppliesTheGainAndClipsRatherThanWraps) {
    TempDir dir;
    std::uint64_t given = 0;
    WriteRequest request;
    request.path = dir.File("up.wav");
    request.gain_db = 6.0206;  // twice the amplitude
    auto result = WriteAudioFile(request, Sine(1.0, 0.25f, &given));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_NEAR(Read(request.path).peak, 0.5f, 0.001f);

    given = 0;
    request.path = dir.File("over.wav");
    request.gain_db = 12.0;  // a 0.5 sine would reach 2.0
    result = WriteAudioFile(request, Sine(1.0, 0.5f, &given));
    ASSERT_TRUE(result.ok);
    ReadBack back = Read(request.path);
    EXPECT_LE(back.peak, 1.0f);
    EXPECT_GT(back.peak, 0.99f);

    // --for: a limit on the frames.
    given = 0;
    request.path = dir.File("short.wav");
    request.gain_db = 0;
    request.max_frames = 1000;
    result = WriteAudioFile(request, Sine(1.0, 0.5f, &given));
    EXPECT_EQ(result.frames, 1000u);
    EXPECT_EQ(Read(request.path).info.frames, 1000);
}

TEST(AudioWriter, ACancelledOrFailedWriteLeavesNoFile) {
    TempDir dir;
    std::atomic<bool> cancel{false};
    std::uint64_t given = 0;
    WriteRequest request;
    request.path = dir.File("cancelled.flac");
    request.format = AudioFormat::Flac;
    request.cancel = &cancel;
    request.progress = [&](std::uint64_t frames) {
        if (frames > kRate) cancel = true;
    };
    auto result = WriteAudioFile(request, Sine(10.0, 0.5f, &given));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(Exists(request.path));
    EXPECT_LT(given, 2u * kRate);

    // A folder that is a file: a message, nothing written.
    nuko::test::WriteBytes(dir.File("plain"), "x");
    given = 0;
    request = {};
    request.path = dir.File("plain/song.wav");
    result = WriteAudioFile(request, Sine(1.0, 0.5f, &given));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("書き込めません: " + request.path), std::string::npos) << result.error;

    // A full disk: the write fails with the system's reason, and the device
    // written to is left alone.
    given = 0;
    request.path = "/dev/full";
    result = WriteAudioFile(request, Sine(5.0, 0.5f, &given));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(Exists("/dev/full"));
}

// A stereo 1 kHz sine measures as loud as its peak in dBFS (EBU Tech 3341):
// at -30 dBFS it is -30 LUFS, 12 dB under a -18 LUFS target.
TEST(AudioWriter, ANormalisedWriteRendersOnceAndMeetsTheTarget) {
    TempDir dir;
    std::uint64_t given = 0;
    WriteRequest request;
    request.path = dir.File("n.flac");
    request.format = AudioFormat::Flac;
    request.gain_db = -40;  // not used
    std::uint64_t last = 0;
    request.progress = [&](std::uint64_t frames) { last = frames; };
    nuko::level::Loudness measured;
    double gain = 0;
    auto result = nuko::level::WriteNormalisedAudioFile(request, Sine(5.0, 0.0316228f, &given, 1000.0), -18.0,
                                                        &measured, &gain);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(given, 5u * kRate);  // one render
    EXPECT_EQ(last, 2 * 5u * kRate);
    ASSERT_TRUE(measured.lufs);
    EXPECT_NEAR(*measured.lufs, -30.0, 0.1);
    EXPECT_NEAR(gain, 12.0, 0.1);
    ASSERT_TRUE(result.loudness.lufs);
    EXPECT_NEAR(*result.loudness.lufs, -18.0, 0.1);
    EXPECT_NEAR(Read(request.path).peak, 0.126f, 0.002f);  // -18 dBFS
    // The spool left no file behind.
    EXPECT_EQ(nuko::test::FolderEntries(dir.path()), std::vector<std::string>{"n.flac"});

    // Cancelled while it measures: nothing at all.
    std::atomic<bool> cancel{false};
    given = 0;
    request.path = dir.File("c.flac");
    request.cancel = &cancel;
    request.progress = [&](std::uint64_t frames) {
        if (frames > kRate) cancel = true;
    };
    result = nuko::level::WriteNormalisedAudioFile(request, Sine(10.0, 0.1f, &given), -18.0);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(nuko::test::FolderEntries(dir.path()), std::vector<std::string>{"n.flac"});
}
