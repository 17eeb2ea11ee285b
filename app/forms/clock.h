// The runtime's clock: milliseconds on the host's fine counter, and where
// that counter is missing or fails (Windows before XP may have none), on the
// system's millisecond tick, which every Windows has, carried on from the
// last good reading so that the change is no jump.
#ifndef TICKBOMB_APP_FORMS_CLOCK_H
#define TICKBOMB_APP_FORMS_CLOCK_H

#include <cstdint>

#include "app/seam/form_host.h"
#include "app/seam/windows_api.h"

namespace tickbomb::forms {

class Clock {
 public:
  Clock(FormHost& host, WindowsApi& windows) : host_(host), windows_(windows) {}

  // Always a finite number of milliseconds.
  double NowMilliseconds();

 private:
  FormHost& host_;
  WindowsApi& windows_;
  bool on_tick_count_ = false;  // the fine counter failed once: the tick from then on
  double last_fine_ms_ = 0;
  std::uint32_t tick_count_base_ = 0;
};

}  // namespace tickbomb::forms

#endif
