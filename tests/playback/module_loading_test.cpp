// The device layer loading its back-end modules from the program folder:
// nothing heavy before a back end is needed, the right module when one is,
// and a clear error instead of a crash when a module is missing or broken.
// This program links no module, so what is loaded is what the layer loaded.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#include "nuko/dispatch.h"
#include "playback/backend_factory.h"
#include "playback/backend_module.h"
#include "playback/media_device.h"
#include "playback/media_errors.h"
#include "playback/sound_font.h"
#include "scripted_prompt.h"
#include "test_support.h"

namespace nuko::playback {
namespace {

const std::string kModules = std::string(NUKO_PROGRAM_DIR) + "/";

bool Loaded(const std::string& file) {
    void* h = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h) ::dlclose(h);  // drops only the reference NOLOAD took
    return h != nullptr;
}

BackendSettings In(const std::string& folder) {
    BackendSettings s;
    s.program_folder = folder;
    s.fast = true;
    return s;
}

TEST(BackendModuleTest, FactsAndLookupsLoadNoModule) {
    CallQueue queue;
    LinuxBackends backends(queue, In(kModules));
    const PlatformFacts& facts = backends.Facts();
    EXPECT_TRUE(facts.mpv);
    EXPECT_TRUE(LookupDeviceType("mp3", facts, true).usable);
    EXPECT_FALSE(Loaded(kModules + kFluidSynthModuleFile));
    EXPECT_FALSE(Loaded(kModules + kMpvModuleFile));
    EXPECT_FALSE(Loaded("libmpv.so.2"));
    EXPECT_FALSE(Loaded("libfluidsynth.so.3"));
}

TEST(BackendModuleTest, EachTypeLoadsItsOwnModuleOnly) {
    CallQueue queue;
    LinuxBackends backends(queue, In(kModules));
    std::unique_ptr<Backend> midi = backends.Create(BackendType::Sequencer, MediaKind::Midi);
    ASSERT_TRUE(midi);
    EXPECT_NE(midi->Midi(), nullptr);
    EXPECT_TRUE(Loaded(kModules + kFluidSynthModuleFile));
    EXPECT_FALSE(Loaded(kModules + kMpvModuleFile));
    EXPECT_FALSE(Loaded("libmpv.so.2"));

    std::unique_ptr<Backend> movie = backends.Create(BackendType::Mpv, MediaKind::Movie);
    std::unique_ptr<Backend> sound = backends.Create(BackendType::Mpv, MediaKind::Sound);
    std::unique_ptr<Backend> disc = backends.Create(BackendType::Disc, MediaKind::Cd);
    ASSERT_TRUE(movie && sound && disc);
    EXPECT_NE(movie->Movie(), nullptr);
    EXPECT_EQ(sound->Movie(), nullptr);
    EXPECT_NE(disc->Disc(), nullptr);
    EXPECT_TRUE(Loaded(kModules + kMpvModuleFile));
    EXPECT_EQ(backends.Create(BackendType::None, MediaKind::Midi), nullptr);
}

TEST(BackendModuleTest, SongPlaysThroughTheLoadedModule) {
    NUKO_REQUIRE_TOOL(!FindSoundFont({}).empty(), "no sound font on this machine");
    NUKO_CORPUS_FILE(song, "midi/jazzsoft_test-2-tracks-type-2.mid");
    CallQueue queue;
    LinuxBackends backends(queue, In(kModules));
    test::ScriptedPrompt prompt;
    ScopedPrompt scoped(&prompt);
    MediaDevice device(backends, MediaDeviceConfig{}, MediaDeviceHooks{});
    ASSERT_EQ(device.Open(MediaKind::Midi, song), mci::kOk);
    EXPECT_GT(device.Length(MediaKind::Midi), 0u);
    std::vector<std::string> ports;
    device.ListMidiPorts(ports);
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(device.Close(MediaKind::Midi), mci::kOk);
}

TEST(BackendModuleTest, ANewSoundFontIsTheNextOpensAndNotThePlayingOnes) {
    const std::string system_font = FindSoundFont({});
    NUKO_REQUIRE_TOOL(!system_font.empty(), "no sound font on this machine");
    NUKO_CORPUS_FILE(song, "midi/jazzsoft_test-2-tracks-type-2.mid");
    test::TempDir dir;
    // A font whose header passes and whose body FluidSynth refuses.
    test::WriteBytes(dir.File("broken.sf2"), std::string("RIFF\x10\x01\x01\x01sfbkLIST\xFF\xFF\xFF\x7F", 20));
    CallQueue queue;
    LinuxBackends backends(queue, In(kModules));
    test::ScriptedPrompt prompt;
    ScopedPrompt scoped(&prompt);
    MediaDevice device(backends, MediaDeviceConfig{}, MediaDeviceHooks{});
    ASSERT_EQ(device.Open(MediaKind::Midi, song), mci::kOk);
    device.Close(MediaKind::Midi);

    EXPECT_TRUE(device.TakeMidiSongNotices().empty());

    // Set, but the back end made for the last song goes on with its font.
    backends.SetMidiSynthOptions({.sound_fonts = {dir.File("broken.sf2")}});
    ASSERT_EQ(device.Open(MediaKind::Midi, song), mci::kOk);
    EXPECT_TRUE(device.TakeMidiSongNotices().empty());
    device.Close(MediaKind::Midi);
    // Renewed: the next song's back end loads the new font, which fails: it
    // says so, and the system's fonts play the song.
    device.RenewBackend(MediaKind::Midi);
    EXPECT_EQ(device.Open(MediaKind::Midi, song), mci::kOk);
    auto notices = device.TakeMidiSongNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(dir.File("broken.sf2")), std::string::npos);
    device.Close(MediaKind::Midi);
    // And back to a good one.
    backends.SetMidiSynthOptions({.sound_fonts = {system_font}});
    device.RenewBackend(MediaKind::Midi);
    EXPECT_EQ(device.Open(MediaKind::Midi, song), mci::kOk);
    EXPECT_TRUE(device.TakeMidiSongNotices().empty());
    device.Close(MediaKind::Midi);
}

