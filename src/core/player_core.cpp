#include "core/player_core.h"

#include <algorithm>
#include <ctime>
#include <map>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "core/controller_settings.h"
#include "core/path_opener.h"
#include "settings/settings_store.h"
#include "nuko/files.h"
#include "nuko/media_title.h"
#include "nuko/paths.h"
#include "playback/rcpcv_binding.h"

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

constexpr int kSleepLengths[] = {5400, 3600, 2700, 1800, 900, 600};

// Registrations kept in memory, for a core without a settings store.
class MemoryRegistrations final : public cd::RegistrationIndex {
public:
    std::optional<std::string> ReadRegistration(std::string_view id) const override {
        auto it = values_.find(std::string(id));
        if (it == values_.end()) return std::nullopt;
        return it->second;
    }
    std::error_code WriteRegistration(std::string_view id, std::optional<std::string_view> value) override {
        if (value) values_[std::string(id)] = std::string(*value);
        else values_.erase(std::string(id));
        return {};
    }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace

PlayerCore::PlayerCore(CoreContext context)
    : ctx_(std::move(context)), s_(*ctx_.settings), loader_(*ctx_.dispatcher) {
    if (!ctx_.time_of_day) ctx_.time_of_day = LocalTimeOfDay;
    playback::BackendFactory* backends = ctx_.backends;
    if (!backends) {
        playback::BackendSettings bs;
        bs.sound_font = s_.midi.sound_font;
        bs.program_folder = ctx_.program_folder;
        bs.clock = ctx_.clock;
        own_backends_ = std::make_unique<playback::LinuxBackends>(*ctx_.dispatcher, bs);
        backends = own_backends_.get();
    }
    backends_ = backends;
    playback::MediaDeviceConfig config = DeviceConfigFrom(s_, ctx_.work_folder);
    config.program_folder = ctx_.program_folder;
    playback::MediaDeviceHooks hooks;
    hooks.notice = [this](MediaKind kind, int code) { controller_->OnDeviceNotice(kind, code); };
    hooks.status = [this](std::string_view text) { OnStatus(text); };
    hooks.movie_window = ctx_.movie_window;
    device_ = std::make_unique<playback::MediaDevice>(*backends, config, hooks);
    list_ = std::make_unique<playback::FilePlayList>(files_, *device_);
    list_->SetSelectHook([this](int n) { Notify([n](CoreListener& l) { l.OnRowSelected(n); }); });
    list_->SetTitleSource([this](int n) { return ItemTitle(n); });
    cd_list_ = std::make_unique<playback::CdPlayList>(*device_);
    cd_list_->SetSelectHook([this](int n) { Notify([n](CoreListener& l) { l.OnDiscRowSelected(n); }); });
    cd::RegistrationIndex* index = ctx_.store;
    if (!index) {
        own_index_ = std::make_unique<MemoryRegistrations>();
        index = own_index_.get();
    }
    cd_db_ = std::make_unique<cd::CdTitleDatabase>(*index, folders::DataFolder() + std::string(cd::kDefaultTitleFileName));
    controller_ = std::make_unique<playback::PlayController>(*device_, *this, *ctx_.dispatcher, *ctx_.clock);
    controller_->SetOptions(ControllerOptionsFrom(s_, ctx_.work_folder));
    controller_->SetList(list_.get());
    archives_enabled_ = ctx_.archives_enabled ? *ctx_.archives_enabled : media::CArchiveFile::LibraryUsable();
    archives_ = std::make_unique<media::CArchiveFile>(ArchiveSettingsNow());
    list_->SetArchivesPlayable(archives_enabled_);
    ApplySettings();
}

media::ArchiveSettings PlayerCore::ArchiveSettingsNow() const {
    media::ArchiveSettings a;
    a.work_folder = ctx_.work_folder;
    a.dlg_view = s_.archive.dlg_view != 0;
    a.yes = s_.archive.yes != 0;
    a.ui = ctx_.archive_ui;
    return a;
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
    if (sound_font_ && *sound_font_ != s_.midi.sound_font) {
        backends_->SetSoundFont(s_.midi.sound_font);
        device_->RenewBackend(MediaKind::Midi);
    }
    sound_font_ = s_.midi.sound_font;
    // The plug-ins are loaded again only when their folder changed.
    const std::string plugin_folder = s_.susie.path.empty() ? ctx_.program_folder : s_.susie.path;
    if (plugin_folder != images_folder_) {
        images_.Reload(plugin_folder);
        images_folder_ = plugin_folder;
    }
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
    if (archives_enabled_) {
        converters.archive_member = [this](const std::string& archive, MediaKind kind) {
            archives_->SetSettings(ArchiveSettingsNow());
            std::string path = archive;
            archives_->OpenForPlay(path, media::Code(kind), owner_, true, s_.main.rcp_preference != 0);
            archive_played_ = path == archive ? std::string() : archive;
            return path == archive ? std::string() : path;
        };
    }
    if (s_.rcpcv.used && !converters.rcp_to_smf) {
        converters.rcp_to_smf = [this](const std::string& song) {
            std::unique_ptr<playback::RcpConversionView> view;
            if (s_.rcpcv.dlg_view && ctx_.rcp_view) view = ctx_.rcp_view();
            std::string temp = ctx_.work_folder + s_.rcpcv.file;
            std::string folder = ctx_.program_folder.empty() ? folders::ProgramFolder() : ctx_.program_folder;
            return playback::ConvertRcp(folder + playback::kRcpcvLibraryFile, song, temp, view.get(), OwnerWindow())
                       ? temp
                       : std::string();
        };
    }
    controller_->SetConverters(std::move(converters));
    controller_->SetOptions(ControllerOptionsFrom(s_, ctx_.work_folder));
    sleep_.set_length(s_.timer.sleep);
    clocks_.Set(ClockTimers::kOn1, s_.timer.on_timer1);
    clocks_.Set(ClockTimers::kOff1, s_.timer.off_timer1);
    clocks_.Set(ClockTimers::kOn2, s_.timer.on_timer2);
    clocks_.Set(ClockTimers::kOff2, s_.timer.off_timer2);
    UpdateRotation(true);
    Notify([](CoreListener& l) { l.OnTimersChanged(); });
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
    s.timer.sleep = sleep_.length();
    s.timer.on_timer1 = clocks_.Get(ClockTimers::kOn1);
    s.timer.off_timer1 = clocks_.Get(ClockTimers::kOff1);
    s.timer.on_timer2 = clocks_.Get(ClockTimers::kOn2);
    s.timer.off_timer2 = clocks_.Get(ClockTimers::kOff2);
}

// --- lists -----------------------------------------------------------------------

std::string PlayerCore::ItemTitle(int item) const {
    if (item < 1 || item > files_.rows()) return {};
    const auto& it = files_.list().items[static_cast<std::size_t>(item - 1)];
    if (s_.main.file_name_only) return it.name;
    if (files_.catalog_mode() && !it.title.empty()) return it.title;
    media::TitleOptions o;
    o.accept_hidden = s_.main.hidden_file != 0;
    std::string path = files_.RowPath(item - 1);
    // The archive that plays shows its chosen member's title.
    if (archives_enabled_ && !archive_played_.empty() && path == archive_played_) {
        std::string member = path;
        if (archives_->OpenForPlay(member, media::Code(kind_), nullptr, false, false) && !member.empty())
            path = member;
    }
    media::MediaTitle t = media::ReadMediaTitle(path, o);
    std::string title = s_.main.spc_cut ? t.title2 : t.title;
    return title.empty() ? it.name : title;
}

void PlayerCore::SelectRow(int row) {
    if (kind_ == MediaKind::Cd) {
        SelectDiscRow(row);
        return;
    }
    list_->SetSelected(row);
    if (loading_.active) loading_.chosen = true;
    // Without an active item the current item follows the selection; an
    // item that opens in the background is as good as active.
    if (!controller_->item_active() && !controller_->opening()) {
        controller_->SetCurrentItem(row);
        Notify([row](CoreListener& l) { l.OnItemShown(row); });
    }
}

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

int PlayerCore::SortRows(int row) {
    const std::vector<int> moved = files_.SortByNameMapped();
    auto to_new = [&moved](int n) {
        return n >= 1 && n <= static_cast<int>(moved.size()) ? moved[static_cast<std::size_t>(n - 1)] + 1 : n;
    };
    // The item that plays or opens keeps its number in step with its row.
    controller_->RenumberItems(to_new);
    return to_new(row);
}

void PlayerCore::ToggleSort() {
    s_.main.sort = !s_.main.sort;
    if (!s_.main.sort || files_.catalog_mode()) return;
    const int row = SortRows(list_->Selected());
    list_->Reloaded(row);
    Notify([row](CoreListener& l) { l.OnListSorted(row); });
}

void PlayerCore::Reload(const std::string& named, bool in_place) {
    if (kind_ == MediaKind::Cd) {
        ReadDisc();
        return;
    }
    const auto& st = Current();
    media::FileAreaSettings fs;
    fs.kind = media::Code(kind_);
    fs.source = st.path;
    // "All types" takes in archives too when they play.
    fs.type_flags = st.sub_code ? st.sub_code : media::FileTypeFlags{0x081F};
    fs.archives = archives_enabled_;
    fs.hidden_files = s_.main.hidden_file != 0;
    fs.sub_folders = st.sub_folder;
    fs.title_display = s_.main.list_box_title != 0;
    media::FileAreaEnvironment env;
    env.catalog.drives = s_.drives;
    // The "image" picture of a folder: ".bmp", then what the decoders read.
    std::vector<std::string> pictures = images_.Extensions();
    env.catalog.picture_extensions.assign(pictures.begin() + 1, pictures.end());
    env.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };

