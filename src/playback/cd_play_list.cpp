#include "playback/cd_play_list.h"

#include <ctime>
#include <utility>

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
    new_pass_ = false;
    shuffle_.Build(Count(), seed_());
    selected_ = (selected >= 1 && selected <= Count()) ? selected : (Count() ? 1 : 0);
    if (selected_) shuffle_.SwapCurrent(selected_);
}

void CdPlayList::ShuffleSeekCurrent(int current) {
    // The user's play after a pass over the discs ended starts the next
    // pass: the disc in use, which the pass left at the end of its order (or
    // anywhere in it), takes a new order with the chosen track first, as
    // every other disc does when it is drawn. Otherwise the order goes on
    // from the chosen track.
    if (std::exchange(new_pass_, false)) {
        shuffle_.Build(Count(), NextSeed());
        shuffle_.SwapCurrent(current);
        return;
    }
    shuffle_.SeekCurrent(current);
}

void CdPlayList::Select(int n) {
    selected_ = n;
    if (select_hook_) select_hook_(n);
}

bool CdPlayList::FirstPlayable(int& n, std::string& path, const PlayMode& mode, bool backwards) {
    const bool nothing_here = Count() == 0 || source_.empty() || rows_.PlayableCount() == 0;
    if (nothing_here && rotation_ && mode.mode != PlayOrder::Selected) {
        // Multi-CD play starts on the next drive that has something.
        PlayMode in_order = mode;
        in_order.random = false;
        int row = 0;
        if (!MoveAcrossDiscs(row, in_order, false, backwards)) return false;
        n = row;
    } else if (nothing_here) {
        return false;
    }
    if (n < 1 || n > Count()) n = 1;
    int row = n;
    for (int tries = 0; tries < Count(); ++tries) {
        if (!rows_.Excluded(row)) {
            n = row;
            prepared_ = row;
            path = source_;
            if (new_pass_) ShuffleSeekCurrent(row);  // a play not asked by the user starts the pass too
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
    if (rotation_ && mode.mode != PlayOrder::Selected && mode.mode != PlayOrder::Repeat)
        return MoveAcrossDiscs(n, mode, active, backwards);
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

void CdPlayList::SetRotation(std::optional<DiscRotation> rotation) {
    // Settings applied between passes leave the disc in use where the last
    // pass left it: the next play still starts a new pass.
    rotation_ = std::move(rotation);
    draws_.seed(seed_());
    ForgetOtherDiscs();
}

void CdPlayList::ForgetOtherDiscs() {
    kept_.clear();
    spent_.clear();
}

namespace {

// The drive after (before) `from` among the drives taking part, going
// round when `wrap`; -1 when there is none.
int NextDrive(const std::vector<int>& drives, int from, bool backwards, bool wrap) {
    if (drives.empty()) return -1;
    if (!backwards) {
        for (int d : drives)
            if (d > from) return d;
        return wrap ? drives.front() : -1;
    }
    for (auto it = drives.rbegin(); it != drives.rend(); ++it)
        if (*it < from) return *it;
    return wrap ? drives.back() : -1;
}

}  // namespace

int CdPlayList::WalkDisc(int row, const PlayMode& mode, bool active, bool backwards, bool fresh) {
    // A disc's own order stops at its end: the next disc follows.
    PlayMode once = mode;
    once.mode = PlayOrder::Sequential;
    for (int tries = 0; tries <= Count(); ++tries) {
        if (fresh) {
            row = mode.random ? shuffle_.Current() : (backwards ? Count() : 1);
            fresh = false;
        } else if (!StepInOrder(shuffle_, row, Count(), once, active, backwards, seed_)) {
            return 0;
        }
        if (row >= 1 && row <= Count() && !rows_.Excluded(row)) return row;
    }
    return 0;
}

bool CdPlayList::SwitchDisc(int drive, bool keep, bool& fresh) {
    const std::string left = source_;
    const ShuffleOrder order = shuffle_;
    if (!rotation_->load(drive)) {
        // The owner read the old disc again: its order goes on.
        if (source_ == left) shuffle_ = order;
        return false;
    }
    if (keep && !left.empty()) kept_[left] = order;
    auto it = kept_.find(source_);
    if (keep && it != kept_.end()) {
        shuffle_ = it->second;
        kept_.erase(it);
        fresh = false;
    } else {
        shuffle_.Build(Count(), NextSeed());
        fresh = true;
    }
    return true;
}

bool CdPlayList::MoveAcrossDiscs(int& n, const PlayMode& mode, bool active, bool backwards) {
    if (mode.random && rotation_->random_drive && !backwards) return MoveAmongDrawnDiscs(n, mode, active);
    const bool wrap = mode.mode == PlayOrder::Loop;
    const std::vector<int> drives = rotation_->drives();
    int row = WalkDisc(n, mode, active, backwards, false);
    // Past this disc's end: the next drive's disc from its start, each
    // drive at most once, and round to the first one when the order loops.
    int from = rotation_->current();
    for (std::size_t hops = 0; row == 0 && hops <= drives.size(); ++hops) {
        const int next = NextDrive(drives, from, backwards, wrap);
        if (next < 0) return false;
        from = next;
        bool fresh = true;
        if (next == rotation_->current()) {
            shuffle_.Build(Count(), NextSeed());  // round again to the disc in use
        } else if (!SwitchDisc(next, false, fresh)) {
            continue;
        }
        row = WalkDisc(0, mode, active, backwards, fresh);
    }
    if (row == 0) return false;
    n = row;
    Select(n);
    return true;
}

bool CdPlayList::MoveAmongDrawnDiscs(int& n, const PlayMode& mode, bool active) {
    const bool wrap = mode.mode == PlayOrder::Loop;
    const std::vector<int> drives = rotation_->drives();
    // Each track's drive is drawn from those whose order has not ended in
    // this pass; a disc left for another keeps its order for the return.
    bool current_fresh = false;
    int row = 0;
    const std::size_t guard = 4 * (drives.size() + 1);
    for (std::size_t tries = 0; row == 0 && tries < guard; ++tries) {
        std::vector<int> open;
        for (int d : drives)
            if (!spent_.count(d)) open.push_back(d);
        if (open.empty()) {
            if (!wrap || drives.empty()) {
                ForgetOtherDiscs();  // the next play is a new pass
                new_pass_ = true;
                return false;
            }
            // A new pass over every disc, each in a new order when it is
            // drawn.
            spent_.clear();
            kept_.clear();
            current_fresh = true;
            continue;
        }
        const int pick = open[draws_() % open.size()];
        bool fresh = false;
        if (pick == rotation_->current()) {
            if (std::exchange(current_fresh, false)) {
                shuffle_.Build(Count(), NextSeed());
                fresh = true;
            }
        } else if (SwitchDisc(pick, !current_fresh, fresh)) {
            current_fresh = false;  // the disc left had no part of this pass yet
        } else {
            spent_.insert(pick);
            continue;
        }
        row = WalkDisc(n, mode, active, false, fresh);
        if (row == 0) spent_.insert(pick);
    }
    if (row == 0) return false;
    n = row;
    Select(n);
    return true;
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
