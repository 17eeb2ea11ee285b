// The Windows side of the seam: every method passes straight on to the
// Windows function of the same name.
#ifndef TICKBOMB_APP_WIN32_WIN32_PLATFORM_H
#define TICKBOMB_APP_WIN32_WIN32_PLATFORM_H

#include "app/forms/form.h"
#include "app/platform.h"

#include <windows.h>  // after the program's headers: its macros clash with their names

namespace tickbomb::win32 {

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;

  // The form whose window CreateFormWindow makes: its window procedure
  // passes the window's messages on to it.
  void AttachForm(forms::Form& form) { form_ = &form; }

  // ---- winmm
  int PlaySoundA(const void* sound, Handle module, std::uint32_t flags) override;

  // ---- kernel32
  int GetVersionExA(OsVersionInfoA* info) override;
  void Sleep(std::uint32_t milliseconds) override;
  Handle GetCurrentProcess() override;
  int CloseHandle(Handle handle) override;
  double MonotonicMilliseconds() override;
  bool ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) override;
  [[noreturn]] void ExitProcess(unsigned exit_code) override;

  // ---- advapi32
  int OpenProcessToken(Handle process, std::uint32_t access, Handle* token) override;
  int LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) override;
  int AdjustTokenPrivileges(Handle token, int disable_all, TokenPrivileges1* new_state,
                            std::uint32_t buffer_length, void* previous_state,
                            std::uint32_t* return_length) override;

  // ---- user32
  std::int32_t GetWindowLongA(Handle hwnd, int index) override;
  std::int32_t SetWindowLongA(Handle hwnd, int index, std::int32_t value) override;
  int SetWindowPos(Handle hwnd, Handle insert_after, int x, int y, int cx, int cy,
                   std::uint32_t flags) override;
  int SetWindowRgn(Handle hwnd, Handle region, int redraw) override;
  int GetWindowRect(Handle hwnd, Rect* rect) override;
  Handle GetDC(Handle hwnd) override;
  int ReleaseDC(Handle hwnd, Handle dc) override;
  int ReleaseCapture() override;
  std::intptr_t SendMessageA(Handle hwnd, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) override;
  int ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override;
  int MessageBoxW(Handle owner, const std::wstring& text, const std::wstring& title,
                  std::uint32_t style) override;
  int ScreenWidthPixels() override;
  int ScreenHeightPixels() override;
  Handle LoadCursorResource(int id) override;
  int DestroyCursor(Handle cursor) override;
  bool HasBitmapResource(int id) override;

  // ---- gdi32
  Handle CreateRectRgn(int left, int top, int right, int bottom) override;
  int CombineRgn(Handle destination, Handle source1, Handle source2, int mode) override;
  int DeleteObject(Handle object) override;
  Handle CreateSolidBrush(std::uint32_t color) override;
  Handle SelectObject(Handle dc, Handle object) override;
  int Rectangle(Handle dc, int left, int top, int right, int bottom) override;
  TextSize MeasureText(const FontSpec& font, const std::wstring& text) override;

  // ---- the form's window
  Handle CreateFormWindow(const std::wstring& caption, const Rect& outer,
                          std::uint32_t back_color) override;
  Handle CreateOptionButton(Handle parent, const std::wstring& caption, const Rect& rect,
                            bool group_start) override;
  int DestroyWindow(Handle hwnd) override;
  int ShowWindow(Handle hwnd, bool visible) override;
  int MoveWindow(Handle hwnd, int x, int y) override;
  int InvalidateRect(Handle hwnd, const Rect* rect) override;
  int UpdateWindow(Handle hwnd) override;
  Handle SetFocus(Handle hwnd) override;
  Handle GetFocus() override;
  int SetOptionChecked(Handle button, bool checked) override;
  int SetTimer(Handle hwnd, std::uintptr_t id, std::uint32_t milliseconds) override;
  int KillTimer(Handle hwnd, std::uintptr_t id) override;
  void PumpMessages() override;
  void RefreshCursor(Handle hwnd, const Rect& area, Handle cursor) override;

 private:
  forms::Form* form_ = nullptr;
  HDC measure_dc_ = nullptr;  // a memory DC that text is measured in
  double counts_per_millisecond_ = 1;
};

}  // namespace tickbomb::win32

#endif
