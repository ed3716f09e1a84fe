// nu_kotool playlist: a folder or catalog played through the play controller
// on the real back ends, one line per event on standard output.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "playback/backend_factory.h"
#include "core/controller_settings.h"
#include "cd/cd_drives.h"
#include "cd/cd_title_db.h"
#include "cd/disc_lengths.h"
#include "cd/disc_toc.h"
#include "library/file_area_model.h"
#include "playback/cd_play_list.h"
#include "playback/file_play_list.h"
#include "playback/media_device.h"
#include "playback/media_time_clock.h"
#include "nuko/clock.h"
#include "nuko/dispatch.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "core/path_opener.h"
#include "play_args.h"
#include "playback/play_controller.h"
#include "settings/settings_store.h"
#include "core/startup.h"
#include "tool_commands.h"

namespace nuko::tool {
namespace {

using media::MediaKind;
using playback::PlayCommand;
using playback::PlayState;

constexpr const char* kUsage =
    "usage: nu_kotool playlist SOURCE [--kind midi|cd|movie|sound] [--mode 0|1|2|3] [--random] [--seed N] "
    "[--intro SECONDS] [--ab A,B] [--fast] [--max N]\n"
    "  SOURCE: a folder, a catalog (.mit .mot .wat) or a media file (its folder, from that file on);\n"
    "    or a disc: a drive (/dev/sr0, \"D:\\\", \"D*3\" from track 3) or a disc image (.cue .toc .nrg),\n"
    "    whose tracks play as the CD panel lists them\n"
    "  --kind: default the catalog's or file's kind; for a folder the kind it holds most files of, MIDI first\n"
    "  --mode: 0 selected only, 1 sequential (default), 2 loop, 3 repeat\n"
    "  --seed: fixes the random orders; --intro: intro play of SECONDS; --ab: the A-B section in whole\n"
    "    seconds, set on the first item; --fast: silent output faster than real time\n"
    "  --max N: stops when the Nth item has ended (N \"end\" lines)\n"
    "  prints \"play N PATH\", \"end N\", \"message ID\" and last \"stop\"; a repeat (mode 3) and each\n"
    "    return to point A print \"end N\" and \"play N PATH\" again\n";

struct PlaylistArgs {
    std::string source;
    std::optional<MediaKind> kind;
    int mode = 1;
    bool random = false;
    std::optional<std::uint32_t> seed;
    std::optional<int> intro;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> section;
    bool fast = false;
    unsigned long max = 0;  // 0: no limit
};

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

std::optional<PlaylistArgs> ParseArgs(const Args& args) {
    PlaylistArgs p;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        unsigned long v = 0;
        if (a == "--fast") {
            p.fast = true;
        } else if (a == "--random") {
            p.random = true;
        } else if (a == "--kind" && has_value) {
            p.kind = ParseKindName(args[++i]);
            if (!p.kind) return std::nullopt;
        } else if (a == "--mode" && has_value) {
            if (!ParseWhole(args[++i], 3, &v)) return std::nullopt;
            p.mode = static_cast<int>(v);
        } else if (a == "--seed" && has_value) {
            if (!ParseWhole(args[++i], 0xFFFFFFFFul, &v)) return std::nullopt;
            p.seed = static_cast<std::uint32_t>(v);
        } else if (a == "--intro" && has_value) {
            if (!ParseWhole(args[++i], 0xFFFF, &v)) return std::nullopt;
            p.intro = static_cast<int>(v);
        } else if (a == "--ab" && has_value) {
            const std::string& ab = args[++i];
            std::size_t comma = ab.find(',');
            unsigned long pa = 0, pb = 0;
            if (comma == std::string::npos || !ParseWhole(ab.substr(0, comma), 0xFFFF, &pa) ||
                !ParseWhole(ab.substr(comma + 1), 0xFFFF, &pb) || pa >= pb)
                return std::nullopt;
            p.section = {static_cast<std::uint32_t>(pa), static_cast<std::uint32_t>(pb)};
        } else if (a == "--max" && has_value) {
            if (!ParseWhole(args[++i], 0xFFFFFFFFul, &v) || v == 0) return std::nullopt;
            p.max = v;
        } else if (!a.empty() && a.rfind("--", 0) != 0 && p.source.empty()) {
            p.source = a;
        } else {
            return std::nullopt;
        }
    }
    if (p.source.empty()) return std::nullopt;
    return p;
}

media::FileAreaEnvironment Environment(const settings::Settings& s) {
    media::FileAreaEnvironment env;
    env.catalog.drives = s.drives;
    env.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };
    return env;
}

