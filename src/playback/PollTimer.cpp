#include "playback/PollTimer.h"

#include <algorithm>

namespace lintel {

void TPollTimer::SetInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 0);
    // Stopped before a zero interval reaches the window's timer; started only once the
    // new interval is there.
    if (!Runs()) {
        view_.SetTimerEnabled(false);
    }
    view_.SetTimerInterval(interval_);
    if (Runs()) {
        view_.SetTimerEnabled(true);
    }
}

void TPollTimer::SwitchOn() {
    on_ = true;
    view_.SetTimerEnabled(Runs());
}

void TPollTimer::SwitchOff() {
    on_ = false;
    view_.SetTimerEnabled(Runs());
}

}  // namespace lintel
