#include "media_device.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>

#include "media_errors.h"
#include "playback/work_copy.h"
#include "nuko/drives.h"
#include "nuko/files.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::playback {
namespace {

// Sound items shorter than this are timed in hundredths of a second.
constexpr std::int64_t kShortSoundMs = 10000;

std::string HookFolder(const MediaDeviceConfig& config) {
    return config.program_folder.empty() ? folders::ProgramFolder() : path::WithTrailingSlash(config.program_folder);
}

}  // namespace

MediaDevice::MediaDevice(BackendFactory& backends, MediaDeviceConfig config, MediaDeviceHooks hooks)
    : backends_(backends), config_(std::move(config)), hooks_(std::move(hooks)) {}

MediaDevice::~MediaDevice() {
    DropCopy();
    for (int k = 0; k < media::kKindCount; ++k) Close(static_cast<MediaKind>(k));
    DeleteTemporaryFile();
}

Backend* MediaDevice::OpenBackend(MediaKind kind) {
    Slot& s = SlotOf(kind);
    return s.open ? s.backend.get() : nullptr;
}

Backend* MediaDevice::EnsureBackend(MediaKind kind, BackendType type) {
    Slot& s = SlotOf(kind);
    if (s.backend && s.type == type && !s.renew) return s.backend.get();
    if (s.backend) s.backend->Close();
    s.renew = false;
    s.backend = backends_.Create(type, kind);
    s.type = s.backend ? type : BackendType::None;
    s.open = false;
    if (s.backend) {
        s.backend->SetEndHandler([this, kind](EndReason reason) { OnEnd(kind, reason); });
        s.backend->SetOpenHandler([this, kind](int result) { OnOpened(kind, result); });
    }
    return s.backend.get();
}

void MediaDevice::OnOpened(MediaKind kind, int result) {
    Slot& s = SlotOf(kind);
    if (!s.opening) return;  // cancelled
    s.opening = false;
    s.open_result = FinishOpen(kind, result);
    if (hooks_.notice) hooks_.notice(kind, kNotifyOpened);
}

bool MediaDevice::IsOpening(MediaKind kind) {
    Slot& s = SlotOf(kind);
    if (s.opening && s.backend && !IsCopying(kind)) s.backend->Poll();
    return s.opening;
}

bool MediaDevice::IsCopying(MediaKind kind) const { return copy_ && copy_->kind == kind; }

void MediaDevice::Poll() {
    for (int k = 0; k < media::kKindCount; ++k) {
        Slot& s = slots_[static_cast<std::size_t>(k)];
        // A slot waiting for its copy has no item in its back end yet.
        if (s.backend && (s.open || s.opening) && !IsCopying(static_cast<MediaKind>(k))) s.backend->Poll();
    }
}

void MediaDevice::OnEnd(MediaKind kind, EndReason reason) {
    Slot& s = SlotOf(kind);
    if (!s.open || !s.notify) return;
    s.notify = false;
    if (hooks_.notice) hooks_.notice(kind, reason == EndReason::Success ? kNotifySuccessful : kNotifyFailure);
}

void MediaDevice::ApplyLevelGain(MediaKind kind, int track) {
    Slot& s = SlotOf(kind);
    if (!hooks_.level_gain || !s.backend) return;
    LevelQuery q;
    q.kind = kind;
    q.path = s.path;
    q.track = track;
    if (kind == MediaKind::Cd) q.disc = DiscFingerprint();
    s.backend->SetLevelGain(hooks_.level_gain(q));
}

void MediaDevice::ShowError(const std::string& text) {
    AskText(text, PromptButtons::Ok, PromptIcon::Warning, {}, owner_);
}

std::string MediaDevice::ErrorText(MediaKind kind, int error) {
    Backend* b = SlotOf(kind).backend.get();
    return b ? b->ErrorText(error) : DeviceErrorText(error);
}

bool MediaDevice::DeviceTypeFor(std::string_view extension, std::string* type) {
    DeviceType t = LookupDeviceType(extension, backends_.Facts(), config_.active_movie);
    if (type) *type = t.driver ? t.name : std::string();
    return t.driver && !t.name.empty();
}

