#include "app/win32/form_window.h"

#include <climits>
#include <string>

#include "app/win32/accessibility.h"
#include "app/win32/handle_cast.h"
#include "app/win32/painter.h"
#include "app/win32/screen_palette.h"
#include "app/win32/unicode_or_ansi.h"
#include "assets/resource_ids.h"

namespace tickbomb::win32 {

namespace {

constexpr wchar_t kFormClassName[] = L"TickbombForm";
const LPCSTR kArrow = MAKEINTRESOURCEA(32512);  // IDC_ARROW

// The procedure every option button had before it was subclassed (the
// system's button procedure, the same for all of them).
WNDPROC button_procedure = nullptr;

// An option button's colours; its font lives as long as the process (FontFor).
struct ButtonLook {
  HBRUSH back_brush;
  COLORREF back_color, fore_color;
};
constexpr char kLookProperty[] = "TickbombButtonLook";

// The colours a button asks its parent for as it draws.
LRESULT ColourButton(HWND button, HDC dc) {
  const auto* look = static_cast<const ButtonLook*>(GetPropA(button, kLookProperty));
  if (look == nullptr) return 0;
  SetTextColor(dc, look->fore_color);
  SetBkColor(dc, look->back_color);
  return reinterpret_cast<LRESULT>(look->back_brush);
}

// The control that had the focus when the form was last deactivated.
HWND focus_before_deactivation = nullptr;

// The events `hwnd` was created to serve, whether or not it is still the
// form's current window.
FormWindowEvents* EventsOf(HWND hwnd) {
  return reinterpret_cast<FormWindowEvents*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// The form that `hwnd` serves, while `hwnd` is still its current window: once
// the form is unloaded (even from inside one of its own handlers) its old
// window gets nothing more.
FormWindowEvents* FormOf(HWND hwnd) {
  FormWindowEvents* const form = EventsOf(hwnd);
  return form != nullptr && form->IsCurrentWindow(Typed<Hwnd>(hwnd)) ? form : nullptr;
}

int X(LPARAM lparam) { return static_cast<short>(LOWORD(lparam)); }
int Y(LPARAM lparam) { return static_cast<short>(HIWORD(lparam)); }

int ButtonMask(WPARAM wparam) {
  return ((wparam & MK_LBUTTON) ? kLeftButton : 0) | ((wparam & MK_RBUTTON) ? kRightButton : 0) |
         ((wparam & MK_MBUTTON) ? kMiddleButton : 0);
}

// The modifier keys held right now: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftMask() {
  return (GetKeyState(VK_SHIFT) < 0 ? kShiftMask : 0) |
         (GetKeyState(VK_CONTROL) < 0 ? kCtrlMask : 0) | (GetKeyState(VK_MENU) < 0 ? kAltMask : 0);
}

// A key-down that the keyboard repeats while the key is held.
bool Repeated(LPARAM lparam) { return (lparam & (1 << 30)) != 0; }

// What a screen reader hears as the name of `button`: its form's words.
std::wstring FormWordsFor(HWND button) {
  const FormWindowEvents* const form = FormOf(GetParent(button));
  return form != nullptr ? form->AccessibleName() : std::wstring();
}

// The window's palette realized on a palette device (nothing elsewhere), as
// the window is about to get the focus or another window realized its own;
// when that changed the system palette, the window is painted again through
// it. False: the screen is no palette device.
bool RealizePaletteFor(HWND hwnd) {
  const HDC dc = GetDC(hwnd);
  const bool palette_device = IsPaletteDevice(dc);
  const UINT changed = palette_device ? RealizeScreenPalette(dc) : 0;
  ReleaseDC(hwnd, dc);
  if (changed != 0) InvalidateRect(hwnd, nullptr, FALSE);
  return palette_device;
}

void ButtonDown(HWND hwnd, FormWindowEvents& form, int button, LPARAM lparam) {
  if (GetCapture() != hwnd) SetCapture(hwnd);  // the first button down holds the mouse
  form.OnMouseDown(X(lparam), Y(lparam), button, ShiftMask());
}

void ButtonUp(HWND hwnd, FormWindowEvents& form, int button, WPARAM wparam, LPARAM lparam) {
  const int still_down = ButtonMask(wparam);
  form.OnMouseUp(X(lparam), Y(lparam), button, still_down, ShiftMask());
  // The form may be gone by now; only a window that still holds the mouse lets it go.
  if (still_down == 0 && GetCapture() == hwnd) ReleaseCapture();
  // A press on the bomb released off it: the pointer is over something else now,
  // and the system sends no WM_SETCURSOR until the mouse moves.
  if (still_down == 0) ShowFormCursor(hwnd);
}

void Paint(HWND hwnd, const FormWindowEvents* form) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  if (form != nullptr) PaintOps(dc, paint.rcPaint, form->PaintOps());
  EndPaint(hwnd, &paint);
}

void PrintClient(HWND hwnd, const FormWindowEvents& form, HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  PaintOps(dc, client, form.PaintOps());
}

// Activation gives the focus back to the control that had it, as a dialog does.
bool RestoreFocus(HWND hwnd, WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd, focus)) focus_before_deactivation = focus;
    return false;
  }
  if (focus_before_deactivation == nullptr || !IsChild(hwnd, focus_before_deactivation)) {
    return false;
  }
  SetFocus(focus_before_deactivation);
  return true;
}

