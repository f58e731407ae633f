#include "app/BarTimer.h"

namespace lintel {

void TBarTimer::SetInterval(int milliseconds) {
    interval_ = milliseconds;
    Update();
}

void TBarTimer::SetEnabled(bool enabled) {
    wanted_ = enabled;
    Update();
}

void TBarTimer::Begin() {
    begun_ = true;
    Update();
}

void TBarTimer::End() {
    ended_ = true;
    Update();
}

void TBarTimer::Update() {
    if (!begun_ || ended_ || !wanted_) {
        timer_.stop();
        return;
    }
    if (timer_.interval() != interval_)
        timer_.setInterval(interval_);
    if (!timer_.isActive())
        timer_.start();
}

}  // namespace lintel
