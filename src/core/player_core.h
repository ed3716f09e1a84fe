// The player without its windows. The core owns the back ends, the media
// device, the play controller and the state of each media kind (mode,
// source, current item), hands the controller the list of the kind in use
// and tells its listeners what happens. Its functions live by part:
//
//   player_core.cpp    start and stop, the settings, opening a path,
//                      switching kinds, the commands, the controller's host
//   list_session.cpp   the file kinds' list (ListSession): reading it in the
//                      background or in place, what to select as rows come,
//                      sorting, row titles, the archives whose members play
//   cd_session.cpp     the CD kind (CdSession): the drives, the disc in the
//                      chosen one and its record, multi-CD play, the insert
//                      check
//   timer_session.cpp  the sleep timer and the four clock timers
//                      (TimerSession), run on the clock's duties
//
// It is plain C++; the dispatcher, the clock and the time of day are given
// to it (CoreContext), so that tests run it without a window and without
// waiting. Everything runs on the dispatcher's thread; a list read in the
// background comes back through it. Windows and panels learn what happens
// through CoreListener and ask for things through the core's calls or the
// command router.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/core_context.h"
#include "core/core_listener.h"
#include "core/path_opener.h"
#include "library/media_kinds.h"
#include "playback/play_controller.h"

namespace nuko::cd {
class CdTitleDatabase;
class CdTrackList;
struct CdDrive;
struct DiscToc;
}  // namespace nuko::cd

namespace nuko::media {
class FileAreaModel;
class ImagePlugins;
struct ArchiveSettings;
struct MediaItem;
struct MediaList;
}  // namespace nuko::media

namespace nuko::app {

class ClockTimers;
class LevelSession;
class CommandRouter;
class SleepTimer;
struct CdSession;
struct ListSession;
struct TimerSession;

// Whether the disc in the chosen drive can be used.
enum class CdStatus {
    Ready,     // a disc that plays, or no drive at all
    InUse,     // the drive is empty or busy
    Unusable,  // a disc image that cannot be read
};

class PlayerCore final : public playback::PlayEventsRelay<playback::ControllerHost> {
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

    // The kinds, modes, timers and back ends from the core's settings: at
    // the start, and after the settings were changed in place.
    void ApplySettings();
    // The settings change from `old` to `next` (the options sheet; `old` may
    // be the core's own): the core's settings take `next`, the above
    // follows, and the list is read again when what it shows changed.
    void ApplySettings(const settings::Settings& old, const settings::Settings& next);
    // The kinds, modes and timers back into the settings.
    void StoreSettings(settings::Settings& s);

    // Opens a path given from outside. A list read in the background counts
    // as having items until it ends empty; `in_place` reads it before
    // answering.
    OpenResult OpenPath(const std::string& path, bool in_place = false);
    // Starts playing once the event loop comes back; while a list is read,
    // once the named item's row has come or the list has ended with rows.
    void PostPlay();
    // Switches the media kind: the old kind's state is kept, the new one's
    // restored, and the list loaded again.
    void SwitchKind(media::MediaKind kind, bool save_old, bool reload);
    void ReloadList() override { Reload({}, false); }
    // Back to the current item in the list.
    void ShowCurrentItem();
    // The user moved the time slider (a position in the device's unit).
    void SeekTo(int position);
    // The frame-step buttons of a paused movie.
    void StepFrames(int frames, bool backwards);

    media::MediaKind kind() const { return kind_; }
    // The folder or catalog the current kind's list comes from.
    const std::string& source() const { return kinds_[static_cast<std::size_t>(kind_)].path; }
    bool is_stopped() const { return controller_->state() == playback::PlayState::Stopped; }
    playback::PlayController& controller() { return *controller_; }
    const playback::PlayController& controller() const { return *controller_; }
    playback::MediaDevice& device() { return *device_; }
    settings::Settings& settings() { return s_; }
    const CoreContext& context() const { return ctx_; }
    // The window that owns the core's dialogs (the main window).
    void SetOwnerWindow(OwnerWindow window) { owner_ = window; }
    // The MIDI-Word screen runs a script: the clock sends it the position.
    void SetWrdScreenOpen(bool open) { wrd_open_ = open; }

    // --- the file kinds' list (list_session.cpp) ---
    const media::FileAreaModel& files() const;
    int selected_row() const;
    // A list is being read in the background.
    bool list_loading() const;
    // The user selected a row of the list (1-based; 0 none).
    void SelectRow(int row);
    // The user sorted the list by name (the "Sort" switch).
    void ToggleSort();
    // The title shown for a row: the catalog's, the file's own or its name.
    std::string ItemTitle(int item) const;
    // The image plug-ins of the plug-in folder (Tool\Susie Path).
    const media::ImagePlugins& image_plugins() const;
    // Archives are listed in folder scans and played.
    bool archives_enabled() const;
    // What an archive extraction of the player uses now (work folder,
    // progress window, overwriting).
    media::ArchiveSettings ArchiveSettingsNow() const;

