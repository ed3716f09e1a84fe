#include "playback/cd_play_list.h"

#include <ctime>

#include "cd/disc_toc.h"
#include "media_errors.h"

namespace nuko::playback {

CdPlayList::CdPlayList(MediaDevice& device)
    : device_(device), seed_([] { return static_cast<std::uint32_t>(std::time(nullptr)); }) {}

void CdPlayList::SetDisc(std::string source, cd::CdTrackList rows, int selected) {
    source_ = std::move(source);
    rows_ = std::move(rows);
    prepared_ = 0;
    Reloaded(selected);
}

void CdPlayList::Reloaded(int selected) {
    shuffle_.Build(Count(), seed_());
    selected_ = (selected >= 1 && selected <= Count()) ? selected : (Count() ? 1 : 0);
    if (selected_) shuffle_.SwapCurrent(selected_);
}

void CdPlayList::Select(int n) {
    selected_ = n;
    if (select_hook_) select_hook_(n);
}

bool CdPlayList::FirstPlayable(int& n, std::string& path, const PlayMode& mode, bool backwards) {
    if (Count() == 0 || source_.empty() || rows_.PlayableCount() == 0) return false;
    if (n < 1 || n > Count()) n = 1;
    int row = n;
    for (int tries = 0; tries < Count(); ++tries) {
        if (!rows_.Excluded(row)) {
            n = row;
            prepared_ = row;
            path = source_;
            return true;
        }
        // An excluded track is passed over even in the modes that would
        // stay on it.
        PlayMode on = mode;
        if (on.mode == PlayOrder::Selected || on.mode == PlayOrder::Repeat) on.mode = PlayOrder::Loop;
        if (!Step(row, on, false, backwards)) return false;
    }
    return false;
}

bool CdPlayList::Move(int& n, const PlayMode& mode, bool active, bool backwards) {
    if (Count() == 0 || rows_.PlayableCount() == 0) return false;
    if (mode.mode == PlayOrder::Repeat) {
        Select(n);
        return true;
    }
    int row = n;
    for (int tries = 0; tries <= Count(); ++tries) {
        if (!Step(row, mode, active, backwards)) return false;
        if (!rows_.Excluded(row)) {
            n = row;
            Select(n);
            return true;
        }
    }
    return false;
}

bool CdPlayList::Step(int& n, const PlayMode& mode, bool active, bool backwards) {
    if (mode.mode == PlayOrder::Selected) return false;
    return StepInOrder(shuffle_, n, Count(), mode, active, backwards, seed_);
}

int CdPlayList::Open(const std::string& path, void* owner) { return device_.Open(media::MediaKind::Cd, path, owner); }

int CdPlayList::Start() {
    const int track = rows_.TrackOfRow(prepared_ ? prepared_ : selected_);
    if (track == 0) return mci::kOutOfRange;
    return device_.Play(media::MediaKind::Cd, track, device_.CdTrackCount(), false, true, false);
}

std::string CdPlayList::ItemTitle(int n) const {
    if (n < 1 || n > Count()) return {};
    return rows_.rows()[static_cast<std::size_t>(n - 1)].title;
}

int CdPlayList::Eject() {
    // An image has no door: the list is read again from its file.
    if (source_.empty() || cd::IsDiscImagePath(source_)) return 1;
    return device_.CdDoor(source_, true) == 0 ? 0 : 1;
}

bool CdPlayList::ReopenSource() {
    if (source_.empty()) return false;
    return cd::OpenDisc(source_) != nullptr;
}

}  // namespace nuko::playback
