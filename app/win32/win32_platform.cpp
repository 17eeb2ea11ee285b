#include "app/win32/win32_platform.h"

#include "app/win32/form_window.h"
#include "app/win32/painter.h"
#include "app/win32/system_dll.h"
#include "assets/resource_ids.h"

namespace tickbomb::win32 {

namespace {

static_assert(sizeof(OsVersionInfoA) == sizeof(OSVERSIONINFOA));
static_assert(sizeof(Luid) == sizeof(LUID));
static_assert(sizeof(TokenPrivileges1) == sizeof(TOKEN_PRIVILEGES));

template <typename T>
T As(Handle handle) {
  return reinterpret_cast<T>(handle);
}

Handle Of(const void* handle) { return reinterpret_cast<Handle>(handle); }

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

}  // namespace

Win32Platform::Win32Platform() : measure_dc_(CreateCompatibleDC(nullptr)) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  counts_per_millisecond_ = static_cast<double>(frequency.QuadPart) / 1000.0;
}

Win32Platform::~Win32Platform() { DeleteDC(measure_dc_); }

// ---------------------------------------------------------------- winmm

// winmm is loaded from the system directory at the first call (system_dll.h);
// without it, or without its PlaySoundA, nothing plays.
int Win32Platform::PlaySoundA(const void* sound, Handle module, std::uint32_t flags) {
  const PlaySoundAFunction play = WinmmPlaySoundA();
  return play ? play(static_cast<LPCSTR>(sound), As<HMODULE>(module), flags) : FALSE;
}

// ---------------------------------------------------------------- kernel32

int Win32Platform::GetVersionExA(OsVersionInfoA* info) {
  return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info));
}

void Win32Platform::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

Handle Win32Platform::GetCurrentProcess() { return Of(::GetCurrentProcess()); }

int Win32Platform::CloseHandle(Handle handle) { return ::CloseHandle(As<HANDLE>(handle)); }

double Win32Platform::MonotonicMilliseconds() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / counts_per_millisecond_;
}

bool Win32Platform::ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) {
  const HMODULE module = Instance();
  const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return false;
  const HGLOBAL loaded = LoadResource(module, found);
  const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (data == nullptr) return false;
  bytes.assign(data, data + SizeofResource(module, found));
  return true;
}

void Win32Platform::ExitProcess(unsigned exit_code) { ::ExitProcess(exit_code); }

// ---------------------------------------------------------------- advapi32

int Win32Platform::OpenProcessToken(Handle process, std::uint32_t access, Handle* token) {
  HANDLE opened = nullptr;
  const BOOL result = ::OpenProcessToken(As<HANDLE>(process), access, &opened);
  *token = Of(opened);
  return result;
}

int Win32Platform::LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) {
  return ::LookupPrivilegeValueA(system_name, name, reinterpret_cast<LUID*>(luid));
}

int Win32Platform::AdjustTokenPrivileges(Handle token, int disable_all,
                                         TokenPrivileges1* new_state,
                                         std::uint32_t buffer_length, void* previous_state,
                                         std::uint32_t* return_length) {
  return ::AdjustTokenPrivileges(As<HANDLE>(token), disable_all,
                                 reinterpret_cast<TOKEN_PRIVILEGES*>(new_state), buffer_length,
                                 static_cast<TOKEN_PRIVILEGES*>(previous_state),
                                 reinterpret_cast<DWORD*>(return_length));
}

// ---------------------------------------------------------------- user32

std::int32_t Win32Platform::GetWindowLongA(Handle hwnd, int index) {
  return ::GetWindowLongA(As<HWND>(hwnd), index);
}

std::int32_t Win32Platform::SetWindowLongA(Handle hwnd, int index, std::int32_t value) {
  return ::SetWindowLongA(As<HWND>(hwnd), index, value);
}

int Win32Platform::SetWindowPos(Handle hwnd, Handle insert_after, int x, int y, int cx, int cy,
                                std::uint32_t flags) {
  return ::SetWindowPos(As<HWND>(hwnd), As<HWND>(insert_after), x, y, cx, cy, flags);
}

int Win32Platform::SetWindowRgn(Handle hwnd, Handle region, int redraw) {
  return ::SetWindowRgn(As<HWND>(hwnd), As<HRGN>(region), redraw);
}

int Win32Platform::GetWindowRect(Handle hwnd, Rect* rect) {
  RECT r{};
  const BOOL result = ::GetWindowRect(As<HWND>(hwnd), &r);
  *rect = {r.left, r.top, r.right, r.bottom};
  return result;
}

Handle Win32Platform::GetDC(Handle hwnd) { return Of(::GetDC(As<HWND>(hwnd))); }

int Win32Platform::ReleaseDC(Handle hwnd, Handle dc) {
  return ::ReleaseDC(As<HWND>(hwnd), As<HDC>(dc));
}

int Win32Platform::ReleaseCapture() { return ::ReleaseCapture(); }

std::intptr_t Win32Platform::SendMessageA(Handle hwnd, std::uint32_t message,
                                          std::uintptr_t wparam, std::intptr_t lparam) {
  return ::SendMessageA(As<HWND>(hwnd), message, wparam, lparam);
}

int Win32Platform::ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) {
  return ::ExitWindowsEx(flags, reserved);
}

int Win32Platform::MessageBoxW(Handle owner, const std::wstring& text, const std::wstring& title,
                               std::uint32_t style) {
  return ::MessageBoxW(As<HWND>(owner), text.c_str(), title.c_str(), style);
}

