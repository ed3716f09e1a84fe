// The random play order of a list: a permutation of the item numbers 1..n
// with a cursor, never a reordering of the list itself.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "play_list.h"

namespace nuko::playback {

class ShuffleOrder {
public:
    // A new order of n items drawn from a generator seeded with `seed` (the
    // player seeds it with the time in seconds); the cursor starts at 0.
    void Build(int n, std::uint32_t seed);
    // Takes in the items up to n that a growing list added: they join the
    // entries after the cursor, which are drawn again.
    void Extend(int n, std::uint32_t seed);

    int size() const { return static_cast<int>(order_.size()); }
    int cursor() const { return cursor_; }
    // The item at the cursor; 0 for an empty order.
    int Current() const;
    const std::vector<int>& order() const { return order_; }

    struct Step {
        int item = 0;       // the item at the new cursor
        bool ended = false;  // the step passed the end (or the start)
    };
    // Moves the cursor one entry forward (or back). Past the end: with
    // `stop_at_end` the cursor stays; otherwise it wraps. Both report the end.
    Step Advance(bool backwards, bool stop_at_end);

    // Puts `item` into the entry at the cursor, its old place taking the
    // number that stood there.
    void SwapCurrent(int item);
    // Moves the cursor to the entry that holds `item`.
    void SeekCurrent(int item);

private:
    std::vector<int> order_;
    int cursor_ = 0;
};

// One step of a list of `count` items in the order of `mode` (not Selected
// or Repeat, which the lists handle themselves): by number, Sequential
// stopping at the ends and Loop wrapping; with random, through `shuffle`,
// a looping pass that ended while an item was `active` starting a new
// order drawn with `seed`. False when the order ends.
bool StepInOrder(ShuffleOrder& shuffle, int& n, int count, const PlayMode& mode, bool active, bool backwards,
                 const std::function<std::uint32_t()>& seed);

}  // namespace nuko::playback
