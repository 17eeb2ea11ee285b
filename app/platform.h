// The one seam between tickbomb and Windows.
//
// Every call the program makes into Windows goes through `Platform`. The
// Windows build passes each method straight on to the function of the same
// name (app/win32/win32_platform.cpp); the native tests use a recording fake
// (tests/unit/fake_platform.h) that logs every call with its arguments.
// Handles are plain integers here so that this header needs no Windows header.
#ifndef TICKBOMB_APP_PLATFORM_H
#define TICKBOMB_APP_PLATFORM_H

#include <cstdint>
#include <string>
#include <vector>

namespace tickbomb {

using Handle = std::uintptr_t;  // HWND, HDC, HBRUSH, HRGN, HANDLE, HCURSOR, HBITMAP, HFONT

struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Same layout as OSVERSIONINFOA (148 bytes).
struct OsVersionInfoA {
  std::uint32_t dwOSVersionInfoSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfoA) == 148);

// Same layout as LUID and as a TOKEN_PRIVILEGES holding one privilege.
struct Luid {
  std::uint32_t LowPart;
  std::int32_t HighPart;
};
struct TokenPrivileges1 {
  std::uint32_t PrivilegeCount;
  Luid PrivilegeLuid;
  std::uint32_t Attributes;
};
static_assert(sizeof(TokenPrivileges1) == 16);

// Win32 constants the program uses, spelt as Windows spells them.
namespace win {
inline constexpr std::uint32_t SND_ASYNC = 0x0001;
inline constexpr std::uint32_t SND_NODEFAULT = 0x0002;
inline constexpr std::uint32_t SND_MEMORY = 0x0004;
inline constexpr int GWL_STYLE = -16;
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_FRAMECHANGED = 0x0020;
inline constexpr int RGN_XOR = 3;
inline constexpr std::uint32_t WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr std::uintptr_t HTCAPTION = 2;
inline constexpr std::uint32_t EWX_SHUTDOWN = 1;
inline constexpr std::uint32_t EWX_REBOOT = 2;
inline constexpr std::uint32_t EWX_POWEROFF = 8;
inline constexpr std::uint32_t SE_PRIVILEGE_ENABLED = 2;
inline constexpr std::uint32_t TOKEN_ALL_ACCESS_NT4 = 0x000F00FF;
inline constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;
inline constexpr std::uint32_t MB_OK = 0;
}  // namespace win

// How a label's text is laid out inside its box.
enum class TextAlign { Left, Center };

// A font as the form stores it: face, size in points, weight, character set.
struct FontSpec {
  std::wstring face;
  double points = 9.0;
  int weight = 400;
  int charset = 128;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

struct TextSize {
  int cx = 0, cy = 0;
};

// One drawing step of the form's paint, in window pixels. The form turns its
// state into a list of these; the Windows side draws them into a memory DC.
struct DrawOp {
  enum class Kind { FillRect, Bitmap, Text } kind = Kind::FillRect;
  Rect rect;                 // FillRect: the area; Bitmap: origin + size; Text: the clip box
  int x = 0, y = 0;          // Text: where the line starts (top-left of its cell)
  std::uint32_t color = 0;   // FillRect, Text: COLORREF 0x00BBGGRR
  int bitmap_id = 0;         // Bitmap: resource id of the picture
  std::wstring text;         // Text: one line, already wrapped; drawn with a transparent background
  FontSpec font;             // Text
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- winmm
  virtual int PlaySoundA(const void* sound, Handle module, std::uint32_t flags) = 0;

  // ---- kernel32
  virtual int GetVersionExA(OsVersionInfoA* info) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual Handle GetCurrentProcess() = 0;
  virtual int CloseHandle(Handle handle) = 0;
  // Milliseconds from a fixed point, monotonic, with sub-tick precision
  // (QueryPerformanceCounter on Windows).
  virtual double MonotonicMilliseconds() = 0;
  // Reads resource `id` of the named type from the program's own file, whole.
  // False if there is no such resource.
  virtual bool ReadResource(const char* type, int id, std::vector<std::uint8_t>& bytes) = 0;
  [[noreturn]] virtual void ExitProcess(unsigned exit_code) = 0;

