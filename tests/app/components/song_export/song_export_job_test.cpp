// Exporting songs to audio files with the real synthesizer module and the
// system's fonts; the files are read back with libsndfile.
#include "app/components/song_export/song_export_job.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>

#include "media_fixtures.h"
#include "playback/sound_font.h"
#include "test_support.h"

namespace nuko::app {
namespace {

using level::AudioFormat;
using test::SmfWriter;
using test::TempDir;

const std::string kModules = std::string(NUKO_PROGRAM_DIR) + "/";
const std::string kGrandSlam = std::string(NUKO_CORPUS_DIR) + "/rcp/recomposerfile_grandslam.rcp";

// FF <type> <length> <text>.
std::string Meta(int type, std::string_view text) {
    return std::string{'\xFF', static_cast<char>(type)} + test::VarLen(static_cast<std::uint32_t>(text.size())) +
           std::string(text);
}

// A song of `quarters` quarter notes at 120 a minute (500000 us each), 480
// ticks to the quarter: quarters / 2 seconds, then the notes' release.
std::string Song(int quarters, std::string_view name = {}, std::string_view copyright = {}) {
    SmfWriter w(480, 0);
    w.Track();
    if (!name.empty()) w.Raw(0, Meta(0x03, name));
    if (!copyright.empty()) w.Raw(0, Meta(0x02, copyright));
    w.Tempo(0, 500000);
    w.Raw(0, std::string("\xC0\x00", 2));  // piano
    for (int i = 0; i < quarters; ++i) w.Note(0, 60 + i % 12, 480);
    return w.EndAfter(0).Bytes();
}

struct ReadBack {
    int rate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    float peak = 0;
    std::string title, artist;
};

std::optional<ReadBack> Read(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return std::nullopt;
    ReadBack r;
    r.rate = info.samplerate;
    r.channels = info.channels;
    if (const char* t = sf_get_string(f, SF_STR_TITLE)) r.title = t;
    if (const char* a = sf_get_string(f, SF_STR_ARTIST)) r.artist = a;
    std::vector<float> block(4096 * static_cast<std::size_t>(std::max(1, info.channels)));
    sf_count_t got;
    while ((got = sf_readf_float(f, block.data(), 4096)) > 0) {
        r.frames += got;
        for (sf_count_t i = 0; i < got * info.channels; ++i) r.peak = std::max(r.peak, std::fabs(block[static_cast<std::size_t>(i)]));
    }
    sf_close(f);
    return r;
}

// Shift_JIS bytes as UTF-8, by the C library's converter.
std::string FromShiftJis(std::string bytes) {
    iconv_t cd = iconv_open("UTF-8", "SHIFT_JIS");
    std::string out(bytes.size() * 4, '\0');
    char* in = bytes.data();
    char* o = out.data();
    std::size_t left = bytes.size(), room = out.size();
    iconv(cd, &in, &left, &o, &room);
    iconv_close(cd);
    out.resize(out.size() - room);
    return out;
}

class SongExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        NUKO_REQUIRE_TOOL(!playback::DefaultSoundFonts().empty(), "no sound font on this machine (fluid-soundfont-gm)");
        renderers_ = FluidSynthRenderers(kModules, settings::Settings{});
    }

    std::string WriteSong(const std::string& name, const std::string& bytes) {
        const std::string path = songs_.File(name);
        test::WriteBytes(path, bytes);
        return path;
    }

    ExportOptions Options(AudioFormat format, const std::string& folder) {
        ExportOptions o;
        o.folder = folder;
        o.format = format;
        return o;
    }

    // Runs a job to its end; the progress seen on the way is kept.
    ExportReport Export(std::vector<ExportSong> songs, const ExportOptions& o,
                        std::function<void(SongExportJob&, const ExportProgress&)> on_progress = {}) {
        std::optional<ExportReport> report;
        SongExportJob* job_ptr = nullptr;
        SongExportJob job(queue_, renderers_,
                          {[&](const ExportProgress& p) {
                               progress_.push_back(p);
                               if (on_progress) on_progress(*job_ptr, p);
                           },
                           [&](const ExportReport& r) {
                               report = r;
                               ended_at_ = std::chrono::steady_clock::now();
                           }});
        job_ptr = &job;
        EXPECT_TRUE(job.Start(std::move(songs), o));
        EXPECT_FALSE(job.Start({}, o));  // one job at a time
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (!report && std::chrono::steady_clock::now() < give_up) queue_.WaitAndRun(std::chrono::milliseconds(200));
        EXPECT_TRUE(report.has_value()) << "the job did not end";
        EXPECT_FALSE(job.running());
        return report.value_or(ExportReport{});
    }

