#include "core/player_core.h"

#include <algorithm>
#include <ctime>
#include <string_view>

#include "core/cd_session.h"
#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/controller_settings.h"
#include "core/level_session.h"
#include "core/list_session.h"
#include "core/path_opener.h"
#include "core/timers.h"
#include "level/loudness_cache.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "playback/backend_factory.h"
#include "playback/media_device.h"
#include "playback/rcp_conversion.h"
#include "playback/rcpcv_binding.h"
#include "settings/options_model.h"
#include "settings/settings.h"

namespace nuko::app {

using media::MediaKind;
using playback::PlayCommand;
using playback::PlayOrder;

CoreListener::~CoreListener() {
    if (core_) core_->Unsubscribe(*this);
}

namespace {

int LocalTimeOfDay() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

// Whether the file list shows otherwise after the change: which rows it
// holds, their order or their titles.
bool ListShowsOtherwise(const settings::Settings& old, const settings::Settings& next) {
    static constexpr std::string_view kKeys[] = {"Main/Sort",          "Main/HiddenFile",     "Main/SpcCut",
                                                 "Main/FileNameOnly", "Main/DispFileType", "/SubFolder"};
    for (const std::string& key : settings::ChangedKeys(old, next))
        for (std::string_view k : kKeys)
            if (key.ends_with(k)) return true;
    return false;
}

}  // namespace

PlayerCore::PlayerCore(CoreContext context) : ctx_(std::move(context)), s_(*ctx_.settings) {
    if (!ctx_.time_of_day) ctx_.time_of_day = LocalTimeOfDay;
    playback::BackendFactory* backends = ctx_.backends;
    if (!backends) {
        playback::BackendSettings bs;
        bs.synth = MidiSynthOptionsFrom(s_);
        bs.program_folder = ctx_.program_folder;
        bs.clock = ctx_.clock;
        own_backends_ = std::make_unique<playback::LinuxBackends>(*ctx_.dispatcher, bs);
        backends = own_backends_.get();
    }
    backends_ = backends;
    playback::MediaDeviceConfig config = DeviceConfigFrom(s_, ctx_.work_folder);
    config.program_folder = ctx_.program_folder;
    if (ctx_.background_copies) config.dispatcher = ctx_.dispatcher;
    playback::MediaDeviceHooks hooks;
    hooks.notice = [this](MediaKind kind, int code) { controller_->OnDeviceNotice(kind, code); };
    hooks.status = [this](std::string_view text) { OnStatus(text); };
    hooks.movie_window = ctx_.movie_window;
    hooks.copy_view = ctx_.copy_view;
    level_ = std::make_unique<LevelSession>(*ctx_.dispatcher,
                                            ctx_.program_folder.empty() ? folders::ProgramFolder() : ctx_.program_folder,
                                            level::LoudnessCache::DefaultFile());
    hooks.level_gain = [this](const playback::LevelQuery& item) { return level_->GainFor(item); };
    device_ = std::make_unique<playback::MediaDevice>(*backends, config, hooks);
    MakeListSession();
    MakeCdSession();
    timers_ = std::make_unique<TimerSession>();
    controller_ = std::make_unique<playback::PlayController>(*device_, *this, *ctx_.dispatcher, *ctx_.clock);
    controller_->SetOptions(ControllerOptionsFrom(s_, ctx_.work_folder));
    controller_->SetList(lists_->list.get());
    ApplySettings();
}

PlayerCore::~PlayerCore() {
    alive_.reset();
    if (controller_) controller_->StopClock();
    for (CoreListener* l : listeners_) l->core_ = nullptr;
    if (device_) {
        for (int k = 0; k < media::kKindCount; ++k) device_->Close(static_cast<MediaKind>(k));
    }
}

void PlayerCore::Subscribe(CoreListener& listener) {
    if (listener.core_ == this) return;
    if (listener.core_) listener.core_->Unsubscribe(listener);
    listener.core_ = this;
    listeners_.push_back(&listener);
}

void PlayerCore::Unsubscribe(CoreListener& listener) {
    std::erase(listeners_, &listener);
    if (listener.core_ == this) listener.core_ = nullptr;
}

void PlayerCore::Start() {
    controller_->RunCommand(PlayCommand::Stop, false);
    MediaKind kind = media::IsKind(s_.main.media) ? static_cast<MediaKind>(s_.main.media) : MediaKind::Midi;
    kind_ = kind;
    ScanDrives();
    SwitchKind(kind, false, true);
    controller_->StartClock();
}

void PlayerCore::Stop() {
    if (stopped_for_exit_) return;
    stopped_for_exit_ = true;
    controller_->StopClock();
    controller_->RunCommand(PlayCommand::Stop, false);
}

// --- settings --------------------------------------------------------------------

void PlayerCore::ApplySettings() {
    // A new sound font is the MIDI back end's for the next song.
    playback::MidiSynthOptions synth = MidiSynthOptionsFrom(s_);
    if (synth_options_ && *synth_options_ != synth) {
        backends_->SetMidiSynthOptions(synth);
        device_->RenewBackend(MediaKind::Midi);
    }
    synth_options_ = std::move(synth);
    level_->Apply(s_);
    for (int k = 0; k < media::kKindCount; ++k) {
        const auto& ks = s_.kinds[static_cast<std::size_t>(k)];
        auto& st = kinds_[static_cast<std::size_t>(k)];
        st.mode = {playback::PlayOrderFrom(std::clamp(ks.mode, 0, 3)), ks.random != 0, ks.intro != 0};
        st.sub_code = static_cast<media::FileTypeFlags>(ks.sub_code);
        st.path = ks.path;
        st.sub_folder = ks.sub_folder != 0;
        controller_->SetMode(static_cast<MediaKind>(k), st.mode);
    }
    // The converters the program gave, the archives' member and our own
    // RCP converter.
    playback::ItemConverters converters = ctx_.converters;
    ApplyListSettings(converters);
    if (s_.rcpcv.used && !converters.rcp_to_smf) {
        converters.rcp_to_smf = [this](const std::string& song) {
            std::unique_ptr<playback::RcpConversionView> view;
            if (s_.rcpcv.dlg_view && ctx_.rcp_view) view = ctx_.rcp_view();
            std::string temp = ctx_.work_folder + s_.rcpcv.file;
            std::string folder = ctx_.program_folder.empty() ? folders::ProgramFolder() : ctx_.program_folder;
            return playback::ConvertRcp(folder + playback::kRcpcvLibraryFile, song, temp, view.get(), owner_.handle())
                       ? temp
                       : std::string();
        };
    }
    controller_->SetConverters(std::move(converters));
    controller_->SetOptions(ControllerOptionsFrom(s_, ctx_.work_folder));
    // The options sheet's FileCopy keys reach the next open.
    device_->SetFileCopy(DeviceConfigFrom(s_, ctx_.work_folder).file_copy);
    ApplyTimerSettings();
    UpdateRotation(true);
    Notify([](CoreListener& l) { l.OnTimersChanged(); });
}

void PlayerCore::ApplySettings(const settings::Settings& old, const settings::Settings& next) {
    const bool reread = ListShowsOtherwise(old, next);
    if (&next != &s_) s_ = next;
    ApplySettings();
    if (reread) ReloadList();
}

void PlayerCore::StoreSettings(settings::Settings& s) {
    s.main.media = media::Code(kind_);
    Current().mode = controller_->Mode(kind_);
    for (int k = 0; k < media::kKindCount; ++k) {
        const auto& st = kinds_[static_cast<std::size_t>(k)];
        auto& ks = s.kinds[static_cast<std::size_t>(k)];
        ks.path = st.path;
        ks.sub_code = st.sub_code;
        ks.mode = static_cast<int>(st.mode.mode);
        ks.random = st.mode.random ? 1 : 0;
        ks.intro = st.mode.intro ? 1 : 0;
        ks.sub_folder = st.sub_folder ? 1 : 0;
    }
    StoreTimerSettings(s);
}

// --- the list and the kind ---------------------------------------------------------

void PlayerCore::ShowCurrentItem() {
    const int item = controller_->current_item();
    if (!item) return;
    if (kind_ == MediaKind::Cd) Notify([item](CoreListener& l) { l.OnDiscRowSelected(item); });
    else Notify([item](CoreListener& l) { l.OnRowSelected(item); });
}

void PlayerCore::SeekTo(int position) {
    if (position != static_cast<int>(controller_->position())) controller_->SeekTo(static_cast<std::uint32_t>(position));
}

void PlayerCore::StepFrames(int frames, bool backwards) {
    if (controller_->state() == playback::PlayState::Paused && kind_ == MediaKind::Movie)
        device_->Step(MediaKind::Movie, frames, backwards);
}

void PlayerCore::SwitchKind(MediaKind kind, bool save_old, bool reload) {
    if (save_old) {
        Current().mode = controller_->Mode(kind_);
        Current().item = controller_->current_item();
    }
    kind_ = kind;
    controller_->SetList(ListOf(kind));
    controller_->SetMode(kind, Current().mode);
    lists_->files.list().kind = kind;
    Notify([kind](CoreListener& l) { l.OnKindChanged(kind); });
    ModeChanged();
    if (reload) ReloadList();
}

OpenResult PlayerCore::OpenPath(const std::string& path, bool in_place) {
    OpenContext c;
    c.current_kind = media::Code(kind_);
    c.hidden_files = s_.main.hidden_file != 0;
    c.drop_media_check = s_.main.drop_media_check != 0;
    c.current_flags = Current().sub_code;
    if (c.current_flags == 0) c.current_flags = media::file_type::kAllTypes;
    c.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };
    c.archives = lists_->archives_enabled;
    c.archive_drop = s_.archive.drop;
    c.ask_archive_kind = ctx_.ask_archive_kind;
    OpenPlan plan = PlanOpenPath(path, c);
    if (plan.keep_archive_drop) s_.archive.drop = *plan.keep_archive_drop;
    if (!plan.usable) return kNothingOpened;
    if (plan.kind == media::Code(MediaKind::Cd)) return OpenCdPlan(plan);

