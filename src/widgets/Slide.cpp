#include "widgets/Slide.h"

#include <chrono>
#include <thread>

namespace lintel {

TSlide::TSlide()
    : clock_([] {
          using namespace std::chrono;
          return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
      }),
      sleep_([](int milliseconds) {
          std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
      }) {}

void TSlide::Run(const TRect& from, const TRect& to, int duration,
                 const std::function<void(const TRect&)>& step) const {
    const std::int64_t t0 = clock_();
    const std::int64_t fw = from.Width();
    const std::int64_t tw = to.Width();
    const std::int64_t fh = from.Height();
    const std::int64_t th = to.Height();
    for (std::int64_t now = t0; now < t0 + duration; now = clock_()) {
        const std::int64_t t = now - t0;
        const auto x = static_cast<int>(from.Left - (from.Left - to.Left) * t / duration);
        const auto y = static_cast<int>(from.Top - (from.Top - to.Top) * t / duration);
        const auto w = static_cast<int>(fw - (fw - tw) * t / duration);
        const auto h = static_cast<int>(fh - (fh - th) * t / duration);
        step({x, y, x + w, y + h});
        sleep_(kStepMilliseconds);
    }
}

}  // namespace lintel