    CallQueue queue_;
    RendererFactory renderers_;
    TempDir songs_, out_;
    std::vector<ExportProgress> progress_;
    std::chrono::steady_clock::time_point ended_at_;
};

TEST_F(SongExportTest, GrandSlamBecomesAFlacFileWithItsLengthJapaneseTitleAndNoClipping) {
    ExportOptions o = Options(AudioFormat::Flac, out_.path());
    o.normalise = true;
    o.target_lufs = -18;
    const ExportReport report = Export({{kGrandSlam, {}}}, o);
    ASSERT_EQ(report.items.size(), 1u);
    ASSERT_TRUE(report.items[0].ok) << report.items[0].error;
    EXPECT_FALSE(report.cancelled);
    EXPECT_EQ(report.failed(), 0);

    const auto back = Read(report.items[0].file);
    ASSERT_TRUE(back.has_value()) << report.items[0].file;
    EXPECT_EQ(back->rate, 44100);
    EXPECT_EQ(back->channels, 2);
    // The corpus's figures: about 244 s.
    const double seconds = static_cast<double>(back->frames) / 44100.0;
    std::printf("grand slam: %.1f s, peak %.4f, title \"%s\"\n", seconds, back->peak, back->title.c_str());
    EXPECT_NEAR(seconds, 244.0, 8.0);
    // The title field of the RCP header (64 bytes from 0x20), Shift_JIS.
    const std::string head = test::ReadBytes(kGrandSlam).substr(0x20, 64);
    const std::string title = FromShiftJis(head);
    ASSERT_NE(title.find("あのまりあ"), std::string::npos) << title;  // the decoder itself works
    EXPECT_NE(back->title.find("【 Grand Slam Ver.2.01  】(GS)"), std::string::npos) << back->title;
    EXPECT_NE(back->title.find("あのまりあ"), std::string::npos) << back->title;
    EXPECT_NE(title.find(back->title.substr(0, 20)), std::string::npos) << back->title;
    EXPECT_TRUE(back->artist.empty());
    // Named by the title, and below full scale: the level gain keeps the
    // peaks at -1 dBFS, 10^(-1/20) = 0.8913.
    EXPECT_NE(std::filesystem::path(report.items[0].file).filename().string().find("Grand Slam"), std::string::npos);
    EXPECT_LT(back->peak, 1.0f);
    EXPECT_LE(back->peak, 0.8913f + 0.002f);
    EXPECT_GT(back->peak, 0.05f);
    // The bar went forward to the whole.
    ASSERT_FALSE(progress_.empty());
    EXPECT_TRUE(std::is_sorted(progress_.begin(), progress_.end(),
                               [](const ExportProgress& a, const ExportProgress& b) { return a.share < b.share; }));
    EXPECT_DOUBLE_EQ(progress_.back().share, 1.0);
    EXPECT_EQ(progress_.back().name, back->title);
}

