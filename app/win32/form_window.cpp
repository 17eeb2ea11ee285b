#include "app/forms/form.h"
#include "app/win32/form_window.h"
#include "app/win32/painter.h"

#include <climits>

namespace tickbomb::win32 {

namespace {

const LPCWSTR kArrow = MAKEINTRESOURCEW(32512);  // IDC_ARROW

// The procedure every option button had before it was subclassed (the
// system's button procedure, the same for all of them).
WNDPROC button_procedure = nullptr;

// The control that had the focus when the form was last deactivated.
HWND focus_before_deactivation = nullptr;

// The form that owns `hwnd`, while `hwnd` is still its current window: once
// the form is unloaded (even from inside one of its own handlers) its old
// window gets nothing more.
forms::Form* FormOf(HWND hwnd) {
  auto* form = reinterpret_cast<forms::Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form == nullptr || !form->IsLoaded() || form->hWnd() != reinterpret_cast<Handle>(hwnd)) {
    return nullptr;
  }
  return form;
}

int X(LPARAM lparam) { return static_cast<short>(LOWORD(lparam)); }
int Y(LPARAM lparam) { return static_cast<short>(HIWORD(lparam)); }

int ButtonMask(WPARAM wparam) {
  return ((wparam & MK_LBUTTON) ? forms::kLeftButton : 0) |
         ((wparam & MK_RBUTTON) ? forms::kRightButton : 0) |
         ((wparam & MK_MBUTTON) ? forms::kMiddleButton : 0);
}

// The modifier keys held right now: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftMask() {
  return (GetKeyState(VK_SHIFT) < 0 ? forms::kShiftMask : 0) |
         (GetKeyState(VK_CONTROL) < 0 ? forms::kCtrlMask : 0) |
         (GetKeyState(VK_MENU) < 0 ? forms::kAltMask : 0);
}

void ButtonDown(HWND hwnd, forms::Form& form, int button, LPARAM lparam) {
  if (GetCapture() != hwnd) SetCapture(hwnd);  // the first button down holds the mouse
  form.OnMouseDown(X(lparam), Y(lparam), button, ShiftMask());
}

bool SetCursorAt(HWND hwnd, const forms::Form& form) {
  POINT point;
  if (!GetCursorPos(&point) || !ScreenToClient(hwnd, &point)) return false;
  const Handle cursor = form.CursorAt(point.x, point.y);
  SetCursor(cursor != 0 ? reinterpret_cast<HCURSOR>(cursor) : LoadCursorW(nullptr, kArrow));
  return true;
}

void ButtonUp(HWND hwnd, forms::Form& form, int button, WPARAM wparam, LPARAM lparam) {
  const int still_down = ButtonMask(wparam);
  form.OnMouseUp(X(lparam), Y(lparam), button, still_down, ShiftMask());
  // The form may be gone by now; only a window that still holds the mouse lets it go.
  if (still_down == 0 && GetCapture() == hwnd) ReleaseCapture();
  // A press on the bomb released off it: the pointer is over something else now,
  // and the system sends no WM_SETCURSOR until the mouse moves.
  if (still_down == 0 && form.IsLoaded() && form.hWnd() == reinterpret_cast<Handle>(hwnd)) {
    SetCursorAt(hwnd, form);
  }
}

void Paint(HWND hwnd, const forms::Form* form) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd, &paint);
  if (form != nullptr) PaintOps(dc, paint.rcPaint, form->PaintOps());
  EndPaint(hwnd, &paint);
}

void PrintClient(HWND hwnd, const forms::Form& form, HDC dc) {
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
      if (forms::Form* form = FormOf(GetParent(button))) {
        form->OnKeyDown(static_cast<int>(wparam), ShiftMask());
      }
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (forms::Form* form = FormOf(GetParent(button))) {
        form->OnKeyUp(static_cast<int>(wparam), ShiftMask());
      }
      return 0;
    default:
      return CallWindowProcW(button_procedure, button, message, wparam, lparam);
  }
}

}  // namespace

void SubclassOptionButton(HWND button) {
  const auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OptionButtonProc)));
  if (button_procedure == nullptr) button_procedure = previous;
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
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  if (message == WM_CLOSE) {
    // Closing the window ends the program at once.
    if (auto* form = reinterpret_cast<forms::Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
      form->End();
    }
    return 0;
  }

  forms::Form* const form = FormOf(hwnd);
  if (form == nullptr) {
    if (message == WM_PAINT) {
      Paint(hwnd, nullptr);
      return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  switch (message) {
    case WM_MOUSEMOVE:
      form->OnMouseMove(X(lparam), Y(lparam), ButtonMask(wparam), ShiftMask());
      return 0;
    case WM_LBUTTONDOWN: ButtonDown(hwnd, *form, forms::kLeftButton, lparam); return 0;
    case WM_RBUTTONDOWN: ButtonDown(hwnd, *form, forms::kRightButton, lparam); return 0;
    case WM_MBUTTONDOWN: ButtonDown(hwnd, *form, forms::kMiddleButton, lparam); return 0;
    case WM_LBUTTONUP: ButtonUp(hwnd, *form, forms::kLeftButton, wparam, lparam); return 0;
    case WM_RBUTTONUP: ButtonUp(hwnd, *form, forms::kRightButton, wparam, lparam); return 0;
    case WM_MBUTTONUP: ButtonUp(hwnd, *form, forms::kMiddleButton, wparam, lparam); return 0;
    case WM_CAPTURECHANGED: form->OnCaptureLost(); return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      form->OnKeyDown(static_cast<int>(wparam), ShiftMask());
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      form->OnKeyUp(static_cast<int>(wparam), ShiftMask());
      return 0;
    case WM_TIMER: form->OnTimer(); return 0;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == hwnd && LOWORD(lparam) == HTCLIENT &&
          SetCursorAt(hwnd, *form)) {
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (RestoreFocus(hwnd, wparam)) return 0;
      break;
    case WM_PAINT: Paint(hwnd, form); return 0;
    case WM_PRINTCLIENT: PrintClient(hwnd, *form, reinterpret_cast<HDC>(wparam)); return 0;
    case WM_ERASEBKGND: return 1;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace tickbomb::win32
