#include "app/win32/win32_api.h"

#include "app/win32/accessibility.h"
#include "app/win32/handle_cast.h"
#include "app/win32/system_dll.h"
#include "app/win32/unicode_or_ansi.h"

namespace tickbomb::win32 {

static_assert(sizeof(OsVersionInfoA) == sizeof(OSVERSIONINFOA));
static_assert(sizeof(Luid) == sizeof(LUID));
static_assert(sizeof(TokenPrivileges1) == sizeof(TOKEN_PRIVILEGES));
static_assert(sizeof(Rect) == sizeof(RECT));

// ---------------------------------------------------------------- winmm

// winmm is not imported but loaded from the system directory at the first
// call (system_dll.h); without it, or without its PlaySoundA, nothing plays.
int Win32Api::PlaySoundA(const void* sound, Hmodule module, std::uint32_t flags) {
  const PlaySoundAFunction play = WinmmPlaySoundA();
  return play != nullptr ? play(static_cast<LPCSTR>(sound), Native(module), flags) : FALSE;
}

// ---------------------------------------------------------------- kernel32

int Win32Api::GetVersionExA(OsVersionInfoA* info) {
  return ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(info));
}

void Win32Api::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t Win32Api::GetTickCount() { return ::GetTickCount(); }

Hprocess Win32Api::GetCurrentProcess() { return Typed<Hprocess>(::GetCurrentProcess()); }

int Win32Api::CloseHandle(Htoken handle) { return ::CloseHandle(Native(handle)); }

void Win32Api::ExitProcess(unsigned exit_code) { ::ExitProcess(exit_code); }

// ---------------------------------------------------------------- advapi32

int Win32Api::OpenProcessToken(Hprocess process, std::uint32_t access, Htoken* token) {
  HANDLE opened = nullptr;
  const BOOL result = ::OpenProcessToken(Native(process), access, &opened);
  *token = Typed<Htoken>(opened);
  return result;
}

int Win32Api::LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) {
  return ::LookupPrivilegeValueA(system_name, name, reinterpret_cast<LUID*>(luid));
}

int Win32Api::AdjustTokenPrivileges(Htoken token, int disable_all, TokenPrivileges1* new_state,
                                    std::uint32_t buffer_length, void* previous_state,
                                    std::uint32_t* return_length) {
  return ::AdjustTokenPrivileges(
      Native(token), disable_all, reinterpret_cast<TOKEN_PRIVILEGES*>(new_state), buffer_length,
      static_cast<TOKEN_PRIVILEGES*>(previous_state), reinterpret_cast<DWORD*>(return_length));
}

// ---------------------------------------------------------------- user32

std::int32_t Win32Api::GetWindowLongA(Hwnd hwnd, int index) {
  return ::GetWindowLongA(Native(hwnd), index);
}

std::int32_t Win32Api::SetWindowLongA(Hwnd hwnd, int index, std::int32_t value) {
  return ::SetWindowLongA(Native(hwnd), index, value);
}

int Win32Api::SetWindowPos(Hwnd hwnd, Hwnd insert_after, int x, int y, int cx, int cy,
                           std::uint32_t flags) {
  return ::SetWindowPos(Native(hwnd), Native(insert_after), x, y, cx, cy, flags);
}

int Win32Api::SetWindowRgn(Hwnd hwnd, Hrgn region, int redraw) {
  return ::SetWindowRgn(Native(hwnd), Native(region), redraw);
}

int Win32Api::GetWindowRect(Hwnd hwnd, Rect* rect) {
  return ::GetWindowRect(Native(hwnd), reinterpret_cast<RECT*>(rect));
}

int Win32Api::ShowWindow(Hwnd hwnd, int show) { return ::ShowWindow(Native(hwnd), show); }

int Win32Api::DestroyWindow(Hwnd hwnd) { return ::DestroyWindow(Native(hwnd)); }

int Win32Api::InvalidateRect(Hwnd hwnd, const Rect* rect, int erase) {
  return ::InvalidateRect(Native(hwnd), reinterpret_cast<const RECT*>(rect), erase);
}

int Win32Api::UpdateWindow(Hwnd hwnd) { return ::UpdateWindow(Native(hwnd)); }

Hwnd Win32Api::SetFocus(Hwnd hwnd) { return Typed<Hwnd>(::SetFocus(Native(hwnd))); }

Hwnd Win32Api::GetFocus() { return Typed<Hwnd>(::GetFocus()); }

std::uintptr_t Win32Api::SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapse) {
  return ::SetTimer(Native(hwnd), id, elapse, nullptr);
}

int Win32Api::KillTimer(Hwnd hwnd, std::uintptr_t id) { return ::KillTimer(Native(hwnd), id); }

