// The play controller: turns the commands Previous, Play, Next, Stop, Pause
// and Eject into device operations on the current item of the list in use,
// chooses what plays next by the play mode, and runs intro play, the A-B
// section and the playback clock. Plain C++: the main frame owns it, feeds
// it the commands, the device's completion notices and the clock ticks, and
// shows what it reports through ControllerHost.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "media_device.h"
#include "nuko/clock.h"
#include "nuko/dispatch.h"
#include "nuko/owner_window.h"
#include "item_converters.h"
#include "play_events.h"
#include "play_list.h"
#include "playback_clock.h"

namespace nuko::playback {

enum class PlayCommand : int { Previous = 0, Play = 1, Next = 2, Stop = 3, Pause = 4, Eject = 5 };

// What the controller tells the main frame and its panels (PlayEvents) and
// asks of them.
class ControllerHost : public PlayEvents {
public:
    // Flags of the playback clock for the frame's own duties (sleep and clock
    // timers, icon animation, CD panel refresh).
    virtual void OnClockDuties(unsigned flags) { (void)flags; }
    virtual bool WrdScreenOpen() const { return false; }
    // The window that owns the item's dialogs (conversions, questions).
    virtual OwnerWindow owner_window() { return {}; }
    // Eject asks for the current kind's list to be loaded again.
    virtual void ReloadList() {}
    // Plays a MIDI initialisation file to its end before the item; the
    // default plays it on the device and waits.
    virtual void PlayInitFile(MediaDevice& device, const std::string& path);
};

// The settings the controller reads.
struct ControllerOptions {
    bool rew_prev = true;         // Main/RewPrev
    int rew_prev_time = 0;        // Main/RewPrevTime, seconds
    int intro_time = 10;          // Main/IntoTime, seconds
    int ab_pause_ms = 0;          // Main/AtoBPauseTime
    int interval_ms = 40;         // Main/Interval
    bool hidden_files = false;    // Main/HiddenFile
    int cd_read_ms = 150;         // Cd/ReadTime
    int cd_insert_ms = 3000;      // Cd/InsertTime
    bool cd_insert_check = false;
    bool cd_insert_start = false;
    std::string work_folder;      // ends in "/"
    // Preparing MIDI items.
    bool mac_cut = true;          // Tool\MacCut/Used
    std::string mac_cut_file = "$Nu-kop_MacCut$.mid";
    std::string midi_init;        // Main/MidiInit when its flag is on
    std::string midi_smfk;        // Main/MidiSmfk when its flag is on
    std::string midi_port;        // Midi/Port
    std::string mp3_file = "$Nu-kop_Mp3$.wav";  // Mp3/File (its base name is used)
};

class PlayController {
public:
    PlayController(MediaDevice& device, ControllerHost& host, Dispatcher& dispatcher, const Clock& clock);
    ~PlayController();
    PlayController(const PlayController&) = delete;
    PlayController& operator=(const PlayController&) = delete;

    void SetOptions(const ControllerOptions& options);
    const ControllerOptions& options() const { return options_; }
    void SetConverters(ItemConverters converters) { converters_ = std::move(converters); }
    // The list in use; the controller does not own it.
    void SetList(PlayList* list) { list_ = list; }
    PlayList* list() const { return list_; }

    void SetMode(media::MediaKind kind, const PlayMode& mode) { modes_[Index(kind)] = mode; }
    const PlayMode& Mode(media::MediaKind kind) const { return modes_[Index(kind)]; }
    // Mode commands of the current kind: choosing a mode keeps random and
    // intro; intro turned on while playing asks first (false on No).
    void ChooseMode(PlayOrder mode);
    void ToggleRandom();
    bool ToggleIntro();

    // The single entry of every play command.
    void RunCommand(PlayCommand command, bool by_user, bool backwards = false);
    // A command from the menu, the buttons or a hot key: the guards apply,
    // and Play is posted to run once the event loop comes back.
    void MenuCommand(PlayCommand command);
    bool CanRun(PlayCommand command) const;

    // A completion notice of the device (success 1, failure 8).
    void OnDeviceNotice(media::MediaKind kind, int code);
    // One tick of the playback clock (the frame's timer, every Interval ms).
    void Tick();
    void StartClock();
    void StopClock() { clock_running_ = false; }
    bool clock_running() const { return clock_running_; }

    // The A-B section: A or B at the current position, or both cleared.
    void SetPointA();
    void SetPointB();
    void ClearSection();
    // Both points at once, in the device's time unit (the command-line
    // tool's section); false, with the section unchanged, unless a < b.
    // An item that starts outside the section moves to A, as with the
    // points set by hand.
    bool SetSection(std::uint32_t a, std::uint32_t b);
    std::optional<std::uint32_t> point_a() const { return point_a_; }
    std::optional<std::uint32_t> point_b() const { return point_b_; }

