// What a form's window hands on to the form: its input, its timer, and the
// questions of what to paint and which pointer to show. The form implements
// this; the host is given it when it creates the window (FormHost::
// CreateFormWindow), so a window never exists without a form to serve.
//
// Nothing unwinds out of an entry: a run-time error ends the program where it
// is raised (app/forms/runtime_error.h). Positions are client pixels.
#ifndef TICKBOMB_APP_SEAM_FORM_WINDOW_EVENTS_H
#define TICKBOMB_APP_SEAM_FORM_WINDOW_EVENTS_H

#include <string>
#include <vector>

#include "app/seam/drawing.h"
#include "app/seam/handles.h"

namespace tickbomb {

// The masks the events carry: the mouse buttons down, and the modifier keys down.
inline constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
inline constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

class FormWindowEvents {
 public:
  // Whether `window` is the form's current window. Once the form has been
  // unloaded, even from inside one of its own handlers, its old window gets
  // nothing more.
  virtual bool IsCurrentWindow(Hwnd window) const = 0;

  // `buttons`: mask of the buttons down (kLeftButton, ...); `shift`: mask of
  // the modifier keys down (kShiftMask, ...).
  virtual void OnMouseMove(int x, int y, int buttons, int shift) = 0;
  virtual void OnMouseDown(int x, int y, int button, int shift) = 0;
  virtual void OnMouseUp(int x, int y, int button, int buttons_still_down, int shift) = 0;
  virtual void OnCaptureLost() = 0;
  // `repeated`: the key was already down (the keyboard's auto-repeat).
  virtual void OnKeyDown(int key, int shift, bool repeated) = 0;
  virtual void OnKeyUp(int key, int shift) = 0;
  virtual void OnTimer() = 0;
  // The window is now on a monitor of `dpi` dots per inch; the system
  // suggests `suggested` (screen pixels) for it there.
  virtual void OnDpiChanged(int dpi, const Rect& suggested) = 0;
  // The user closed the window: the program ends.
  virtual void OnClose() = 0;

  // The cursor to show over (x, y): a custom one, or null for the system arrow.
  virtual Hcursor CursorAt(int x, int y) const = 0;
  // How to paint the client area, back to front.
  virtual std::vector<DrawOp> PaintOps() const = 0;
  // What a screen reader reads as the name of the form's focused control;
  // empty: the control's own.
  virtual std::wstring AccessibleName() const = 0;

 protected:
  ~FormWindowEvents() = default;
};

}  // namespace tickbomb

#endif
