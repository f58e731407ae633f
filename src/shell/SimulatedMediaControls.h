// Media controls held in memory, for tests: they keep what the bar showed them and let a
// test make the desktop's requests.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/MediaControls.h"

namespace lintel {

class TSimulatedMediaControls : public TMediaControls {
public:
    void SetRequests(TMediaRequests requests) override { requests_ = std::move(requests); }
    /// Counts the updates that changed anything, as the bus would have been told.
    void Update(const TMediaState& state) override {
        if (changes_ > 0 && state == state_)
            return;
        state_ = state;
        ++changes_;
    }
    void Seeked(std::int64_t position) override { seeked_.push_back(position); }

    [[nodiscard]] const TMediaState& State() const { return state_; }
    [[nodiscard]] const TMediaRequests& Requests() const { return requests_; }
    [[nodiscard]] int Changes() const { return changes_; }
    [[nodiscard]] const std::vector<std::int64_t>& SeekedTo() const { return seeked_; }

private:
    TMediaRequests requests_;
    TMediaState state_;
    int changes_ = 0;
    std::vector<std::int64_t> seeked_;
};

}  // namespace lintel
