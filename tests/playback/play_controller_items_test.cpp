// The play controller's Eject, seeking inside the A-B section, the
// preparation of MIDI and MP3 items, a device that will not start, and a
// pause that lasts across Previous and Next.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "playback/media_errors.h"
#include "play_controller_fixture.h"

namespace {

using nuko::media::MediaKind;
using nuko::playback::PlayCommand;
using nuko::playback::PlayMode;
using nuko::playback::PlayState;
using nuko::test::ControllerFixture;
using nuko::test::FakeBackend;
using nuko::test::ReadBytes;
using nuko::test::WriteBytes;

// The fixture's file list with the parts a file list leaves out: a drive
// door and initialisation files of its own.
class EjectingList final : public nuko::playback::PlayList {
public:
    explicit EjectingList(nuko::playback::PlayList& files) : files_(files) {}

    int eject_result = 0;
    bool disc_back = false;
    std::string init_file;
    int ejects = 0;

    MediaKind kind() const override { return files_.kind(); }
    int Count() const override { return files_.Count(); }
    int Selected() const override { return files_.Selected(); }
    void Select(int n) override { files_.Select(n); }
    bool FirstPlayable(int& n, std::string& path, const PlayMode& mode, bool backwards) override {
        return files_.FirstPlayable(n, path, mode, backwards);
    }
    bool Next(int& n, const PlayMode& mode, bool active) override { return files_.Next(n, mode, active); }
    bool Previous(int& n, const PlayMode& mode, bool active) override { return files_.Previous(n, mode, active); }
    int Open(const std::string& path, void* owner) override { return files_.Open(path, owner); }
    int Start() override { return files_.Start(); }
    int PlayableCount() const override { return files_.PlayableCount(); }
    std::string ItemTitle(int n) const override { return files_.ItemTitle(n); }
    std::string ItemInitFile(int) const override { return init_file; }
    void ShuffleSwapCurrent(int current) override { files_.ShuffleSwapCurrent(current); }
    void ShuffleSeekCurrent(int current) override { files_.ShuffleSeekCurrent(current); }
    int Eject() override { return ++ejects, eject_result; }
    bool ReopenSource() override { return disc_back; }

private:
    nuko::playback::PlayList& files_;
};

// Plays item 1 and sets the section 10 s .. 20 s.
void PlayWithSection(ControllerFixture& f) {
    f.controller->RunCommand(PlayCommand::Play, true);
    f.SetPositionSeconds(10);
    f.Run(120);
    f.controller->SetPointA();
    f.SetPositionSeconds(20);
    f.Run(120);
    f.controller->SetPointB();
    ASSERT_EQ(f.controller->point_a(), 10u);
    ASSERT_EQ(f.controller->point_b(), 20u);
    f.SetPositionSeconds(15);
    f.Run(120);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A RIFF-MP3 file: the MP3 frames start 20 bytes in.
std::string RiffMp3() {
    std::string frames = std::string("\xFF\xFB\x90\x00", 4) + std::string(412, '\0');
    auto le32 = [](std::uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
        return s;
    };
    return "RIFF" + le32(static_cast<std::uint32_t>(12 + frames.size())) + "RMP3data" +
           le32(static_cast<std::uint32_t>(frames.size())) + frames;
}

}  // namespace

TEST(PlayControllerEject, ClosesTheItemClearsTheSectionAndReloads) {
    ControllerFixture f(2);
    PlayWithSection(f);
    f.controller->RunCommand(PlayCommand::Eject, true);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_FALSE(f.controller->item_active());
    EXPECT_FALSE(f.Backend()->open);
    EXPECT_FALSE(f.controller->point_a());
    EXPECT_FALSE(f.controller->point_b());
    EXPECT_EQ(f.host.reloads, 1);  // a file list has no door: it is read again
    ASSERT_GE(f.host.states.size(), 2u);
    EXPECT_EQ(f.host.states[f.host.states.size() - 2], PlayState::Eject);
    EXPECT_EQ(f.host.states.back(), PlayState::Stopped);
    EXPECT_TRUE(f.controller->CanRun(PlayCommand::Eject));
    // Paused items are ejected the same way.
    f.controller->RunCommand(PlayCommand::Play, true);
    f.controller->RunCommand(PlayCommand::Pause, true);
    f.controller->RunCommand(PlayCommand::Eject, true);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_FALSE(f.Backend()->open);
}

TEST(PlayControllerEject, WithInsertCheckADiscBackInTheDrivePlaysAgain) {
    ControllerFixture f(2);
    EjectingList list(*f.list);
    f.controller->SetList(&list);
    auto o = f.controller->options();
    o.cd_insert_check = true;
    o.cd_insert_start = true;
    f.controller->SetOptions(o);

    // The door would not open: the list is read again, nothing more.
    list.eject_result = 5;
    f.controller->RunCommand(PlayCommand::Play, true);
    f.controller->RunCommand(PlayCommand::Eject, true);
    f.queue.RunPending();
    EXPECT_EQ(f.host.reloads, 1);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);