int Win32Platform::ScreenWidthPixels() { return GetSystemMetrics(SM_CXSCREEN); }

int Win32Platform::ScreenHeightPixels() { return GetSystemMetrics(SM_CYSCREEN); }

Handle Win32Platform::LoadCursorResource(int id) {
  return Of(LoadImageW(Instance(), MAKEINTRESOURCEW(id), IMAGE_CURSOR, 32, 32, 0));
}

int Win32Platform::DestroyCursor(Handle cursor) { return ::DestroyCursor(As<HCURSOR>(cursor)); }

bool Win32Platform::HasBitmapResource(int id) {
  return FindResourceA(Instance(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */) !=
         nullptr;
}

// ---------------------------------------------------------------- gdi32

Handle Win32Platform::CreateRectRgn(int left, int top, int right, int bottom) {
  return Of(::CreateRectRgn(left, top, right, bottom));
}

int Win32Platform::CombineRgn(Handle destination, Handle source1, Handle source2, int mode) {
  return ::CombineRgn(As<HRGN>(destination), As<HRGN>(source1), As<HRGN>(source2), mode);
}

int Win32Platform::DeleteObject(Handle object) { return ::DeleteObject(As<HGDIOBJ>(object)); }

Handle Win32Platform::CreateSolidBrush(std::uint32_t color) {
  return Of(::CreateSolidBrush(color));
}

Handle Win32Platform::SelectObject(Handle dc, Handle object) {
  return Of(::SelectObject(As<HDC>(dc), As<HGDIOBJ>(object)));
}

int Win32Platform::Rectangle(Handle dc, int left, int top, int right, int bottom) {
  return ::Rectangle(As<HDC>(dc), left, top, right, bottom);
}

TextSize Win32Platform::MeasureText(const FontSpec& font, const std::wstring& text) {
  const HGDIOBJ previous = ::SelectObject(measure_dc_, FontFor(font));
  SIZE size{};
  GetTextExtentPoint32W(measure_dc_, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(measure_dc_, previous);
  return {size.cx, size.cy};
}

// ---------------------------------------------------------------- the form's window

Handle Win32Platform::CreateFormWindow(const std::wstring& caption, const Rect& outer,
                                       std::uint32_t /*back_color: the form paints it*/) {
  static const ATOM form_class = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = FormWindowProc;
    window_class.hInstance = Instance();
    window_class.hIcon = LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_APP));
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    window_class.hbrBackground = nullptr;  // the form paints everything
    window_class.lpszClassName = kFormClassName;
    return RegisterClassExW(&window_class);
  }();
  if (form_class == 0) return 0;
  return Of(CreateWindowExW(0, kFormClassName, caption.c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, outer.left, outer.top,
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                            Instance(), form_));
}

Handle Win32Platform::CreateOptionButton(Handle parent, const std::wstring& caption,
                                         const Rect& rect, bool group_start) {
  const DWORD style =
      BS_RADIOBUTTON | WS_TABSTOP | WS_CHILD | WS_VISIBLE | (group_start ? WS_GROUP : 0);
  const HWND button = CreateWindowExW(0, L"BUTTON", caption.c_str(), style, rect.left, rect.top,
                                      rect.right - rect.left, rect.bottom - rect.top,
                                      As<HWND>(parent), nullptr, Instance(), nullptr);
  if (button != nullptr) SubclassOptionButton(button);
  return Of(button);
}

int Win32Platform::DestroyWindow(Handle hwnd) { return ::DestroyWindow(As<HWND>(hwnd)); }

int Win32Platform::ShowWindow(Handle hwnd, bool visible) {
  return ::ShowWindow(As<HWND>(hwnd), visible ? SW_SHOW : SW_HIDE);
}

int Win32Platform::MoveWindow(Handle hwnd, int x, int y) {
  return ::SetWindowPos(As<HWND>(hwnd), nullptr, x, y, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Win32Platform::InvalidateRect(Handle hwnd, const Rect* rect) {
  if (rect == nullptr) return ::InvalidateRect(As<HWND>(hwnd), nullptr, FALSE);
  const RECT area{rect->left, rect->top, rect->right, rect->bottom};
  return ::InvalidateRect(As<HWND>(hwnd), &area, FALSE);
}

int Win32Platform::UpdateWindow(Handle hwnd) { return ::UpdateWindow(As<HWND>(hwnd)); }

Handle Win32Platform::SetFocus(Handle hwnd) { return Of(::SetFocus(As<HWND>(hwnd))); }

Handle Win32Platform::GetFocus() { return Of(::GetFocus()); }

int Win32Platform::SetOptionChecked(Handle button, bool checked) {
  return static_cast<int>(
      SendMessageW(As<HWND>(button), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0));
}

int Win32Platform::SetTimer(Handle hwnd, std::uintptr_t id, std::uint32_t milliseconds) {
  return static_cast<int>(::SetTimer(As<HWND>(hwnd), id, milliseconds, nullptr));
}

int Win32Platform::KillTimer(Handle hwnd, std::uintptr_t id) {
  return ::KillTimer(As<HWND>(hwnd), id);
}

void Win32Platform::PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop to see
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32Platform::RefreshCursor(Handle hwnd, const Rect& area, Handle cursor) {
  POINT point;
  if (!GetCursorPos(&point) || !ScreenToClient(As<HWND>(hwnd), &point)) return;
  if (point.x >= area.left && point.x < area.right && point.y >= area.top &&
      point.y < area.bottom) {
    SetCursor(As<HCURSOR>(cursor));
  }
}

}  // namespace tickbomb::win32
