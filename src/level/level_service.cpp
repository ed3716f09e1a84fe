#include "level_service.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace nuko::level {
namespace {

// The worker yields the processor to everything else: playback first.
void LowerPriority() {
    sched_param param{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

}  // namespace

LevelService::LevelService(Dispatcher& owner, std::string cache_file, Measurers measurers)
    : owner_(owner), measurers_(std::move(measurers)), cache_(std::move(cache_file)) {
    cache_.Load();
    worker_ = std::thread([this] { Run(); });
}

LevelService::~LevelService() {
    *alive_ = false;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        cancel_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

std::optional<LoudnessKey> LevelService::KeyOf(const LevelItem& item) const {
    switch (item.kind) {
        case LevelKind::Midi:
        case LevelKind::Media: return FileKey(item.path, item.identity);
        case LevelKind::CdTrack: {
            LoudnessKey key;
            if (auto image = FileKey(item.path)) key = *image;
            key.path = item.path + "#" + std::to_string(item.track);
            key.settings = item.identity;
            return key;
        }
    }
    return std::nullopt;
}

std::optional<LoudnessCache::Hit> LevelService::Known(const LevelItem& item) {
    auto key = KeyOf(item);
    if (!key) return std::nullopt;
    std::lock_guard lock(mutex_);
    return cache_.Find(*key);
}

double LevelService::GainFor(const LevelItem& item, double target_lufs) {
    auto hit = Known(item);
    if (!hit || !hit->current) Measure(item);
    return hit ? LevelGainDb(hit->loudness, target_lufs) : 0.0;
}

void LevelService::Measure(const LevelItem& item) {
    auto key = KeyOf(item);
    if (!key) return;
    {
        std::lock_guard lock(mutex_);
        if (auto hit = cache_.Find(*key); hit && hit->current) return;
        if (busy_ && *busy_ == item) return;
        for (const auto& f : failed_)
            if (f == *key) return;
        for (const auto& [queued, k] : queue_)
            if (queued == item) return;
        queue_.emplace_back(item, *key);
    }
    changed_.notify_all();
}

void LevelService::WaitIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void LevelService::Run() {
    LowerPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        auto [item, key] = std::move(queue_.front());
        queue_.pop_front();
        busy_ = item;
        lock.unlock();

        const Measurer& measure = item.kind == LevelKind::Midi    ? measurers_.midi
                                  : item.kind == LevelKind::Media ? measurers_.media
                                                                  : measurers_.cd;
        Loudness loudness;
        std::string error;
        bool ok = measure && measure(item, cancel_, &loudness, &error);
        if (!measure) error = "measuring is not available";

        lock.lock();
        if (stopping_) return;
        if (ok) {
            cache_.Put(key, loudness);
            // A cache that cannot be written costs a measurement next time,
            // nothing more.
            cache_.Save();
        } else {
            failed_.push_back(key);
        }
        // Posted before the item counts as done, so that whoever waited for
        // the worker to be idle finds the result queued.
        std::weak_ptr<bool> alive = alive_;
        owner_.Post([this, alive, item = item, loudness, ok, error] {
            auto a = alive.lock();
            if (!a || !*a) return;
            if (ok && on_measured) on_measured(item, loudness);
            if (!ok && on_failed) on_failed(item, error);
        });
        busy_.reset();
        changed_.notify_all();
    }
}

}  // namespace nuko::level
