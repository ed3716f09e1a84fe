// The CD panel's side of playing: the PlayList over the visible tracks of
// one disc (a drive or a disc image standing in for one), in play order,
// with excluded ("@") tracks skipped and the shuffle order over the rows.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "cd/cd_track_list.h"
#include "media_device.h"
#include "play_list.h"
#include "shuffle_order.h"

namespace nuko::playback {

// Multi-CD play: what the list needs of its owner to go on with the disc
// of another drive when this disc's order ends.
struct DiscRotation {
    // The drives taking part (indices of the owner's drive list, in drive
    // order) and the drive in use.
    std::function<std::vector<int>()> drives;
    std::function<int()> current;
    // Loads that drive's disc into the list (SetDisc); false when it holds
    // no disc with a track to play, the list then being as before.
    std::function<bool(int drive)> load;
    // Random play draws the drive of every track at random.
    bool random_drive = false;
};

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
    // Multi-CD play on (a rotation) or off (nullopt). Forgets the orders
    // kept of other discs.
    void SetRotation(std::optional<DiscRotation> rotation);
    bool rotating() const { return rotation_.has_value(); }
    // The user chose a drive: other discs' orders start again.
    void ForgetOtherDiscs();

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
    void ShuffleSeekCurrent(int current) override;
    int Eject() override;
    bool ReopenSource() override;

private:
    bool Move(int& n, const PlayMode& mode, bool active, bool backwards);
    bool Step(int& n, const PlayMode& mode, bool active, bool backwards);
    bool MoveAcrossDiscs(int& n, const PlayMode& mode, bool active, bool backwards);
    bool MoveAmongDrawnDiscs(int& n, const PlayMode& mode, bool active);
    // The first playable row from this disc's order (from its first entry
    // when `fresh`), stopping at the order's end; 0 at the end.
    int WalkDisc(int row, const PlayMode& mode, bool active, bool backwards, bool fresh);
    // Goes over to drive `drive`: this disc's order is kept for a later
    // return when `keep`; the new disc takes its kept order, else a new
    // one. False when that drive has nothing to play. `fresh`: no entry
    // of the new disc's order was played yet.
    bool SwitchDisc(int drive, bool keep, bool& fresh);
    std::uint32_t NextSeed() { return seed_() + 0x9E3779B9u * ++builds_; }

    MediaDevice& device_;
    std::string source_;
    cd::CdTrackList rows_;
    ShuffleOrder shuffle_;
    int selected_ = 0;
    int prepared_ = 0;  // the row FirstPlayable chose, which Start plays
    std::function<void(int)> select_hook_;
    std::function<std::uint32_t()> seed_;

    std::optional<DiscRotation> rotation_;
    // Random drive choice: the orders of discs left for another drive (by
    // source), and the drives whose disc's order ended in this pass.
    std::map<std::string, ShuffleOrder> kept_;
    std::set<int> spent_;
    // A pass over the discs ended: the next play starts a new one.
    bool new_pass_ = false;
    std::minstd_rand draws_;
    std::uint32_t builds_ = 0;
};

}  // namespace nuko::playback
