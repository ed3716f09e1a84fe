#include "nuko/dispatch.h"

namespace nuko {

void CallQueue::Post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    arrived_.notify_one();
}

std::size_t CallQueue::RunPending() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex_);
            if (calls_.empty()) return ran;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
        ++ran;
    }
}

std::size_t CallQueue::WaitAndRun(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, timeout, [this] { return !calls_.empty(); });
    }
    return RunPending();
}

bool CallQueue::empty() const {
    std::lock_guard lock(mutex_);
    return calls_.empty();
}

}  // namespace nuko
