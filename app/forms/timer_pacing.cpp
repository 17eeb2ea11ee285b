#include "app/forms/timer_pacing.h"

#include <cmath>

namespace tickbomb::forms {

namespace {
// A wake-up this close to the deadline counts as on time: the system clock
// and the timer do not tick at exactly the same moments.
constexpr double kEarlyTolerance_ms = 2.0;
}  // namespace

void TimerPacing::Start(double now_ms, int interval_ms) {
  start_ms_ = now_ms;
  interval_ms_ = interval_ms;
  ticks_ = 0;
}

bool TimerPacing::TakeTickIfDue(double now_ms) {
  const double due = start_ms_ + static_cast<double>(ticks_ + 1) * interval_ms_;
  if (now_ms + kEarlyTolerance_ms < due) return false;
  ++ticks_;
  return true;
}

std::uint32_t TimerPacing::DelayToNextTick(double now_ms) const {
  const double due = start_ms_ + static_cast<double>(ticks_ + 1) * interval_ms_;
  const double wait = std::ceil(due - now_ms);
  return wait < 1.0 ? 1U : static_cast<std::uint32_t>(wait);
}

}  // namespace tickbomb::forms
