// A clock that moves only when a test steps it.
#pragma once

#include <chrono>

#include "platform/VirtualCdDevice.h"

namespace lintel::test {

class StepClock : public CdClock {
public:
    explicit StepClock(std::chrono::milliseconds start = {}) : now_(start) {}
    std::chrono::milliseconds Now() const override { return now_; }
    void Step(std::chrono::milliseconds d) { now_ += d; }

private:
    std::chrono::milliseconds now_;
};

}  // namespace lintel::test
