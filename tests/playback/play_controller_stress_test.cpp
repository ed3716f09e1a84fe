// Thousands of random commands against the play controller on the real back
// ends (FluidSynth, libmpv) in fast mode, with the controller's invariants
// checked after each. The seed is printed; NUKO_STRESS_SEED replays one.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <random>
#include <sstream>

#include "playback/backend_factory.h"
#include "playback/file_play_list.h"
#include "media_fixtures.h"
#include "media_test_util.h"
#include "playback/media_time_clock.h"
#include "nuko/paths.h"
#include "playback/play_controller.h"
#include "scripted_prompt.h"
#include "test_support.h"

namespace {

using namespace nuko;
using media::MediaKind;
using playback::PlayCommand;
using playback::PlayOrder;
using playback::PlayState;

constexpr int kCommands = 5000;

std::uint64_t StressSeed() {
    if (const char* s = std::getenv("NUKO_STRESS_SEED"); s && *s) return std::strtoull(s, nullptr, 10);
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) | device();
}

std::string Song(std::uint32_t seconds, int key) {
    test::SmfWriter w(480);
    w.Track().Note(0, key, 240).Note(240, key + 4, 240).EndAfter(seconds * 960 - 720);
    return w.Bytes();
}

// One media kind's folder, its list and the bytes of its files (to put a
// file back after the test took it away).
struct KindList {
    MediaKind kind;
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> files;  // name, bytes
    media::FileAreaModel model;
    std::unique_ptr<playback::FilePlayList> list;

    void Add(const std::string& name, const std::string& bytes) {
        test::WriteBytes(dir.File(name), bytes);
        files.emplace_back(name, bytes);
    }
    void Load(playback::MediaDevice& device, std::uint32_t seed) {
        media::FileAreaSettings s;
        s.kind = media::Code(kind);
        s.type_flags = 0x001F;
        s.source = dir.path();
        model.Load(s, {});
        model.SortByName();
        if (!list) list = std::make_unique<playback::FilePlayList>(model, device);
        list->SetSeedSource([seed]() mutable { return seed++; });
        list->Reloaded(list->Selected());
    }
};

class Stress;

struct StressHost final : playback::ControllerHost {
    Stress* stress = nullptr;
    int started = 0;
    void OnItemStarted(const playback::ItemDisplay&) override { ++started; }
    void ReloadList() override;
};

class Stress {
public:
    explicit Stress(std::uint64_t seed) : rng_(seed), backends_(queue_, FastSettings()) {}

    bool Ready(std::string* why) {
        if (backends_.Facts().sound_font.empty()) return *why = "no General MIDI sound font installed", false;
        const std::string corpus = test::CorpusDir();
        if (corpus.empty()) return *why = "corpus folder absent", false;
        const std::string mp3 = test::ReadBytes(corpus + "mp3/mutagen_silence-44-s-v1.mp3");

        auto& midi = kinds_.emplace_back(std::make_unique<KindList>());
        midi->kind = MediaKind::Midi;
        midi->Add("1.mid", Song(1, 60));
        midi->Add("2.mid", Song(2, 62));
        midi->Add("3.mid", Song(4, 64));
        midi->Add("4.mid", test::MacBinary(Song(2, 66)));
        midi->Add("5.mid", std::string("\x01\x02 random bytes, no song", 24));
        auto& sound = kinds_.emplace_back(std::make_unique<KindList>());
        sound->kind = MediaKind::Sound;
        sound->Add("a.wav", test::MakeWav(1.0, 22050, 1));
        sound->Add("b.wav", test::MakeWav(11.0, 8000, 1));  // timed in seconds
        sound->Add("c.mp3", mp3);
        sound->Add("d.rmp", test::RiffMp3(mp3));
        sound->Add("e.mp3", test::MacBinary(mp3));
        sound->Add("f.mp3", mp3.substr(0, mp3.size() / 2));
        test::TempDir scratch;
        if (test::MakeMovie(scratch.File("m.avi"), 1.5, 10)) {
            auto& movie = kinds_.emplace_back(std::make_unique<KindList>());
            movie->kind = MediaKind::Movie;
            movie->Add("m.avi", test::ReadBytes(scratch.File("m.avi")));
            movie->Add("n.avi", test::ReadBytes(scratch.File("m.avi")));
        }

        playback::MediaDeviceConfig config;
        config.work_folder = work_.path();
        playback::MediaDeviceHooks hooks;
        hooks.notice = [this](MediaKind k, int code) { controller_->OnDeviceNotice(k, code); };
        device_ = std::make_unique<playback::MediaDevice>(backends_, config, hooks);
        for (auto& k : kinds_) k->Load(*device_, static_cast<std::uint32_t>(rng_()));

        host_.stress = this;
        controller_ = std::make_unique<playback::PlayController>(*device_, host_, queue_, clock_);
        playback::ControllerOptions o;
        o.work_folder = work_.path();
        o.intro_time = 1;
        o.rew_prev = rng_() % 2 == 0;
        o.rew_prev_time = static_cast<int>(rng_() % 3);
        o.ab_pause_ms = rng_() % 2 ? 0 : 150;
        controller_->SetOptions(o);
        for (auto& k : kinds_) controller_->SetMode(k->kind, {playback::PlayOrderFrom(static_cast<int>(rng_() % 4)), false, false});
        Use(0);
        controller_->StartClock();
        return true;
    }

