// The player's level normalisation with the real synthesizer module and
// the system's fonts: what the device's hook answers before and after the
// worker measured a song, and that the gain it answers brings the song's
// sound to the target as the synthesizer plays it.
#include <gtest/gtest.h>

#include <string>

#include "core/level_session.h"
#include "level/loudness.h"
#include "media_fixtures.h"
#include "nuko/dispatch.h"
#include "nuko/paths.h"
#include "playback/backend_module.h"
#include "playback/sound_font.h"
#include "test_support.h"

using nuko::CallQueue;
using nuko::app::LevelSession;
using nuko::playback::LevelQuery;
using nuko::test::SmfWriter;
using nuko::test::TempDir;
using nuko::test::WriteBytes;

namespace {

// Three seconds of an organ chord (program 19), all notes at `velocity`.
std::string Chord(int velocity) {
    SmfWriter w(480, 0);
    w.Track().Raw(0, std::string("\xC0\x13", 2));
    for (int key : {48, 55, 60, 64}) w.Raw(0, std::string{'\x90', static_cast<char>(key), static_cast<char>(velocity)});
    w.Raw(2880, std::string("\x80\x30\x40", 3));
    for (int key : {55, 60, 64}) w.Raw(0, std::string{'\x80', static_cast<char>(key), '\x40'});
    return w.Bytes();
}

// The song as the synthesizer sounds it at `gain_db`; one renderer for the
// test, so the fonts load once.
nuko::level::Loudness Played(const std::string& song, double gain_db) {
    static std::unique_ptr<nuko::playback::MidiRenderer> renderer;
    std::string error;
    if (!renderer) {
        const auto* module = nuko::playback::LoadBackendModule(nuko::folders::ProgramFolder(),
                                                               nuko::playback::kFluidSynthModuleFile, &error);
        EXPECT_TRUE(module) << error;
        if (!module) return {};
        renderer = module->make_midi_renderer({});
    }
    EXPECT_TRUE(renderer->Open(song, &error)) << error;
    renderer->SetLevel(gain_db);
    return *nuko::level::MeasureSource([&](float* b, std::size_t n) { return renderer->Render(b, n); },
                                       nuko::playback::MidiRenderer::kSampleRate);
}

}  // namespace

TEST(LevelSession, ASongPlaysAtTheTargetOnceMeasuredAndOnlyWhenAsked) {
    NUKO_REQUIRE_TOOL(!nuko::playback::FindSoundFont({}).empty(), "no sound font on this machine");
    TempDir dir;
    const std::string song = dir.File("soft.mid");
    WriteBytes(song, Chord(40));
    CallQueue queue;
    LevelSession level(queue, nuko::folders::ProgramFolder(), dir.File("cache/loudness.tsv"));
    nuko::settings::Settings s;
    level.Apply(s);
    const LevelQuery query{nuko::media::MediaKind::Midi, song, 0, ""};
    // Off by default: as it is, and nothing measured.
    EXPECT_EQ(level.GainFor(query), 0.0);
    EXPECT_FALSE(level.service().Known({nuko::level::LevelKind::Midi, song, 0, level.MidiIdentity(song)}));

    s.level.midi = 1;
    s.level.target = -20;
    level.Apply(s);
    EXPECT_EQ(level.GainFor(query), 0.0);  // not measured yet
    level.service().WaitIdle();
    queue.RunPending();
    const double gain = level.GainFor(query);
    const auto as_it_is = Played(song, 0.0);
    ASSERT_TRUE(as_it_is.lufs);
    // A soft organ chord is far under -20 LUFS, and its peaks leave room.
    EXPECT_GT(gain, 3.0);
    EXPECT_NEAR(gain, -20.0 - *as_it_is.lufs, 0.2);
    const auto normalised = Played(song, gain);
    ASSERT_TRUE(normalised.lufs);
    EXPECT_NEAR(*normalised.lufs, -20.0, 1.0);
    EXPECT_LT(normalised.peak_db, 0.0);

    // A song that sounds nothing has no loudness: it plays as it is, and
    // is not measured again.
    const std::string silent = dir.File("silent.mid");
    SmfWriter quiet(480, 0);
    quiet.Track().Raw(0, std::string("\xC0\x13", 2)).Raw(0, std::string("\x90\x3C\x00", 3)).EndAfter(1920);
    WriteBytes(silent, quiet.Bytes());
    const LevelQuery silent_query{nuko::media::MediaKind::Midi, silent, 0, ""};
    EXPECT_EQ(level.GainFor(silent_query), 0.0);
    level.service().WaitIdle();
    EXPECT_EQ(level.GainFor(silent_query), 0.0);
    auto silent_known = level.service().Known({nuko::level::LevelKind::Midi, silent, 0, level.MidiIdentity(silent)});
    ASSERT_TRUE(silent_known);
    EXPECT_TRUE(silent_known->current);
    EXPECT_FALSE(silent_known->loudness.lufs);

    // Another font chain is another sound: measured again.
    s.midi.SetSoundFontChain({"/usr/share/sounds/sf2/TimGM6mb.sf2"});
    level.Apply(s);
    auto known = level.service().Known({nuko::level::LevelKind::Midi, song, 0, level.MidiIdentity(song)});
    ASSERT_TRUE(known);
    EXPECT_FALSE(known->current);
}

// CD tracks, sound files and movies are measured through the libmpv module:
// the corpus disc image's first track is -18.5 LUFS with peaks at -3.4 dBFS
// by ffmpeg's ebur128 filter, so it plays 0.5 dB up to reach -18 LUFS.
TEST(LevelSession, ACdTrackAndASoundFileAreMeasuredThroughTheLibmpvModule) {
    NUKO_CORPUS_FILE(cue, "cd/images/cdda.cue");
    NUKO_CORPUS_FILE(mp3, "mp3/mutagen_silence-44-s-v1.mp3");
    TempDir dir;
    CallQueue queue;
    LevelSession level(queue, nuko::folders::ProgramFolder(), dir.File("loudness.tsv"));
    nuko::settings::Settings s;
    s.level.media = 1;
    level.Apply(s);
    const LevelQuery track{nuko::media::MediaKind::Cd, cue, 1, ""};
    const LevelQuery sound{nuko::media::MediaKind::Sound, mp3, 0, ""};
    EXPECT_EQ(level.GainFor(track), 0.0);
    EXPECT_EQ(level.GainFor(sound), 0.0);
    level.service().WaitIdle();
    EXPECT_NEAR(level.GainFor(track), 0.5, 0.1);
    // The corpus MP3 is silence: as it is.
    EXPECT_EQ(level.GainFor(sound), 0.0);
    auto known = level.service().Known({nuko::level::LevelKind::Media, mp3, 0, ""});
    ASSERT_TRUE(known);
    EXPECT_FALSE(known->loudness.lufs);
    // MIDI songs are not asked about while only the other kinds are on.
    EXPECT_EQ(level.GainFor({nuko::media::MediaKind::Midi, dir.File("any.mid"), 0, ""}), 0.0);
}