LRESULT CALLBACK OptionButtonProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (FormWindowEvents* form = FormOf(GetParent(button))) {
        form->OnKeyDown(static_cast<int>(wparam), ShiftMask(), Repeated(lparam));
      }
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (FormWindowEvents* form = FormOf(GetParent(button))) {
        form->OnKeyUp(static_cast<int>(wparam), ShiftMask());
      }
      return 0;
    case WM_GETOBJECT:
      // lParam is a DWORD: OBJID_CLIENT is negative.
      if (static_cast<DWORD>(lparam) == static_cast<DWORD>(OBJID_CLIENT) &&
          FormOf(GetParent(button)) != nullptr) {
        if (const LRESULT named = NamedAccessibleObject(button, wparam, FormWordsFor)) return named;
      }
      return CallPreviousProc(button_procedure, button, message, wparam, lparam);
    case WM_NCDESTROY:
      if (auto* look = static_cast<ButtonLook*>(RemovePropA(button, kLookProperty))) {
        DeleteObject(look->back_brush);
        delete look;
      }
      return CallPreviousProc(button_procedure, button, message, wparam, lparam);
    default: return CallPreviousProc(button_procedure, button, message, wparam, lparam);
  }
}

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETMINMAXINFO) {
    // The form keeps its size on a screen smaller than itself. Windows would
    // otherwise cut a window with a sizing border down to the screen's size plus
    // its frame when it is created (this message comes before WM_NCCREATE). The
    // user never resizes it: the start-up strips the frame.
    reinterpret_cast<MINMAXINFO*>(lparam)->ptMaxTrackSize = {SHRT_MAX, SHRT_MAX};
    return 0;
  }
  if (message == WM_NCCREATE) {
    // CREATESTRUCTA and CREATESTRUCTW hold lpCreateParams at the same place.
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefaultWindowProc(hwnd, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    return DefaultWindowProc(hwnd, message, wparam, lparam);
  }
  if (message == WM_CLOSE) {
    // Closing the window ends the program at once.
    if (FormWindowEvents* const form = EventsOf(hwnd)) form->OnClose();
    return 0;
  }

  FormWindowEvents* const form = FormOf(hwnd);
  if (form == nullptr) {
    if (message == WM_PAINT) {
      Paint(hwnd, nullptr);
      return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefaultWindowProc(hwnd, message, wparam, lparam);
  }

  switch (message) {
    case WM_MOUSEMOVE:
      form->OnMouseMove(X(lparam), Y(lparam), ButtonMask(wparam), ShiftMask());
      return 0;
    case WM_LBUTTONDOWN: ButtonDown(hwnd, *form, kLeftButton, lparam); return 0;
    case WM_RBUTTONDOWN: ButtonDown(hwnd, *form, kRightButton, lparam); return 0;
    case WM_MBUTTONDOWN: ButtonDown(hwnd, *form, kMiddleButton, lparam); return 0;
    case WM_LBUTTONUP: ButtonUp(hwnd, *form, kLeftButton, wparam, lparam); return 0;
    case WM_RBUTTONUP: ButtonUp(hwnd, *form, kRightButton, wparam, lparam); return 0;
    case WM_MBUTTONUP: ButtonUp(hwnd, *form, kMiddleButton, wparam, lparam); return 0;
    case WM_CAPTURECHANGED: form->OnCaptureLost(); return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      form->OnKeyDown(static_cast<int>(wparam), ShiftMask(), Repeated(lparam));
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP: form->OnKeyUp(static_cast<int>(wparam), ShiftMask()); return 0;
    case WM_TIMER: form->OnTimer(); return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      form->OnDpiChanged(HIWORD(wparam),
                         {suggested->left, suggested->top, suggested->right, suggested->bottom});
      return 0;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == hwnd && LOWORD(lparam) == HTCLIENT &&
          ShowFormCursor(hwnd)) {
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (RestoreFocus(hwnd, wparam)) return 0;
      break;
    case WM_PAINT: Paint(hwnd, form); return 0;
    case WM_PRINTCLIENT: PrintClient(hwnd, *form, reinterpret_cast<HDC>(wparam)); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_QUERYNEWPALETTE: return RealizePaletteFor(hwnd) ? TRUE : FALSE;
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(wparam) != hwnd) RealizePaletteFor(hwnd);
      return 0;
    case WM_DISPLAYCHANGE:
      ForgetScreenPalette();
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ColourButton(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam));
    default: break;
  }
  return DefaultWindowProc(hwnd, message, wparam, lparam);
}

}  // namespace

void SubclassOptionButton(HWND button, COLORREF back_color, COLORREF fore_color, HFONT font) {
  const WNDPROC previous = ReplaceWindowProc(button, OptionButtonProc);
  if (button_procedure == nullptr) button_procedure = previous;
  SetPropA(button, kLookProperty,
           new ButtonLook{CreateSolidBrush(back_color), back_color, fore_color});
  SendToWindow(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

HWND CreateFormWindowFor(FormWindowEvents& events, const wchar_t* caption, const Rect& outer) {
  static const ATOM form_class =
      RegisterWindowClass(kFormClassName, FormWindowProc,
                          LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP)),
                          LoadCursorA(nullptr, kArrow));
  if (form_class == 0) return nullptr;
  return NewWindow(kFormClassName, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, outer.left,
                   outer.top, outer.right - outer.left, outer.bottom - outer.top, nullptr, &events);
}

bool ShowFormCursor(HWND hwnd) {
  const FormWindowEvents* const form = FormOf(hwnd);
  POINT point;
  if (form == nullptr || GetCursorPos(&point) == FALSE ||
      (WindowFromPoint(point) != hwnd && GetCapture() != hwnd) ||
      ScreenToClient(hwnd, &point) == FALSE) {
    return false;
  }
  const Hcursor cursor = form->CursorAt(point.x, point.y);
  SetCursor(!IsNull(cursor) ? Native(cursor) : LoadCursorA(nullptr, kArrow));
  return true;
}

}  // namespace tickbomb::win32