    controller_->RunCommand(PlayCommand::Stop, false);
    if (plan.kind != media::Code(kind_)) SwitchKind(static_cast<MediaKind>(plan.kind), true, false);
    auto& st = Current();
    st.path = plan.source;
    st.sub_code = plan.type_flags;
    st.item = 0;
    Reload(plan.named_file, in_place);
    return lists_->loading.active || lists_->files.rows() > 0 ? kListOpened : kNothingOpened;
}

void PlayerCore::PostPlay() {
    if (HoldPlay()) return;
    ctx_.dispatcher->Post([this, alive = std::weak_ptr<int>(alive_)] {
        if (alive.lock()) controller_->RunCommand(PlayCommand::Play, false);
    });
}

void PlayerCore::ModeChanged() {
    Current().mode = controller_->Mode(kind_);
    const playback::PlayMode mode = Current().mode;
    Notify([&mode](CoreListener& l) { l.OnModeChanged(mode); });
}

// --- commands ----------------------------------------------------------------------

void PlayerCore::RegisterCommands(CommandRouter& router) {
    for (int code = 0; code < 6; ++code) {
        const auto command = static_cast<PlayCommand>(code);
        router.Register(cmd::PlayCommandId(command),
                        {[this, command] { controller_->MenuCommand(command); },
                         [this, command] { return controller_->CanRun(command); }});
    }
    const std::pair<int, PlayOrder> orders[] = {{cmd::kModeSelected, PlayOrder::Selected},
                                                {cmd::kModeSequential, PlayOrder::Sequential},
                                                {cmd::kModeLoop, PlayOrder::Loop},
                                                {cmd::kModeRepeat, PlayOrder::Repeat}};
    for (auto [id, order] : orders) {
        router.Register(id, {[this, order] {
                                 controller_->ChooseMode(order);
                                 ModeChanged();
                             },
                             {},
                             [this, order] { return controller_->Mode(kind_).mode == order; }});
    }
    router.Register(cmd::kRandom, {[this] {
                                       controller_->ToggleRandom();
                                       ModeChanged();
                                   },
                                   {},
                                   [this] { return controller_->Mode(kind_).random; }});
    router.Register(cmd::kIntro, {[this] {
                                      controller_->ToggleIntro();
                                      ModeChanged();
                                  },
                                  {},
                                  [this] { return controller_->Mode(kind_).intro; }});
    router.Register(cmd::kSetA, {[this] { controller_->SetPointA(); }});
    router.Register(cmd::kSetB, {[this] { controller_->SetPointB(); }});
    router.Register(cmd::kClearAB, {[this] { controller_->ClearSection(); }});

    // The kind changes only while stopped, and only to another kind.
    for (MediaKind kind : {MediaKind::Midi, MediaKind::Cd, MediaKind::Movie, MediaKind::Sound}) {
        router.Register(cmd::KindId(kind), {[this, kind] {
                                                if (is_stopped() && kind != kind_) SwitchKind(kind, true, true);
                                            },
                                            [this, kind] { return is_stopped() || kind == kind_; },
                                            [this, kind] { return kind == kind_; }});
    }

    RegisterTimerCommands(router);
    router.Register(cmd::kSort, {[this] { ToggleSort(); }, {}, [this] { return s_.main.sort != 0; }});
    router.Register(cmd::kSpaceCut, {[this] { s_.main.spc_cut = !s_.main.spc_cut; }, {},
                                     [this] { return s_.main.spc_cut != 0; }});
    router.Register(cmd::kPanelBackToItem, {[this] { ShowCurrentItem(); }});
}

