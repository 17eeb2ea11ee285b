// Input routing: the mouse to the control under it or to the one that holds
// it, the keys to the form first (KeyPreview) and then to the option group's
// arrows, and the timer, paced against its start.
#ifndef TICKBOMB_APP_FORMS_FORM_INPUT_H
#define TICKBOMB_APP_FORMS_FORM_INPUT_H

#include <cstdint>
#include <optional>

#include "app/forms/form_controls.h"
#include "app/forms/timer_pacing.h"
#include "app/seam/handles.h"

namespace tickbomb::forms {

class Form;

inline constexpr std::uintptr_t kTimerId = 1;
// The arrow keys' codes, which move the option group's selection.
inline constexpr int kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;

class FormInput {
 public:
  // Raises `form`'s events; asks it whether it is still the same after each.
  explicit FormInput(Form& form) : form_(form) {}

  void MouseMove(int x, int y, int buttons, int shift);
  void MouseDown(int x, int y, int button, int shift);
  void MouseUp(int x, int y, int button, int buttons_still_down, int shift);
  void KeyDown(int key, int shift, bool repeated);
  void KeyUp(int key, int shift);
  // No button is held any more (the capture was lost, or the form was built
  // or torn down).
  void ReleasePress();
  Hcursor CursorAt(int x, int y) const;
  // During a KeyDown event: the key was already down.
  bool key_repeated() const { return key_repeated_; }

  // Starts the timer's schedule now.
  void ArmTimer();
  void Timer();

 private:
  std::optional<ControlRef> HitTest(int x, int y) const;
  void RouteMouseMove(const std::optional<ControlRef>& target, int x, int y, int buttons,
                      int shift);
  void MoveOptionSelection(int key);
  float ToTwips(int pixels) const;

  Form& form_;
  TimerPacing pacing_;
  std::optional<ControlRef> captured_;  // the control a mouse button went down on
  bool captured_form_ = false;          // a button went down on the bare form
  bool in_timer_event_ = false;         // a tick never runs nested inside another
  bool key_repeated_ = false;
};

}  // namespace tickbomb::forms

#endif