TEST_F(SongExportTest, SongsAreNamedByTitleNeverOverwriteAndABadSongDoesNotStopTheRest) {
    // 4 quarters at 120 a minute: 2 s and the release.
    const std::string sjis_title("\x83\x65\x83\x58\x83\x67", 6);  // "テスト"
    std::vector<ExportSong> songs = {
        {WriteSong("slash.mid", Song(4, "AC/DC")), {}},
        {WriteSong("bad.mid", "MThd not a song at all"), {}},
        {WriteSong("one.mid", Song(4, "Same", "(C) 1994 Someone")), {}},
        {WriteSong("two.mid", Song(4, "Same")), {}},
        {WriteSong("kana.mid", Song(4, sjis_title)), {}},
        {WriteSong("untitled.mid", Song(4)), {}},
    };
    test::WriteBytes(out_.File("Same.wav"), "someone else's");
    const ExportReport report = Export(songs, Options(AudioFormat::Wav, out_.path()));
    ASSERT_EQ(report.items.size(), 6u);
    EXPECT_TRUE(report.stopped.empty()) << report.stopped;
    EXPECT_EQ(report.failed(), 1);
    EXPECT_FALSE(report.items[1].ok);
    EXPECT_FALSE(report.items[1].error.empty());
    EXPECT_TRUE(report.items[1].file.empty());

    auto name = [&](int i) { return std::filesystem::path(report.items[static_cast<std::size_t>(i)].file).filename().string(); };
    EXPECT_EQ(name(0), "AC_DC.wav");
    EXPECT_EQ(name(2), "Same (2).wav");
    EXPECT_EQ(name(3), "Same (3).wav");
    EXPECT_EQ(name(4), "テスト.wav");
    EXPECT_EQ(name(5), "untitled.wav");
    EXPECT_EQ(test::ReadBytes(out_.File("Same.wav")), "someone else's");

    auto first = Read(report.items[0].file);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->title, "AC/DC");  // the tag keeps the title as it is
    EXPECT_GE(first->frames, 2 * 44100);
    auto with_copyright = Read(report.items[2].file);
    ASSERT_TRUE(with_copyright.has_value());
    EXPECT_EQ(with_copyright->title, "Same");
    EXPECT_EQ(with_copyright->artist, "(C) 1994 Someone");
    auto kana = Read(report.items[4].file);
    ASSERT_TRUE(kana.has_value());
    EXPECT_EQ(kana->title, "テスト");
    EXPECT_TRUE(kana->artist.empty());
    // Nothing but the five and the file that was there.
    EXPECT_EQ(test::FolderEntries(out_.path()).size(), 6u);
}

TEST_F(SongExportTest, CancelStopsSoonAndLeavesOnlyWholeFiles) {
    // 20 songs of 60 quarters: 30 s each.
    const std::string bytes = Song(60, "Long");
    std::vector<ExportSong> songs;
    for (int i = 0; i < 20; ++i) songs.push_back({WriteSong("long" + std::to_string(i) + ".mid", bytes), {}});
    std::chrono::steady_clock::time_point cancelled_at;
    bool cancelled = false;
    const ExportReport report = Export(songs, Options(AudioFormat::Wav, out_.path()),
                                       [&](SongExportJob& job, const ExportProgress& p) {
                                           // Halfway through the second song.
                                           if (!cancelled && p.index == 1 && p.share > 1.5 / 20) {
                                               cancelled = true;
                                               cancelled_at = std::chrono::steady_clock::now();
                                               job.Cancel();
                                           }
                                       });
    ASSERT_TRUE(cancelled);
    const double stop_ms = std::chrono::duration<double, std::milli>(ended_at_ - cancelled_at).count();
    std::printf("stopped %.0f ms after the cancel\n", stop_ms);
    EXPECT_TRUE(report.cancelled);
    EXPECT_LT(stop_ms, 30000.0);  // far from a song's length: it did not write on
    // The first song finished; the one under way left nothing.
    ASSERT_GE(report.items.size(), 1u);
    EXPECT_LE(report.items.size(), 2u);
    const std::vector<std::string> files = test::FolderEntries(out_.path());
    int ok = 0;
    for (const auto& item : report.items) ok += item.ok;
    EXPECT_EQ(static_cast<int>(files.size()), ok);
    EXPECT_GE(ok, 1);
    for (const auto& f : files) {
        auto back = Read(out_.File(f));
        ASSERT_TRUE(back.has_value()) << f;
        EXPECT_GE(back->frames, 30 * 44100) << f;  // the whole song
    }
}

TEST_F(SongExportTest, AFolderThatCannotBeMadeStopsTheJobWithAMessage) {
    // A file where a folder should be: refused even to root.
    test::WriteBytes(out_.File("plain"), "x");
    const std::string song = WriteSong("a.mid", Song(4, "A"));
    const ExportReport report = Export({{song, {}}, {song, {}}}, Options(AudioFormat::Flac, out_.File("plain/sub")));
    EXPECT_TRUE(report.items.empty());
    EXPECT_NE(report.stopped.find("ﾌｫﾙﾀﾞ"), std::string::npos) << report.stopped;
    EXPECT_NE(report.stopped.find("plain/sub"), std::string::npos) << report.stopped;
    EXPECT_EQ(test::FolderEntries(out_.path()), std::vector<std::string>{"plain"});
}