    loader_.Cancel();
    Loading next;
    next.active = true;
    next.keep = st.item >= 1 && st.item <= files_.rows() ? files_.RowPath(st.item - 1) : "";
    next.item = st.item;
    next.named = named;
    next.play = loading_.play;  // a play asked for still applies to the new list
    loading_ = std::move(next);
    files_.Begin(fs);
    list_->Reloaded(0);
    Notify([](CoreListener& l) { l.OnListStarted(); });

    auto header = [this](media::ListHeader h) {
        files_.SetHeader(std::move(h));
        const int first = files_.rows() + 1;
        Notify([first](CoreListener& l) { l.OnRowsAdded(first, 0); });
    };
    if (in_place || !ctx_.background_lists || kind_ == MediaKind::Cd) {
        media::ListSink sink;
        sink.header = header;
        sink.rows = [this](std::vector<media::MediaItem>&& rows) {
            RowsCame(std::move(rows));
            return true;
        };
        sink.in_batches = false;
        std::unique_ptr<path::CaseResolver> resolver = files_.LendResolver();
        media::ReadList(fs, env, *resolver, sink);
        files_.ReturnResolver(std::move(resolver));
        ListEnded();
        return;
    }
    media::ListLoader::Handlers h;
    h.header = header;
    h.rows = [this](std::vector<media::MediaItem>&& rows) { RowsCame(std::move(rows)); };
    h.done = [this](std::unique_ptr<path::CaseResolver> resolver) {
        files_.ReturnResolver(std::move(resolver));
        ListEnded();
    };
    loader_.Start(std::move(fs), std::move(env), files_.LendResolver(), std::move(h));
}