// The kind a folder plays as: the one it holds most files of, MIDI first
// on a tie, so that a folder of sound files plays without --kind.
int FolderKind(const std::string& folder, const settings::Settings& s) {
    int best = media::Code(MediaKind::Midi);
    int best_rows = 0;
    for (MediaKind kind : {MediaKind::Midi, MediaKind::Movie, MediaKind::Sound}) {
        media::FileAreaSettings fs;
        fs.kind = media::Code(kind);
        fs.type_flags = media::file_type::kAllTypes;
        fs.source = path::WithTrailingSlash(folder);
        fs.hidden_files = s.main.hidden_file != 0;
        media::FileAreaModel model;
        int rows = model.Load(fs, Environment(s));
        if (rows > best_rows) {
            best = fs.kind;
            best_rows = rows;
        }
    }
    return best;
}

volatile std::sig_atomic_t g_stop_signal = 0;

void OnStopSignal(int) { g_stop_signal = 1; }

// Prints the events, counts the ended items and keeps the item that plays.
class EventLog {
public:
    explicit EventLog(unsigned long max) : max_(max) {}

    void Play(int item, const std::string& path) {
        open_item_ = last_item_ = item;
        open_path_ = path;
        ++starts_;
        Print("play " + std::to_string(item) + " " + path);
    }
    // The same item from its start (a repeat, a return to point A).
    void PlayAgain() { Play(last_item_, open_path_); }
    // The open item ended; true when that was the last one --max allows.
    bool End() {
        if (!open_item_) return false;
        Print("end " + std::to_string(open_item_));
        open_item_ = 0;
        ++ends_;
        return max_ != 0 && ends_ >= max_;
    }
    void Message(int id) { Print("message " + std::to_string(id)); }
    void Stop() { Print("stop"); }

    bool item_open() const { return open_item_ != 0; }
    unsigned long starts() const { return starts_; }
    // Standard output is gone (a closed pipe): playing on serves nobody.
    bool broken() const { return broken_; }

private:
    void Print(const std::string& line) {
        if (broken_) return;
        if (std::fprintf(stdout, "%s\n", line.c_str()) < 0 || std::fflush(stdout) != 0) broken_ = true;
    }

    unsigned long max_;
    int open_item_ = 0;  // 0 once its end was printed
    int last_item_ = 0;
    std::string open_path_;
    unsigned long starts_ = 0;
    unsigned long ends_ = 0;
    bool broken_ = false;
};

// Prompts answered with their default; the tool reports their string ids.
class ToolPrompt final : public Prompt {
public:
    explicit ToolPrompt(EventLog& log) : log_(log) {}
    PromptAnswer Ask(const PromptRequest& request) override {
        log_.Message(request.string_id);
        if (!request.text.empty()) std::fprintf(stderr, "nu_kotool: %s\n", request.text.c_str());
        return DefaultAnswer(request.buttons);
    }

private:
    EventLog& log_;
};

class ToolHost final : public playback::ControllerHost {
public:
    ToolHost(EventLog& log, std::function<void(const playback::ItemDisplay&)> first_start)
        : log_(log), first_start_(std::move(first_start)) {}
    void OnItemStarted(const playback::ItemDisplay& d) override {
        // The item is open and about to start: a section set now applies
        // from its start.
        if (log_.starts() == 0 && first_start_) first_start_(d);
        log_.Play(d.item, d.path);
    }
    void OnItemStopped() override { log_.End(); }

private:
    EventLog& log_;
    std::function<void(const playback::ItemDisplay&)> first_start_;
};

// A list whose Next reports the end of the item that played, and ends the
// list once --max items have ended: the controller then stops by its own
// rules.
template <typename Base>
class ToolList final : public Base {
public:
    template <typename... A>
    explicit ToolList(EventLog& log, A&&... base_args) : Base(std::forward<A>(base_args)...), log_(log) {}
    bool Next(int& n, const playback::PlayMode& mode, bool active) override {
        if (active && log_.End()) return false;
        return Base::Next(n, mode, active);
    }

private:
    EventLog& log_;
};

