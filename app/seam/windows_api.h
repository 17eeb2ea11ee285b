// The Windows functions tickbomb calls, as Windows spells them.
//
// Every method named as a Windows function passes its arguments straight on
// to it and returns what it returned (app/win32/win32_api.cpp); the native
// tests put a recording fake in its place and compare the calls one by one.
// Arguments the program always passes as null (SetTimer's TIMERPROC) are left
// out. What the forms layer needs beyond these calls, such as creating its
// window or measuring text, is in form_host.h.
#ifndef TICKBOMB_APP_SEAM_WINDOWS_API_H
#define TICKBOMB_APP_SEAM_WINDOWS_API_H

#include <cstdint>

#include "app/seam/drawing.h"
#include "app/seam/handles.h"
#include "app/seam/windows_types.h"

namespace tickbomb {

class WindowsApi {
 public:
  virtual ~WindowsApi() = default;

  // ---- winmm
  virtual int PlaySoundA(const void* sound, Hmodule module, std::uint32_t flags) = 0;

  // ---- kernel32
  virtual int GetVersionExA(OsVersionInfoA* info) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t GetTickCount() = 0;
  virtual Hprocess GetCurrentProcess() = 0;
  virtual int CloseHandle(Htoken handle) = 0;
  // Does not return on Windows; a stand-in that cannot end the process throws
  // ProcessExit instead.
  virtual void ExitProcess(unsigned exit_code) = 0;

  // ---- advapi32
  virtual int OpenProcessToken(Hprocess process, std::uint32_t access, Htoken* token) = 0;
  virtual int LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) = 0;
  virtual int AdjustTokenPrivileges(Htoken token, int disable_all, TokenPrivileges1* new_state,
                                    std::uint32_t buffer_length, void* previous_state,
                                    std::uint32_t* return_length) = 0;

  // ---- user32
  virtual std::int32_t GetWindowLongA(Hwnd hwnd, int index) = 0;
  virtual std::int32_t SetWindowLongA(Hwnd hwnd, int index, std::int32_t value) = 0;
  virtual int SetWindowPos(Hwnd hwnd, Hwnd insert_after, int x, int y, int cx, int cy,
                           std::uint32_t flags) = 0;
  virtual int SetWindowRgn(Hwnd hwnd, Hrgn region, int redraw) = 0;
  virtual int GetWindowRect(Hwnd hwnd, Rect* rect) = 0;
  virtual int ShowWindow(Hwnd hwnd, int show) = 0;
  virtual int DestroyWindow(Hwnd hwnd) = 0;
  virtual int InvalidateRect(Hwnd hwnd, const Rect* rect, int erase) = 0;  // nullptr: all of it
  virtual int UpdateWindow(Hwnd hwnd) = 0;
  virtual Hwnd SetFocus(Hwnd hwnd) = 0;
  virtual Hwnd GetFocus() = 0;
  virtual std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapse) = 0;
  virtual int KillTimer(Hwnd hwnd, std::uintptr_t id) = 0;
  virtual Hdc GetDC(Hwnd hwnd) = 0;
  virtual int ReleaseDC(Hwnd hwnd, Hdc dc) = 0;
  virtual int ReleaseCapture() = 0;
  virtual std::intptr_t SendMessageA(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) = 0;
  // A textless message to one of the program's windows, in their character
  // set: SendMessageW on the NT family, SendMessageA on Windows 95, 98 and Me.
  virtual std::intptr_t SendToOwnWindow(Hwnd hwnd, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam) = 0;
  virtual int ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) = 0;
  virtual int MessageBoxW(Hwnd owner, const wchar_t* text, const wchar_t* caption,
                          std::uint32_t type) = 0;
  virtual int GetSystemMetrics(int index) = 0;
  virtual std::uint32_t GetSysColor(int index) = 0;
  virtual int DestroyCursor(Hcursor cursor) = 0;

  // ---- comctl32 (not imported: loaded first, so that the manifest's version 6
  // is the one in the process where Windows has it)
  virtual void InitCommonControls() = 0;
  // Where Windows has no NotifyWinEvent (95, NT 4.0 before SP6), nothing.
  virtual void NotifyWinEvent(std::uint32_t event, Hwnd hwnd, std::int32_t object,
                              std::int32_t child) = 0;

  // ---- imm32 (where Windows has it; a null context where it does not)
  virtual Himc ImmAssociateContext(Hwnd hwnd, Himc context) = 0;

  // ---- gdi32
  virtual Hrgn CreateRectRgn(int left, int top, int right, int bottom) = 0;
  virtual int CombineRgn(Hrgn destination, Hrgn source1, Hrgn source2, int mode) = 0;
  virtual int DeleteObject(Hrgn region) = 0;
  virtual int DeleteObject(Hbrush brush) = 0;
  virtual int DeleteObject(Hbitmap bitmap) = 0;
  virtual Hbrush CreateSolidBrush(std::uint32_t color) = 0;
  virtual Hbrush SelectObject(Hdc dc, Hbrush brush) = 0;
  virtual int Rectangle(Hdc dc, int left, int top, int right, int bottom) = 0;
};

}  // namespace tickbomb

#endif