void PlayerCore::MakeCurrent(int row) {
    list_->Select(row);
    list_->ShuffleSwapCurrent(row);
    // An item that plays or opens stays the current one.
    if (!controller_->item_active() && !controller_->opening()) {
        controller_->SetCurrentItem(row);
        Notify([row](CoreListener& l) { l.OnItemShown(row); });
    }
}

void PlayerCore::RowsCame(std::vector<media::MediaItem>&& rows) {
    if (rows.empty()) return;
    const int first = files_.rows() + 1;
    const int count = static_cast<int>(rows.size());
    files_.Append(std::move(rows));
    list_->RowsAdded();
    Notify([first, count](CoreListener& l) { l.OnRowsAdded(first, count); });
    // The row to select, as soon as it is there: the named file, else the
    // item that was current; until then the first row, so that the play
    // commands have an item.
    if (!loading_.chosen) {
        const std::string& wanted = loading_.named.empty() ? loading_.keep : loading_.named;
        for (int row = first; !wanted.empty() && row < first + count; ++row) {
            if (files_.RowPath(row - 1) != wanted) continue;
            loading_.chosen = true;
            MakeCurrent(row);
            break;
        }
        if (!loading_.chosen && list_->Selected() == 0) {
            list_->SetSelected(1);
            if (!controller_->item_active() && !controller_->opening()) controller_->SetCurrentItem(1);
        }
    }
    if (loading_.play && loading_.chosen && !loading_.named.empty()) {
        loading_.play = false;
        PostPlay();
    }
}

