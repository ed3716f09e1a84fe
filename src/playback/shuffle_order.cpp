#include "shuffle_order.h"

#include <algorithm>
#include <random>

namespace nuko::playback {

void ShuffleOrder::Build(int n, std::uint32_t seed) {
    order_.clear();
    cursor_ = 0;
    if (n <= 0) return;
    // Draw item numbers and keep the ones not yet taken, so every order is
    // a permutation; a shuffle of the identity gives the same distribution
    // in one pass.
    order_.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) order_[static_cast<std::size_t>(i)] = i + 1;
    std::mt19937 rng(seed);
    std::shuffle(order_.begin(), order_.end(), rng);
}

void ShuffleOrder::Extend(int n, std::uint32_t seed) {
    const int had = size();
    if (n <= had) return;
    if (had == 0) {
        Build(n, seed);
        return;
    }
    for (int i = had; i < n; ++i) order_.push_back(i + 1);
    // What was played and the entry at the cursor stay where they are.
    std::mt19937 rng(seed);
    std::shuffle(order_.begin() + cursor_ + 1, order_.end(), rng);
}

int ShuffleOrder::Current() const {
    if (order_.empty()) return 0;
    return order_[static_cast<std::size_t>(cursor_)];
}

ShuffleOrder::Step ShuffleOrder::Advance(bool backwards, bool stop_at_end) {
    Step s;
    if (order_.empty()) {
        s.ended = true;
        return s;
    }
    int next = cursor_ + (backwards ? -1 : 1);
    if (next < 0 || next >= size()) {
        s.ended = true;
        if (!stop_at_end) cursor_ = backwards ? size() - 1 : 0;
    } else {
        cursor_ = next;
    }
    s.item = Current();
    return s;
}

void ShuffleOrder::SwapCurrent(int item) {
    auto it = std::find(order_.begin(), order_.end(), item);
    if (it == order_.end()) return;
    std::iter_swap(it, order_.begin() + cursor_);
}

void ShuffleOrder::SeekCurrent(int item) {
    auto it = std::find(order_.begin(), order_.end(), item);
    if (it != order_.end()) cursor_ = static_cast<int>(it - order_.begin());
}

bool StepInOrder(ShuffleOrder& shuffle, int& n, int count, const PlayMode& mode, bool active, bool backwards,
                 const std::function<std::uint32_t()>& seed) {
    if (mode.random) {
        const bool stop_at_end = mode.mode == PlayOrder::Sequential;
        ShuffleOrder::Step s = shuffle.Advance(backwards, stop_at_end);
        if (s.ended) {
            if (stop_at_end) return false;
            if (active) {
                // A new pass in a new order, from its first entry.
                shuffle.Build(count, seed());
                s.item = shuffle.Current();
            }
        }
        if (s.item == 0) return false;
        n = s.item;
        return true;
    }
    int next = backwards ? n - 1 : n + 1;
    if (next < 1 || next > count) {
        if (mode.mode == PlayOrder::Sequential) return false;  // stays on the last (first) item
        next = backwards ? count : 1;
    }
    n = next;
    return true;
}

}  // namespace nuko::playback