// The rows of a disc as the CD panel shows them: the title database's names
// with their markers, in program order when program play is on. Nullopt
// after saying why the disc cannot be read.
std::optional<cd::CdTrackList> DiscRows(const std::string& source) {
    auto disc = OpenDiscOrSay(source);
    if (!disc) return std::nullopt;
    settings::SettingsStore store(folders::SettingsFile());
    cd::CdTitleDatabase db(store, folders::DataFolder() + std::string(cd::kDefaultTitleFileName));
    media::MediaList record;
    record.kind = MediaKind::Cd;
    db.LookupDisc(record, cd::DiscLengthsOf(disc->Toc()));
    cd::CdTrackList rows;
    rows.Build(record);
    return rows;
}

// Plays a list through the controller on the real back ends until it stops.
int RunList(const PlaylistArgs& p, const settings::Settings& s, MediaKind kind,
            const std::function<std::unique_ptr<playback::PlayList>(playback::MediaDevice&, EventLog&)>& make_list) {
    EventLog log(p.max);
    ToolPrompt prompt(log);
    ScopedPrompt prompt_scope(&prompt);

    const std::string work = app::ChooseWorkFolder(s.tool);
    CallQueue queue;
    playback::BackendSettings bs;
    bs.synth = app::MidiSynthOptionsFrom(s);
    bs.fast = p.fast;
    playback::LinuxBackends backends(queue, bs);

    std::unique_ptr<playback::PlayController> controller;
    bool stop_requested = false;
    // A repeat (mode 3) and a return to point A seek back inside a tick or a
    // completion notice, with no new item: the item plays again.
    auto watch = [&](const std::function<void()>& call) {
        const bool pending = controller->restart_pending();
        const unsigned long starts = log.starts();
        call();
        if (!pending && controller->restart_pending() && controller->item_active() && log.starts() == starts &&
            log.item_open()) {
            if (log.End()) stop_requested = true;
            else log.PlayAgain();
        }
    };
    playback::MediaDeviceHooks hooks;
    hooks.notice = [&](MediaKind k, int code) { watch([&] { controller->OnDeviceNotice(k, code); }); };
    playback::MediaDevice device(backends, app::DeviceConfigFrom(s, work), hooks);

    std::unique_ptr<playback::PlayList> list = make_list(device, log);

    ToolHost host(log, [&](const playback::ItemDisplay& d) {
        if (!p.section) return;
        const std::uint32_t unit = d.seconds ? 1 : 100;
        controller->SetSection(p.section->first * unit, p.section->second * unit);
    });
    SteadyClock wall;
    playback::MediaTimeClock media_clock(wall);
    const Clock& clock = p.fast ? static_cast<const Clock&>(media_clock) : wall;
    controller = std::make_unique<playback::PlayController>(device, host, queue, clock);
    playback::ControllerOptions options = app::ControllerOptionsFrom(s, work);
    if (p.intro) options.intro_time = *p.intro;
    controller->SetOptions(options);
    controller->SetList(list.get());
    controller->SetMode(kind, {playback::PlayOrderFrom(p.mode), p.random, p.intro.has_value()});

    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigemptyset(&stop.sa_mask);
    struct sigaction old_int {}, old_term {}, old_pipe {};
    ::sigaction(SIGINT, &stop, &old_int);
    ::sigaction(SIGTERM, &stop, &old_term);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &old_pipe);

    const auto wait = std::chrono::milliseconds(p.fast ? 1 : options.interval_ms);
    controller->StartClock();
    controller->RunCommand(PlayCommand::Play, true);
    while (controller->state() != PlayState::Stopped) {
        if (g_stop_signal || log.broken()) {
            controller->RunCommand(PlayCommand::Stop, true);
            break;
        }
        if (stop_requested) {
            controller->RunCommand(PlayCommand::Stop, false);
            break;
        }
        queue.WaitAndRun(wait);
        if (p.fast) media_clock.Sample(device, kind, controller->item_active());
        watch([&] { controller->Tick(); });
    }
    controller->StopClock();
    log.Stop();
    controller.reset();
    ::sigaction(SIGINT, &old_int, nullptr);
    ::sigaction(SIGTERM, &old_term, nullptr);
    ::sigaction(SIGPIPE, &old_pipe, nullptr);
    return 0;
}

