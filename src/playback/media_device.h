// MediaDevice: the one object through which the player opens, plays,
// pauses, seeks and closes its items, one open item per media kind. It
// keeps the state the callers rely on (open and playing flags, the seek
// target that Resume starts from, the time unit, the CD's tracks and
// lengths, the temporary copy of the open item) and drives the back ends
// through their small interface. Results are MCI error numbers
// (media_errors.h); -1 means no device plays the file.
//
// Threading: call it from one thread only, the one that owns the
// Dispatcher its back ends post to. Completion notices reach the `notice`
// hook on that thread, as queued calls.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "backend.h"
#include "midi_synth_options.h"
#include "device_types.h"
#include "library/media_kinds.h"
#include "mouse_hook_binding.h"
#include "movie_window.h"

namespace nuko {
class Dispatcher;
}

namespace nuko::playback {

class WorkCopy;

using media::MediaKind;

// Play's "from" that continues where the item stands.
inline constexpr int kContinue = 9999;

class BackendFactory {
public:
    virtual ~BackendFactory() = default;
    virtual std::unique_ptr<Backend> Create(BackendType type, MediaKind kind) = 0;
    virtual const PlatformFacts& Facts() = 0;
    // How the internal synthesizer plays, for the back ends made from now
    // on.
    virtual void SetMidiSynthOptions(const MidiSynthOptions& options) { (void)options; }
};

// Settings `FileCopy`/`Used`, `File` and `DlgView`.
struct FileCopyOptions {
    bool used = false;
    std::string prefix = "$Nu-kop_FileCopy$";
    bool dialog = true;
};

struct MediaDeviceConfig {
    std::string work_folder;     // ends in "/"
    FileCopyOptions file_copy;
    bool active_movie = true;    // setting `Movie`/`ActiveMovie`
    std::string program_folder;  // where libnu_32mhk.so is; empty: the program folder
    // Which files are copied to the work folder before they play when
    // copying is on; empty: those on a CD-ROM or removable drive.
    std::function<bool(const std::string& path)> copy_from;
    // Copies to the work folder run on a thread of their own and the open
    // goes on when they end (the open is pending meanwhile), posted through
    // this dispatcher; null: they run in place, before Open returns.
    Dispatcher* dispatcher = nullptr;
};

// The progress window of a copy to the work folder ("ﾌｧｲﾙｺﾋﾟｰ中..."), shown
// while a copy runs off the window's thread.
class FileCopyView {
public:
    virtual ~FileCopyView() = default;
    // Before the copy starts; `cancel` stops it (the window's Cancel), after
    // which the original plays.
    virtual void Begin(std::string_view file_name, std::function<void()> cancel) = 0;
    virtual void SetProgress(int percent) = 0;
    // The copy has ended or was dropped.
    virtual void End() = 0;
};

// An item about to play, as the level normalisation is asked about it.
struct LevelQuery {
    MediaKind kind = MediaKind::Midi;
    std::string path;  // the file; for a CD the drive or disc image
    int track = 0;     // the CD track, from 1
    std::string disc;  // for a CD in a drive: what tells the disc (its table of contents)
};

struct MediaDeviceHooks {
    // Completion of a play that asked for it: kNotifySuccessful or
    // kNotifyFailure; kNotifyOpened when an open that went on in the
    // background has ended (OpenResult tells how).
    std::function<void(MediaKind kind, int code)> notice;
    // The main window's status line.
    std::function<void(std::string_view text)> status;
    // Progress of the copy to the work folder (when FileCopy/DlgView is on);
    // false cancels the copy.
    std::function<bool(int percent)> copy_progress;
    // The progress window of a copy off the window's thread (when
    // FileCopy/DlgView is on).
    std::function<std::unique_ptr<FileCopyView>()> copy_view;
    // The program's movie frame under an owner window.
    MovieWindowFactory movie_window;
    // The gain in dB an item plays at (the level normalisation); null: as
    // it is. Asked when an item has opened, and for a CD when a track
    // starts to play.
    std::function<double(const LevelQuery& item)> level_gain;
};

class MediaDevice {
public:
    MediaDevice(BackendFactory& backends, MediaDeviceConfig config, MediaDeviceHooks hooks);
    ~MediaDevice();
    MediaDevice(const MediaDevice&) = delete;
    MediaDevice& operator=(const MediaDevice&) = delete;

