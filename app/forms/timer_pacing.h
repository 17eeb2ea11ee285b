// Keeps a repeating timer on its schedule: tick n is due n periods after the
// start. A plain repeating timer fires up to one system tick late every
// period and the lateness adds up; here every delay is measured from the
// schedule, so an ordinarily late tick does not make the next ones late.
//
// A stall is another matter. When the program could not run for a while (a
// busy machine, a paused virtual machine, a laptop asleep), the ticks it
// missed are not replayed: the countdown carries on from where it stopped at
// its normal pace, and the stall costs the user time, never ticks. So no two
// ticks come closer than the period less the lateness allowed, and no tick
// ever comes before its time.
//
// The clock is not trusted blindly either: a reading that is not a number
// never counts as a tick, and a reading before the last one (the clock
// stepped back) starts the schedule again from there, a whole period ahead,
// so that the countdown still ends and no tick comes early.
#ifndef TICKBOMB_APP_FORMS_TIMER_PACING_H
#define TICKBOMB_APP_FORMS_TIMER_PACING_H

#include <cstdint>

namespace tickbomb::forms {

class TimerPacing {
 public:
  void Start(double now_ms, int interval_ms);
  // True when the next tick is due at `now_ms`; the tick is then counted. A
  // wake-up before it is due is not a tick. A tick more than a fifth of a
  // period late ends a stall: the schedule moves on by the lateness, so the
  // next tick is a whole period later.
  bool TakeTickIfDue(double now_ms);
  // Milliseconds to wait from `now_ms` until the next tick is due: at least
  // 1, at most a period.
  std::uint32_t DelayToNextTick(double now_ms) const;
  int ticks_taken() const { return ticks_; }

 private:
  // Takes a reading of the clock; false if it is not a number.
  bool Follow(double now_ms);
  double NextDue() const;

  bool started_ = false;  // a reading has started the schedule
  double start_ms_ = 0;
  double last_ms_ = 0;
  int interval_ms_ = 0;
  int ticks_ = 0;
};

}  // namespace tickbomb::forms

#endif
