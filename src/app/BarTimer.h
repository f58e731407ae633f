// Timer1 as the bar window runs it: only between the end of start-up and the close, and
// while the engine wants it (the engine never wants a zero interval).
#pragma once

#include <QTimer>

namespace lintel {

class TBarTimer {
public:
    TBarTimer() { timer_.setTimerType(Qt::CoarseTimer); }

    /// The timer Qt runs, for connecting its ticks and for looking at it.
    [[nodiscard]] QTimer& Timer() { return timer_; }
    [[nodiscard]] const QTimer& Timer() const { return timer_; }

    void SetInterval(int milliseconds);
    /// Whether the player wants ticks; a new interval does not change it.
    void SetEnabled(bool enabled);
    /// Start-up is complete: from now on the timer runs when wanted.
    void Begin();
    /// The bar closes: the timer stops for good.
    void End();

private:
    void Update();

    QTimer timer_;
    int interval_ = 1000;
    bool wanted_ = true;
    bool begun_ = false;
    bool ended_ = false;
};

}  // namespace lintel