    // Runs the commands; the first broken invariant ends the run with its
    // description and the last commands.
    std::string Run(int commands) {
        for (int i = 0; i < commands; ++i) {
            std::string what = Command();
            history_.push_back(std::to_string(i) + ": " + what);
            if (history_.size() > 12) history_.pop_front();
            Pump(static_cast<int>(rng_() % 3));
            if (std::string broken = Check(); !broken.empty()) return broken + "\nlast commands:\n" + History();
            if (i % 200 == 0) prompt_.Clear();
        }
        controller_->RunCommand(PlayCommand::Stop, true);
        queue_.RunPending();
        if (std::string broken = Check(); !broken.empty()) return "after the last Stop: " + broken;
        return {};
    }

    int started() const { return host_.started; }
    int switches() const { return switches_; }
    int deletions() const { return deletions_; }

    void Shutdown() {
        controller_.reset();
        device_.reset();
    }

    void ReloadList() {
        KindList& k = *kinds_[current_];
        k.Load(*device_, static_cast<std::uint32_t>(rng_()));
        controller_->SetCurrentItem(k.list->Selected());
    }

private:
    static playback::BackendSettings FastSettings() {
        playback::BackendSettings s;
        s.fast = true;
        return s;
    }

    KindList& Current() { return *kinds_[current_]; }
    MediaKind Kind() const { return kinds_[current_]->kind; }

    void Use(std::size_t k) {
        current_ = k;
        controller_->SetList(kinds_[k]->list.get());
        controller_->SetCurrentItem(kinds_[k]->list->Selected());
    }

    // Lets the back ends run: queued calls, then a tick of the clock that
    // follows the media.
    void Pump(int rounds) {
        for (int r = 0; r < rounds; ++r) {
            queue_.WaitAndRun(std::chrono::milliseconds(1));
            clock_.Sample(*device_, Kind(), controller_->item_active());
            controller_->Tick();
        }
        queue_.RunPending();
    }

    std::uint32_t Below(std::uint32_t n) { return n ? static_cast<std::uint32_t>(rng_() % n) : 0; }

