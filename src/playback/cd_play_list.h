// The CD panel's side of playing: the PlayList over the visible tracks of
// one disc (a drive or a disc image standing in for one), in play order,
// with excluded ("@") tracks skipped and the shuffle order over the rows.
#pragma once

#include <functional>
#include <string>

#include "cd/cd_track_list.h"
#include "media_device.h"
#include "play_list.h"
#include "shuffle_order.h"

namespace nuko::playback {

class CdPlayList : public PlayList {
public:
    explicit CdPlayList(MediaDevice& device);

    // The disc in use ("/dev/sr0" or an image file) and its rows; empty
    // source: no disc. `selected` is kept within the rows.
    void SetDisc(std::string source, cd::CdTrackList rows, int selected);
    const std::string& source() const { return source_; }
    const cd::CdTrackList& tracks() const { return rows_; }
    // A new shuffle order with `selected` at its cursor.
    void Reloaded(int selected);
    void SetSelected(int n) { selected_ = n; }
    void SetSelectHook(std::function<void(int)> hook) { select_hook_ = std::move(hook); }
    void SetSeedSource(std::function<std::uint32_t()> seed) { seed_ = std::move(seed); }
    const ShuffleOrder& shuffle() const { return shuffle_; }

    media::MediaKind kind() const override { return media::MediaKind::Cd; }
    int Count() const override { return rows_.Count(); }
    int Selected() const override { return selected_; }
    void Select(int n) override;
    bool FirstPlayable(int& n, std::string& path, const PlayMode& mode, bool backwards) override;
    bool Next(int& n, const PlayMode& mode, bool active) override { return Move(n, mode, active, false); }
    bool Previous(int& n, const PlayMode& mode, bool active) override { return Move(n, mode, active, true); }
    int Open(const std::string& path, void* owner) override;
    int Start() override;
    int PlayableCount() const override { return rows_.PlayableCount(); }
    std::string ItemTitle(int n) const override;
    int DeviceItem(int n) const override { return rows_.TrackOfRow(n); }
    void ShuffleSwapCurrent(int current) override { shuffle_.SwapCurrent(current); }
    void ShuffleSeekCurrent(int current) override { shuffle_.SeekCurrent(current); }
    int Eject() override;
    bool ReopenSource() override;

private:
    bool Move(int& n, const PlayMode& mode, bool active, bool backwards);
    bool Step(int& n, const PlayMode& mode, bool active, bool backwards);

    MediaDevice& device_;
    std::string source_;
    cd::CdTrackList rows_;
    ShuffleOrder shuffle_;
    int selected_ = 0;
    int prepared_ = 0;  // the row FirstPlayable chose, which Start plays
    std::function<void(int)> select_hook_;
    std::function<std::uint32_t()> seed_;
};

}  // namespace nuko::playback