void PlayerCore::ListEnded() {
    loading_.active = false;
    int selected = list_->Selected();
    if (s_.main.sort && !files_.catalog_mode() && files_.rows() > 1) {
        selected = SortRows(selected);
        Notify([selected](CoreListener& l) { l.OnListSorted(selected); });
    }
    if (!loading_.chosen) selected = loading_.item;
    if (selected < 1 || selected > files_.rows()) selected = files_.rows() ? 1 : 0;
    list_->Reloaded(selected);
    Notify([selected](CoreListener& l) { l.OnListLoaded(selected); });
    if (!controller_->item_active() && !controller_->opening()) controller_->SetCurrentItem(selected);
    if (loading_.play) {
        // A list that ended empty plays nothing, as an open that found nothing.
        loading_.play = false;
        if (files_.rows() > 0) PostPlay();
    }
}

void PlayerCore::SwitchKind(MediaKind kind, bool save_old, bool reload) {
    if (save_old) {
        Current().mode = controller_->Mode(kind_);
        Current().item = controller_->current_item();
    }
    kind_ = kind;
    controller_->SetList(ListOf(kind));
    controller_->SetMode(kind, Current().mode);
    files_.list().kind = kind;
    Notify([kind](CoreListener& l) { l.OnKindChanged(kind); });
    ModeChanged();
    if (reload) ReloadList();
}

int PlayerCore::OpenPath(const std::string& path, bool in_place) {
    OpenContext c;
    c.current_kind = media::Code(kind_);
    c.hidden_files = s_.main.hidden_file != 0;
    c.drop_media_check = s_.main.drop_media_check != 0;
    c.current_flags = Current().sub_code;
    if (c.current_flags == 0) c.current_flags = 0x001F;
    c.win_media_type = [](const std::string& p) { return files::WinMediaType(p); };
    c.archives = archives_enabled_;
    c.archive_drop = s_.archive.drop;
    OpenPlan plan = PlanOpenPath(path, c);
    if (!plan.usable) return -1;
    if (plan.kind == media::Code(MediaKind::Cd)) return OpenCdPlan(plan);

    controller_->RunCommand(PlayCommand::Stop, false);
    if (plan.kind != media::Code(kind_)) SwitchKind(static_cast<MediaKind>(plan.kind), true, false);
    auto& st = Current();
    st.path = plan.source;
    st.sub_code = plan.type_flags;
    st.item = 0;
    Reload(plan.named_file, in_place);
    return loading_.active || files_.rows() > 0 ? 1 : -1;
}

void PlayerCore::PostPlay() {
    if (loading_.active && !(loading_.chosen && !loading_.named.empty())) {
        loading_.play = true;
        return;
    }
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

    for (int id = cmd::kSleep90; id <= cmd::kSleep10; ++id) {
        router.Register(id, {[this, seconds = kSleepLengths[id - cmd::kSleep90]] {
            SetSleepLength(seconds);
            SleepOff();
            SleepOn();
        }});
    }
    router.Register(cmd::kSleepOn, {[this] { SleepOn(); }, {}, {}, [this] {
                                        return FormatMenuText(cmd::kSleepOn, {sleep_.length() / 60});
                                    }});
    router.Register(cmd::kSleepOff, {[this] { SleepOff(); }});
    const std::pair<int, ClockTimers::Which> timers[] = {{cmd::kOnTimer1, ClockTimers::kOn1},
                                                         {cmd::kOffTimer1, ClockTimers::kOff1},
                                                         {cmd::kOnTimer2, ClockTimers::kOn2},
                                                         {cmd::kOffTimer2, ClockTimers::kOff2}};
    for (auto [id, which] : timers) {
        router.Register(id, {[this, which] {
                                 clocks_.Toggle(which);
                                 Notify([](CoreListener& l) { l.OnTimersChanged(); });
                             },
                             {},
                             [this, which] { return clocks_.Get(which).enabled != 0; },
                             [this, id, which] {
                                 const auto& t = clocks_.Get(which);
                                 return FormatMenuText(id, {t.hour, t.minute});
                             }});
    }
    router.Register(cmd::kSort, {[this] { ToggleSort(); }, {}, [this] { return s_.main.sort != 0; }});
    router.Register(cmd::kSpaceCut, {[this] { s_.main.spc_cut = !s_.main.spc_cut; }, {},
                                     [this] { return s_.main.spc_cut != 0; }});
    router.Register(cmd::kPanelBackToItem, {[this] { ShowCurrentItem(); }});
}

