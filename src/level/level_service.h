// Measures the loudness of the items the player plays, one at a time on a
// worker thread of low priority, keeps what it measured in the cache file,
// and answers at once with the gain an item plays at: its measured one,
// else its last known one while it is measured again, else 0 (its kind's
// default level) while it waits for its turn.
//
// Threading: every call but the measurers comes from the owner thread, the
// one that owns the Dispatcher. The measurers run on the worker and see
// only the item and a cancel flag; results come back as posted calls. The
// destructor stops the worker (cancelling what it measures) and waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "loudness.h"
#include "loudness_cache.h"
#include "nuko/dispatch.h"

namespace nuko::level {

enum class LevelKind { Midi, Media, CdTrack };

struct LevelItem {
    LevelKind kind = LevelKind::Media;
    std::string path;  // the file; for a CD track the drive or disc image
    int track = 0;     // the CD track, from 1
    // What else the sound depends on: for a song the synthesizer's fonts
    // and loops, for a CD in a drive what tells this disc from another one
    // (its table of contents). Another identity measures again.
    std::string identity;

    bool operator==(const LevelItem&) const = default;
};

class LevelService {
public:
    // Measures one item; false with the reason when it cannot. Runs on the
    // worker thread; should return soon after `cancel` turns true.
    using Measurer = std::function<bool(const LevelItem& item, const std::atomic<bool>& cancel, Loudness* out,
                                        std::string* error)>;
    struct Measurers {
        Measurer midi;
        Measurer media;
        Measurer cd;
    };

    LevelService(Dispatcher& owner, std::string cache_file, Measurers measurers);
    ~LevelService();
    LevelService(const LevelService&) = delete;
    LevelService& operator=(const LevelService&) = delete;

    // The gain that `item` plays at now to reach `target_lufs`; an item
    // not measured under its current key is queued.
    double GainFor(const LevelItem& item, double target_lufs);
    // What is known of the item: measured, or last known (current false).
    std::optional<LoudnessCache::Hit> Known(const LevelItem& item);
    // Queues the item unless it is measured or queued already.
    void Measure(const LevelItem& item);

    // An item was measured (on the owner thread).
    std::function<void(const LevelItem& item, const Loudness& loudness)> on_measured;
    // An item could not be measured (on the owner thread), with the reason.
    std::function<void(const LevelItem& item, const std::string& error)> on_failed;

    // For tests and the command-line tool: blocks until the queue is empty
    // and nothing is being measured.
    void WaitIdle();

private:
    std::optional<LoudnessKey> KeyOf(const LevelItem& item) const;
    void Run();

    Dispatcher& owner_;
    Measurers measurers_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    std::mutex mutex_;  // guards what follows, shared with the worker
    std::condition_variable changed_;
    LoudnessCache cache_;
    std::deque<std::pair<LevelItem, LoudnessKey>> queue_;
    std::optional<LevelItem> busy_;
    std::vector<LoudnessKey> failed_;  // not asked again while they stay as they are
    bool stopping_ = false;
    std::atomic<bool> cancel_{false};
    std::thread worker_;
};

}  // namespace nuko::level