    std::string Command() {
        playback::PlayController& c = *controller_;
        KindList& k = Current();
        const std::uint32_t roll = Below(100);
        auto run = [&](PlayCommand command, const char* name) {
            if (Below(3) == 0) {
                c.MenuCommand(command);
                return std::string("menu ") + name;
            }
            c.RunCommand(command, true);
            return std::string(name);
        };
        if (roll < 14) return run(PlayCommand::Play, "play");
        if (roll < 22) return run(PlayCommand::Stop, "stop");
        if (roll < 29) return run(PlayCommand::Pause, "pause");
        if (roll < 38) return run(PlayCommand::Next, "next");
        if (roll < 45) return run(PlayCommand::Previous, "previous");
        if (roll < 46) return run(PlayCommand::Eject, "eject");
        if (roll < 53) {
            std::uint32_t to = Below(static_cast<std::uint32_t>(c.length()) + 1);
            c.SeekTo(to);
            return "seek " + std::to_string(to);
        }
        if (roll < 56) return c.SetPointA(), "point A";
        if (roll < 59) return c.SetPointB(), "point B";
        if (roll < 61) return c.ClearSection(), "clear section";
        if (roll < 63) {
            std::uint32_t a = Below(static_cast<std::uint32_t>(c.length()) + 1), b = Below(static_cast<std::uint32_t>(c.length()) + 2);
            c.SetSection(a, b);
            return "section " + std::to_string(a) + "," + std::to_string(b);
        }
        if (roll < 66) {
            if (Below(2)) prompt_.Answer(PromptAnswer::Yes);
            c.ToggleIntro();
            return "intro";
        }
        if (roll < 69) {
            int mode = static_cast<int>(Below(4));
            c.ChooseMode(static_cast<PlayOrder>(mode));
            return "mode " + std::to_string(mode);
        }
        if (roll < 71) return c.ToggleRandom(), "random";
        if (roll < 76) {
            if (k.list->Count() == 0) return "select (empty list)";
            int n = 1 + static_cast<int>(Below(static_cast<std::uint32_t>(k.list->Count())));
            // As the file area does: the selection moves; without an active
            // item the current item follows it.
            k.list->SetSelected(n);
            if (!c.item_active()) c.SetCurrentItem(n);
            return "select " + std::to_string(n);
        }
        if (roll < 82) {
            // Switching the kind is accepted only while stopped.
            std::size_t to = Below(static_cast<std::uint32_t>(kinds_.size()));
            if (c.state() != PlayState::Stopped || to == current_) return "kind (refused)";
            Use(to);
            ++switches_;
            return "kind " + std::to_string(media::Code(Kind()));
        }
        if (roll < 86) return DeleteOrRestore();
        // Time passes: items end, intro and the section act.
        int rounds = 5 + static_cast<int>(Below(30));
        Pump(rounds);
        return "wait " + std::to_string(rounds);
    }