Hdc Win32Api::GetDC(Hwnd hwnd) { return Typed<Hdc>(::GetDC(Native(hwnd))); }

int Win32Api::ReleaseDC(Hwnd hwnd, Hdc dc) { return ::ReleaseDC(Native(hwnd), Native(dc)); }

int Win32Api::ReleaseCapture() { return ::ReleaseCapture(); }

std::intptr_t Win32Api::SendMessageA(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) {
  return ::SendMessageA(Native(hwnd), message, wparam, lparam);
}

// The forms layer's messages to its own windows carry no text (BM_SETCHECK):
// they go in the form the windows were made in, since on Windows 95, 98 and
// Me SendMessageW is a stub that fails.
std::intptr_t Win32Api::SendToOwnWindow(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) {
  return SendToWindow(Native(hwnd), message, wparam, lparam);
}

int Win32Api::ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) {
  return ::ExitWindowsEx(flags, reserved);
}

int Win32Api::MessageBoxW(Hwnd owner, const wchar_t* text, const wchar_t* caption,
                          std::uint32_t type) {
  return ::MessageBoxW(Native(owner), text, caption, type);
}

int Win32Api::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

std::uint32_t Win32Api::GetSysColor(int index) { return ::GetSysColor(index); }

int Win32Api::DestroyCursor(Hcursor cursor) { return ::DestroyCursor(Native(cursor)); }

// Looked up at run time: Windows 95 and NT 4.0 before SP6 have none.
void Win32Api::NotifyWinEvent(std::uint32_t event, Hwnd hwnd, std::int32_t object,
                              std::int32_t child) {
  NotifyWinEventIfAny(event, Native(hwnd), object, child);
}

// ---------------------------------------------------------------- comctl32

// The manifest asks for the common controls' version 6, which Windows XP and
// later keep side by side with the system folder's older one; it serves the
// option buttons and the message boxes only once it is loaded. There it is
// loaded by name: the activation context's version 6 comes before any folder.
// Windows before XP (no activation contexts) have one, in the system folder.
void Win32Api::InitCommonControls() {
  using InitCommonControlsFunction = void(WINAPI*)();
  const bool side_by_side = IsUnicodeWindows() && GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                 "CreateActCtxW") != nullptr;
  const HMODULE comctl32 =
      side_by_side ? LoadLibraryExA("comctl32.dll", nullptr, 0) : LoadSystemDll("comctl32.dll");
  if (comctl32 == nullptr) return;
  const auto init = reinterpret_cast<InitCommonControlsFunction>(
      reinterpret_cast<void*>(GetProcAddress(comctl32, "InitCommonControls")));
  if (init != nullptr) init();
}

// ---------------------------------------------------------------- imm32

// imm32 is loaded at the first call, from the system directory; where it is
// missing there is no input method to take a window's keys either.
Himc Win32Api::ImmAssociateContext(Hwnd hwnd, Himc context) {
  using ImmAssociateContextFunction = HIMC(WINAPI*)(HWND, HIMC);
  static const auto associate = []() -> ImmAssociateContextFunction {
    const HMODULE imm32 = LoadSystemDll("imm32.dll");
    if (imm32 == nullptr) return nullptr;
    return reinterpret_cast<ImmAssociateContextFunction>(
        reinterpret_cast<void*>(GetProcAddress(imm32, "ImmAssociateContext")));
  }();
  if (associate == nullptr) return Himc{};
  return Typed<Himc>(associate(Native(hwnd), Native(context)));
}

// ---------------------------------------------------------------- gdi32

Hrgn Win32Api::CreateRectRgn(int left, int top, int right, int bottom) {
  return Typed<Hrgn>(::CreateRectRgn(left, top, right, bottom));
}

int Win32Api::CombineRgn(Hrgn destination, Hrgn source1, Hrgn source2, int mode) {
  return ::CombineRgn(Native(destination), Native(source1), Native(source2), mode);
}

int Win32Api::DeleteObject(Hrgn region) { return ::DeleteObject(Native(region)); }

int Win32Api::DeleteObject(Hbrush brush) { return ::DeleteObject(Native(brush)); }

int Win32Api::DeleteObject(Hbitmap bitmap) { return ::DeleteObject(Native(bitmap)); }

Hbrush Win32Api::CreateSolidBrush(std::uint32_t color) {
  return Typed<Hbrush>(::CreateSolidBrush(color));
}

Hbrush Win32Api::SelectObject(Hdc dc, Hbrush brush) {
  return Typed<Hbrush>(::SelectObject(Native(dc), Native(brush)));
}

int Win32Api::Rectangle(Hdc dc, int left, int top, int right, int bottom) {
  return ::Rectangle(Native(dc), left, top, right, bottom);
}

}  // namespace tickbomb::win32
