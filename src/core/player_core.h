// The player without its windows: the back ends, the media device, the list
// of the current kind, the play controller, the per-kind state, the sleep and
// clock timers and the reading of the settings that drive them. It is plain
// C++; the dispatcher, the clock and the time of day are given to it, so that
// tests run it without a window and without waiting.
//
// Windows and panels learn what happens through CoreListener and ask for
// things through the core's calls or the command router.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/timers.h"
#include "core/path_opener.h"
#include "settings/settings.h"
#include "cd/cd_drives.h"
#include "cd/cd_title_db.h"
#include "cd/cd_track_list.h"
#include "library/archive_file.h"
#include "library/file_area_model.h"
#include "library/image_plugins.h"
#include "library/list_loader.h"
#include "nuko/clock.h"
#include "nuko/dispatch.h"
#include "playback/backend_factory.h"
#include "playback/cd_play_list.h"
#include "playback/file_play_list.h"
#include "playback/media_device.h"
#include "playback/play_controller.h"
#include "playback/rcp_conversion.h"

namespace nuko::settings {
class SettingsStore;
}

namespace nuko::app {

class CommandRouter;
class PlayerCore;

// What the core tells its windows and panels. A listener unsubscribes itself
// when it is destroyed, so it may go before the core.
class CoreListener {
public:
    CoreListener() = default;
    CoreListener(const CoreListener&) = delete;
    CoreListener& operator=(const CoreListener&) = delete;
    virtual ~CoreListener();

    // Of the play controller.
    virtual void OnStateChanged(playback::PlayState, media::MediaKind) {}
    virtual void OnListEmpty(media::MediaKind) {}
    // The current item changed while nothing plays (title, item number).
    virtual void OnItemShown(int /*item*/) {}
    virtual void OnItemStarted(const playback::ItemDisplay&) {}
    virtual void OnItemStopped() {}
    virtual void OnPosition(std::uint16_t) {}
    virtual void OnSectionChanged(std::optional<std::uint32_t>, std::optional<std::uint32_t>) {}
    virtual void OnAbWait(bool /*on*/, int /*seconds_left*/) {}
    virtual void OnStatus(std::string_view) {}
    // The playback clock's duty flags, after the core's own timers ran;
    // `time_of_day` in seconds of the local day.
    virtual void OnClockDuties(unsigned /*flags*/, int /*time_of_day*/) {}
    // The song position for the MIDI-Word screen, in sixteenth notes; sent
    // on the clock while a MIDI song plays and the screen is open.
    virtual void OnWrdTick(std::uint32_t /*position*/) {}

    // Of the core.
    virtual void OnKindChanged(media::MediaKind) {}
    virtual void OnModeChanged(const playback::PlayMode&) {}
    // A new list of the kind begins, without rows yet.
    virtual void OnListStarted() {}
    // Rows first .. first + count - 1 (1-based) came at the end of the list
    // being read; count 0 when only its titles came (a catalog's).
    virtual void OnRowsAdded(int /*first*/, int /*count*/) {}
    // The list of the kind was read to its end; `selected` is its current row.
    virtual void OnListLoaded(int /*selected*/) {}
    // The list was sorted in place.
    virtual void OnListSorted(int /*selected*/) {}
    // The play list moved the selection to a row.
    virtual void OnRowSelected(int /*row*/) {}
    // The sleep timer: on with the seconds left, or off.
    virtual void OnSleep(bool /*on*/, int /*seconds_left*/) {}
    // Sleep and clock timer values or switches changed (menu texts).
    virtual void OnTimersChanged() {}
    // The sleep timer ran out with an end of the session chosen (the
    // `SleepOff` setting's mode).
    virtual void OnSessionEndRequested(int /*mode*/) {}

