#include "app/forms/timer_pacing.h"

#include <cmath>

namespace tickbomb::forms {

void TimerPacing::Start(double now_ms, int interval_ms) {
  interval_ms_ = interval_ms;
  ticks_ = 0;
  started_ = false;
  Follow(now_ms);
}

bool TimerPacing::Follow(double now_ms) {
  if (!std::isfinite(now_ms)) return false;
  if (!started_ || now_ms < last_ms_) {
    start_ms_ = now_ms - static_cast<double>(ticks_) * interval_ms_;  // the next tick a period on
    started_ = true;
  }
  last_ms_ = now_ms;
  return true;
}

double TimerPacing::NextDue() const {
  return start_ms_ + static_cast<double>(ticks_ + 1) * interval_ms_;
}

bool TimerPacing::TakeTickIfDue(double now_ms) {
  if (!Follow(now_ms)) return false;
  const double lateness = now_ms - NextDue();
  if (lateness < 0) return false;
  // Ordinary lateness keeps the schedule; more is a stall, and the schedule
  // resumes from now.
  if (lateness > interval_ms_ / 5.0) start_ms_ += lateness;
  ++ticks_;
  return true;
}

std::uint32_t TimerPacing::DelayToNextTick(double now_ms) const {
  const auto period = static_cast<std::uint32_t>(interval_ms_);
  if (!started_ || !std::isfinite(now_ms)) return period;
  const double wait = std::ceil(NextDue() - now_ms);
  if (wait < 1.0) return 1U;
  return wait > interval_ms_ ? period : static_cast<std::uint32_t>(wait);
}

}  // namespace tickbomb::forms
