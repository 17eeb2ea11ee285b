// A form: one top-level window with windowless labels and pictures, option
// buttons and a timer, built from stored properties every time it is loaded.
//
// The form object outlives its window: Unload destroys the window and the
// controls, a later Load builds them again from the design, and members of
// the object (such as the chosen opening origin) keep their values.
//
// The form serves its own window (FormWindowEvents): it turns the window's
// input and timer into the events of its controls, in the way the program's
// handlers expect (KeyPreview, capture by the pressed control, option-group
// keys), and catches run-time errors there: an error ends the program with a
// report naming it.
//
// Re-entrancy. A handler that pumps messages, shows a message box or raises
// another event may find, when that returns, that a handler run in between
// unloaded the window or loaded a new one. Before it touches the window
// again it asks StillCurrent(the Generation() it began with), and stops if
// the answer is no.
#ifndef TICKBOMB_APP_FORMS_FORM_H
#define TICKBOMB_APP_FORMS_FORM_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/forms/controls.h"
#include "app/forms/runtime_error.h"
#include "app/forms/scaled_pictures.h"
#include "app/forms/screen_scale.h"
#include "app/forms/timer_pacing.h"
#include "app/seam/form_host.h"
#include "app/seam/form_window_events.h"
#include "app/seam/windows_api.h"

namespace tickbomb::forms {

// A windowless control, by kind and position in the form's lists.
struct ControlRef {
  enum class Kind { Label, Image } kind = Kind::Label;
  int index = 0;
  friend bool operator==(const ControlRef&, const ControlRef&) = default;
};

// Everything a form stores: read once per load to build the window.
struct FormDesign {
  std::wstring caption;
  std::uint32_t back_color = 0;
  Picture picture;
  int client_left = 0, client_top = 0;      // twips, where the system first places it
  int client_width = 0, client_height = 0;  // twips
  // The caption bar and border the window is created with (pixels): its outer
  // size is the client size plus these.
  int frame_width_px = 0, frame_height_px = 0;
  std::vector<Label> labels;
  std::vector<Image> images;
  std::vector<OptionButton> options;  // in focus order; one group
  int selected_option = 0;            // the option selected at creation
  TimerControl timer;
  std::vector<ControlRef> back_to_front;  // stacking order of the windowless controls
};

// The arrow keys' codes, which move the option group's selection.
inline constexpr int kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;

class Form : public FormWindowEvents {
 public:
  Form(WindowsApi& windows, FormHost& host);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  Form(Form&&) = delete;
  Form& operator=(Form&&) = delete;

  WindowsApi& windows() { return windows_; }
  FormHost& host() { return host_; }

  // ---- lifecycle
  void Load();    // build window and controls from the design, raise Load, activate
  void Unload();  // destroy window and controls; no handler runs
  bool IsLoaded() const { return !IsNull(hwnd_); }
  // Changes with every Load and Unload (see Re-entrancy above).
  std::uint64_t Generation() const { return generation_; }
  bool StillCurrent(std::uint64_t generation) const {
    return generation_ == generation && IsLoaded();
  }
  [[noreturn]] void End();  // end the program at once

  // ---- the form's own properties (twips)
  Hwnd hWnd() const { return hwnd_; }
  int Left() const { return left_; }
  int Top() const { return top_; }
  void SetLeft(int twips);
  void SetTop(int twips);
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetVisible(bool visible);
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(const Picture& picture);

  // ---- controls
  const Label& label(int index) const { return Element(labels_, index); }
  void SetLabelCaption(int index, const std::wstring& caption);
  void SetLabelForeColor(int index, std::uint32_t color);
  void SetLabelLeft(int index, int twips);
  void SetLabelTop(int index, int twips);
  void SetLabelVisible(int index, bool visible);
  const Image& image(int index) const { return Element(images_, index); }
  void SetImagePicture(int index, const Picture& picture);
  void SetImageVisible(int index, bool visible);
  void SetImageMouseIcon(int index, int cursor_id);  // loads the cursor resource anew
  const OptionButton& option(int index) const { return Element(options_, index); }
  void SetOptionValue(int index, bool value);
  const TimerControl& timer() const { return timer_; }
  void SetTimerEnabled(bool enabled);

  // ---- services of the runtime
  void Refresh();                // repaint the whole form now
  void RefreshImage(int index);  // repaint one picture control now
  void DoEvents();               // dispatch what is already queued
  int MsgBox(const std::wstring& text, std::uint32_t style, const std::wstring& title);
  float ScreenWidth();   // twips
  float ScreenHeight();  // twips
  // 1440 / the dots per inch of the screen the form is on: 15 at 96 DPI.
  float TwipsPerPixelX() const { return scale_.TwipsPerPixel(); }
  float TwipsPerPixelY() const { return scale_.TwipsPerPixel(); }
  const ScreenScale& scale() const { return scale_; }
  std::vector<std::uint8_t> LoadResData(int id, const char* type);