    // Of the CD kind: the drive list, the chosen drive, its disc or the
    // status text changed (the CD panel reads them from the core).
    virtual void OnDiscChanged() {}
    // The CD list moved its selection to a row.
    virtual void OnDiscRowSelected(int /*row*/) {}

private:
    friend class PlayerCore;
    PlayerCore* core_ = nullptr;
};

// What the core is given.
struct CoreContext {
    settings::Settings* settings = nullptr;
    settings::SettingsStore* store = nullptr;
    std::string work_folder;
    std::string program_folder;
    Dispatcher* dispatcher = nullptr;
    const Clock* clock = nullptr;
    // Seconds of the local day (tests fix it); unset: the local clock.
    std::function<int()> time_of_day;
    // Back ends: real ones unless a test gives its own.
    playback::BackendFactory* backends = nullptr;
    // The movie frame the device opens a movie in, under the owner window
    // (SetOwnerWindow); unset: movies play without a picture window.
    playback::MovieWindowFactory movie_window;
    // Lists are read on a worker thread and fill in as their rows come (the
    // player's window); else in place, before the call returns.
    bool background_lists = false;
    // The outside converters a MIDI item goes through before it plays.
    playback::ItemConverters converters;
    // The window an RCP conversion shows when "Tool\Rcpcv" "DlgView" is
    // on; unset: conversions run without one.
    std::function<std::unique_ptr<playback::RcpConversionView>()> rcp_view;
    // What an archive extraction shows (progress window, overwrite
    // question); unset: nothing, existing files are kept when asking is on.
    media::ArchiveUi* archive_ui = nullptr;
    // Whether archives play; unset: whether liblhasa can be used.
    std::optional<bool> archives_enabled;
    // The machine's CD drives (device paths); unset: those libcdio finds.
    std::function<std::vector<std::string>()> cd_drive_list;
};

class PlayerCore final : public playback::ControllerHost {
public:
    explicit PlayerCore(CoreContext context);
    ~PlayerCore() override;

    void Subscribe(CoreListener& listener);
    void Unsubscribe(CoreListener& listener);
    // The play, mode, section, kind and timer commands.
    void RegisterCommands(CommandRouter& router);

    // Stopped, on the stored kind, clock running.
    void Start();
    // The frame's timer.
    void Tick() { controller_->Tick(); }
    // Stops the clock and the play (the exit path); idempotent.
    void Stop();

    // The kinds, modes and timers from the settings, and back.
    void ApplySettings();
    void StoreSettings(settings::Settings& s);

    // Opens a path given from outside: -1 nothing usable, 0 a CD drive or
    // track chosen, 1 a list loaded with items. A list read in the
    // background counts as having items until it ends empty; `in_place`
    // reads it before answering.
    int OpenPath(const std::string& path, bool in_place = false);
    // Starts playing once the event loop comes back; while a list is read,
    // once the named item's row has come or the list has ended with rows.
    void PostPlay();
    // Switches the media kind: the old kind's state is kept, the new one's
    // restored, and the list loaded again.
    void SwitchKind(media::MediaKind kind, bool save_old, bool reload);
    void ReloadList() override { Reload({}, false); }
    // A list is being read in the background.
    bool list_loading() const { return loading_.active; }
    // The user selected a row of the list (1-based; 0 none).
    void SelectRow(int row);
    // The user sorted the list by name (the "Sort" switch).
    void ToggleSort();
    // Back to the current item in the list.
    void ShowCurrentItem();
    // The user moved the time slider (a position in the device's unit).
    void SeekTo(int position);
    // The frame-step buttons of a paused movie.
    void StepFrames(int frames, bool backwards);
    // The title shown for a row: the catalog's, the file's own or its name.
    std::string ItemTitle(int item) const;