    // --- the CD kind (cd_session.cpp) ---
    // The drives: the machine's CD drives with their letters, then the
    // disc images opened as drives.
    void ScanDrives();
    const std::vector<cd::CdDrive>& cd_drives() const;
    int cd_drive() const;
    // Switches to drive `index`. While a CD plays the user is asked
    // (string 136) first; false when the answer was Cancel or the index is
    // no drive.
    bool ChooseDrive(int index);
    // The disc in the chosen drive: the title database's record, the rows
    // the panel shows, and whether it can be used.
    const media::MediaList& cd_record() const;
    const cd::CdTrackList& cd_tracks() const;
    CdStatus cd_status() const;
    const cd::DiscToc& cd_toc() const;
    cd::CdTitleDatabase& cd_titles();
    // The CD panel's selection (1-based row).
    void SelectDiscRow(int row);
    int selected_disc_row() const;
    // Takes the title dialog's record when it still belongs to the disc:
    // the rows are rebuilt, the selected track kept, the shuffle order
    // reset. False when the disc changed meanwhile.
    bool ApplyEditedRecord(const media::MediaList& record);
    // Reads the disc in the chosen drive again.
    void ReadDisc();
    // The insert check (Cd/InsertTime): a disc that came into the chosen
    // drive (with Cd/InsertMulti into any drive) is read, the CD kind
    // taking over while nothing plays, and played with Cd/InsertStart. The
    // drives are opened on a thread of their own and the answer is taken
    // once the dispatcher brings it; a check while one runs is skipped.
    void CheckDiscInserted();
    // An insert check waits for its answer.
    bool disc_check_running() const;
    // The drives taking part in multi-CD play (Cd/Multi, Cd/MultiCdSel):
    // CD drives, not images, in drive order.
    std::vector<int> MultiCdDrives() const;
    // Cd/Multi from the CD panel's mode button.
    void SetMultiCd(bool on);

    // --- the sleep and clock timers (timer_session.cpp) ---
    void SetSleepLength(int seconds);
    void SleepOn();
    void SleepOff();
    const SleepTimer& sleep_timer() const;
    const ClockTimers& clock_timers() const;

    // ControllerHost: the play controller's events go on to the listeners
    // (PlayEventsRelay); the clock duties run the sleep and clock timers
    // first.
    void OnClockDuties(unsigned flags) override;
    // After an item started, and on the clock while it plays, what the MIDI
    // back end has to say about the song goes to the status line and to
    // standard error, each notice once.
    void OnItemStarted(const playback::ItemDisplay& item) override;
    bool WrdScreenOpen() const override { return wrd_open_; }
    OwnerWindow owner_window() override { return owner_; }

private:
    struct KindState {
        playback::PlayMode mode;
        media::FileTypeFlags sub_code = 0;
        int item = 0;
        std::string path;
        bool sub_folder = false;
    };

    KindState& Current() { return kinds_[static_cast<std::size_t>(kind_)]; }
    // The list the controller plays for a kind.
    playback::PlayList* ListOf(media::MediaKind kind);
    void ModeChanged();
    void TellSongNotices();
    void Tell(const std::function<void(playback::PlayEvents&)>& event) override;
    template <typename F>
    void Notify(F&& f);

    // list_session.cpp
    void MakeListSession();
    void ApplyListSettings(playback::ItemConverters& converters);
    void Reload(const std::string& named, bool in_place);
    void RowsCame(std::vector<media::MediaItem>&& rows);
    void ListEnded();
    void MakeCurrent(int row);
    // Sorts the rows by name; the new number of `row`.
    int SortRows(int row);
    // A play asked for while a list is read waits for its row; true when it
    // was held.
    bool HoldPlay();
    // A file list still on its way goes, and a play it held back with it.
    void DropListLoad();

    // cd_session.cpp
    void MakeCdSession();
    // Opens a plan of the CD kind.
    OpenResult OpenCdPlan(const OpenPlan& plan);
    // Multi-CD play is on while Cd/Multi is set and a CD drive is in use.
    void UpdateRotation(bool settings_changed);
    bool LoadRotationDrive(int index);
    // The insert check's answer: the disc ids found in `devices`.
    void TakeDiscIds(const std::vector<std::string>& devices, const std::vector<std::string>& ids);
    // The drive entry of a disc image, added when new.
    int ImageDrive(const std::string& image);

    // timer_session.cpp
    void ApplyTimerSettings();
    void StoreTimerSettings(settings::Settings& s) const;
    void RegisterTimerCommands(CommandRouter& router);
    void OnHalfSecond(int now);
    void OnTwoSeconds(int now);
    void FireOnTimer();

    CoreContext ctx_;
    settings::Settings& s_;
    OwnerWindow owner_;
    bool wrd_open_ = false;
    std::unique_ptr<playback::BackendFactory> own_backends_;
    playback::BackendFactory* backends_ = nullptr;  // own_backends_ or the context's
    std::optional<playback::MidiSynthOptions> synth_options_;  // what the back ends were given
    // Before the device, whose level hook asks it.
    std::unique_ptr<LevelSession> level_;
    std::unique_ptr<playback::MediaDevice> device_;
    // The parts' state; the lists outlive the controller that plays them.
    std::unique_ptr<ListSession> lists_;
    std::unique_ptr<CdSession> cd_;
    std::unique_ptr<TimerSession> timers_;
    std::unique_ptr<playback::PlayController> controller_;
    std::vector<CoreListener*> listeners_;
    // Posted calls check it: the core may be gone when they run.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    media::MediaKind kind_ = media::MediaKind::Midi;
    std::array<KindState, media::kKindCount> kinds_{};
    bool stopped_for_exit_ = false;
};

template <typename F>
void PlayerCore::Notify(F&& f) {
    // Copied: a listener may unsubscribe (or another) while it is told.
    const std::vector<CoreListener*> now = listeners_;
    for (CoreListener* l : now)
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) f(*l);
}

}  // namespace nuko::app
