// Input routing: which control a mouse event goes to (the one under the
// pointer, or the one a button went down on, which keeps the mouse until the
// last button comes up), whether a release is a click, which pointer shows
// where, and where the option group's arrow keys move the selection. It
// answers from the controls' data and keeps only the capture; the form raises
// the events.
#ifndef TICKBOMB_APP_FORMS_FORM_INPUT_H
#define TICKBOMB_APP_FORMS_FORM_INPUT_H

#include <optional>

#include "app/forms/form_controls.h"
#include "app/seam/handles.h"

namespace tickbomb::forms {

// The arrow keys' codes, which move the option group's selection.
inline constexpr int kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;

class FormInput {
 public:
  explicit FormInput(const FormControls& controls) : controls_(controls) {}

  // Where a move at (x, y) goes, with `buttons` down: to the control that
  // holds the mouse or else the one under the pointer; none: the bare form.
  // (A picture has no move event.)
  std::optional<ControlRef> MoveTarget(int x, int y, int buttons);
  // A button went down at (x, y): the control under it (none: the bare form)
  // holds the mouse from now on, unless one already does. Returns the holder.
  std::optional<ControlRef> Press(int x, int y);
  // A button came up: returns the control that held the mouse (none: the
  // bare form, or nothing), which lets go once no button is left down.
  std::optional<ControlRef> Release(int buttons_still_down);
  // Whether a release on picture `image` is a click on it: the left button,
  // over it, while it is shown.
  bool IsClick(int image, int button, int x, int y) const;
  // No button is held any more (the capture was lost, or the form was built
  // or torn down).
  void ReleasePress();
  Hcursor CursorAt(int x, int y) const;
  // Whether `key` moves the option group's selection: the arrows.
  static bool MovesSelection(int key);
  // The option an arrow key moves the selection to from the focused one
  // (`focus`); none for another key, or when no option has the focus.
  std::optional<int> OptionAfter(int key, Hwnd focus) const;
  float ToTwips(int pixels) const;

 private:
  std::optional<ControlRef> HitTest(int x, int y) const;

  const FormControls& controls_;
  std::optional<ControlRef> captured_;  // the control a mouse button went down on
  bool captured_form_ = false;          // a button went down on the bare form
};

}  // namespace tickbomb::forms

#endif