    // No disc came back: the panels hear that there is no list.
    list.eject_result = 0;
    f.controller->RunCommand(PlayCommand::Eject, true);
    f.queue.RunPending();
    EXPECT_EQ(f.host.reloads, 1);
    EXPECT_EQ(f.host.empty, 1);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);

    // A disc is back: reload, and with InsertStart play it.
    list.disc_back = true;
    f.controller->RunCommand(PlayCommand::Eject, true);
    EXPECT_EQ(f.host.reloads, 2);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);  // Play is posted
    f.queue.RunPending();
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(list.ejects, 3);

    // Without InsertStart it stays stopped.
    o.cd_insert_start = false;
    f.controller->SetOptions(o);
    f.controller->RunCommand(PlayCommand::Eject, true);
    f.queue.RunPending();
    EXPECT_EQ(f.host.reloads, 3);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
}

TEST(PlayControllerEject, DuringThePauseAtAItLeavesNoPauseForTheNextItem) {
    ControllerFixture f(2);
    auto o = f.controller->options();
    o.ab_pause_ms = 2000;
    f.controller->SetOptions(o);
    PlayWithSection(f);
    f.SetPositionSeconds(20.2);
    f.Run(120);  // reaches B: back to A
    f.Run(120);  // there: the pause at A begins
    ASSERT_EQ(f.controller->state(), PlayState::Paused);
    ASSERT_TRUE(f.host.ab_waits.back().first);

    f.controller->RunCommand(PlayCommand::Eject, true);
    EXPECT_EQ(f.host.ab_waits.back(), std::make_pair(false, 0));  // the wait display is gone
    f.controller->RunCommand(PlayCommand::Play, true);
    std::size_t waits = f.host.ab_waits.size();
    f.Run(2500);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(f.host.ab_waits.size(), waits);
}

TEST(PlayControllerSeek, StaysInsideTheSection) {
    ControllerFixture f(1);
    PlayWithSection(f);
    auto* b = f.Backend();
    f.controller->SeekTo(30);
    EXPECT_EQ(b->seek_ms, 20000);  // beyond B: B
    EXPECT_TRUE(f.controller->restart_pending());
    f.Run(200);  // the seek is done: play goes on from there
    EXPECT_FALSE(f.controller->restart_pending());
    EXPECT_EQ(b->play_from, 20000);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);

    f.SetPositionSeconds(15);
    f.Run(120);
    f.controller->SeekTo(3);
    EXPECT_EQ(b->seek_ms, 10000);  // before A: A
    f.Run(200);
    f.SetPositionSeconds(12);
    f.Run(120);
    f.controller->SeekTo(17);
    EXPECT_EQ(b->seek_ms, 17000);  // inside: as asked
    f.Run(200);
    EXPECT_EQ(b->play_from, 17000);

    // Without a section any position goes.
    f.controller->ClearSection();
    f.SetPositionSeconds(17);
    f.Run(120);
    f.controller->SeekTo(40);
    EXPECT_EQ(b->seek_ms, 40000);
}