bool MediaDevice::WantsCopy(const std::string& source) const {
    if (config_.work_folder.empty()) return false;
    return config_.copy_from ? config_.copy_from(source) : drives::IsCdRomPath(source) || drives::IsRemovablePath(source);
}

std::string MediaDevice::CopyTarget(const std::string& source) const {
    return path::WithTrailingSlash(config_.work_folder) + config_.file_copy.prefix + std::string(path::FileName(source));
}

std::string MediaDevice::CopyToWorkFolder(const std::string& source) {
    if (!WantsCopy(source)) return source;
    if (hooks_.status) hooks_.status(LoadString(strings::kCopyingStatus));
    std::string target = CopyTarget(source);
    bool cancelled = false;
    std::function<void(int)> progress;
    if (config_.file_copy.dialog && hooks_.copy_progress)
        progress = [&](int percent) {
            if (!cancelled && !hooks_.copy_progress(percent)) cancelled = true;
        };
    int r = files::CopyFile(source, target, progress);
    bool copied = r == files::kCopyWritten || r == files::kCopyWrittenWithProgress;
    if (!copied || cancelled) {
        // A copy in place cannot stop midway: a cancelled one is thrown
        // away when it ends, and the original plays.
        if (copied) ::unlink(target.c_str());
        return source;
    }
    temp_file_ = target;
    return target;
}

int MediaDevice::StartCopy(MediaKind kind, const std::string& path, const DeviceType& type, void* owner,
                           bool shareable) {
    if (hooks_.status) hooks_.status(LoadString(strings::kCopyingStatus));
    auto c = std::make_unique<PendingCopy>();
    c->kind = kind;
    c->path = path;
    c->type = type;
    c->owner = owner;
    c->shareable = shareable;
    PendingCopy* pending = c.get();
    copy_ = std::move(c);
    const bool dialog = config_.file_copy.dialog;
    if (dialog && hooks_.copy_view) pending->view = hooks_.copy_view();
    WorkCopy::Handlers handlers;
    handlers.progress = [this, pending, dialog](int percent) {
        if (pending->view) pending->view->SetProgress(percent);
        if (dialog && hooks_.copy_progress && !hooks_.copy_progress(percent)) pending->job->Cancel();
    };
    handlers.done = [this](int result) { CopyEnded(result); };
    pending->job = std::make_unique<WorkCopy>(*config_.dispatcher, path, CopyTarget(path), std::move(handlers));
    if (pending->view) pending->view->Begin(path::FileName(path), [pending] { pending->job->Cancel(); });
    Slot& slot = SlotOf(kind);
    slot.opening = true;
    slot.open_result = mci::kPending;
    return mci::kPending;
}

void MediaDevice::CopyEnded(int result) {
    // The job goes when this call ends; its thread has done its work.
    std::unique_ptr<PendingCopy> c = std::move(copy_);
    if (c->view) c->view->End();
    Slot& slot = SlotOf(c->kind);
    slot.opening = false;
    std::string element = c->path;
    if (result == files::kCopyWritten || result == files::kCopyWrittenWithProgress) {
        element = c->job->target();
        temp_file_ = element;
    }
    // A cancelled or failed copy plays the original.
    const int r = OpenElement(c->kind, c->path, element, c->type, c->owner, c->shareable);
    if (r == mci::kPending) return;  // the back end's own notice follows
    if (hooks_.notice) hooks_.notice(c->kind, kNotifyOpened);
}

void MediaDevice::DropCopy() {
    if (!copy_) return;
    std::unique_ptr<PendingCopy> c = std::move(copy_);
    if (c->view) c->view->End();
    SlotOf(c->kind).opening = false;
    // Waits for the copy's thread, which stops within one read; the copy's
    // files go with it.
    c->job.reset();
}

void MediaDevice::DeleteTemporaryFile() {
    if (temp_file_.empty()) return;
    ::unlink(temp_file_.c_str());
    temp_file_.clear();
}

