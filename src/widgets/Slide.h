// The glide of a window from one rectangle to another. It is driven by elapsed time, not
// by a count of steps: a slow machine draws fewer steps but arrives on time. Between steps
// it sleeps, at about the display's pace, instead of spinning the processor.
#pragma once

#include <cstdint>
#include <functional>

#include "shell/AppBarShell.h"

namespace lintel {

class TSlide {
public:
    /// Milliseconds from any fixed start.
    using TClock = std::function<std::int64_t()>;
    /// Waits about `milliseconds`.
    using TSleep = std::function<void(int milliseconds)>;
    /// Time between two steps: about 60 steps a second.
    static constexpr int kStepMilliseconds = 16;

    /// A slide on the steady clock that really sleeps.
    TSlide();

    void SetClock(TClock clock) { clock_ = std::move(clock); }
    void SetSleep(TSleep sleep) { sleep_ = std::move(sleep); }

    /// Calls `step` with the rectangle between `from` and `to` at each elapsed time t
    /// below `duration` milliseconds (t = 0 first): each corner and size moves by its
    /// difference times t / duration, the product taken first, truncated toward zero. The
    /// clock is read once before the first step and once after each. Placing the window
    /// on `to` at the end is the caller's.
    void Run(const TRect& from, const TRect& to, int duration,
             const std::function<void(const TRect&)>& step) const;

private:
    TClock clock_;
    TSleep sleep_;
};

}  // namespace lintel
