// What the play controller needs of the list that plays (the file area, the
// CD track panel). Item numbers are 1-based; 0 means none.
#pragma once

#include <string>

#include "library/media_kinds.h"

namespace nuko::playback {

// The play mode of a media kind: mode 0 selected only, 1 sequential, 2 loop,
// 3 repeat the selected item; random and intro switches.
// The order of play; the values are those of the settings files.
enum class PlayOrder : int { Selected = 0, Sequential = 1, Loop = 2, Repeat = 3 };

// A stored order number as an order; numbers out of range give Loop.
constexpr PlayOrder PlayOrderFrom(int stored) {
    return stored >= 0 && stored <= 3 ? static_cast<PlayOrder>(stored) : PlayOrder::Loop;
}

struct PlayMode {
    PlayOrder mode = PlayOrder::Loop;
    bool random = false;
    bool intro = false;
};

class PlayList {
public:
    virtual ~PlayList() = default;

    virtual media::MediaKind kind() const = 0;
    virtual int Count() const = 0;
    bool IsEmpty() const { return Count() == 0; }
    virtual int Selected() const = 0;
    // Makes item n selected and visible.
    virtual void Select(int n) = 0;
    // From item n on, stepping by the mode's rules, the first item that can
    // be prepared for play; n and path are set. False when none is found
    // within Count() steps.
    virtual bool FirstPlayable(int& n, std::string& path, const PlayMode& mode, bool backwards) = 0;
    // Moves n to the next (previous) item by the mode's rules and selects
    // it; false when playback should end. `active`: an item was playing.
    virtual bool Next(int& n, const PlayMode& mode, bool active) = 0;
    virtual bool Previous(int& n, const PlayMode& mode, bool active) = 0;
    // Opens the item's path on the device (0 or the device's error) and
    // starts it with a completion notice.
    virtual int Open(const std::string& path, void* owner) = 0;
    virtual int Start() = 0;
    virtual int PlayableCount() const = 0;
    virtual std::string ItemTitle(int n) const = 0;
    // What the device calls item n (a CD row's track number).
    virtual int DeviceItem(int n) const { return n; }
    // The initialisation file a catalog names for item n (empty: none).
    virtual std::string ItemInitFile(int n) const { (void)n; return {}; }
    // The shuffle order: put the current item at the cursor / move the
    // cursor to the entry that holds it.
    virtual void ShuffleSwapCurrent(int current) = 0;
    virtual void ShuffleSeekCurrent(int current) = 0;
    // Eject: the CD panel opens the door; nonzero asks for a reload of the
    // list. ReopenSource tries to open the list's source again.
    virtual int Eject() { return 1; }
    virtual bool ReopenSource() { return false; }
};

}  // namespace nuko::playback
