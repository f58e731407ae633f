// A clock that moves only when a test steps it.
#pragma once

#include <chrono>

#include "platform/VirtualCdDevice.h"

namespace lintel::test {

class StepClock : public CdClock {
public:
    std::chrono::milliseconds Now() const override { return now_; }
    void Step(std::chrono::milliseconds d) { now_ += d; }

private:
    std::chrono::milliseconds now_{0};
};

}  // namespace lintel::test