    // --- the CD kind (player_core_cd.cpp) ---
    // The drives: the machine's CD drives with their letters, then the
    // disc images opened as drives.
    void ScanDrives();
    const std::vector<cd::CdDrive>& cd_drives() const { return cd_drives_; }
    int cd_drive() const { return cd_drive_; }
    // Switches to drive `index`. While a CD plays the user is asked
    // (string 136) first; false when the answer was Cancel or the index is
    // no drive.
    bool ChooseDrive(int index);
    // The disc in the chosen drive: the title database's record, the rows
    // the panel shows, the status text id (0, or 137/140 when the disc
    // cannot be used).
    const media::MediaList& cd_record() const { return cd_record_; }
    const cd::CdTrackList& cd_tracks() const { return cd_list_->tracks(); }
    int cd_status() const { return cd_status_; }
    const cd::DiscToc& cd_toc() const { return cd_toc_; }
    cd::CdTitleDatabase& cd_titles() { return *cd_db_; }
    // The CD panel's selection (1-based row).
    void SelectDiscRow(int row);
    int selected_disc_row() const { return cd_list_->Selected(); }
    // Takes the title dialog's record when it still belongs to the disc:
    // the rows are rebuilt, the selected track kept, the shuffle order
    // reset. False when the disc changed meanwhile.
    bool ApplyEditedRecord(const media::MediaList& record);
    // Reads the disc in the chosen drive again.
    void ReadDisc();
    // The insert check (Cd/InsertTime): a disc that came into the chosen
    // drive (with Cd/InsertMulti into any drive) is read, the CD kind
    // taking over while nothing plays, and played with Cd/InsertStart.
    void CheckDiscInserted();
    // The drives taking part in multi-CD play (Cd/Multi, Cd/MultiCdSel):
    // CD drives, not images, in drive order.
    std::vector<int> MultiCdDrives() const;
    // Cd/Multi from the CD panel's mode button.
    void SetMultiCd(bool on);

    void SetSleepLength(int seconds);
    void SleepOn();
    void SleepOff();

    media::MediaKind kind() const { return kind_; }
    // The folder or catalog the current kind's list comes from.
    const std::string& source() const { return kinds_[static_cast<std::size_t>(kind_)].path; }
    bool is_stopped() const { return controller_->state() == playback::PlayState::Stopped; }
    playback::PlayController& controller() { return *controller_; }
    const playback::PlayController& controller() const { return *controller_; }
    playback::MediaDevice& device() { return *device_; }
    const media::FileAreaModel& files() const { return files_; }
    // The image plug-ins of the plug-in folder (Tool\Susie Path).
    const media::ImagePlugins& image_plugins() const { return images_; }
    int selected_row() const { return list_->Selected(); }
    const SleepTimer& sleep_timer() const { return sleep_; }
    const ClockTimers& clock_timers() const { return clocks_; }
    settings::Settings& settings() { return s_; }
    const CoreContext& context() const { return ctx_; }
    // The window that owns the core's dialogs.
    void SetOwnerWindow(void* window) { owner_ = window; }
    // The MIDI-Word screen runs a script: the clock sends it the position.
    void SetWrdScreenOpen(bool open) { wrd_open_ = open; }
    // Archives are listed in folder scans and played.
    bool archives_enabled() const { return archives_enabled_; }

    // ControllerHost: each event goes on to the listeners; the clock duties
    // run the sleep and clock timers first.
    void OnStateChanged(playback::PlayState state, media::MediaKind kind) override;
    void OnListEmpty(media::MediaKind kind) override;
    void OnItemShown(int item) override;
    void OnItemStarted(const playback::ItemDisplay& item) override;
    void OnItemStopped() override;
    void OnPosition(std::uint16_t position) override;
    void OnSectionChanged(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b) override;
    void OnAbWait(bool on, int seconds_left) override;
    void OnClockDuties(unsigned flags) override;
    void OnStatus(std::string_view text) override;
    void OnWrdTick(std::uint32_t position) override;
    bool WrdScreenOpen() const override { return wrd_open_; }
    void* OwnerWindow() override { return owner_; }

