// The real Windows behind the WindowsApi seam: each method calls the function
// of the same name with the same arguments and returns its result.
#ifndef TICKBOMB_APP_WIN32_WIN32_API_H
#define TICKBOMB_APP_WIN32_WIN32_API_H

#include "app/seam/windows_api.h"

namespace tickbomb::win32 {

class Win32Api final : public WindowsApi {
 public:
  int PlaySoundA(const void* sound, Hmodule module, std::uint32_t flags) override;

  int GetVersionExA(OsVersionInfoA* info) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t GetTickCount() override;
  Hprocess GetCurrentProcess() override;
  int CloseHandle(Htoken handle) override;
  void ExitProcess(unsigned exit_code) override;

  int OpenProcessToken(Hprocess process, std::uint32_t access, Htoken* token) override;
  int LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) override;
  int AdjustTokenPrivileges(Htoken token, int disable_all, TokenPrivileges1* new_state,
                            std::uint32_t buffer_length, void* previous_state,
                            std::uint32_t* return_length) override;

  std::int32_t GetWindowLongA(Hwnd hwnd, int index) override;
  std::int32_t SetWindowLongA(Hwnd hwnd, int index, std::int32_t value) override;
  int SetWindowPos(Hwnd hwnd, Hwnd insert_after, int x, int y, int cx, int cy,
                   std::uint32_t flags) override;
  int SetWindowRgn(Hwnd hwnd, Hrgn region, int redraw) override;
  int GetWindowRect(Hwnd hwnd, Rect* rect) override;
  int ShowWindow(Hwnd hwnd, int show) override;
  int DestroyWindow(Hwnd hwnd) override;
  int InvalidateRect(Hwnd hwnd, const Rect* rect, int erase) override;
  int UpdateWindow(Hwnd hwnd) override;
  Hwnd SetFocus(Hwnd hwnd) override;
  Hwnd GetFocus() override;
  std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapse) override;
  int KillTimer(Hwnd hwnd, std::uintptr_t id) override;
  Hdc GetDC(Hwnd hwnd) override;
  int ReleaseDC(Hwnd hwnd, Hdc dc) override;
  int ReleaseCapture() override;
  std::intptr_t SendMessageA(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;
  std::intptr_t SendToOwnWindow(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                std::intptr_t lparam) override;
  int ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override;
  int MessageBoxW(Hwnd owner, const wchar_t* text, const wchar_t* caption,
                  std::uint32_t type) override;
  int GetSystemMetrics(int index) override;
  std::uint32_t GetSysColor(int index) override;
  int DestroyCursor(Hcursor cursor) override;
  void InitCommonControls() override;
  void NotifyWinEvent(std::uint32_t event, Hwnd hwnd, std::int32_t object,
                      std::int32_t child) override;

  Himc ImmAssociateContext(Hwnd hwnd, Himc context) override;

  Hrgn CreateRectRgn(int left, int top, int right, int bottom) override;
  int CombineRgn(Hrgn destination, Hrgn source1, Hrgn source2, int mode) override;
  int DeleteObject(Hrgn region) override;
  int DeleteObject(Hbrush brush) override;
  int DeleteObject(Hbitmap bitmap) override;
  Hbrush CreateSolidBrush(std::uint32_t color) override;
  Hbrush SelectObject(Hdc dc, Hbrush brush) override;
  int Rectangle(Hdc dc, int left, int top, int right, int bottom) override;
};

}  // namespace tickbomb::win32

#endif