TEST(PlayControllerSeek, APausedItemStaysPausedAndSeekingToWhereItIsDoesNothing) {
    ControllerFixture f(1);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.SetPositionSeconds(8);
    f.Run(120);
    auto* b = f.Backend();
    f.controller->SeekTo(8);
    EXPECT_EQ(b->seek_ms, -1);  // already there

    f.controller->RunCommand(PlayCommand::Pause, true);
    int plays = b->plays;
    f.controller->SeekTo(30);
    EXPECT_EQ(b->seek_ms, 30000);
    EXPECT_EQ(f.controller->position(), 30);
    EXPECT_FALSE(f.controller->restart_pending());
    f.Run(500);
    EXPECT_EQ(f.controller->state(), PlayState::Paused);
    EXPECT_EQ(b->plays, plays);
    f.controller->RunCommand(PlayCommand::Pause, true);  // resumes where the seek went
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(b->play_from, 30000);
}

TEST(PlayControllerPrepare, RcpItemsPlayAsTheConvertersOutput) {
    ControllerFixture f(2, "rcp");
    std::vector<std::string> rcp_in, smf_in, configs;
    const std::string rcp_out = f.work.File("rcp_out.mid");
    const std::string smf_out = f.work.File("smf_out.mid");
    nuko::playback::ItemConverters c;
    c.rcp_to_smf = [&](const std::string& in) {
        rcp_in.push_back(in);
        WriteBytes(rcp_out, "MThd");
        return rcp_out;
    };
    f.controller->SetConverters(c);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(rcp_in, std::vector<std::string>{f.names[0]});
    ASSERT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(f.Backend()->opened.back(), rcp_out);

    // With a converter configuration the RCP output goes on through the SMF
    // converter.
    auto o = f.controller->options();
    o.midi_smfk = f.work.File("sound.cfg");
    f.controller->SetOptions(o);
    c.smf_convert = [&](const std::string& in, const std::string& config) {
        smf_in.push_back(in);
        configs.push_back(config);
        WriteBytes(smf_out, "MThd");
        return smf_out;
    };
    f.controller->SetConverters(c);
    f.controller->RunCommand(PlayCommand::Next, true);
    EXPECT_EQ(rcp_in.back(), f.names[1]);
    EXPECT_EQ(smf_in, std::vector<std::string>{rcp_out});
    EXPECT_EQ(configs, std::vector<std::string>{f.work.File("sound.cfg")});
    EXPECT_EQ(f.Backend()->opened.back(), smf_out);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    // The converted file goes with its item.
    f.controller->RunCommand(PlayCommand::Stop, true);
    struct stat st;
    EXPECT_NE(::stat(smf_out.c_str(), &st), 0);
}

TEST(PlayControllerPrepare, AFailedRcpConversionLeavesAnItemThatCannotPlay) {
    ControllerFixture f(2, "rcp");
    int calls = 0;
    nuko::playback::ItemConverters c;
    c.rcp_to_smf = [&](const std::string&) { return ++calls, std::string(); };
    f.controller->SetConverters(c);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(calls, 2);  // each item was tried
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_EQ(f.prompt.ids(), std::vector<int>{134});
    EXPECT_TRUE(f.backends.made.empty() || f.Backend()->opened.empty());
}

TEST(PlayControllerPrepare, SmfConverterConfigurationComesFromTheSettingsOrTheCatalog) {
    ControllerFixture f(2);
    std::vector<std::pair<std::string, std::string>> calls;
    const std::string out = f.work.File("converted.mid");
    nuko::playback::ItemConverters c;
    c.smf_convert = [&](const std::string& in, const std::string& config) {
        calls.emplace_back(in, config);
        WriteBytes(out, "MThd");
        return out;
    };
    f.controller->SetConverters(c);
    // A path of four characters or fewer is no configuration.
    auto o = f.controller->options();
    o.midi_smfk = "a.cf";
    f.controller->SetOptions(o);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(f.Backend()->opened.back(), f.names[0]);

    o.midi_smfk = f.work.File("main.cfg");
    f.controller->SetOptions(o);
    f.controller->RunCommand(PlayCommand::Next, true);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], std::make_pair(f.names[1], f.work.File("main.cfg")));
    EXPECT_EQ(f.Backend()->opened.back(), out);

    // A catalog's own ".cfg" replaces it.
    EjectingList list(*f.list);
    list.init_file = f.work.File("own.CFG");
    f.controller->SetList(&list);
    f.controller->RunCommand(PlayCommand::Next, true);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], std::make_pair(f.names[0], f.work.File("own.CFG")));
}

