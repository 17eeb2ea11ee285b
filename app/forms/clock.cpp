#include "app/forms/clock.h"

#include <cmath>

namespace tickbomb::forms {

double Clock::NowMilliseconds() {
  if (!on_tick_count_) {
    const double fine = host_.NowMilliseconds();
    if (std::isfinite(fine)) {
      last_fine_ms_ = fine;
      return fine;
    }
    on_tick_count_ = true;
    tick_count_base_ = windows_.GetTickCount();
  }
  // Unsigned: the tick's wrap after 49.7 days leaves the difference right.
  const std::uint32_t elapsed = windows_.GetTickCount() - tick_count_base_;
  return last_fine_ms_ + elapsed;
}

}  // namespace tickbomb::forms