    // Selects item n as the current one without playing it (the frame's
    // "current item follows the selection").
    void SetCurrentItem(int n) { current_ = n; }
    // The list was reordered: `to_new` gives each item's new number.
    void RenumberItems(const std::function<int(int)>& to_new);
    // Moves the current position of a playing item (the seek slider).
    void SeekTo(std::uint32_t position);

    PlayState state() const { return state_; }
    int current_item() const { return current_; }
    bool item_active() const { return item_active_; }
    // An item loads in the background (a movie or sound file): the state
    // says Playing, no item is active yet, and the device's notice (or the
    // clock, should the notice not come) goes on with it. Stop, Eject, Next,
    // Previous and another Play cancel the load; Pause waits for the item.
    bool opening() const { return opening_; }
    // No item is active or opening: the current item may follow the
    // selection.
    bool idle() const { return !item_active_ && !opening_; }
    bool restart_pending() const { return restart_pending_; }
    std::uint16_t position() const { return position_; }
    std::uint16_t length() const { return length_; }
    bool seconds_unit() const { return seconds_unit_; }
    // The last device error of a failed search for a playable item.
    int last_error() const { return last_error_; }

private:
    static std::size_t Index(media::MediaKind kind) { return static_cast<std::size_t>(media::Code(kind)); }
    media::MediaKind Kind() const;
    PlayMode CurrentMode() const;
    void SetState(PlayState state);

    void DoPreviousNext(PlayCommand command, bool by_user, PlayState previous);
    void DoPlay(bool by_user, bool backwards, PlayState previous);
    void DoPause(PlayState previous);
    void DoStop();
    void DoEject();
    // The search for a playable item from the current one, which a Play
    // begins and an open in the background interrupts.
    struct Search {
        PlayMode mode;
        bool single = false;
        bool backwards = false;
        int tries = 0;
        int last_tried = -1;
    };
    void ContinueSearch();
    // After item n failed with `error`: false when the search ends, else the
    // next candidate is current.
    bool SearchPast(int n, int error);
    void EndSearch();
    // Opens and starts one item; 0, mci::kPending while it opens in the
    // background, or the device's error (-2: the file is missing, -3: a
    // conversion was cancelled).
    int OpenAndStart(int item, const std::string& path);
    // Starts an item whose open ended with `result`; 0 or the error.
    int StartOpened(int item, const std::string& original, const std::string& path, int result);
    void OnOpened(int result);
    // `own_file` becomes the song's own file when it comes out of an archive.
    std::string PrepareItem(int item, const std::string& path, int* error, std::string* own_file);
    void CloseItem();
    void OnItemEnd();
    void StepAbAndIntro();
    void WrdTick();
    std::uint16_t ReadPosition();
    std::uint32_t UnitsPerSecond() const { return seconds_unit_ ? 1u : 100u; }

    MediaDevice& device_;
    ControllerHost& host_;
    Dispatcher& dispatcher_;
    const Clock& clock_;
    PlayList* list_ = nullptr;
    ControllerOptions options_;
    ItemConverters converters_;
    std::array<PlayMode, media::kKindCount> modes_{};
    PlaybackClock pclock_;

    PlayState state_ = PlayState::Stopped;
    int current_ = 0;
    std::uint16_t position_ = 0;
    std::uint16_t length_ = 0;
    bool seconds_unit_ = true;
    bool item_active_ = false;
    bool restart_pending_ = false;
    Search search_;
    bool opening_ = false;
    media::MediaKind opening_kind_ = media::MediaKind::Midi;
    int opening_item_ = 0;
    std::string opening_path_;
    std::string opening_original_;
    bool pause_when_open_ = false;  // the item opening replaces a paused one
    bool intro_armed_ = false;
    bool near_end_ = false;
    bool ab_pause_ = false;         // pause at A when the seek has finished
    bool ab_pausing_ = false;       // the item waits at A
    std::optional<std::uint32_t> point_a_, point_b_;
    int last_error_ = 0;
    std::vector<std::string> prepared_files_;  // converted copies of the open item
    bool clock_running_ = false;
    std::int64_t last_tick_ms_ = 0;
    std::uint32_t wrd_last_position_ = 0;
    int wrd_ticks_since_change_ = 0;
    // Set by a posted call; a stale posted Play after the controller is gone
    // must not run.
    std::shared_ptr<bool> alive_;
};

}  // namespace nuko::playback
