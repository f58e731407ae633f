#include "app/PollTimer.h"

namespace lintel {

void TPollTimer::SetInterval(int milliseconds) {
    interval_ = milliseconds;
    Update();
}

void TPollTimer::SetEnabled(bool enabled) {
    wanted_ = enabled;
    Update();
}

void TPollTimer::Begin() {
    begun_ = true;
    Update();
}

void TPollTimer::End() {
    ended_ = true;
    Update();
}

void TPollTimer::Update() {
    if (!begun_ || ended_ || !wanted_ || interval_ <= 0) {
        timer_.stop();
        return;
    }
    if (timer_.interval() != interval_)
        timer_.setInterval(interval_);
    if (!timer_.isActive())
        timer_.start();
}

}  // namespace lintel