    // Takes the playing item's file (or another one) away from the disk, or
    // puts a taken file back.
    std::string DeleteOrRestore() {
        KindList& k = Current();
        if (!deleted_.empty() && Below(2)) {
            auto [kind_index, name] = deleted_.back();
            deleted_.pop_back();
            auto& files = kinds_[kind_index]->files;
            auto it = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.first == name; });
            test::WriteBytes(kinds_[kind_index]->dir.File(name), it->second);
            return "restore " + name;
        }
        int n = controller_->item_active() ? controller_->current_item()
                                           : 1 + static_cast<int>(Below(static_cast<std::uint32_t>(k.list->Count())));
        std::string path = k.model.RowPath(n - 1);
        if (path.empty() || ::unlink(path.c_str()) != 0) return "delete (none)";
        deleted_.emplace_back(current_, std::string(path::FileName(path)));
        ++deletions_;
        return "delete " + path;
    }

    std::string Check() {
        playback::PlayController& c = *controller_;
        KindList& k = Current();
        std::ostringstream out;
        const PlayState state = c.state();
        const int count = k.list->Count();
        if (state != PlayState::Playing && state != PlayState::Stopped && state != PlayState::Paused)
            out << "state " << static_cast<int>(state) << " after a command; ";
        if (c.current_item() < 0 || c.current_item() > count) out << "current item " << c.current_item() << " of " << count << "; ";
        if (k.list->Selected() < 0 || k.list->Selected() > count) out << "selected item " << k.list->Selected() << "; ";
        if (c.point_b() && (!c.point_a() || *c.point_a() >= *c.point_b()))
            out << "section A " << c.point_a().value_or(0) << " not before B " << *c.point_b() << "; ";
        const auto& order = k.list->shuffle().order();
        std::vector<int> sorted(order.begin(), order.end());
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < static_cast<int>(sorted.size()); ++i)
            if (sorted[static_cast<std::size_t>(i)] != i + 1) {
                out << "shuffle order is no permutation; ";
                break;
            }
        const std::vector<std::string> left = test::FolderEntries(work_.path());
        if (c.item_active()) {
            bool paused = false;
            const bool stopped = device_->IsStoppedOrPaused(Kind(), &paused);
            const bool seeking = device_->IsSeeking(Kind());
            if (state == PlayState::Stopped) out << "an item active while stopped; ";
            if (c.current_item() < 1) out << "an item active with no current item; ";
            if (!device_->IsOpen()) out << "an item active with nothing open; ";
            if (state == PlayState::Paused && !stopped && !seeking) out << "the device plays while paused; ";
            if (state == PlayState::Playing && !c.restart_pending() && stopped && !paused)
                out << "the device stopped while playing; ";
            if (c.position() > c.length()) out << "position " << c.position() << " past length " << c.length() << "; ";
            if (left.size() > 1) out << left.size() << " files in the work folder; ";
        } else if (c.opening()) {
            // An item loads in the background: playing, with nothing open yet.
            if (state != PlayState::Playing) out << "state " << static_cast<int>(state) << " while opening; ";
            if (c.restart_pending()) out << "a restart pending while opening; ";
            if (!device_->IsOpening(Kind())) out << "opening with no open under way; ";
            if (device_->IsOpen()) out << "the device holds an item while another opens; ";
        } else {
            if (state != PlayState::Stopped) out << "state " << static_cast<int>(state) << " with no active item; ";
            if (c.restart_pending()) out << "a restart pending with no active item; ";
            if (device_->IsOpen()) out << "the device holds an item with none active; ";
            if (!left.empty()) out << "left in the work folder: " << left.front() << "; ";
        }
        return out.str();
    }

    std::string History() const {
        std::string out;
        for (const auto& h : history_) out += "  " + h + "\n";
        return out;
    }

    std::mt19937_64 rng_;
    test::TempDir work_;
    CallQueue queue_;
    playback::LinuxBackends backends_;
    std::vector<std::unique_ptr<KindList>> kinds_;
    std::size_t current_ = 0;
    std::unique_ptr<playback::MediaDevice> device_;
    StressHost host_;
    SteadyClock wall_;
    playback::MediaTimeClock clock_{wall_};
    std::unique_ptr<playback::PlayController> controller_;
    test::ScriptedPrompt prompt_;
    ScopedPrompt prompt_scope_{&prompt_};
    std::vector<std::pair<std::size_t, std::string>> deleted_;
    std::deque<std::string> history_;
    int switches_ = 0;
    int deletions_ = 0;
};

void StressHost::ReloadList() { stress->ReloadList(); }

TEST(PlayControllerStress, RandomCommandsKeepTheControllerSound) {
    const std::uint64_t seed = StressSeed();
    std::printf("stress seed %llu (NUKO_STRESS_SEED=%llu replays it)\n", static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(seed));
    std::fflush(stdout);
    SCOPED_TRACE("NUKO_STRESS_SEED=" + std::to_string(seed));
    Stress stress(seed);
    std::string why;
    NUKO_REQUIRE_TOOL(stress.Ready(&why), why);
    EXPECT_EQ(stress.Run(kCommands), "");
    std::printf("%d items started, %d kind switches, %d files taken away\n", stress.started(), stress.switches(),
                stress.deletions());
    // Items play, lists change and files go away: the run did what it says.
    EXPECT_GT(stress.started(), kCommands / 50);
    EXPECT_GT(stress.switches(), 0);
    EXPECT_GT(stress.deletions(), 0);
    stress.Shutdown();
}

}  // namespace