    // Opens `path` (for `Cd` a drive or a disc image) as the kind's item.
    // `owner` is the window a movie is shown under; `shareable` opens a CD
    // without reading its disc. 0 or an MCI error; or mci::kPending when the
    // item loads in the background (movies, sound files): the kind is then
    // "opening" until a kNotifyOpened notice, and OpenResult says how it
    // ended. A Close (or another Open) while opening cancels it, and no
    // notice follows.
    int Open(MediaKind kind, const std::string& path, void* owner = nullptr, bool shareable = false);
    int Close(MediaKind kind);
    // The kind's next open makes its back end anew (a new sound font); an
    // item playing now goes on with the one it has.
    void RenewBackend(MediaKind kind) { SlotOf(kind).renew = true; }
    bool IsOpening(MediaKind kind);
    // How the last open of the kind ended: 0, an MCI error, or mci::kPending
    // while it goes on.
    int OpenResult(MediaKind kind) const { return slots_[static_cast<std::size_t>(media::Code(kind))].open_result; }
    // Checks the time limits of the loads and seeks under way (the playback
    // clock calls it); what ends is reported through the notice hook.
    void Poll();
    // Plays from track `from` (for `Cd`; kContinue: from the seek target or
    // where it stands) or from the position `from` in the time unit (other
    // kinds; kContinue likewise). `to` is the "to" track of a CD range; for
    // other kinds an end position after `from`, else the item plays to its
    // end.
    // With `report`, a failure is shown and the item closed. `notify` asks
    // for a completion notice; `wait` returns only at the end (and then no
    // notice follows).
    int Play(MediaKind kind, int from, int to, bool report, bool notify, bool wait);
    int Resume(MediaKind kind, bool notify);
    int Stop(MediaKind kind);
    int Pause(MediaKind kind);
    // Moves to `t` (seconds or hundredths; for `Cd` seconds in the current
    // track) and keeps it as the seek target. The move may go on after the
    // call; IsSeeking holds until it has arrived.
    int Seek(MediaKind kind, std::uint32_t t);
    int Step(MediaKind kind, int frames, bool backwards);
    std::uint32_t Position(MediaKind kind);
    // For `Cd` the stored length of track `item`; sets the time unit.
    std::uint32_t Length(MediaKind kind, int item = 0);
    bool IsStoppedOrPaused(MediaKind kind, bool* paused = nullptr);
    bool IsSeeking(MediaKind kind);
    bool MediaPresent(MediaKind kind);
    void SetAudio(MediaKind kind, bool on);
    // Palettes do not exist on this platform.
    void RealizePalette(MediaKind, bool) {}
    void PutDestination(MediaKind kind, const Rect& rect);
    void* MovieWindow();
    void SetMovieCursor(bool busy);
    int GetTempo();
    int SetTempo(int bpm);
    std::uint32_t SongPosition();
    std::string SelectMidiPort(const std::string& name);
    void ListMidiPorts(std::vector<std::string>& list);
    // The sound module the open MIDI song was made for ("GM", "GM2", "GS",
    // "XG", "MT-32"); "" when none is open or the back end cannot tell.
    std::string MidiSongMode();
    // What the user should hear about the MIDI song opened last (a font
    // that did not load, an MT-32 song on the synthesizer, ...), each once:
    // taking them empties the list.
    std::vector<std::string> TakeMidiSongNotices();

    void CdReadDisc();
    std::string CdTrackLengthText(int track, bool colons);
    std::string CdTotalLengthText(bool colons);
    int CdDoor(const std::string& drive, bool open);

    // True when a back end exists for the extension; `type` gets its name.
    bool DeviceTypeFor(std::string_view extension, std::string* type);

    // A copy to the work folder runs for the kind's pending open.
    bool IsCopying(MediaKind kind) const;