// A drive or disc image played as the CD panel plays it.
int PlayDisc(const PlaylistArgs& p, const settings::Settings& s) {
    std::string source = p.source;
    int first = 1;
    if (auto form = cd::ParseCdPathForm(p.source); form && !files::IsFileFound(p.source, true)) {
        auto drives = cd::AssignDriveLetters(cd::ListCdDrives(), s.drives);
        int index = cd::FindDriveByLetter(drives, form->letter);
        if (index < 0) {
            std::fprintf(stderr, "nu_kotool: no CD drive has the letter %c\n", form->letter);
            return 1;
        }
        source = drives[static_cast<std::size_t>(index)].device;
        first = std::max(1, form->track);
    }
    auto rows = DiscRows(source);
    if (!rows) return 1;
    if (rows->Count() == 0) {
        std::fprintf(stderr, "nu_kotool: the disc shows no tracks\n");
        return 1;
    }
    return RunList(p, s, MediaKind::Cd, [&](playback::MediaDevice& device, EventLog& log) {
        auto list = std::make_unique<ToolList<playback::CdPlayList>>(log, device);
        if (p.seed) list->SetSeedSource([seed = *p.seed]() mutable { return seed++; });
        list->SetDisc(source, *rows, std::min(first, rows->Count()));
        return list;
    });
}

}  // namespace

int RunPlaylist(const Args& args) {
    auto p = ParseArgs(args);
    if (!p) return Usage();
    settings::Settings s = settings::SettingsStore(folders::SettingsFile()).ReadAll();
    const bool disc = (p->kind && *p->kind == MediaKind::Cd) || cd::IsDiscImagePath(p->source) ||
                      p->source.rfind("/dev/", 0) == 0;
    if (disc) return PlayDisc(*p, s);
    const std::string source = path::ResolveCaseInsensitive(p->source);
    const bool folder = files::IsFolder(source);
    if (folder ? ::access(source.c_str(), R_OK | X_OK) != 0 : !files::IsFileFound(source, true)) {
        std::fprintf(stderr, "nu_kotool: cannot read \"%s\"\n", p->source.c_str());
        return 1;
    }
    app::OpenContext context;
    context.hidden_files = s.main.hidden_file != 0;
    context.win_media_type = [](const std::string& f) { return files::WinMediaType(f); };
    if (p->kind) {
        context.current_kind = media::Code(*p->kind);
        context.drop_media_check = false;  // the file must be one of that kind
    } else if (folder) {
        context.current_kind = FolderKind(source, s);
    }
    app::OpenPlan plan = app::PlanOpenPath(source, context);
    if (!plan.usable) {
        std::fprintf(stderr, "nu_kotool: no media kind plays \"%s\"\n", p->source.c_str());
        return 1;
    }
    const auto kind = static_cast<MediaKind>(plan.kind);
    media::FileAreaSettings fs;
    fs.kind = plan.kind;
    fs.source = plan.source;
    fs.type_flags = plan.type_flags;
    fs.hidden_files = s.main.hidden_file != 0;
    media::FileAreaModel model;
    model.Load(fs, Environment(s));
    if (model.catalog_mode() && model.list().loaded != 1) {
        std::fprintf(stderr, "nu_kotool: cannot read the catalog \"%s\"\n", p->source.c_str());
        return 1;
    }
    if (s.main.sort && !model.catalog_mode()) model.SortByName();
    int first = plan.named_file.empty() ? 1 : model.FindRow(plan.named_file) + 1;
    return RunList(*p, s, kind, [&](playback::MediaDevice& device, EventLog& log) {
        auto list = std::make_unique<ToolList<playback::FilePlayList>>(log, model, device);
        if (p->seed) list->SetSeedSource([seed = *p->seed]() mutable { return seed++; });
        list->Reloaded(first);
        return list;
    });
}

}  // namespace nuko::tool
