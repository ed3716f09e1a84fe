// A clock that moves only when the test says so.
#pragma once

#include "nuko/clock.h"

namespace nuko::test {

class ManualClock final : public Clock {
public:
    std::int64_t NowMs() const override { return now_; }
    void Advance(std::int64_t ms) { now_ += ms; }
    void Set(std::int64_t ms) { now_ = ms; }

private:
    std::int64_t now_ = 0;
};

}  // namespace nuko::test