int MediaDevice::Open(MediaKind kind, const std::string& path, void* owner, bool shareable) {
    open_ = false;
    owner_ = owner;
    if (SlotOf(kind).open || SlotOf(kind).opening) Close(kind);
    if (kind != MediaKind::Cd) {
        // One copy at a time: the work folder holds one copy.
        DropCopy();
        DeleteTemporaryFile();
    }

    std::string element = path;
    std::string ext = kind == MediaKind::Cd ? "cda" : media::LoweredExtension(path);
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    DeviceType type = LookupDeviceType(ext, backends_.Facts(), config_.active_movie);
    SlotOf(kind).open_result = mci::kNoDevice;
    if (!type.driver) return mci::kNoDevice;
    if (kind != MediaKind::Cd && config_.file_copy.used) {
        if (config_.dispatcher && WantsCopy(path)) return StartCopy(kind, path, type, owner, shareable);
        element = CopyToWorkFolder(path);
    }
    return OpenElement(kind, path, element, type, owner, shareable);
}

int MediaDevice::OpenElement(MediaKind kind, const std::string& path, const std::string& element,
                             const DeviceType& type, void* owner, bool shareable) {
    Backend* backend = EnsureBackend(kind, type.backend);
    if (!backend) {
        DeleteTemporaryFile();
        return mci::kNoDevice;
    }
    if (MovieControls* movie = backend->Movie()) {
        movie_window_.reset();
        if (owner && hooks_.movie_window) movie_window_ = hooks_.movie_window(owner);
        if (movie_window_) movie_window_->SetTitle(std::string(path::FileName(path)));
        movie->SetTargetWindow(movie_window_ ? movie_window_->VideoWindowId() : 0);
    }
    Slot& slot = SlotOf(kind);
    slot.universal = type.universal;
    slot.shareable = shareable;
    slot.owner = owner;
    slot.path = path;
    int r = backend->Open(element);
    if (r == mci::kInvalidDeviceName) r = backend->Open(element);
    if (r == mci::kPending) {
        slot.opening = true;
        slot.open_result = r;
        return r;
    }
    slot.open_result = FinishOpen(kind, r);
    return slot.open_result;
}

int MediaDevice::FinishOpen(MediaKind kind, int r) {
    Slot& slot = SlotOf(kind);
    Backend* backend = slot.backend.get();
    if (r != mci::kOk) {
        if (r == mci::kOutOfMemory) ShowError(backend->ErrorText(r));
        // Nothing stays behind for a failed open: no copy, no frame. Only
        // its own: another kind's item may be open, or opening, meanwhile.
        if (kind != MediaKind::Cd) DeleteTemporaryFile();
        if (kind == MediaKind::Movie) movie_window_.reset();
        return r;
    }
    slot.open = true;
    slot.notify = false;
    open_ = true;
    playing_ = false;
    seek_target_ = 0;

    if (kind == MediaKind::Cd) return OpenDisc(slot.shareable);
    ApplyLevelGain(kind, 0);
    if (MovieControls* movie = backend->Movie()) {
        Size size = movie->VideoSize();
        if (size.width > 0 && size.height > 0) default_movie_size_ = size;
        if (movie_window_) movie_window_->SetVideoSize(default_movie_size_);
        if (!hook_) hook_ = std::make_unique<MouseHookUse>(HookFolder(config_));
        if (MouseHookUse::Loaded()) {
            if (slot.universal && movie_window_) {
                // Native windows: the hook compares them with the X server's.
                auto handle = [](std::uint64_t id) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)); };
                MouseHookUse::SetAction(mouse_hook::kActionClose);
                MouseHookUse::SetTargetWindow(handle(movie_window_->FrameWindowId()),
                                              handle(movie_window_->OwnerWindowId()));
            } else {
                MouseHookUse::SetTargetWindow(nullptr, nullptr);
            }
        }
    }
    return mci::kOk;
}

int MediaDevice::Close(MediaKind kind) {
    Slot& slot = SlotOf(kind);
    if (kind == MediaKind::Cd) {
        cd_track_count_ = 0;
        cd_total_length_ = -1;
    }
    if (IsCopying(kind)) DropCopy();
    if (slot.open || slot.opening) {
        // A load under way is dropped with its player; its end never comes.
        if (slot.backend) slot.backend->Close();
        slot.open = false;
        slot.opening = false;
        slot.notify = false;
        playing_ = false;
        // libmpv plays each item on threads of its own; the malloc arenas
        // they leave behind keep the freed memory until trimmed, and a long
        // play list would otherwise grow the process item by item.
        if (slot.type == BackendType::Mpv || slot.type == BackendType::Disc) ::malloc_trim(0);
    }
    if (kind == MediaKind::Movie) movie_window_.reset();
    if (kind != MediaKind::Cd) DeleteTemporaryFile();
    open_ = std::any_of(slots_.begin(), slots_.end(), [](const Slot& s) { return s.open; });
    return mci::kOk;
}