TEST(PlayControllerPrepare, TheInitialisationFilePlaysToItsEndBeforeTheItem) {
    ControllerFixture f(2);
    const std::string init = f.work.File("gs_reset.mid");
    WriteBytes(init, "MThd");
    auto o = f.controller->options();
    o.midi_init = init;
    f.controller->SetOptions(o);
    f.controller->RunCommand(PlayCommand::Play, true);
    auto* b = f.Backend();
    EXPECT_EQ(b->opened, (std::vector<std::string>{init, f.names[0]}));
    EXPECT_EQ(b->waits, 1);  // played with a wait for its end
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_TRUE(b->open);
    f.Finish();
    EXPECT_EQ(b->opened, (std::vector<std::string>{init, f.names[0], init, f.names[1]}));

    // A catalog's own initialisation file takes the place of the settings'.
    EjectingList list(*f.list);
    const std::string own = f.work.File("own_init.mid");
    WriteBytes(own, "MThd");
    list.init_file = own;
    f.controller->SetList(&list);
    f.controller->RunCommand(PlayCommand::Next, true);
    EXPECT_EQ(b->opened[b->opened.size() - 2], own);
    EXPECT_EQ(b->waits, 3);
}

TEST(PlayControllerPrepare, ARiffMp3IsCutForPlayAndTheCutGoesWithTheItem) {
    ControllerFixture f(2, "rmp", 3);
    WriteBytes(f.names[0], RiffMp3());
    f.controller->RunCommand(PlayCommand::Play, true);
    ASSERT_EQ(f.controller->state(), PlayState::Playing);
    const std::string cut = f.work.File("$Nu-kop_Mp3$.mp3");
    EXPECT_EQ(f.Backend()->opened.back(), cut);
    EXPECT_EQ(ReadBytes(cut), RiffMp3().substr(20));
    f.controller->RunCommand(PlayCommand::Stop, true);
    EXPECT_FALSE(IsFile(cut));
}

TEST(PlayControllerPrepare, AFailedMp3CutEndsTheSearchAtOnceWithoutAMessage) {
    ControllerFixture f(3, "mp3", 3);
    for (const auto& n : f.names) WriteBytes(n, RiffMp3());
    // A folder where the cut must go: the cut cannot be written.
    const std::string cut = f.work.File("$Nu-kop_Mp3$.mp3");
    ASSERT_EQ(::mkdir(cut.c_str(), 0755), 0);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_FALSE(f.controller->item_active());
    EXPECT_EQ(f.controller->last_error(), nuko::playback::mci::kOutOfMemory);
    EXPECT_TRUE(f.prompt.ids().empty());
    EXPECT_TRUE(f.backends.made.empty() || f.Backend()->opened.empty());
}

TEST(PlayControllerStart, ADeviceThatWillNotStartStopsWithoutSearchingOn) {
    ControllerFixture f(3);
    f.backends.setup[MediaKind::Midi] = [](FakeBackend& b) { b.play_result = nuko::playback::mci::kHardware; };
    f.controller->RunCommand(PlayCommand::Play, true);
    auto* b = f.Backend();
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_FALSE(f.controller->item_active());
    EXPECT_FALSE(b->open);
    EXPECT_EQ(b->opened, std::vector<std::string>{f.names[0]});  // the search ended there
    EXPECT_TRUE(f.prompt.ids().empty());  // the device's error, not "no file to play"
    EXPECT_GE(f.host.stopped, 1);

    // The same at the end of an item: playback stops instead of going on.
    b->play_result = 0;
    f.controller->RunCommand(PlayCommand::Play, true);
    ASSERT_EQ(f.controller->state(), PlayState::Playing);
    b->play_result = nuko::playback::mci::kHardware;
    f.Finish();
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_EQ(b->opened.size(), 3u);
    EXPECT_FALSE(b->open);
    f.Run(2500);
    EXPECT_EQ(f.controller->state(), PlayState::Stopped);
    EXPECT_EQ(b->opened.size(), 3u);
}

