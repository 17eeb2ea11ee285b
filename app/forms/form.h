// A form: one window with windowless labels and pictures, option buttons and
// a timer, built from its design at every Load; the object outlives the window
// (its members survive a reload). It owns the controls (form_controls.h),
// input routing (form_input.h) and painting (form_painting.h), and keeps the
// life cycle, and reports run-time errors: one raised stops the program where
// it is raised (every entry from the window returns at once from then on),
// and closing the report ends it. A handler that pumps messages or raises an
// event asks StillCurrent(the Generation() it began with) after it.
#ifndef TICKBOMB_APP_FORMS_FORM_H
#define TICKBOMB_APP_FORMS_FORM_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/forms/clock.h"
#include "app/forms/form_events.h"
#include "app/forms/form_input.h"
#include "app/forms/form_painting.h"
#include "app/forms/form_timer.h"
#include "app/forms/runtime_error.h"
#include "app/seam/form_window_events.h"

namespace tickbomb::forms {

class Form : public FormWindowEvents, public FormEvents, public RunTimeErrorReporter {
 public:
  Form(WindowsApi& windows, FormHost& host);
  ~Form() override;

  WindowsApi& windows() { return windows_; }
  FormHost& host() { return host_; }
  const FormControls& controls() const { return controls_; }
  // ---- life cycle
  void Load();    // build window and controls from the design, raise Load, activate
  void Unload();  // destroy window and controls; no handler runs
  bool IsLoaded() const { return !IsNull(hwnd_); }
  std::uint64_t Generation() const { return generation_; }  // changes with every Load and Unload
  bool StillCurrent(std::uint64_t generation) const {
    return generation_ == generation && IsLoaded();
  }
  [[noreturn]] void End();  // end the program at once
  // ---- properties (twips); each change repaints what it alters
  Hwnd hWnd() const { return hwnd_; }
  int Left() const { return controls_.left(); }
  int Top() const { return controls_.top(); }
  int Width() const { return controls_.width(); }
  int Height() const { return controls_.height(); }
  void SetLeft(int twips);
  void SetTop(int twips);
  void SetVisible(bool visible);
  const Picture& GetPicture() const { return controls_.picture(); }
  void SetPicture(const Picture& picture) { Invalidate(controls_.SetPicture(picture)); }
  const Label& label(int index) const { return Element(controls_.labels(), index); }
  void SetLabelCaption(int i, const std::wstring& c) {
    Invalidate(controls_.SetLabelCaption(i, c));
  }
  void SetLabelForeColor(int i, std::uint32_t c) { Invalidate(controls_.SetLabelForeColor(i, c)); }
  void SetLabelLeft(int i, int twips) { Invalidate(controls_.SetLabelLeft(i, twips)); }
  void SetLabelTop(int i, int twips) { Invalidate(controls_.SetLabelTop(i, twips)); }
  void SetLabelVisible(int i, bool visible) { Invalidate(controls_.SetLabelVisible(i, visible)); }
  const Image& image(int index) const { return Element(controls_.images(), index); }
  void SetImagePicture(int i, const Picture& p) { Invalidate(controls_.SetImagePicture(i, p)); }
  void SetImageVisible(int i, bool visible) { Invalidate(controls_.SetImageVisible(i, visible)); }
  void SetImageMouseIcon(int index, int cursor_id);  // loads the cursor resource anew
  const OptionButton& option(int index) const { return Element(controls_.options(), index); }
  void SetOptionValue(int index, bool value);
  const TimerControl& timer() const { return controls_.timer(); }
  void SetTimerEnabled(bool enabled);
  // What a screen reader reads as the name of the focused option button, from
  // now on (the buttons' own captions mean nothing to a user: they are never
  // seen). Announce also has a reader speak it now, where one can.
  void SetAccessibleName(const std::wstring& name) { accessible_name_ = name; }
  void Announce(const std::wstring& name);
  // ---- services of the runtime
  void Refresh();                // repaint the whole form now
  void RefreshImage(int index);  // repaint one picture control now
  void DoEvents();               // dispatch what is already queued
  int MsgBox(const std::wstring& text, std::uint32_t style, const std::wstring& title);
  float ScreenWidth();                                              // twips
  float ScreenHeight();                                             // twips
  float TwipsPerPixelX() const { return scale().TwipsPerPixel(); }  // 15 at 96 DPI
  float TwipsPerPixelY() const { return scale().TwipsPerPixel(); }
  const ScreenScale& scale() const { return controls_.scale(); }
  std::vector<std::uint8_t> LoadResData(int id, const char* type);
  Clock& clock() { return clock_; }
  // During a KeyDown event: the key was already down (the keyboard's auto-repeat).
  bool KeyRepeated() const { return key_repeated_; }
  // ---- what the window hands on (FormWindowEvents)
  bool IsCurrentWindow(Hwnd window) const override { return IsLoaded() && window == hwnd_; }
  void OnMouseMove(int x, int y, int buttons, int shift) override;
  void OnMouseDown(int x, int y, int button, int shift) override;
  void OnMouseUp(int x, int y, int button, int buttons_still_down, int shift) override;
  void OnCaptureLost() override { input_.ReleasePress(); }
  void OnKeyDown(int key, int shift, bool repeated) override;
  void OnKeyUp(int key, int shift) override;
  void OnTimer() override;
  void OnDpiChanged(int dpi, const Rect& suggested) override;
  void OnClose() override { End(); }
  Hcursor CursorAt(int x, int y) const override;
  std::vector<DrawOp> PaintOps() const override { return painting_.PaintOps(); }
  std::wstring AccessibleName() const override { return accessible_name_; }
  // Stops the program and reports run-time error `number`; closing the report ends it.
  [[noreturn]] void Fail(int number) override;
  bool Halted() const { return halted_; }  // a run-time error has stopped the program

 protected:
  virtual FormDesign Design() const = 0;

 private:
  void Invalidate(const Repaint& change);
  void CreateControls(const FormDesign& design);
  void DestroyControls();
  [[noreturn]] void EndProcess(unsigned exit_code);

  WindowsApi& windows_;
  FormHost& host_;
  Hwnd hwnd_{};
  std::uint64_t generation_ = 0;
  bool halted_ = false;     // a run-time error stopped the program
  bool reporting_ = false;  // the report is being written
  Clock clock_;
  bool first_loaded_ = false;
  bool announces_ = false;  // a screen reader can read the name and hear it change
  std::wstring accessible_name_;
  FormControls controls_;
  FormPainting painting_;
  FormTimer timer_;
  FormInput input_;
  bool key_repeated_ = false;  // during a KeyDown: the key was already down
};

}  // namespace tickbomb::forms

#endif
