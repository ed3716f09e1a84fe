// The file area's side of playing: the PlayList over a FileAreaModel, with
// the file area's next-item rules and the shuffle order.
#pragma once

#include <functional>

#include "library/file_area_model.h"
#include "media_device.h"
#include "play_list.h"
#include "shuffle_order.h"

namespace nuko::playback {

class FilePlayList : public PlayList {
public:
    FilePlayList(media::FileAreaModel& model, MediaDevice& device);

    // After the model was loaded: a new shuffle order, the selection kept
    // within the list and swapped into the order's first entry.
    void Reloaded(int selected);
    // Rows were added at the end of a list that is still being read.
    void RowsAdded() { shuffle_.Extend(Count(), seed_()); }
    // The view's selection changed (no echo to the view).
    void SetSelected(int n) { selected_ = n; }
    // The view follows Select().
    void SetSelectHook(std::function<void(int)> hook) { select_hook_ = std::move(hook); }
    // Display titles (the frame knows the title options); empty: the
    // catalog's title or the file name.
    void SetTitleSource(std::function<std::string(int)> source) { title_source_ = std::move(source); }
    // The seed of new shuffle orders (the time in seconds; tests fix it).
    void SetSeedSource(std::function<std::uint32_t()> seed) { seed_ = std::move(seed); }
    const ShuffleOrder& shuffle() const { return shuffle_; }
    // Archive rows play (through the controller's archive step) only when
    // the archive library is there.
    void SetArchivesPlayable(bool on) { archives_playable_ = on; }

    media::MediaKind kind() const override { return model_.list().kind; }
    int Count() const override { return model_.rows(); }
    int Selected() const override { return selected_; }
    void Select(int n) override;
    bool FirstPlayable(int& n, std::string& path, const PlayMode& mode, bool backwards) override;
    bool Next(int& n, const PlayMode& mode, bool active) override { return Move(n, mode, active, false); }
    bool Previous(int& n, const PlayMode& mode, bool active) override { return Move(n, mode, active, true); }
    int Open(const std::string& path, void* owner) override;
    int Start() override;
    int PlayableCount() const override { return Count(); }
    std::string ItemTitle(int n) const override;
    std::string ItemInitFile(int n) const override;
    void ShuffleSwapCurrent(int current) override { shuffle_.SwapCurrent(current); }
    void ShuffleSeekCurrent(int current) override { shuffle_.SeekCurrent(current); }

private:
    bool Move(int& n, const PlayMode& mode, bool active, bool backwards);
    // The row's path when it can be prepared for play.
    std::string PlayablePath(int n) const;

    media::FileAreaModel& model_;
    MediaDevice& device_;
    ShuffleOrder shuffle_;
    int selected_ = 0;
    bool archives_playable_ = false;
    std::function<void(int)> select_hook_;
    std::function<std::string(int)> title_source_;
    std::function<std::uint32_t()> seed_;
};

}  // namespace nuko::playback