TEST_F(SongExportTest, ADiskThatFillsStopsTheRestAndLeavesNoPartialFile) {
    // The file size limit stands in for a full disk: writes past 64 KiB fail
    // (EFBIG) as they would with ENOSPC. A normalised write fills it with
    // its spool first.
    const std::string song = WriteSong("a.mid", Song(8, "Big"));
    for (bool normalise : {false, true}) {
        SCOPED_TRACE(normalise ? "normalised" : "as it is");
        ExportOptions o = Options(AudioFormat::Wav, out_.path());
        o.normalise = normalise;
        struct sigaction ignore{}, old_action{};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &old_action);
        rlimit old_limit{};
        ::getrlimit(RLIMIT_FSIZE, &old_limit);
        rlimit small = old_limit;
        small.rlim_cur = 64 * 1024;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const ExportReport report = Export({{song, {}}, {song, {}}, {song, {}}}, o);
        ::setrlimit(RLIMIT_FSIZE, &old_limit);
        ::sigaction(SIGXFSZ, &old_action, nullptr);

        ASSERT_EQ(report.items.size(), 1u);  // the others were not tried
        EXPECT_FALSE(report.items[0].ok);
        EXPECT_NE(report.items[0].error.find("書き込めません"), std::string::npos) << report.items[0].error;
        EXPECT_NE(report.stopped.find("中止"), std::string::npos) << report.stopped;
        EXPECT_TRUE(test::FolderEntries(out_.path()).empty());
    }
}

TEST(SongExportNamesTest, TitlesBecomeFileNames) {
    EXPECT_EQ(ExportFileName("AC/DC"), "AC_DC");
    EXPECT_EQ(ExportFileName(std::string("a\0b\tc\x1F" "d\x7F", 8)), "a_b_c_d_");
    EXPECT_EQ(ExportFileName("  曲名  "), "曲名");
    EXPECT_EQ(ExportFileName(""), "_");
    EXPECT_EQ(ExportFileName(".."), "_");
    EXPECT_EQ(ExportFileName("."), "_");
    EXPECT_EQ(ExportFileName("..a"), "..a");
    // 100 "あ" are 300 bytes: 66 of them (198 bytes) fit in 200.
    std::string long_title;
    for (int i = 0; i < 100; ++i) long_title += "あ";
    const std::string cut = ExportFileName(long_title);
    EXPECT_EQ(cut.size(), 198u);
    EXPECT_EQ(cut, long_title.substr(0, 198));
}

TEST(SongExportNamesTest, AFileThatIsThereIsNeverTaken) {
    TempDir dir;
    EXPECT_EQ(UniqueExportPath(dir.path(), "t", "flac"), dir.File("t.flac"));
    test::WriteBytes(dir.File("t.flac"), "x");
    EXPECT_EQ(UniqueExportPath(dir.path(), "t", "flac"), dir.File("t (2).flac"));
    test::WriteBytes(dir.File("t (2).flac"), "x");
    std::filesystem::create_directory(dir.File("t (3).flac"));  // a folder of that name too
    EXPECT_EQ(UniqueExportPath(dir.path(), "t", "flac"), dir.File("t (4).flac"));
    // Another extension is another name; a folder without its slash too.
    EXPECT_EQ(UniqueExportPath(dir.path(), "t", "ogg"), dir.File("t.ogg"));
    EXPECT_EQ(UniqueExportPath(dir.path().substr(0, dir.path().size() - 1), "t", "flac"), dir.File("t (4).flac"));
}

TEST(SongExportNamesTest, TheOptionsFollowTheSettings) {
    settings::Settings s;
    s.level.midi = 1;
    s.level.target = -23;
    s.word.lyrics_encoding = 2;
    s.main.spc_cut = 1;
    const ExportOptions o = ExportOptionsFrom(s, "/x", AudioFormat::Mp3);
    EXPECT_TRUE(o.normalise);
    EXPECT_EQ(o.target_lufs, -23.0);
    EXPECT_EQ(o.encoding, media::SmfEncoding::Utf8);
    EXPECT_TRUE(o.collapse_blanks);
    EXPECT_EQ(o.format, AudioFormat::Mp3);
    s.level.midi = 0;
    s.level.target = -99;  // out of range in the file
    EXPECT_FALSE(ExportOptionsFrom(s, "/x", AudioFormat::Wav).normalise);
    EXPECT_EQ(ExportOptionsFrom(s, "/x", AudioFormat::Wav).target_lufs, -40.0);
}

}  // namespace
}  // namespace nuko::app