// --- ControllerHost -------------------------------------------------------------

void PlayerCore::OnStateChanged(playback::PlayState state, MediaKind kind) {
    Notify([&](CoreListener& l) { l.OnStateChanged(state, kind); });
}

void PlayerCore::OnListEmpty(MediaKind kind) {
    Notify([&](CoreListener& l) { l.OnListEmpty(kind); });
}

void PlayerCore::OnItemShown(int item) {
    Notify([&](CoreListener& l) { l.OnItemShown(item); });
}

void PlayerCore::OnItemStarted(const playback::ItemDisplay& item) {
    Notify([&](CoreListener& l) { l.OnItemStarted(item); });
}

void PlayerCore::OnItemStopped() {
    Notify([](CoreListener& l) { l.OnItemStopped(); });
}

void PlayerCore::OnPosition(std::uint16_t position) {
    Notify([&](CoreListener& l) { l.OnPosition(position); });
}

void PlayerCore::OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) {
    Notify([&](CoreListener& l) { l.OnSectionChanged(a, b); });
}

void PlayerCore::OnAbWait(bool on, int seconds_left) {
    Notify([&](CoreListener& l) { l.OnAbWait(on, seconds_left); });
}

void PlayerCore::OnStatus(std::string_view text) {
    Notify([&](CoreListener& l) { l.OnStatus(text); });
}

void PlayerCore::OnWrdTick(std::uint32_t position) {
    Notify([&](CoreListener& l) { l.OnWrdTick(position); });
}

void PlayerCore::OnClockDuties(unsigned flags) {
    const int now = ctx_.time_of_day();
    if (flags & playback::kEvery500) OnHalfSecond(now);
    if (flags & playback::kEvery2000) OnTwoSeconds(now);
    if ((flags & playback::kCdInsert) && s_.cd.insert_check) CheckDiscInserted();
    Notify([&](CoreListener& l) { l.OnClockDuties(flags, now); });
}

// --- timers ------------------------------------------------------------------------

void PlayerCore::SetSleepLength(int seconds) {
    sleep_.set_length(seconds);
    Notify([](CoreListener& l) { l.OnTimersChanged(); });
}

void PlayerCore::SleepOn() {
    if (sleep_.on()) return;
    sleep_.On(ctx_.time_of_day());
    const int length = sleep_.length();
    Notify([length](CoreListener& l) { l.OnSleep(true, length); });
}

void PlayerCore::SleepOff() {
    sleep_.Off();
    Notify([](CoreListener& l) { l.OnSleep(false, 0); });
}

void PlayerCore::OnHalfSecond(int now) {
    if (!sleep_.on()) return;
    const SleepTimer::Tick t = sleep_.Check(now);
    if (t.fired) {
        if (controller_->item_active()) controller_->RunCommand(PlayCommand::Stop, false);
        Notify([](CoreListener& l) { l.OnSleep(false, 0); });
        if (s_.timer.sleep_off != -1) {
            controller_->StopClock();
            const int mode = s_.timer.sleep_off;
            Notify([mode](CoreListener& l) { l.OnSessionEndRequested(mode); });
        }
    } else if (t.remaining >= 0) {
        const int left = t.remaining;
        Notify([left](CoreListener& l) { l.OnSleep(true, left); });
    }
}

void PlayerCore::OnTwoSeconds(int now) {
    switch (clocks_.Check(now)) {
        case ClockTimers::Fired::On: FireOnTimer(); break;
        case ClockTimers::Fired::Off:
            SleepOff();
            controller_->RunCommand(PlayCommand::Stop, false);
            break;
        case ClockTimers::Fired::None: break;
    }
}

void PlayerCore::FireOnTimer() {
    SleepOff();
    controller_->RunCommand(PlayCommand::Stop, false);
    if (s_.timer.file.flag && !s_.timer.file.path.empty()) OpenPath(s_.timer.file.path);
    PostPlay();
}

}  // namespace nuko::app