    // The state callers read.
    bool IsOpen() const { return open_; }
    bool IsPlaying() const { return playing_; }
    bool TimeUnitSeconds() const { return time_unit_seconds_; }
    std::uint32_t SeekTarget() const { return seek_target_; }
    int CdTrackCount() const { return cd_track_count_; }
    std::int32_t CdTotalLength() const { return cd_total_length_; }
    std::uint32_t CdTrackLengthMs(int track) const;
    int CdLastTrack() const { return cd_last_track_; }
    std::uint32_t CdPosition() const { return cd_position_; }
    bool CdContinuous() const { return cd_continuous_; }
    void SetCdContinuous(bool on) { cd_continuous_ = on; }
    Size DefaultMovieSize() const { return default_movie_size_; }
    void SetFileCopy(const FileCopyOptions& options) { config_.file_copy = options; }
    const std::string& TemporaryFile() const { return temp_file_; }
    // The error text of the kind's back end.
    std::string ErrorText(MediaKind kind, int error);

private:
    struct Slot {
        std::unique_ptr<Backend> backend;
        BackendType type = BackendType::None;
        bool open = false;
        bool opening = false;  // an open goes on in the background
        int open_result = 0;
        // Of the item being opened.
        bool universal = false;
        bool shareable = false;
        void* owner = nullptr;
        bool notify = false;  // the current play asked for a notice
        bool renew = false;   // the next open makes a new back end
        std::string path;     // the item as the caller named it (not its copy)
    };

    Slot& SlotOf(MediaKind kind) { return slots_[static_cast<std::size_t>(media::Code(kind))]; }
    Backend* OpenBackend(MediaKind kind);
    Backend* EnsureBackend(MediaKind kind, BackendType type);
    std::string CopyToWorkFolder(const std::string& path);
    // Whether the path is copied before it plays, and where to.
    bool WantsCopy(const std::string& path) const;
    std::string CopyTarget(const std::string& path) const;
    // The open with the file to hand the back end (the original, or its
    // copy in the work folder).
    int OpenElement(MediaKind kind, const std::string& path, const std::string& element, const DeviceType& type,
                    void* owner, bool shareable);
    // A copy off the window's thread: the open is pending until it ends.
    int StartCopy(MediaKind kind, const std::string& path, const DeviceType& type, void* owner, bool shareable);
    void CopyEnded(int result);
    // Drops the copy under way (its kind's open ends with it).
    void DropCopy();
    void DeleteTemporaryFile();
    void OnEnd(MediaKind kind, EndReason reason);
    void OnOpened(MediaKind kind, int result);
    // The end of an open: what stays of a failed one goes, a new item is
    // set up. Returns the open's result.
    int FinishOpen(MediaKind kind, int result);
    void ShowError(const std::string& text);
    // Hands the back end the gain the level hook gives the item.
    void ApplyLevelGain(MediaKind kind, int track);
    // CD helpers (media_device_cd.cpp).
    int OpenDisc(bool shareable);
    int PlayCd(int from, int to, std::int64_t* from_ms, std::int64_t* to_ms);
    std::int64_t TrackStartMs(int track) const;
    std::uint32_t CdPositionOf(std::int64_t ms, int* seconds_in_track);
    const cd::DiscToc* Toc();
    // What tells a disc in a drive from another: its table of contents as
    // text; empty for an image (its path does).
    std::string DiscFingerprint();

    BackendFactory& backends_;
    MediaDeviceConfig config_;
    MediaDeviceHooks hooks_;
    // Taken when the first movie opens: only movie windows need the hook,
    // and loading it (a library and its thread) would hold up the start.
    std::unique_ptr<MouseHookUse> hook_;
    std::array<Slot, media::kKindCount> slots_;
    void* owner_ = nullptr;

    bool open_ = false;
    bool playing_ = false;
    std::uint32_t seek_target_ = 0;
    bool time_unit_seconds_ = true;
    std::string temp_file_;

    int cd_track_count_ = 0;
    std::int32_t cd_total_length_ = -1;
    std::array<std::uint32_t, 100> cd_track_ms_{};
    int cd_from_ = 0;
    int cd_last_track_ = 0;
    std::uint32_t cd_position_ = 0;
    bool cd_continuous_ = false;

    // The copy under way and the open it belongs to.
    struct PendingCopy {
        MediaKind kind = MediaKind::Midi;
        std::string path;
        DeviceType type;
        void* owner = nullptr;
        bool shareable = false;
        std::unique_ptr<FileCopyView> view;
        std::unique_ptr<WorkCopy> job;
    };
    std::unique_ptr<PendingCopy> copy_;

    std::unique_ptr<playback::MovieWindow> movie_window_;
    Size default_movie_size_{10, 10};
};

}  // namespace nuko::playback