  // ---- advapi32
  virtual int OpenProcessToken(Handle process, std::uint32_t access, Handle* token) = 0;
  virtual int LookupPrivilegeValueA(const char* system_name, const char* name, Luid* luid) = 0;
  virtual int AdjustTokenPrivileges(Handle token, int disable_all, TokenPrivileges1* new_state,
                                    std::uint32_t buffer_length, void* previous_state,
                                    std::uint32_t* return_length) = 0;

  // ---- user32
  virtual std::int32_t GetWindowLongA(Handle hwnd, int index) = 0;
  virtual std::int32_t SetWindowLongA(Handle hwnd, int index, std::int32_t value) = 0;
  virtual int SetWindowPos(Handle hwnd, Handle insert_after, int x, int y, int cx, int cy,
                           std::uint32_t flags) = 0;
  virtual int SetWindowRgn(Handle hwnd, Handle region, int redraw) = 0;
  virtual int GetWindowRect(Handle hwnd, Rect* rect) = 0;
  virtual Handle GetDC(Handle hwnd) = 0;
  virtual int ReleaseDC(Handle hwnd, Handle dc) = 0;
  virtual int ReleaseCapture() = 0;
  virtual std::intptr_t SendMessageA(Handle hwnd, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) = 0;
  virtual int ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) = 0;
  virtual int MessageBoxW(Handle owner, const std::wstring& text, const std::wstring& title,
                          std::uint32_t style) = 0;
  virtual int ScreenWidthPixels() = 0;   // GetSystemMetrics(SM_CXSCREEN)
  virtual int ScreenHeightPixels() = 0;  // GetSystemMetrics(SM_CYSCREEN)
  virtual Handle LoadCursorResource(int id) = 0;  // LoadImage(IMAGE_CURSOR); 0 if missing
  virtual int DestroyCursor(Handle cursor) = 0;
  virtual bool HasBitmapResource(int id) = 0;     // FindResource(RT_BITMAP)

  // ---- gdi32
  virtual Handle CreateRectRgn(int left, int top, int right, int bottom) = 0;
  virtual int CombineRgn(Handle destination, Handle source1, Handle source2, int mode) = 0;
  virtual int DeleteObject(Handle object) = 0;
  virtual Handle CreateSolidBrush(std::uint32_t color) = 0;
  virtual Handle SelectObject(Handle dc, Handle object) = 0;
  virtual int Rectangle(Handle dc, int left, int top, int right, int bottom) = 0;
  virtual TextSize MeasureText(const FontSpec& font, const std::wstring& text) = 0;

  // ---- the form's window (window class, procedures and painting live on the Windows side)
  // Creates the top-level form window, hidden, with a caption and border, at the
  // outer rectangle `outer` (screen pixels); returns the window.
  virtual Handle CreateFormWindow(const std::wstring& caption, const Rect& outer,
                                  std::uint32_t back_color) = 0;
  // Creates one option button (a child window that takes the focus); returns it.
  virtual Handle CreateOptionButton(Handle parent, const std::wstring& caption, const Rect& rect,
                                    bool group_start) = 0;
  virtual int DestroyWindow(Handle hwnd) = 0;
  virtual int ShowWindow(Handle hwnd, bool visible) = 0;
  virtual int MoveWindow(Handle hwnd, int x, int y) = 0;  // keeps the size
  virtual int InvalidateRect(Handle hwnd, const Rect* rect) = 0;  // nullptr: all of it
  virtual int UpdateWindow(Handle hwnd) = 0;
  virtual Handle SetFocus(Handle hwnd) = 0;
  virtual Handle GetFocus() = 0;
  virtual int SetOptionChecked(Handle button, bool checked) = 0;  // BM_SETCHECK
  virtual int SetTimer(Handle hwnd, std::uintptr_t id, std::uint32_t milliseconds) = 0;
  virtual int KillTimer(Handle hwnd, std::uintptr_t id) = 0;
  // Dispatches every message already waiting in the thread's queue, then returns.
  virtual void PumpMessages() = 0;
  // Shows `cursor` now if the pointer is over `area` of `hwnd` (client pixels).
  virtual void RefreshCursor(Handle hwnd, const Rect& area, Handle cursor) = 0;
};

}  // namespace tickbomb

#endif
