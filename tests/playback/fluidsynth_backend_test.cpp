// FluidSynth back end on the real library, rendering into the silent
// output (as fast as it goes unless a test needs real time).
#include "playback/fluidsynth_backend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>

#include "playback/media_errors.h"
#include "media_fixtures.h"
#include "playback/midi_ports.h"
#include "nuko/strings.h"
#include "test_support.h"

namespace nuko::playback {
namespace {

using namespace std::string_literals;

using namespace std::chrono_literals;
using test::SmfWriter;
using test::TempDir;

// A MIDI port that keeps what it is sent.
class RecordingPorts final : public MidiPortProvider {
public:
    struct Out final : MidiOut {
        RecordingPorts* owner;
        explicit Out(RecordingPorts* o) : owner(o) {}
        void Send(const std::uint8_t* bytes, std::size_t size) override {
            std::lock_guard lock(owner->mutex);
            owner->sent.emplace_back(reinterpret_cast<const char*>(bytes), size);
        }
    };
    std::vector<std::string> List() override { return {"Test:Port"}; }
    std::unique_ptr<MidiOut> Open(const std::string& name) override {
        return name == "Test:Port" ? std::make_unique<Out>(this) : nullptr;
    }
    std::vector<std::string> Sent() {
        std::lock_guard lock(mutex);
        return sent;
    }
    std::mutex mutex;
    std::vector<std::string> sent;
};

class FluidSynthBackendTest : public ::testing::Test {
protected:
    std::unique_ptr<FluidSynthBackend> Make(bool paced = false, MidiPortProvider* ports = nullptr,
                                            const std::string& sound_font = {}) {
        FluidSynthOptions o;
        o.paced = paced;
        if (!sound_font.empty()) o.synth.sound_fonts = {sound_font};
        auto b = std::make_unique<FluidSynthBackend>(queue_, o, ports);
        b->SetEndHandler([this](EndReason r) { ends_.push_back(r); });
        return b;
    }
    // Runs queued calls until an end arrives or `limit` passes.
    bool WaitForEnd(std::chrono::milliseconds limit = 60s) {
        auto until = std::chrono::steady_clock::now() + limit;
        std::size_t before = ends_.size();
        while (ends_.size() == before && std::chrono::steady_clock::now() < until) queue_.WaitAndRun(20ms);
        return ends_.size() > before;
    }
    // Waits until the back end has posted a call (its end notice), without
    // running it.
    bool WaitForPosted(std::chrono::milliseconds limit = 60s) {
        auto until = std::chrono::steady_clock::now() + limit;
        while (queue_.empty() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
        return !queue_.empty();
    }
    // Waits until the silent output has rendered part of the current play.
    static bool WaitForRendering(FluidSynthBackend& b, std::chrono::milliseconds limit = 60s) {
        auto until = std::chrono::steady_clock::now() + limit;
        while (b.RenderedPlayMs() == 0 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        return b.RenderedPlayMs() > 0;
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        test::WriteBytes(dir_.File(name), bytes);
        return dir_.File(name);
    }

    CallQueue queue_;
    TempDir dir_;
    std::vector<EndReason> ends_;
};

// 120 bpm for four beats (2 s), then 60 bpm for four beats (4 s).
std::string TempoChangeSong() {
    SmfWriter w(480);
    w.Track().Tempo(0, 500000).Tempo(1920, 1000000).EndAfter(1920);
    w.Track().Raw(0, std::string("\xF0\x05\x7E\x7F\x09\x01\xF7", 7));
    for (int i = 0; i < 8; ++i) w.Note(0, 60 + i, 480);
    return w.Bytes();
}

class CorpusSongTest : public FluidSynthBackendTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CorpusSongTest, PlaysToTheEndOfItsTempoMap) {
    NUKO_CORPUS_FILE(file, std::string("midi/") + GetParam());
    auto b = Make();
    ASSERT_EQ(b->Open(file), 0) << b->ErrorText(0);
    std::int64_t length = b->LengthMs();
    EXPECT_GT(length, 0);
    ASSERT_EQ(b->Play(-1, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(ends_.back(), EndReason::Success);
    // The end comes when the rendered sound reaches the song's length, not
    // when the player gives up idling seconds later.
    EXPECT_NEAR(static_cast<double>(b->RenderedPlayMs()), static_cast<double>(length), 1000.0) << file;
    EXPECT_EQ(b->PositionMs(), length);
    EXPECT_EQ(b->Mode(), DeviceMode::Stopped);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusSongTest,
                         ::testing::Values("jazzsoft_test-2-tracks-type-2.mid",
                                           "jazzsoft_test-corrupt-file-extra-byte.mid",
                                           "jazzsoft_test-corrupt-file-missing-byte.mid",
                                           "jazzsoft_test-karaoke-kar.mid", "jazzsoft_test-non-midi-track.mid",
                                           "jazzsoft_test-running-status-metaevent.mid",
                                           "midi-json-parser_minute_waltz.mid", "mutagen_sample.mid",
                                           "nfroidure_Avgvst_NighttideWaltz.mid",
                                           "nfroidure_MIDIOkFormat1-lyrics.mid", "nfroidure_Yubatake_MainTheme.mid",
                                           "tonejs_debussy_childrens_corner_3.mid",
                                           "tonejs_debussy_childrens_corner_4.mid",
                                           "tonejs_debussy_claire_de_lune.mid", "tonejs_debussy_menuet.mid"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST_F(FluidSynthBackendTest, SeekPauseAndResumeLandWhereTheyShould) {
    auto b = Make();
    ASSERT_EQ(b->Open(Write("t.mid", TempoChangeSong())), 0);
    EXPECT_EQ(b->LengthMs(), 6000);
    ASSERT_EQ(b->Seek(3000), 0);
    EXPECT_EQ(b->PositionMs(), 3000);
    EXPECT_EQ(b->Mode(), DeviceMode::Stopped);
    ASSERT_EQ(b->Play(-1, -1), 0);
    EXPECT_GE(b->PositionMs(), 3000);  // from the target, not from the start
    std::this_thread::sleep_for(20ms);
    ASSERT_EQ(b->Pause(), 0);
    EXPECT_EQ(b->Mode(), DeviceMode::Paused);
    std::int64_t paused_at = b->PositionMs();
    EXPECT_GE(paused_at, 3000);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(b->PositionMs(), paused_at);
    ASSERT_EQ(b->Play(-1, -1), 0);
    EXPECT_GE(b->PositionMs(), paused_at);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(ends_.back(), EndReason::Success);
    // Less than the whole song was rendered: it started at 3 s.
    EXPECT_LT(b->RenderedPlayMs(), 5000);

    // Played from the end, it ends at once.
    ASSERT_EQ(b->Play(-1, -1), 0);
    ASSERT_TRUE(WaitForEnd(5s));
    EXPECT_EQ(ends_.back(), EndReason::Success);
    // From an explicit start, it plays again.
    ASSERT_EQ(b->Play(5000, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_NEAR(static_cast<double>(b->RenderedPlayMs()), 1000.0, 200.0);
}

TEST_F(FluidSynthBackendTest, TempoAndSongPositionFollowTheTempoChange) {
    auto b = Make();
    ASSERT_EQ(b->Open(Write("t.mid", TempoChangeSong())), 0);
    b->Seek(1000);
    EXPECT_EQ(b->Tempo(), 120);
    EXPECT_EQ(b->SongPosition(), 8u);  // two beats: eight sixteenths
    b->Seek(2500);
    EXPECT_EQ(b->Tempo(), 60);
    EXPECT_EQ(b->SongPosition(), 18u);  // four beats and a half

    // While playing, the position passes the change and the tempo follows.
    b->Seek(0);
    ASSERT_EQ(b->Play(-1, -1), 0);
    bool seen_slow = false;
    auto until = std::chrono::steady_clock::now() + 30s;
    while (!seen_slow && std::chrono::steady_clock::now() < until) {
        if (b->SongPosition() >= 17) seen_slow = b->Tempo() == 60;
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(seen_slow);
    ASSERT_TRUE(WaitForEnd());
}

TEST_F(FluidSynthBackendTest, SetTempoOverridesTheSong) {
    auto b = Make();
    ASSERT_EQ(b->Open(Write("t.mid", TempoChangeSong())), 0);
    ASSERT_EQ(b->SetTempo(240), 0);
    EXPECT_EQ(b->Tempo(), 240);
    ASSERT_EQ(b->Play(-1, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    // Eight beats at 240 bpm take two seconds instead of six.
    EXPECT_NEAR(static_cast<double>(b->RenderedPlayMs()), 2000.0, 300.0);
    EXPECT_EQ(b->SetTempo(-5), mci::kOutOfRange);
}

TEST_F(FluidSynthBackendTest, EndsOfStoppedOrClosedPlaysAreDropped) {
    auto b = Make();
    std::string song = Write("t.mid", TempoChangeSong());
    ASSERT_EQ(b->Open(song), 0);
    // The end notice is already queued when the play is stopped.
    ASSERT_EQ(b->Play(5900, -1), 0);
    ASSERT_TRUE(WaitForPosted());
    ASSERT_EQ(b->Stop(), 0);
    queue_.RunPending();
    EXPECT_TRUE(ends_.empty());
    // ... and when the song is closed.
    ASSERT_EQ(b->Play(5900, -1), 0);
    ASSERT_TRUE(WaitForPosted());
    b->Close();
    queue_.RunPending();
    EXPECT_TRUE(ends_.empty());
    // A play that was waited for says nothing afterwards.
    ASSERT_EQ(b->Open(song), 0);
    ASSERT_EQ(b->Play(5500, -1), 0);
    EXPECT_EQ(b->WaitForEnd(), 0);
    EXPECT_EQ(b->PositionMs(), 6000);
    ASSERT_TRUE(WaitForPosted());
    queue_.RunPending();
    EXPECT_TRUE(ends_.empty());
}

// A song long enough never to end during the tests below.
std::string LongSong() {
    SmfWriter w(480);
    w.Track().Raw(0, "\xC0\x00"s);
    for (int i = 0; i < 400; ++i) w.Note(0, 48 + i % 36, 240);
    return w.Bytes();
}

TEST_F(FluidSynthBackendTest, SongsChangeWhileTheOutputRenders) {
    // The silent output renders without pause; every change of the player
    // (made, moved, stopped, deleted) meets a render in progress. Deleting a
    // player in the middle of a render used to crash.
    auto b = Make();
    std::string songs[] = {Write("a.mid", LongSong()), Write("b.mid", TempoChangeSong())};
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(b->Open(songs[i % 2]), 0);
        ASSERT_EQ(b->Play(-1, -1), 0);
        ASSERT_TRUE(WaitForRendering(*b)) << "round " << i;
        if (i % 3 == 0) {
            ASSERT_EQ(b->Seek(1000), 0);
            ASSERT_EQ(b->Play(-1, -1), 0);
            ASSERT_EQ(b->Pause(), 0);
            ASSERT_EQ(b->Play(-1, -1), 0);
            ASSERT_EQ(b->SetTempo(i % 2 ? 200 : 0), 0);
        }
        b->Close();
        queue_.RunPending();
    }
    EXPECT_TRUE(ends_.empty());
}

TEST_F(FluidSynthBackendTest, DestroyedWhilePlayingItSaysNothingMore) {
    for (bool paced : {false, true}) {
        SCOPED_TRACE(paced ? "real time" : "fast");
        auto b = Make(paced);
        ASSERT_EQ(b->Open(Write("long.mid", LongSong())), 0);
        ASSERT_EQ(b->Play(-1, -1), 0);
        ASSERT_TRUE(WaitForRendering(*b));
        b.reset();
        queue_.RunPending();
        EXPECT_TRUE(ends_.empty());
    }
}

TEST_F(FluidSynthBackendTest, ABadSoundFontIsSaidOnceAndTheSystemsFontsPlayTheSong) {
    NUKO_REQUIRE_TOOL(!DefaultSoundFonts().empty(), "no sound font on this machine");
    // Apart from the song: fonts in a song's folder are its own.
    std::filesystem::create_directory(dir_.File("fonts"));
    std::string fonts[] = {Write("fonts/empty.sf2", ""), Write("fonts/bad.sf2", "RIFF\x10\x01\x01\x01sfbkLIST\xFF\xFF\xFF\x7F")};
    for (const auto& font : fonts) {
        SCOPED_TRACE(font);
        auto b = Make(false, nullptr, font);
        ASSERT_EQ(b->Open(Write("t.mid", TempoChangeSong())), mci::kOk);
        auto notices = b->TakeSongNotices();
        ASSERT_EQ(notices.size(), 1u) << testing::PrintToString(notices);
        EXPECT_NE(notices[0].find(font), std::string::npos);
        // Said once: the next song of the same back end says nothing more.
        ASSERT_EQ(b->Open(Write("t.mid", TempoChangeSong())), mci::kOk);
        EXPECT_TRUE(b->TakeSongNotices().empty());
        ASSERT_EQ(b->Play(-1, -1), mci::kOk);
        EXPECT_TRUE(WaitForEnd());
    }
}

TEST_F(FluidSynthBackendTest, MutedThePortHearsNotesWithoutVelocity) {
    RecordingPorts ports;
    auto b = Make(false, &ports);
    ASSERT_EQ(b->SelectPort("Test:Port"), "Test:Port");
    b->SetAudio(false);
    ASSERT_EQ(b->Open(Write("t.mid", TempoChangeSong())), 0);
    ASSERT_EQ(b->Play(-1, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    auto count = [&](const std::string& m) {
        std::vector<std::string> sent = ports.Sent();
        return std::count(sent.begin(), sent.end(), m);
    };
    // Each of the eight notes still starts and ends, silently.
    EXPECT_EQ(count(std::string("\x90\x3C\x00", 3)), 1);
    EXPECT_EQ(count(std::string("\x90\x3C\x64", 3)), 0);
    EXPECT_EQ(count(std::string("\x80\x43\x40", 3)), 1);
    b->SetAudio(true);
    ASSERT_EQ(b->Play(0, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(count(std::string("\x90\x3C\x64", 3)), 1);
}

TEST_F(FluidSynthBackendTest, TheSilentOutputKeepsRealTime) {
    SmfWriter w(480);
    w.Track().Note(0, 60, 960);  // one second at 120 bpm
    auto b = Make(/*paced=*/true);
    ASSERT_EQ(b->Open(Write("one.mid", w.Bytes())), 0);
    EXPECT_EQ(b->OutputName(), "");
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(b->Play(-1, -1), 0);
    ASSERT_TRUE(WaitForEnd(10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 800ms);
}

TEST_F(FluidSynthBackendTest, AChosenPortGetsTheSongsEvents) {
    RecordingPorts ports;
    auto b = Make(false, &ports);
    EXPECT_EQ(b->Ports(), (std::vector<std::string>{std::string(LoadString(190)), "Test:Port"}));
    EXPECT_EQ(b->SelectPort("Nowhere"), LoadString(190));
    EXPECT_EQ(b->SelectPort("Test:Port"), "Test:Port");
    ASSERT_EQ(b->Open(Write("t.mid", TempoChangeSong())), 0);
    ASSERT_EQ(b->Play(-1, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    std::vector<std::string> sent = ports.Sent();
    auto has = [&](const std::string& m) { return std::find(sent.begin(), sent.end(), m) != sent.end(); };
    EXPECT_TRUE(has(std::string("\xF0\x7E\x7F\x09\x01\xF7", 6)));
    EXPECT_TRUE(has(std::string("\x90\x3C\x64", 3)));
    EXPECT_TRUE(has(std::string("\x80\x43\x40", 3)));
    // Back on the internal synthesizer, the port hears nothing more.
    EXPECT_EQ(b->SelectPort(std::string(LoadString(190))), LoadString(190));
    std::size_t count = ports.Sent().size();
    ASSERT_EQ(b->Play(0, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(ports.Sent().size(), count);
}

TEST_F(FluidSynthBackendTest, ASongsModeLoopsAndMt32PortAreItsOwn) {
    // GS Reset (F0 41 10 42 12 40 00 7F 00 41 F7); 120 bpm at division 96.
    // Controller 111 at 1 s, the song's end at 3 s: two passes of the 2 s
    // loop and the 8 s fade make 13 s.
    const std::string gs_reset("\xF0\x0A\x41\x10\x42\x12\x40\x00\x7F\x00\x41\xF7", 12);
    SmfWriter gs(96, 0);
    gs.Track().Raw(0, gs_reset).Note(0, 60, 96).Raw(96, "\xB0\x6F\x00"s).Note(0, 64, 384).EndAfter(0);
    // An MT-32 exclusive (model 16): master tune 10 00 00 = 4A, checksum
    // 128 - (0x10+0x4A) % 128 = 0x26.
    const std::string mt32_tune("\xF0\x0A\x41\x10\x16\x12\x10\x00\x00\x4A\x26\xF7", 12);
    SmfWriter mt32(96, 0);
    mt32.Track().Raw(0, mt32_tune).Note(0, 60, 96).EndAfter(0);

    auto b = Make();
    ASSERT_EQ(b->Open(Write("gs.mid", gs.Bytes())), 0);
    EXPECT_EQ(b->SongMode(), "GS");
    EXPECT_NEAR(static_cast<double>(b->LengthMs()), 13000.0, 20.0);
    ASSERT_EQ(b->Open(Write("mt32.mid", mt32.Bytes())), 0);
    EXPECT_EQ(b->SongMode(), "MT-32");
    auto notices = b->TakeSongNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("MT-32"), std::string::npos);
    b->Close();
    EXPECT_EQ(b->SongMode(), "");

    // With a port for MT-32 songs, the MT-32 song goes there and the GS song
    // stays on the synthesizer.
    RecordingPorts ports;
    FluidSynthOptions o;
    o.paced = false;
    o.synth.mt32_port = "Test:Port";
    FluidSynthBackend routed(queue_, o, &ports);
    routed.SetEndHandler([this](EndReason r) { ends_.push_back(r); });
    ASSERT_EQ(routed.Open(Write("gs.mid", gs.Bytes())), 0);
    ASSERT_EQ(routed.Play(0, 500), 0);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_TRUE(ports.Sent().empty());
    ASSERT_EQ(routed.Open(Write("mt32.mid", mt32.Bytes())), 0);
    EXPECT_TRUE(routed.TakeSongNotices().empty());
    ASSERT_EQ(routed.Play(-1, -1), 0);
    ASSERT_TRUE(WaitForEnd());
    std::vector<std::string> sent = ports.Sent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), std::string("\xF0\x41\x10\x16\x12\x10\x00\x00\x4A\x26\xF7", 11)),
              sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), std::string("\x90\x3C\x64", 3)), sent.end());
}

TEST_F(FluidSynthBackendTest, AlsaPortsAreListedWhenTheMachineHasASequencer) {
    auto alsa = MakeAlsaMidiPorts();
    std::vector<std::string> names = alsa->List();
    if (!std::filesystem::exists("/dev/snd/seq")) {
        EXPECT_TRUE(names.empty());
        NUKO_SKIP_WITHOUT(test::Missing::AlsaSequencer);
    }
    for (const auto& n : names) EXPECT_NE(alsa->Open(n), nullptr) << n;
    EXPECT_EQ(alsa->Open("no such port"), nullptr);
}

TEST_F(FluidSynthBackendTest, BadFilesGiveErrorsNotCrashes) {
    auto b = Make();
    EXPECT_EQ(b->Open(dir_.File("missing.mid")), mci::kFileNotFound);
    EXPECT_EQ(b->Open(Write("wave.mid", test::MakeWav(0.1))), mci::kInvalidFile);
    EXPECT_NE(b->ErrorText(mci::kInvalidFile).find("not a standard MIDI file"), std::string::npos);
    EXPECT_EQ(b->Open(dir_.path()), mci::kFileNotFound);  // a folder is no file
    EXPECT_FALSE(b->IsOpen());
    EXPECT_EQ(b->Play(-1, -1), mci::kInvalidDeviceId);
    EXPECT_EQ(b->PositionMs(), 0);
}

TEST(SoundFontTest, TheSettingWinsWhenItNamesAFile) {
    TempDir dir;
    test::WriteBytes(dir.File("my.sf2"), "x");
    EXPECT_EQ(FindSoundFont({dir.File("my.sf2")}), dir.File("my.sf2"));
    std::string fallback = FindSoundFont({dir.File("missing.sf2")});
    EXPECT_TRUE(fallback.empty() || fallback.rfind("/usr/share/sounds/sf2/", 0) == 0);
}

}  // namespace
}  // namespace nuko::playback
