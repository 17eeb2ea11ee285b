// What the form's own files share and nothing else includes: the id of its
// timer, and the guard every entry from the window runs through.
#ifndef TICKBOMB_APP_FORMS_FORM_PRIVATE_H
#define TICKBOMB_APP_FORMS_FORM_PRIVATE_H

#include <cstdint>
#include <exception>

#include "app/forms/form.h"

namespace tickbomb::forms {

inline constexpr std::uintptr_t kTimerId = 1;

// Every entry from the window runs through here. Once a run-time error has
// been raised the program is stopped: nothing more runs, whatever the window
// still hands on while the report is open.
template <typename Handler>
void Form::Guarded(Handler&& handler) {
  if (halted_) return;
  try {
    handler();
  } catch (const ProcessExit&) {
    throw;  // not an error: a stand-in for Windows ending the process
  } catch (...) {
    OnFailure(std::current_exception());
  }
}

}  // namespace tickbomb::forms

#endif
