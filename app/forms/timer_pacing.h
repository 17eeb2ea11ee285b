// Keeps a repeating timer on its nominal schedule: tick n is due n periods
// after the start. A plain repeating timer fires up to one system tick late
// every period and the lateness adds up; here every delay is measured from
// the start, so one late tick does not make the next ones late.
#ifndef TICKBOMB_APP_FORMS_TIMER_PACING_H
#define TICKBOMB_APP_FORMS_TIMER_PACING_H

#include <cstdint>

namespace tickbomb::forms {

class TimerPacing {
 public:
  void Start(double now_ms, int interval_ms);
  // True when the next tick is due at `now_ms` (timers may wake a little
  // early); the tick is then counted.
  bool TakeTickIfDue(double now_ms);
  // Milliseconds to wait from `now_ms` until the next tick is due (at least 1).
  std::uint32_t DelayToNextTick(double now_ms) const;
  int ticks_taken() const { return ticks_; }

 private:
  double start_ms_ = 0;
  int interval_ms_ = 0;
  int ticks_ = 0;
};

}  // namespace tickbomb::forms

#endif
