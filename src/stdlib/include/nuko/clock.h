// Where timers take their elapsed milliseconds from, so that timing logic is
// tested without waiting.
#pragma once

#include <chrono>
#include <cstdint>

namespace nuko {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary start; never goes back.
    virtual std::int64_t NowMs() const = 0;
};

class SteadyClock final : public Clock {
public:
    std::int64_t NowMs() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace nuko
