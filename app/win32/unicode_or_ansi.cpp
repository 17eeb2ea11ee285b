#include "app/win32/unicode_or_ansi.h"

namespace tickbomb::win32 {

namespace {

// The functions whose A and W forms take the same arguments, in one form.
struct WindowCalls {
  LRESULT(WINAPI* def_window_proc)(HWND, UINT, WPARAM, LPARAM);
  LRESULT(WINAPI* call_window_proc)(WNDPROC, HWND, UINT, WPARAM, LPARAM);
  LONG(WINAPI* set_window_long)(HWND, int, LONG);
  LRESULT(WINAPI* send_message)(HWND, UINT, WPARAM, LPARAM);
  BOOL(WINAPI* peek_message)(MSG*, HWND, UINT, UINT, UINT);
  BOOL(WINAPI* get_message)(MSG*, HWND, UINT, UINT);
  LRESULT(WINAPI* dispatch_message)(const MSG*);
};

// Chosen at the first call, like everything here.
const WindowCalls& Calls() {
  static const WindowCalls chosen =
      IsUnicodeWindows()
          ? WindowCalls{DefWindowProcW, CallWindowProcW, SetWindowLongW,  SendMessageW,
                        PeekMessageW,   GetMessageW,     DispatchMessageW}
          : WindowCalls{DefWindowProcA, CallWindowProcA, SetWindowLongA,  SendMessageA,
                        PeekMessageA,   GetMessageA,     DispatchMessageA};
  return chosen;
}

// `text` in code page `code_page`; false if that code page is not installed.
bool ToCodePage(const wchar_t* text, UINT code_page, std::string& converted) {
  const int size = WideCharToMultiByte(code_page, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  converted.assign(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(code_page, 0, text, -1, converted.data(), size, nullptr, nullptr) !=
      size) {
    return false;
  }
  converted.pop_back();  // the terminating zero WideCharToMultiByte counted
  return true;
}

std::string InAnsiCodePage(const wchar_t* text) {
  std::string converted;
  return ToCodePage(text, CP_ACP, converted) ? converted : std::string();
}

constexpr UINT kShiftJis = 932;

}  // namespace

// The high bit of GetVersion is set on Windows 95, 98 and Me (and Win32s).
bool IsUnicodeWindows() {
  static const bool unicode = (GetVersion() & 0x80000000U) == 0;
  return unicode;
}

ATOM RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon, HCURSOR cursor) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (IsUnicodeWindows()) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hIcon = icon;
    window_class.hCursor = cursor;
    window_class.lpszClassName = name;
    return RegisterClassExW(&window_class);
  }
  const std::string ansi_name = InAnsiCodePage(name);
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = icon;
  window_class.hCursor = cursor;
  window_class.lpszClassName = ansi_name.c_str();
  return RegisterClassExA(&window_class);
}

HWND NewWindow(const wchar_t* class_name, const wchar_t* text, DWORD style, int x, int y, int width,
               int height, HWND parent, void* create_param) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (IsUnicodeWindows()) {
    return CreateWindowExW(0, class_name, text, style, x, y, width, height, parent, nullptr,
                           instance, create_param);
  }
  return CreateWindowExA(0, InAnsiCodePage(class_name).c_str(), InAnsiCodePage(text).c_str(), style,
                         x, y, width, height, parent, nullptr, instance, create_param);
}

LRESULT DefaultWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return Calls().def_window_proc(hwnd, message, wparam, lparam);
}

LRESULT CallPreviousProc(WNDPROC previous, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return Calls().call_window_proc(previous, hwnd, message, wparam, lparam);
}

WNDPROC ReplaceWindowProc(HWND hwnd, WNDPROC procedure) {
  return reinterpret_cast<WNDPROC>(
      Calls().set_window_long(hwnd, GWL_WNDPROC, reinterpret_cast<LONG>(procedure)));
}

LRESULT SendToWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return Calls().send_message(hwnd, message, wparam, lparam);
}

bool TakeQueuedMessage(MSG& message) {
  return Calls().peek_message(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
}

BOOL WaitForMessage(MSG& message) { return Calls().get_message(&message, nullptr, 0, 0); }

void DeliverMessage(const MSG& message) {
  TranslateMessage(&message);
  Calls().dispatch_message(&message);
}

HFONT NewFont(int height, int weight, int charset, const std::wstring& face) {
  if (IsUnicodeWindows()) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, static_cast<DWORD>(charset),
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  }
  std::string ansi_face;
  if (!ToCodePage(face.c_str(), kShiftJis, ansi_face) || ansi_face.size() >= LF_FACESIZE) {
    ansi_face.clear();
  }
  return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, static_cast<DWORD>(charset),
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, ansi_face.c_str());
}

}  // namespace tickbomb::win32
