#include "app/forms/timer_pacing.h"

#include <cmath>

namespace tickbomb::forms {

void TimerPacing::Start(double now_ms, int interval_ms) {
  start_ms_ = now_ms;
  interval_ms_ = interval_ms;
  ticks_ = 0;
}

double TimerPacing::NextDue() const {
  return start_ms_ + static_cast<double>(ticks_ + 1) * interval_ms_;
}

bool TimerPacing::TakeTickIfDue(double now_ms) {
  const double lateness = now_ms - NextDue();
  if (lateness < 0) return false;
  // Ordinary lateness keeps the schedule; more is a stall, and the schedule
  // resumes from now.
  if (lateness > interval_ms_ / 5.0) start_ms_ += lateness;
  ++ticks_;
  return true;
}

std::uint32_t TimerPacing::DelayToNextTick(double now_ms) const {
  const double wait = std::ceil(NextDue() - now_ms);
  return wait < 1.0 ? 1U : static_cast<std::uint32_t>(wait);
}

}  // namespace tickbomb::forms
