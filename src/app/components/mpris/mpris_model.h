// What the desktop's media controls (MPRIS) see of the player and what they
// may ask of it, without D-Bus: the play status, the current track, the
// position in microseconds, the Can* switches from the controller's state,
// and the methods, which run the same commands and guards as the menu.
// Requests that do not apply (a stale track id, a negative position) are
// ignored, as the media-player interface says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/player_core.h"

namespace nuko::app {

class CommandRouter;

struct MprisTrack {
    std::string id;     // a D-Bus object path
    std::string title;
    std::string path;   // the item's own file; empty when it has none
    std::int64_t length_us = 0;  // 0: unknown

    bool operator==(const MprisTrack&) const = default;
};

// Everything the properties show, so that a change can be found by
// comparing two snapshots.
struct MprisSnapshot {
    std::string status;  // "Playing", "Paused" or "Stopped"
    std::optional<MprisTrack> track;
    bool can_play = false;
    bool can_pause = false;
    bool can_go_next = false;
    bool can_go_previous = false;
    bool can_seek = false;

    bool operator==(const MprisSnapshot&) const = default;
};

class MprisModel {
public:
    MprisModel(PlayerCore& core, CommandRouter& router) : core_(core), router_(router) {}

    // The object path that names no track.
    static constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
    // The object path of item `item` of a kind.
    static std::string TrackId(media::MediaKind kind, int item);

    MprisSnapshot Snapshot() const;
    std::int64_t PositionUs() const;

    // Followed from the core's events.
    void ItemShown(int item);
    void ItemStarted(const playback::ItemDisplay& item);
    void ListChanged() { track_.reset(); }

    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    // Relative and absolute seeks; the new position when the player moved
    // (for the Seeked signal), else nothing. A seek past the end goes to
    // the next item; one before the start goes to the start.
    std::optional<std::int64_t> Seek(std::int64_t offset_us);
    std::optional<std::int64_t> SetPosition(const std::string& track_id, std::int64_t position_us);
    // A local file or folder (of an OpenUri): opened and played as a
    // second start's path is. False when it gave nothing to play.
    bool OpenFile(const std::string& path);

private:
    std::int64_t UnitUs() const;
    std::optional<std::int64_t> MoveTo(std::int64_t position_us);

    PlayerCore& core_;
    CommandRouter& router_;
    std::optional<MprisTrack> track_;
};

}  // namespace nuko::app