int MediaDevice::Play(MediaKind kind, int from, int to, bool report, bool notify, bool wait) {
    Backend* b = OpenBackend(kind);
    if (!b) return mci::kInvalidDeviceId;
    playing_ = true;
    std::int64_t from_ms = -1;
    std::int64_t to_ms = -1;
    int r = mci::kOk;
    if (kind == MediaKind::Cd) {
        r = PlayCd(from, to, &from_ms, &to_ms);
        // Each track has a level of its own; a play that goes on keeps it.
        if (r == mci::kOk && from != kContinue) ApplyLevelGain(kind, from);
    } else {
        std::int64_t unit = time_unit_seconds_ ? 1000 : 10;
        if (from == kContinue) {
            from_ms = seek_target_ ? static_cast<std::int64_t>(seek_target_) : -1;
        } else {
            from_ms = static_cast<std::int64_t>(std::max(from, 0)) * unit;
            // An end after the start stops the play there (in the time unit).
            if (to > from) to_ms = static_cast<std::int64_t>(to) * unit;
        }
        if (kind == MediaKind::Movie && movie_window_) movie_window_->SetPlaying();
    }
    // A play that waits for its end gets no notice of it.
    SlotOf(kind).notify = notify && !wait;
    if (r == mci::kOk) r = b->Play(from_ms, to_ms);
    if (r == mci::kOk && wait) r = b->WaitForEnd();
    if (r != mci::kOk && report) {
        playing_ = false;
        std::string text = b->ErrorText(r);
        Close(kind);
        ShowError(text);
    }
    return r;
}

int MediaDevice::Resume(MediaKind kind, bool notify) {
    int r = Play(kind, kContinue, 0, false, notify, false);
    seek_target_ = 0;
    return r;
}

int MediaDevice::Stop(MediaKind kind) {
    if (!playing_) return mci::kOk;
    Backend* b = OpenBackend(kind);
    playing_ = false;
    if (!b) return mci::kInvalidDeviceId;
    SlotOf(kind).notify = false;
    return b->Stop();
}

int MediaDevice::Pause(MediaKind kind) {
    Backend* b = OpenBackend(kind);
    return b ? b->Pause() : mci::kInvalidDeviceId;
}

int MediaDevice::Seek(MediaKind kind, std::uint32_t t) {
    Backend* b = OpenBackend(kind);
    if (!b) return mci::kInvalidDeviceId;
    Stop(kind);
    if (kind == MediaKind::Cd) {
        Position(MediaKind::Cd);  // the current track
        std::uint32_t track = cd_position_ & 0xFF;
        seek_target_ = track | ((t / 60 & 0xFF) << 8) | ((t % 60) << 16);
        return b->Seek(TrackStartMs(static_cast<int>(track)) + static_cast<std::int64_t>(t) * 1000);
    }
    seek_target_ = t * (time_unit_seconds_ ? 1000u : 10u);
    return b->Seek(seek_target_);
}

int MediaDevice::Step(MediaKind kind, int frames, bool backwards) {
    if (kind != MediaKind::Movie) return mci::kOk;
    Backend* b = OpenBackend(kind);
    if (!b) return mci::kInvalidDeviceId;
    MovieControls* movie = b->Movie();
    return movie ? movie->Step(frames, backwards) : mci::kUnsupportedFunction;
}

std::uint32_t MediaDevice::Position(MediaKind kind) {
    Backend* b = OpenBackend(kind);
    if (!b) return 0;
    std::int64_t ms = std::max<std::int64_t>(0, b->PositionMs());
    if (kind == MediaKind::Cd) {
        int seconds = 0;
        cd_position_ = CdPositionOf(ms, &seconds);
        return static_cast<std::uint32_t>(seconds);
    }
    return static_cast<std::uint32_t>(time_unit_seconds_ ? ms / 1000 : ms / 10);
}

