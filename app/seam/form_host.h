// What the forms layer needs of its host beyond single Windows calls
// (windows_api.h): a window to live in, its option buttons, the message
// queue, text measuring, the program's resources and a clock. Each is
// described for what it does; the Windows side is app/win32/win32_form_host.cpp.
#ifndef TICKBOMB_APP_SEAM_FORM_HOST_H
#define TICKBOMB_APP_SEAM_FORM_HOST_H

#include <cstdint>
#include <string>
#include <vector>

#include "app/seam/drawing.h"
#include "app/seam/form_window_events.h"
#include "app/seam/handles.h"

namespace tickbomb {

class FormHost {
 public:
  virtual ~FormHost() = default;

  // ---- windows
  // Creates the form's top-level window, hidden, with a caption and a sizing
  // border, at the outer rectangle `outer` (screen pixels). From its first
  // message on, the window passes its input, timer, paints and pointer
  // questions to `events`. Null if it could not be created.
  virtual Hwnd CreateFormWindow(const std::wstring& caption, const Rect& outer,
                                FormWindowEvents& events) = 0;
  // Creates one option button on `parent` at `rect` (client pixels): a child
  // window that takes the keyboard focus. Its keys go to the form's events,
  // so that the form alone moves the group's selection. `group_start` marks
  // the first button of the group.
  // It is drawn in `font`, `fore_color` on `back_color`.
  virtual Hwnd CreateOptionButton(Hwnd parent, const std::wstring& caption, const Rect& rect,
                                  bool group_start, std::uint32_t back_color,
                                  std::uint32_t fore_color, const FontSpec& font) = 0;
  // Puts an option button at `rect` and draws it in `font` from now on (the
  // window moved to a screen of another density).
  virtual void PlaceOptionButton(Hwnd button, const Rect& rect, const FontSpec& font) = 0;
  // Shows now the cursor that the form `hwnd` serves wants where the pointer
  // is (FormWindowEvents::CursorAt), if the pointer is over `hwnd`: the
  // system shows a new cursor only when the mouse moves.
  virtual void RefreshCursor(Hwnd hwnd) = 0;

  // ---- the screen
  // Dots per inch of the screen a new window opens on (the system's).
  virtual int ScreenDpi() = 0;
  // Dots per inch of the monitor `hwnd` is on, where Windows tells each
  // monitor's; the system's where it does not.
  virtual int WindowDpi(Hwnd hwnd) = 0;

  // ---- the message queue
  // Dispatches every message already waiting in the thread's queue, then
  // returns without waiting for new ones. False when a request to quit
  // (WM_QUIT) was among them: the program is asked to end.
  virtual bool DispatchPendingMessages() = 0;

  // ---- text
  // The size of one line of `text` in `font`, in pixels.
  virtual TextSize MeasureText(const FontSpec& font, const std::wstring& text) = 0;

  // ---- the program's resources
  // The whole bytes of resource `id` of the named type; false if there is none.
  virtual bool ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) = 0;
  // Cursor resource `id`, loaded anew; null if there is none. The caller
  // destroys it (WindowsApi::DestroyCursor).
  virtual Hcursor LoadCursorResource(int id) = 0;
  // Bitmap resource `id`, fully decoded; null if it cannot be loaded. The
  // caller deletes it (WindowsApi::DeleteObject).
  virtual Hbitmap LoadPicture(int id) = 0;
  // The pixels of a loaded picture; false if they cannot be read.
  virtual bool ReadPicture(Hbitmap picture, PixelImage& pixels) = 0;
  // A new picture of these pixels; null if it cannot be made. The caller
  // deletes it (WindowsApi::DeleteObject).
  virtual Hbitmap CreatePicture(const PixelImage& pixels) = 0;

  // ---- the clock
  // Milliseconds from a fixed point, finer than the system tick; not a number
  // where the counter behind it is missing or fails.
  virtual double NowMilliseconds() = 0;

  // ---- the user
  // The language of the user's interface, a LANGID: where Windows does not
  // tell it (before 2000), the user's default language, Japanese where the
  // ANSI code page is Shift-JIS.
  virtual std::uint16_t UserLanguage() = 0;
  // Readies what lets a screen reader read the name the form gives its
  // focused control (FormWindowEvents::AccessibleName) and hear it change:
  // each piece loaded from the system folder. False where any is missing
  // (Windows 95, NT 4.0 without it): then nothing is announced.
  virtual bool StartAccessibility() = 0;
};

}  // namespace tickbomb

#endif
