// Queued calls: the Linux form of a posted window message. A call posted
// from any thread runs later on the thread that owns the dispatcher, once
// its loop comes back to it; library threads never act on the owner's state
// themselves.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace nuko {

class Dispatcher {
public:
    virtual ~Dispatcher() = default;
    // Queues `call` for the owner thread. Thread-safe; never runs the call
    // before returning.
    virtual void Post(std::function<void()> call) = 0;
};

// A queue that its owner drains: for programs without a Qt event loop (the
// command-line tool) and for tests.
class CallQueue final : public Dispatcher {
public:
    void Post(std::function<void()> call) override;
    // Runs the calls queued so far, and those they queue in turn; returns
    // how many ran.
    std::size_t RunPending();
    // Waits up to `timeout` for a call to arrive, then runs what is queued.
    std::size_t WaitAndRun(std::chrono::milliseconds timeout);
    bool empty() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> calls_;
};

}  // namespace nuko
