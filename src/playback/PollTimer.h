// The poll timer Timer1 as the engine drives it. The engine alone decides whether the
// window's timer runs: only while switched on and with an interval above 0, since Qt
// would fire a zero interval on every pass of the event loop.
#pragma once

#include "playback/BarView.h"

namespace lintel {

class TPollTimer {
public:
    /// `view` must outlive the timer.
    explicit TPollTimer(TBarView& view) : view_(view) {}

    /// Sets the interval in milliseconds (below 0 counts as 0); 0 stops the timer until
    /// another interval comes.
    void SetInterval(int milliseconds);
    /// Lets ticks come again, as soon as the interval allows.
    void SwitchOn();
    /// Holds ticks back, around work that no tick may interrupt.
    void SwitchOff();
    /// Whether the window's timer runs.
    [[nodiscard]] bool Runs() const { return on_ && interval_ > 0; }

private:
    TBarView& view_;
    int interval_ = 1000;
    bool on_ = false;
};

}  // namespace lintel