TEST(BackendModuleTest, MissingModuleFailsTheOpenWithItsReason) {
    test::TempDir empty;
    CallQueue queue;
    LinuxBackends backends(queue, In(empty.path()));
    // Without the libmpv module the device check counts its kinds as
    // unplayable, as it would without libmpv.
    EXPECT_FALSE(backends.Facts().mpv);

    std::unique_ptr<Backend> midi = backends.Create(BackendType::Sequencer, MediaKind::Midi);
    ASSERT_TRUE(midi);
    EXPECT_EQ(midi->Open(empty.File("song.mid")), mci::kCannotLoadDriver);
    EXPECT_FALSE(midi->IsOpen());
    EXPECT_EQ(midi->Play(0, -1), mci::kInvalidDeviceId);
    std::string text = midi->ErrorText(mci::kCannotLoadDriver);
    EXPECT_EQ(text.rfind(DeviceErrorText(mci::kCannotLoadDriver), 0), 0u) << text;
    EXPECT_NE(text.find(kFluidSynthModuleFile), std::string::npos) << text;

    test::ScriptedPrompt prompt;
    ScopedPrompt scoped(&prompt);
    MediaDevice device(backends, MediaDeviceConfig{}, MediaDeviceHooks{});
    test::WriteBytes(empty.File("song.mid"), "MThd");
    EXPECT_EQ(device.Open(MediaKind::Midi, empty.File("song.mid")), mci::kCannotLoadDriver);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_NE(device.ErrorText(MediaKind::Midi, mci::kCannotLoadDriver).find(kFluidSynthModuleFile),
              std::string::npos);
    EXPECT_EQ(device.Open(MediaKind::Sound, empty.File("a.wav")), mci::kNoDevice);
    std::vector<std::string> ports;
    device.ListMidiPorts(ports);  // the mapper's name alone, no crash
    EXPECT_EQ(ports.size(), 1u);
}

TEST(BackendModuleTest, BrokenModuleFailsWithTheLoadersMessage) {
    test::TempDir folder;
    test::WriteBytes(folder.File(kFluidSynthModuleFile), "not a library");
    // A library without the entry point: the test support library will do.
    CallQueue queue;
    LinuxBackends backends(queue, In(folder.path()));
    std::unique_ptr<Backend> midi = backends.Create(BackendType::Sequencer, MediaKind::Midi);
    ASSERT_TRUE(midi);
    EXPECT_EQ(midi->Open(folder.File("x.mid")), mci::kCannotLoadDriver);
    std::string text = midi->ErrorText(mci::kCannotLoadDriver);
    EXPECT_NE(text.find(folder.File(kFluidSynthModuleFile)), std::string::npos) << text;

    std::string error;
    EXPECT_EQ(LoadBackendModule(kModules, "libnu_32std.so", &error), nullptr);
    EXPECT_NE(error.find("no entry point"), std::string::npos) << error;
}

}  // namespace
}  // namespace nuko::playback
