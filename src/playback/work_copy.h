// A copy of a media file to the work folder on a thread of its own. A film
// read from a CD-ROM takes minutes; the window's thread goes on meanwhile,
// so the progress window paints and its Cancel button is heard at once.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "nuko/dispatch.h"

namespace nuko::playback {

class WorkCopy {
public:
    // Both run on the owner thread, and only while the copy is alive.
    struct Handlers {
        std::function<void(int percent)> progress;
        // Once, with files::CopyFile's result (kCopyCancelled when stopped).
        std::function<void(int result)> done;
    };

    // Starts copying `source` to `target`.
    WorkCopy(Dispatcher& owner, std::string source, std::string target, Handlers handlers);
    // Stops the copy and waits for its thread. Nothing more is handed over,
    // and a copy whose end was not handed over is removed: no file is left
    // that nobody owns.
    ~WorkCopy();
    WorkCopy(const WorkCopy&) = delete;
    WorkCopy& operator=(const WorkCopy&) = delete;

    // The copy ends soon with kCopyCancelled. Any thread.
    void Cancel() { shared_->stop = true; }
    const std::string& target() const { return target_; }

private:
    // What the worker shares with the owner.
    struct Shared {
        std::atomic<bool> stop{false};
        std::atomic<int> result{0};
    };

    Dispatcher& owner_;
    const std::string target_;
    Handlers handlers_;
    bool delivered_ = false;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::thread worker_;
};

}  // namespace nuko::playback