// --- ControllerHost -------------------------------------------------------------

void PlayerCore::Tell(const std::function<void(playback::PlayEvents&)>& event) {
    Notify([&event](CoreListener& l) { event(l); });
}

void PlayerCore::OnItemStarted(const playback::ItemDisplay& item) {
    PlayEventsRelay::OnItemStarted(item);
    TellSongNotices();
}

void PlayerCore::TellSongNotices() {
    std::string line;
    for (const std::string& notice : device_->TakeMidiSongNotices()) {
        // As a message box would be, for a player started from a terminal.
        EchoToStandardError(notice);
        line += (line.empty() ? " " : "  ") + notice;
    }
    // The status line, not a box: sequential play goes on without waiting.
    if (!line.empty()) OnStatus(line);
}

void PlayerCore::OnClockDuties(unsigned flags) {
    if (flags & playback::kEvery500) TellSongNotices();
    const int now = ctx_.time_of_day();
    if (flags & playback::kEvery500) OnHalfSecond(now);
    if (flags & playback::kEvery2000) OnTwoSeconds(now);
    if ((flags & playback::kCdInsert) && s_.cd.insert_check) CheckDiscInserted();
    Notify([&](CoreListener& l) { l.OnClockDuties(flags, now); });
}

}  // namespace nuko::app
