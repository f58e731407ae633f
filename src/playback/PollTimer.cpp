#include "playback/PollTimer.h"

#include <algorithm>

namespace lintel {

void TPollTimer::SetInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 0);
    view_.SetTimerInterval(interval_);
    view_.SetTimerEnabled(Runs());
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
