#include "play_controller.h"

#include <algorithm>
#include <utility>
#include <unistd.h>

#include "media_errors.h"
#include "nuko/files.h"
#include "nuko/media_convert.h"
#include "nuko/paths.h"
#include "nuko/prompt.h"
#include "nuko/string_ids.h"
#include "nuko/strings.h"
#include "nuko/text.h"

namespace nuko::playback {

using media::MediaKind;

void ControllerHost::PlayInitFile(MediaDevice& device, const std::string& path) {
    if (device.Open(MediaKind::Midi, path) == 0) {
        device.Play(MediaKind::Midi, 0, 0, false, false, true);
        device.Stop(MediaKind::Midi);
    }
    device.Close(MediaKind::Midi);
}

PlayController::PlayController(MediaDevice& device, ControllerHost& host, Dispatcher& dispatcher,
                               const Clock& clock)
    : device_(device), host_(host), dispatcher_(dispatcher), clock_(clock), alive_(std::make_shared<bool>(true)) {}

PlayController::~PlayController() {
    *alive_ = false;
    // A load that ends after the controller must find nobody waiting.
    if (opening_) device_.Close(opening_kind_);
}

void PlayController::SetOptions(const ControllerOptions& options) {
    options_ = options;
    pclock_.set_periods({options.cd_read_ms, options.cd_insert_ms, options.ab_pause_ms});
}

MediaKind PlayController::Kind() const { return list_ ? list_->kind() : MediaKind::Midi; }

PlayMode PlayController::CurrentMode() const { return modes_[Index(Kind())]; }

void PlayController::SetState(PlayState state) {
    state_ = state;
    host_.OnStateChanged(state_, Kind());
}

void PlayController::ChooseMode(PlayOrder mode) {
    modes_[Index(Kind())].mode = mode;
}

void PlayController::ToggleRandom() {
    auto& m = modes_[Index(Kind())];
    m.random = !m.random;
}

bool PlayController::ToggleIntro() {
    auto& m = modes_[Index(Kind())];
    if (!m.intro && state_ == PlayState::Playing &&
        Ask(strings::kAskIntroMode, {}, PromptButtons::YesNo, PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    m.intro = !m.intro;
    intro_armed_ = false;
    return true;
}

bool PlayController::CanRun(PlayCommand command) const {
    switch (command) {
        case PlayCommand::Previous:
        case PlayCommand::Next: return current_ != 0;
        case PlayCommand::Stop:
        case PlayCommand::Pause: return current_ != 0 && state_ != PlayState::Stopped;
        case PlayCommand::Eject: return state_ != PlayState::Eject;
        case PlayCommand::Play: return list_ != nullptr;
    }
    return false;
}

void PlayController::MenuCommand(PlayCommand command) {
    if (!CanRun(command)) return;
    if (command != PlayCommand::Play) {
        RunCommand(command, true);
        return;
    }
    if (current_ == 0 || state_ == PlayState::Playing) {
        if (list_->Selected() == current_) return;
        if (item_active_) RunCommand(PlayCommand::Stop, true);
    }
    std::weak_ptr<bool> alive = alive_;
    dispatcher_.Post([this, alive] {
        if (auto a = alive.lock(); a && *a) RunCommand(PlayCommand::Play, true);
    });
}

void PlayController::RunCommand(PlayCommand command, bool by_user, bool backwards) {
    const int code = static_cast<int>(command);
    if (code < 0 || code > 5 || !list_) return;
    // Pausing needs an item; without one the state must not turn to Paused.
    if (command == PlayCommand::Pause && !item_active_) return;
    const bool clock_was_running = clock_running_;
    StopClock();
    const PlayState previous = state_;
    restart_pending_ = false;
    SetState(static_cast<PlayState>(code));

    switch (command) {
        case PlayCommand::Previous:
        case PlayCommand::Next: DoPreviousNext(command, by_user, previous); break;
        case PlayCommand::Play: DoPlay(by_user, backwards, previous); break;
        case PlayCommand::Pause: DoPause(previous); break;
        case PlayCommand::Stop: DoStop(); break;
        case PlayCommand::Eject: DoEject(); break;
    }
    if (clock_was_running || item_active_ || opening_) StartClock();
}

void PlayController::DoPreviousNext(PlayCommand command, bool by_user, PlayState previous) {
    // An item still opening counts as the one playing: the next one follows.
    const bool had_item = item_active_;
    const bool was_active = item_active_ || opening_;
    item_active_ = false;
    const std::uint32_t rewind_at = static_cast<std::uint32_t>(options_.rew_prev_time) * UnitsPerSecond();
    if (command == PlayCommand::Previous && by_user && had_item && !options_.rew_prev && position_ >= rewind_at) {
        // Back to the start of the item (or of its section) instead.
        device_.Seek(Kind(), point_a_.value_or(0));
        SetState(previous);
        item_active_ = true;
        restart_pending_ = true;
        return;
    }
    if (by_user) ClearSection();
    if (was_active) CloseItem();
    PlayMode mode = CurrentMode();
    if (by_user && (mode.mode == PlayOrder::Selected || mode.mode == PlayOrder::Repeat)) mode.mode = PlayOrder::Loop;
    int n = current_;
    bool chosen = command == PlayCommand::Next ? list_->Next(n, mode, was_active) : list_->Previous(n, mode, was_active);
    if (chosen) {
        current_ = n;
        host_.OnItemShown(n);
        if (was_active) {
            RunCommand(PlayCommand::Play, false, command == PlayCommand::Previous);
            if (previous == PlayState::Paused && item_active_) RunCommand(PlayCommand::Pause, false);
            else if (previous == PlayState::Paused && opening_) pause_when_open_ = true;
        } else {
            RunCommand(PlayCommand::Stop, false);
        }
        return;
    }
    if (by_user) Ask(strings::kRoundStartOrEnd, {}, PromptButtons::Ok, PromptIcon::Information);
    RunCommand(PlayCommand::Stop, false);
    if (list_->IsEmpty()) host_.OnListEmpty(Kind());
}

void PlayController::DoPlay(bool by_user, bool backwards, PlayState previous) {
    // A new play replaces an item still opening.
    if (opening_) CloseItem();
    const int selected = list_->Selected();
    if (selected != current_) {
        ClearSection();
        if (previous == PlayState::Paused && item_active_) {
            CloseItem();
            item_active_ = false;
        }
    } else if (previous == PlayState::Paused && item_active_) {
        DoPause(PlayState::Paused);  // resumes
        return;
    }
    if (item_active_) {
        // The item that was playing ends before another one starts.
        CloseItem();
        item_active_ = false;
    }
    current_ = selected;
    list_->Select(current_);
    if (by_user) list_->ShuffleSeekCurrent(current_);

    search_ = Search{};
    search_.mode = CurrentMode();
    search_.single = search_.mode.mode == PlayOrder::Selected || search_.mode.mode == PlayOrder::Repeat;
    search_.backwards = backwards;
    last_error_ = 0;
    ContinueSearch();
}

void PlayController::ContinueSearch() {
    Search& s = search_;
    while (state_ != PlayState::Stopped) {
        int n = current_;
        std::string path;
        if (!list_->FirstPlayable(n, path, s.mode, s.backwards)) {
            if (!s.single) break;
            if (++s.tries > list_->Count()) break;
            int count = std::max(1, list_->Count());
            current_ = s.backwards ? (current_ <= 1 ? count : current_ - 1) : (current_ >= count ? 1 : current_ + 1);
            continue;
        }
        current_ = n;
        if (s.single) s.tries = 0;
        if (n == s.last_tried) break;
        if (++s.tries > list_->PlayableCount()) break;

        int r = OpenAndStart(n, path);
        if (r == 0 || r == mci::kPending) return;  // playing, or OnOpened goes on
        if (!SearchPast(n, r)) break;
    }
    EndSearch();
}

bool PlayController::SearchPast(int n, int error) {
    last_error_ = error;
    if (error == mci::kOutOfMemory) return false;
    search_.last_tried = n;
    // When the mode does not move (selected only, end of a sequence) the
    // same item comes round again and the search ends.
    if (search_.backwards) list_->Previous(n, search_.mode, false);
    else list_->Next(n, search_.mode, false);
    current_ = n;
    return true;
}

void PlayController::EndSearch() {
    RunCommand(PlayCommand::Stop, false);
    if (!list_->IsEmpty() && last_error_ != mci::kOutOfMemory)
        Ask(strings::kNothingToPlay, {}, PromptButtons::Ok, PromptIcon::Information);
}

int PlayController::OpenAndStart(int item, const std::string& original) {
    const MediaKind kind = Kind();
    if (kind != MediaKind::Cd && !files::IsFileFound(original, options_.hidden_files)) return -2;
    int error = 0;
    // The song's own file: an archive's member once it is out, so that the
    // script and pictures beside it are found.
    std::string own = original;
    std::string path = PrepareItem(item, original, &error, &own);
    if (error) return error;

    int r = list_->Open(path, host_.owner_window().handle());
    if (r == mci::kPending) {
        opening_ = true;
        opening_kind_ = kind;
        opening_item_ = item;
        opening_path_ = path;
        opening_original_ = own;
        return r;
    }
    return StartOpened(item, own, path, r);
}

void PlayController::OnOpened(int result) {
    if (!opening_) return;
    if (opening_kind_ != Kind()) {
        // The list changed kind under the load: nothing of it plays.
        RunCommand(PlayCommand::Stop, false);
        return;
    }
    opening_ = false;
    const bool pause = std::exchange(pause_when_open_, false);
    const int n = opening_item_;
    const int r = StartOpened(n, opening_original_, opening_path_, result);
    if (r == 0) {
        if (item_active_) {
            StartClock();
            if (pause) RunCommand(PlayCommand::Pause, false);
        }
        return;
    }
    if (SearchPast(n, r)) ContinueSearch();
    else EndSearch();
}

int PlayController::StartOpened(int item, const std::string& original, const std::string& path, int r) {
    const MediaKind kind = Kind();
    if (r != 0) {
        CloseItem();
        return r;
    }
    if (kind == MediaKind::Midi && !options_.midi_port.empty()) device_.SelectMidiPort(options_.midi_port);
    ItemDisplay d;
    d.item = item;
    d.title = list_->ItemTitle(item);
    d.path = path;
    d.source = original;
    if (kind == MediaKind::Midi) d.mode = device_.MidiSongMode();
    std::uint32_t length = device_.Length(kind, list_->DeviceItem(item));
    seconds_unit_ = device_.TimeUnitSeconds();
    length_ = static_cast<std::uint16_t>(std::min<std::uint32_t>(length, 0xFFFD));
    d.length = length_;
    d.seconds = seconds_unit_;
    position_ = 0;
    intro_armed_ = false;
    near_end_ = false;
    wrd_last_position_ = 0;
    wrd_ticks_since_change_ = 0;
    host_.OnItemStarted(d);

    r = list_->Start();
    item_active_ = true;
    if (r != 0) {
        RunCommand(PlayCommand::Stop, false);
        return 0;  // the failure was the device's to report; the search ends
    }
    if (point_a_ && point_b_) {
        std::uint16_t pos = ReadPosition();
        if (pos < *point_a_ || pos > *point_b_) {
            restart_pending_ = true;
            device_.Seek(kind, *point_a_);
        }
    }
    return 0;
}

std::string PlayController::PrepareItem(int item, const std::string& original, int* error, std::string* own_file) {
    std::string path = original;
    const MediaKind kind = Kind();
    if (converters_.archive_member && kind != MediaKind::Cd &&
        text::AsciiLowered(path::Extension(path)) == "lzh") {
        std::string member = converters_.archive_member(path, kind);
        if (!member.empty()) path = *own_file = member;
    }
    const std::string ext = text::AsciiLowered(path::Extension(path));
    if (kind == MediaKind::Sound && (ext == "mp3" || ext == "rmp")) {
        // libmpv plays MP3 and RIFF WAVE carrying MP3 as they are; only a
        // MacBinary or RIFF-MP3 header must come off first.
        if (media::NeedsConvertFile(path).mac_or_rmp) {
            std::string target = options_.work_folder + std::string(path::Stem(options_.mp3_file)) + ".mp3";
            int r = media::Mp3MacRmpCut(path, target, nullptr);
            if (r == 0) {
                prepared_files_.push_back(target);
                return target;
            }
            ::unlink(target.c_str());
            *error = mci::kOutOfMemory;  // a failed sound conversion ends the search
        }
        return path;
    }
    if (kind != MediaKind::Midi) return path;

    bool refreshed = false;
    if (options_.mac_cut && ext == "mid") {
        std::string target = options_.work_folder + options_.mac_cut_file;
        if (media::MidiMacCut(path, target, host_.owner_window().handle())) {
            prepared_files_.push_back(target);
            path = target;
        }
    }
    std::string init = options_.midi_init.size() > 4 ? options_.midi_init : std::string();
    std::string config = options_.midi_smfk.size() > 4 ? options_.midi_smfk : std::string();
    if ((ext == "rcp" || ext == "r36" || ext == "g36") && converters_.rcp_to_smf) {
        host_.OnStatus(LoadString(strings::kConvertingStatus));
        std::string out = converters_.rcp_to_smf(path);
        if (!out.empty()) {
            prepared_files_.push_back(out);
            path = out;
        }
        refreshed = true;
    }
    std::string own = list_->ItemInitFile(item);
    if (!own.empty() && *own_file != original && !files::IsFileFound(own, true)) {
        // Named for what the archive holds: it came out beside the member.
        std::string beside = path::ResolveCaseInsensitive(path::SplitPath(*own_file).folder +
                                                          std::string(path::FileName(own)));
        if (files::IsFileFound(beside, true)) own = std::move(beside);
    }
    if (!own.empty()) {
        if (text::AsciiLowered(path::Extension(own)) == "cfg") config = own;
        else init = own;
    }
    if (!config.empty() && text::AsciiLowered(path::Extension(path)) == "mid" && converters_.smf_convert) {
        host_.OnStatus(LoadString(strings::kConvertingStatus));
        std::string out = converters_.smf_convert(path, config);
        if (!out.empty()) {
            prepared_files_.push_back(out);  // gone with the item
            path = out;
        }
        refreshed = true;
    }
    if (!init.empty()) {
        host_.OnStatus(LoadString(strings::kMidiInitStatus));
        host_.PlayInitFile(device_, init);
        refreshed = true;
    }
    if (refreshed) host_.OnStatus({});
    return path;
}

void PlayController::CloseItem() {
    if (opening_) {
        // The load is dropped with its item; no late end of it starts a play.
        opening_ = false;
        pause_when_open_ = false;
        if (opening_kind_ != Kind()) device_.Close(opening_kind_);
    }
    // A pause at point A belongs to the item; the next one must not inherit it.
    ab_pause_ = false;
    if (ab_pausing_) {
        ab_pausing_ = false;
        host_.OnAbWait(false, 0);
    }
    device_.Close(Kind());
    for (const auto& f : prepared_files_) ::unlink(f.c_str());
    prepared_files_.clear();
}

void PlayController::DoPause(PlayState previous) {
    if (!item_active_) return;
    if (previous == PlayState::Paused) {
        SetState(PlayState::Playing);
        device_.Resume(Kind(), true);
        return;
    }
    device_.Pause(Kind());
}

void PlayController::DoStop() {
    item_active_ = false;
    CloseItem();
    position_ = 0;
    host_.OnItemStopped();
}

void PlayController::DoEject() {
    CloseItem();
    item_active_ = false;
    ClearSection();
    SetState(PlayState::Stopped);
    host_.OnItemStopped();
    int r = list_->Eject();
    if (r != 0 || !options_.cd_insert_check) {
        host_.ReloadList();
        return;
    }
    if (list_->ReopenSource()) {
        host_.ReloadList();
        if (options_.cd_insert_start) {
            std::weak_ptr<bool> alive = alive_;
            dispatcher_.Post([this, alive] {
                if (auto a = alive.lock(); a && *a) RunCommand(PlayCommand::Play, true);
            });
        }
    } else {
        host_.OnListEmpty(Kind());
    }
}

void PlayController::SetPointA() {
    if (!item_active_) return;
    point_a_ = ReadPosition();
    if (point_b_ && *point_b_ <= *point_a_) point_b_.reset();
    host_.OnSectionChanged(point_a_, point_b_);
}

void PlayController::SetPointB() {
    if (!item_active_) return;
    std::uint32_t b = ReadPosition();
    // B lies after A, which is the start when unset: a B at the start
    // would send the item back to it on every tick.
    if (b <= point_a_.value_or(0)) return;
    point_b_ = b;
    if (!point_a_) point_a_ = 0;
    host_.OnSectionChanged(point_a_, point_b_);
}

bool PlayController::SetSection(std::uint32_t a, std::uint32_t b) {
    if (a >= b) return false;
    point_a_ = a;
    point_b_ = b;
    host_.OnSectionChanged(point_a_, point_b_);
    return true;
}

void PlayController::ClearSection() {
    if (!point_a_ && !point_b_) return;
    point_a_.reset();
    point_b_.reset();
    host_.OnSectionChanged(point_a_, point_b_);
}

void PlayController::RenumberItems(const std::function<int(int)>& to_new) {
    if (current_ > 0) current_ = to_new(current_);
    if (opening_item_ > 0) opening_item_ = to_new(opening_item_);
}

void PlayController::SeekTo(std::uint32_t position) {
    if (!item_active_ || position == position_) return;
    if (point_a_ && point_b_) position = std::clamp<std::uint32_t>(position, *point_a_, *point_b_);
    // A section set on a longer item may lie past this one's end.
    if (length_ > 0) position = std::min<std::uint32_t>(position, length_);
    restart_pending_ = state_ == PlayState::Playing;
    device_.Seek(Kind(), position);
    if (state_ != PlayState::Playing) position_ = static_cast<std::uint16_t>(position);
}

std::uint16_t PlayController::ReadPosition() {
    std::uint32_t p = device_.Position(Kind());
    // A length estimated from the file's size (an MP3 without a frame
    // index) can fall short of where play really ends: the position shown,
    // and the remaining time counted from it, stay within the length.
    if (length_ > 0) p = std::min<std::uint32_t>(p, length_);
    position_ = static_cast<std::uint16_t>(std::min<std::uint32_t>(p, 0xFFFD));
    return position_;
}

}  // namespace nuko::playback
