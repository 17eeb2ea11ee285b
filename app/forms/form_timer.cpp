#include "app/forms/form_timer.h"

namespace tickbomb::forms {

void FormTimer::Arm(Hwnd window, int interval_ms) {
  pacing_.Start(clock_.NowMilliseconds(), interval_ms);
  windows_.SetTimer(window, kTimerId, static_cast<std::uint32_t>(interval_ms));
}

void FormTimer::Kill(Hwnd window) { windows_.KillTimer(window, kTimerId); }

bool FormTimer::TakeTick() { return pacing_.TakeTickIfDue(clock_.NowMilliseconds()); }

void FormTimer::Rearm(Hwnd window) {
  windows_.SetTimer(window, kTimerId, pacing_.DelayToNextTick(clock_.NowMilliseconds()));
}

}  // namespace tickbomb::forms