    // What an archive extraction of the player uses now (work folder,
    // progress window, overwriting).
    media::ArchiveSettings ArchiveSettingsNow() const;

private:
    struct KindState {
        playback::PlayMode mode;
        media::FileTypeFlags sub_code = 0;
        int item = 0;
        std::string path;
        bool sub_folder = false;
    };

    // A list on its way in: what to select once its rows come.
    struct Loading {
        bool active = false;
        std::string keep;   // the path of the current item before the reload
        int item = 0;       // the stored current item, when `keep` does not come
        std::string named;  // the file an open named
        bool chosen = false;  // the row to select has come, or the user chose one
        bool play = false;    // a play asked for before the rows were there
    };

    KindState& Current() { return kinds_[static_cast<std::size_t>(kind_)]; }
    // The list the controller plays for a kind.
    playback::PlayList* ListOf(media::MediaKind kind);
    // Opens a plan of the CD kind: -1 nothing usable, 0 a drive or track
    // chosen, 1 a disc image opened.
    int OpenCdPlan(const OpenPlan& plan);
    // Multi-CD play is on while Cd/Multi is set and a CD drive is in use.
    void UpdateRotation(bool settings_changed);
    bool LoadRotationDrive(int index);
    // The drive entry of a disc image, added when new.
    int ImageDrive(const std::string& image);
    void Reload(const std::string& named, bool in_place);
    void RowsCame(std::vector<media::MediaItem>&& rows);
    void ListEnded();
    void MakeCurrent(int row);
    // Sorts the rows by name; the new number of `row`.
    int SortRows(int row);
    void ModeChanged();
    void OnHalfSecond(int now);
    void OnTwoSeconds(int now);
    void FireOnTimer();
    template <typename F>
    void Notify(F&& f);

    CoreContext ctx_;
    settings::Settings& s_;
    void* owner_ = nullptr;
    bool wrd_open_ = false;
    std::unique_ptr<playback::BackendFactory> own_backends_;
    playback::BackendFactory* backends_ = nullptr;  // own_backends_ or the context's
    std::optional<std::string> sound_font_;          // the font the back ends were given
    std::unique_ptr<playback::MediaDevice> device_;
    media::FileAreaModel files_;
    media::ImagePlugins images_;
    std::string images_folder_;  // the folder images_ came from
    std::unique_ptr<playback::FilePlayList> list_;
    // The CD kind.
    std::unique_ptr<cd::RegistrationIndex> own_index_;  // without a settings store
    std::unique_ptr<cd::CdTitleDatabase> cd_db_;
    std::vector<cd::CdDrive> cd_drives_;
    int cd_drive_ = -1;
    media::MediaList cd_record_;
    cd::DiscToc cd_toc_;
    int cd_status_ = 0;
    bool cd_disc_present_ = false;
    std::unique_ptr<playback::CdPlayList> cd_list_;
    // The disc id (empty: none) the insert check last saw in each drive.
    std::map<std::string, std::string> seen_discs_;
    std::unique_ptr<playback::PlayController> controller_;
    // Archive rows play their chosen member; the extracted files go with it.
    std::unique_ptr<media::CArchiveFile> archives_;
    bool archives_enabled_ = false;
    std::string archive_played_;  // the archive whose member was extracted last
    std::vector<CoreListener*> listeners_;
    // Posted calls check it: the core may be gone when they run.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    media::MediaKind kind_ = media::MediaKind::Midi;
    std::array<KindState, media::kKindCount> kinds_{};
    SleepTimer sleep_;
    ClockTimers clocks_;
    bool stopped_for_exit_ = false;
    Loading loading_;
    // Last: it goes first, waiting for its thread, before what its
    // handlers reach.
    media::ListLoader loader_;
};

template <typename F>
void PlayerCore::Notify(F&& f) {
    // Copied: a listener may unsubscribe (or another) while it is told.
    const std::vector<CoreListener*> now = listeners_;
    for (CoreListener* l : now)
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) f(*l);
}

}  // namespace nuko::app
