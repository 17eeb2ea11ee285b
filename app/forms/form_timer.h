// The form's timer: armed on the window, killed with it, and paced against its
// start (timer_pacing.h), one tick at a time. The one owner of the window's
// timer: nothing else of the program sets or kills it.
#ifndef TICKBOMB_APP_FORMS_FORM_TIMER_H
#define TICKBOMB_APP_FORMS_FORM_TIMER_H

#include <cstdint>

#include "app/forms/clock.h"
#include "app/forms/timer_pacing.h"
#include "app/seam/windows_api.h"

namespace tickbomb::forms {

inline constexpr std::uintptr_t kTimerId = 1;

class FormTimer {
 public:
  FormTimer(WindowsApi& windows, Clock& clock) : windows_(windows), clock_(clock) {}

  // Starts the schedule now: the first tick is `interval_ms` away.
  void Arm(Hwnd window, int interval_ms);
  void Kill(Hwnd window);
  // A tick is running: a wake-up now is not one (a tick never runs nested
  // inside another).
  bool ticking() const { return ticking_; }
  // A wake-up of the window's timer: true when a tick is due; it is counted.
  bool TakeTick();
  // Waits for the next tick from now.
  void Rearm(Hwnd window);

  // Marks a tick as running for as long as it lives.
  class Ticking {
   public:
    explicit Ticking(FormTimer& timer) : timer_(timer) { timer_.ticking_ = true; }
    ~Ticking() { timer_.ticking_ = false; }
    Ticking(const Ticking&) = delete;
    Ticking& operator=(const Ticking&) = delete;

   private:
    FormTimer& timer_;
  };

 private:
  WindowsApi& windows_;
  Clock& clock_;
  TimerPacing pacing_;
  bool ticking_ = false;
};

}  // namespace tickbomb::forms

#endif