std::uint32_t MediaDevice::Length(MediaKind kind, int item) {
    if (kind == MediaKind::Cd) {
        time_unit_seconds_ = true;
        return CdTrackLengthMs(item) / 1000;
    }
    Backend* b = OpenBackend(kind);
    if (!b) return 0;
    std::int64_t ms = std::max<std::int64_t>(0, b->LengthMs());
    time_unit_seconds_ = !(kind == MediaKind::Sound && ms < kShortSoundMs);
    return static_cast<std::uint32_t>(time_unit_seconds_ ? ms / 1000 : ms / 10);
}

bool MediaDevice::IsStoppedOrPaused(MediaKind kind, bool* paused) {
    if (paused) *paused = false;
    Backend* b = OpenBackend(kind);
    if (!b) return true;
    DeviceMode mode = b->Mode();
    if (paused) *paused = mode == DeviceMode::Paused;
    return mode == DeviceMode::Stopped || mode == DeviceMode::Paused;
}

bool MediaDevice::IsSeeking(MediaKind kind) {
    Backend* b = OpenBackend(kind);
    if (b) b->Poll();
    return b && b->Mode() == DeviceMode::Seeking;
}

bool MediaDevice::MediaPresent(MediaKind kind) {
    Backend* b = OpenBackend(kind);
    return b && b->MediaPresent();
}

void MediaDevice::SetAudio(MediaKind kind, bool on) {
    if (Backend* b = OpenBackend(kind)) b->SetAudio(on);
}

void MediaDevice::PutDestination(MediaKind kind, const Rect& rect) {
    if (kind == MediaKind::Movie && movie_window_) movie_window_->SetDestination(rect);
}

void* MediaDevice::MovieWindow() { return movie_window_ ? movie_window_->Handle() : nullptr; }

void MediaDevice::SetMovieCursor(bool busy) {
    if (movie_window_) movie_window_->SetBusyCursor(busy);
}

int MediaDevice::GetTempo() {
    Backend* b = OpenBackend(MediaKind::Midi);
    MidiControls* midi = b ? b->Midi() : nullptr;
    return midi ? midi->Tempo() : 0;
}

int MediaDevice::SetTempo(int bpm) {
    Backend* b = OpenBackend(MediaKind::Midi);
    MidiControls* midi = b ? b->Midi() : nullptr;
    return midi ? midi->SetTempo(bpm) : mci::kInvalidDeviceId;
}

std::uint32_t MediaDevice::SongPosition() {
    Backend* b = OpenBackend(MediaKind::Midi);
    MidiControls* midi = b ? b->Midi() : nullptr;
    return midi ? midi->SongPosition() : 0;
}

std::string MediaDevice::SelectMidiPort(const std::string& name) {
    Backend* b = EnsureBackend(MediaKind::Midi, BackendType::Sequencer);
    MidiControls* midi = b ? b->Midi() : nullptr;
    return midi ? midi->SelectPort(name) : std::string(LoadString(strings::kMidiMapperName));
}

std::string MediaDevice::MidiSongMode() {
    Backend* b = OpenBackend(MediaKind::Midi);
    MidiControls* midi = b ? b->Midi() : nullptr;
    return midi ? midi->SongMode() : std::string();
}

std::vector<std::string> MediaDevice::TakeMidiSongNotices() {
    // Also after an open that failed: a font that would not load is why.
    Backend* b = SlotOf(MediaKind::Midi).backend.get();
    MidiControls* midi = b ? b->Midi() : nullptr;
    return midi ? midi->TakeSongNotices() : std::vector<std::string>();
}

void MediaDevice::ListMidiPorts(std::vector<std::string>& list) {
    Backend* b = EnsureBackend(MediaKind::Midi, BackendType::Sequencer);
    MidiControls* midi = b ? b->Midi() : nullptr;
    std::vector<std::string> names =
        midi ? midi->Ports() : std::vector<std::string>{std::string(LoadString(strings::kMidiMapperName))};
    for (auto& n : names)
        if (std::find(list.begin(), list.end(), n) == list.end()) list.push_back(std::move(n));
}

}  // namespace nuko::playback