  // ---- what the window hands on (FormWindowEvents)
  bool IsCurrentWindow(Hwnd window) const override { return IsLoaded() && window == hwnd_; }
  void OnMouseMove(int x, int y, int buttons, int shift) override;
  void OnMouseDown(int x, int y, int button, int shift) override;
  void OnMouseUp(int x, int y, int button, int buttons_still_down, int shift) override;
  void OnCaptureLost() override;
  void OnKeyDown(int key, int shift) override;
  void OnKeyUp(int key, int shift) override;
  void OnTimer() override;
  void OnDpiChanged(int dpi, const Rect& suggested) override;
  void OnClose() override { End(); }
  Hcursor CursorAt(int x, int y) const override;
  std::vector<DrawOp> PaintOps() const override;
  [[noreturn]] void OnFailure(std::exception_ptr failure) override;

  // Stops the program, reports run-time error `number` (with `description`,
  // or the error's own name if it is empty) and ends the program when the
  // report is closed.
  [[noreturn]] void Fail(int number, const std::wstring& description);
  // Whether a run-time error has stopped the program.
  bool Halted() const { return halted_; }

 protected:
  virtual FormDesign Design() const = 0;

  // The events; the defaults do nothing.
  virtual void Form_Load() {}
  virtual void Form_KeyDown(std::int16_t /*key*/, std::int16_t /*shift*/) {}
  virtual void Form_KeyUp(std::int16_t /*key*/, std::int16_t /*shift*/) {}
  virtual void Form_MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/,
                              float /*y*/) {}
  // Of an element of label control array `array`, told its index.
  virtual void Label_MouseMove(int /*array*/, std::int16_t /*index*/, std::int16_t /*button*/,
                               std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
  virtual void Image_MouseDown(int /*image*/, std::int16_t /*button*/, std::int16_t /*shift*/,
                               float /*x*/, float /*y*/) {}
  virtual void Image_MouseUp(int /*image*/, std::int16_t /*button*/, std::int16_t /*shift*/,
                             float /*x*/, float /*y*/) {}
  virtual void Image_Click(int /*image*/) {}
  virtual void Option_Click(int /*option*/) {}
  virtual void Timer_Timer() {}
  // Not an event of the form's own but the runtime's: the window was laid out
  // again for a screen of another density. A form that shaped its window
  // shapes it again here.
  virtual void Form_Rescaled() {}

 private:
  template <typename Handler>
  void Guarded(Handler&& handler);
  void CreateControls(const FormDesign& design);
  void DestroyControls();
  int ToPixels(int twips) const { return scale_.Pixels(twips); }
  float ToTwips(int pixels) const { return static_cast<float>(pixels) * scale_.TwipsPerPixel(); }
  void InvalidatePixels(const Rect& rect);
  void InvalidateLabel(int index);
  void InvalidateImage(int index);
  void SizeLabel(int index);
  Rect LabelPixels(int index) const;
  Rect ImageTwips(int index) const;
  Rect ImagePixels(int index) const;
  Rect RepaintArea(const Rect& twips) const;
  void UseDpi(int dpi);
  Rect OptionPixels(const OptionButton& button) const;
  PixelImage PixelsOf(int picture_id) const;
  bool InBackground(int image_index) const;
  void AddScaledPictureOps(std::vector<DrawOp>& ops) const;
  void AddTextOps(std::vector<DrawOp>& ops, int label_index) const;
  std::optional<ControlRef> HitTest(int x, int y) const;
  void RouteMouseMove(const std::optional<ControlRef>& target, int x, int y, int buttons,
                      int shift);
  bool MoveOptionSelection(int key);
  void ArmTimer();
  void MoveToPlace();
  void LoadPictures(const FormDesign& design);
  void KeepPicture(int id);
  void PrepareBackgrounds();
  Hbitmap BitmapOf(int picture_id) const;
  [[noreturn]] void EndProcess(unsigned exit_code);
  void CheckOption(Hwnd button, bool checked);

  WindowsApi& windows_;
  FormHost& host_;
  Hwnd hwnd_{};
  std::uint64_t generation_ = 0;
  std::wstring caption_;
  std::uint32_t back_color_ = 0;
  Picture picture_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::vector<Label> labels_;
  std::vector<Image> images_;
  std::vector<OptionButton> options_;
  std::vector<ControlRef> back_to_front_;
  TimerControl timer_;
  TimerPacing pacing_;
  std::optional<ControlRef> captured_;            // the control a mouse button went down on
  bool captured_form_ = false;                    // a button went down on the bare form
  bool in_timer_event_ = false;                   // a tick never runs nested inside another
  bool halted_ = false;                           // a run-time error stopped the program
  std::vector<std::pair<int, Hbitmap>> bitmaps_;  // the pictures, by id, while loaded
  ScreenScale scale_;                             // of the screen the window is on
  mutable ScaledPictures scaled_pictures_;        // kept per scale
};

}  // namespace tickbomb::forms

#endif