TEST(PlayControllerPause, LastsAcrossNextAndPrevious) {
    ControllerFixture f(3);
    f.controller->RunCommand(PlayCommand::Play, true);
    f.Run(200);
    f.controller->RunCommand(PlayCommand::Pause, true);
    auto* b = f.Backend();
    ASSERT_EQ(f.controller->state(), PlayState::Paused);
    int pauses = b->pauses;

    f.controller->RunCommand(PlayCommand::Next, true);
    EXPECT_EQ(f.controller->current_item(), 2);
    EXPECT_EQ(b->opened.back(), f.names[1]);
    EXPECT_TRUE(b->open);
    EXPECT_TRUE(f.controller->item_active());
    EXPECT_EQ(f.controller->state(), PlayState::Paused);
    EXPECT_EQ(b->pauses, pauses + 1);  // the new item was paused
    f.Run(2500);  // a paused item is not taken for one that ended
    EXPECT_EQ(f.controller->current_item(), 2);
    EXPECT_EQ(f.controller->state(), PlayState::Paused);

    f.controller->RunCommand(PlayCommand::Previous, true);
    EXPECT_EQ(f.controller->current_item(), 1);
    EXPECT_EQ(b->opened.back(), f.names[0]);
    EXPECT_EQ(f.controller->state(), PlayState::Paused);

    // Pause again resumes the item that is open now.
    int plays = b->plays;
    f.controller->RunCommand(PlayCommand::Pause, true);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(b->plays, plays + 1);
    EXPECT_EQ(b->opened.back(), f.names[0]);

    // A playing item's Next plays on.
    f.controller->RunCommand(PlayCommand::Next, true);
    EXPECT_EQ(f.controller->state(), PlayState::Playing);
    EXPECT_EQ(f.controller->current_item(), 2);
}

TEST(PlayControllerPrepare, ArchiveItemsPlayTheMemberTheArchiveStepChose) {
    ControllerFixture f(0);
    WriteBytes(f.dir.File("1.lzh"), "x");
    WriteBytes(f.dir.File("2.mid"), "x");
    nuko::media::FileAreaSettings s;
    s.type_flags = 0x081F;
    s.archives = true;
    s.source = f.dir.path();
    f.model.Load(s, {});
    std::sort(f.model.list().items.begin(), f.model.list().items.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    f.list->Reloaded(1);
    std::vector<std::string> asked, converted;
    std::string member = f.work.File("song.mid");
    WriteBytes(member, "MThd");
    nuko::playback::ItemConverters c;
    c.archive_member = [&](const std::string& archive, nuko::media::MediaKind kind) {
        asked.push_back(archive);
        EXPECT_EQ(kind, nuko::media::MediaKind::Midi);
        return member;
    };
    c.rcp_to_smf = [&](const std::string& in) {
        converted.push_back(in);
        return std::string();
    };
    f.controller->SetConverters(c);

    // Without the archive library an archive row is passed over.
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(f.Backend()->opened.back(), f.dir.File("2.mid"));
    f.controller->RunCommand(PlayCommand::Stop, true);

    f.list->SetArchivesPlayable(true);
    f.list->SetSelected(1);
    f.controller->SetCurrentItem(1);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(asked, std::vector<std::string>{f.dir.File("1.lzh")});
    EXPECT_EQ(f.Backend()->opened.back(), member);
    f.controller->RunCommand(PlayCommand::Stop, true);

    // The member goes through the steps of its own kind: an RCP song is
    // converted.
    member = f.work.File("song.rcp");
    WriteBytes(member, "RCP");
    f.list->SetSelected(1);
    f.controller->SetCurrentItem(1);
    f.controller->RunCommand(PlayCommand::Play, true);
    EXPECT_EQ(converted, std::vector<std::string>{member});
    f.controller->RunCommand(PlayCommand::Stop, true);

    // A catalog's init file that is not beside the archive but came out of
    // it beside the member plays from there; one in neither place is
    // passed on as it is.
    member = f.work.File("song.mid");
    const std::string init = f.work.File("gsreset.mid");
    WriteBytes(init, "MThd");
    EjectingList list(*f.list);
    list.init_file = f.dir.File("GSRESET.MID");
    f.controller->SetList(&list);
    f.list->SetSelected(1);
    f.controller->SetCurrentItem(1);
    f.controller->RunCommand(PlayCommand::Play, true);
    const auto& opened = f.Backend()->opened;
    ASSERT_GE(opened.size(), 2u);
    EXPECT_EQ(opened[opened.size() - 2], init);
    EXPECT_EQ(opened.back(), member);
}
