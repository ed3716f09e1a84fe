#include "app/components/mpris/mpris_model.h"

#include <algorithm>
#include <cstdint>

#include "core/commands/command_ids.h"
#include "core/commands/command_router.h"
#include "library/file_area_model.h"

namespace nuko::app {

using playback::PlayState;

std::string MprisModel::TrackId(media::MediaKind kind, int item) {
    return "/jp/nuko/nu_kop32/track/" + std::to_string(media::Code(kind)) + "_" + std::to_string(item);
}

std::int64_t MprisModel::UnitUs() const {
    return core_.controller().seconds_unit() ? 1'000'000 : 10'000;
}

MprisSnapshot MprisModel::Snapshot() const {
    const playback::PlayController& c = core_.controller();
    MprisSnapshot s;
    switch (c.state()) {
        case PlayState::Playing:
        case PlayState::Previous:
        case PlayState::Next: s.status = "Playing"; break;
        case PlayState::Paused: s.status = "Paused"; break;
        default: s.status = "Stopped"; break;
    }
    s.track = track_;
    s.can_play = router_.IsEnabled(cmd::kPlay);
    s.can_pause = router_.IsEnabled(cmd::kPause);
    s.can_go_next = router_.IsEnabled(cmd::kNext);
    s.can_go_previous = router_.IsEnabled(cmd::kPrevious);
    s.can_seek = c.item_active() && c.state() != PlayState::Stopped;
    return s;
}

std::int64_t MprisModel::PositionUs() const {
    const playback::PlayController& c = core_.controller();
    if (!c.item_active()) return 0;
    return static_cast<std::int64_t>(c.position()) * UnitUs();
}

void MprisModel::ItemShown(int item) {
    // A new current item while nothing plays: its title, no length yet.
    if (!core_.is_stopped() && track_) return;
    if (item < 1) {
        track_.reset();
        return;
    }
    MprisTrack t;
    t.id = TrackId(core_.kind(), item);
    t.title = core_.ItemTitle(item);
    if (item <= core_.files().rows()) t.path = core_.files().RowPath(item - 1);
    track_ = std::move(t);
}

void MprisModel::ItemStarted(const playback::ItemDisplay& item) {
    MprisTrack t;
    t.id = TrackId(core_.kind(), item.item);
    t.title = item.title;
    t.path = !item.source.empty() ? item.source : item.path;
    t.length_us = static_cast<std::int64_t>(item.length) * (item.seconds ? 1'000'000 : 10'000);
    track_ = std::move(t);
}

void MprisModel::Play() {
    // Play goes on from a pause; a new play only when stopped.
    const PlayState state = core_.controller().state();
    if (state == PlayState::Paused) {
        router_.Run(cmd::kPause);
    } else if (state == PlayState::Stopped || state == PlayState::Eject) {
        router_.Run(cmd::kPlay);
    }
}

void MprisModel::Pause() {
    if (core_.controller().state() == PlayState::Playing) router_.Run(cmd::kPause);
}

void MprisModel::PlayPause() {
    if (core_.controller().state() == PlayState::Playing) {
        router_.Run(cmd::kPause);
    } else {
        Play();
    }
}

void MprisModel::Stop() { router_.Run(cmd::kStop); }
void MprisModel::Next() { router_.Run(cmd::kNext); }
void MprisModel::Previous() { router_.Run(cmd::kPrevious); }

std::optional<std::int64_t> MprisModel::MoveTo(std::int64_t position_us) {
    if (!Snapshot().can_seek) return std::nullopt;
    const std::int64_t unit = UnitUs();
    const auto target = static_cast<int>(std::min<std::int64_t>(position_us / unit, 0xFFFD));
    core_.SeekTo(target);
    return static_cast<std::int64_t>(target) * unit;
}

std::optional<std::int64_t> MprisModel::Seek(std::int64_t offset_us) {
    if (!Snapshot().can_seek) return std::nullopt;
    const std::int64_t now = PositionUs();
    // Before the start is the start; an offset that would overflow is far
    // beyond the end.
    std::int64_t target = 0;
    if (offset_us > 0) {
        target = offset_us > INT64_MAX - now ? INT64_MAX : now + offset_us;
    } else if (offset_us >= -now) {
        target = now + offset_us;
    }
    const std::int64_t length = track_ ? track_->length_us : 0;
    if (length > 0 && target > length) {
        Next();
        return std::nullopt;
    }
    return MoveTo(target);
}

std::optional<std::int64_t> MprisModel::SetPosition(const std::string& track_id, std::int64_t position_us) {
    if (position_us < 0 || !track_ || track_id != track_->id) return std::nullopt;
    if (track_->length_us > 0 && position_us > track_->length_us) return std::nullopt;
    return MoveTo(position_us);
}

bool MprisModel::OpenFile(const std::string& path) {
    if (path.empty()) return false;
    // As a second start's path: opened, then played when it gave something.
    if (core_.OpenPath(path) == -1) return false;
    core_.PostPlay();
    return true;
}

}  // namespace nuko::app
