// The insert check's look into the drives, on a thread of its own: opening a
// drive waits for the disc to spin up or for a busy tray, which the window's
// thread must not do every few seconds. One look runs at a time; its answer
// comes back through the owner's dispatcher.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "nuko/dispatch.h"

namespace nuko::cd {

class DiscWatch {
public:
    // The disc id in a drive, empty when there is none (runs on the worker).
    using IdReader = std::function<std::string(const std::string& device)>;
    // The ids, one per device in the order asked (runs on the owner thread).
    using Answer = std::function<void(std::vector<std::string> ids)>;

    // `read` unset: the id of the disc libcdio reads from the drive.
    explicit DiscWatch(Dispatcher& owner, IdReader read = {});
    // Waits for a look under way; its answer is dropped.
    ~DiscWatch();
    DiscWatch(const DiscWatch&) = delete;
    DiscWatch& operator=(const DiscWatch&) = delete;

    // Starts a look at `devices`; false (and nothing starts) while the last
    // one has not answered. Owner thread only.
    bool Start(std::vector<std::string> devices, Answer answer);
    bool busy() const { return busy_; }

private:
    Dispatcher& owner_;
    IdReader read_;  // shared with the worker, never changed
    bool busy_ = false;
    std::thread worker_;
    // Posted answers check it: the watch may be gone when they run.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The id that DiscWatch reads by default.
std::string DiscIdInDrive(const std::string& device);

}  // namespace nuko::cd
