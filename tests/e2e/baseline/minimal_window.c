/* The yardstick of the end-to-end harness and of tools/bench/overall.py: the
 * least a Win32 program does to show a window of tickbomb's size and repaint it
 * twice a second.  It registers a class, creates the window ("minimal window",
 * 435 x 407) and shows it; a repeating 500 ms timer invalidates it, and every
 * WM_PAINT copies a memory bitmap of the window's size onto it.  It runs until
 * it is ended.  How long its window takes to appear, and how much CPU it uses
 * over a countdown's time, say how fast this Wine and this machine are
 * (tests/e2e/harness/speed.py).
 * Build: i686-w64-mingw32-gcc-win32 -O2 -mwindows -o minimal_window.exe minimal_window.c */
#include <windows.h>

enum { kWidth = 435, kHeight = 407, kTimer = 1, kPeriodMs = 500 };

static HDC picture;

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  PAINTSTRUCT paint;
  switch (message) {
    case WM_TIMER: InvalidateRect(window, NULL, FALSE); return 0;
    case WM_PAINT:
      BeginPaint(window, &paint);
      BitBlt(paint.hdc, 0, 0, kWidth, kHeight, picture, 0, 0, SRCCOPY);
      EndPaint(window, &paint);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  WNDCLASSA window_class = {0};
  MSG message;
  HWND window;
  HDC screen;
  (void)previous;
  (void)command_line;
  (void)show;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  window_class.lpszClassName = "MinimalWindow";
  RegisterClassA(&window_class);
  window = CreateWindowA("MinimalWindow", "minimal window", WS_POPUP, 100, 100, kWidth, kHeight,
                         NULL, NULL, instance, NULL);
  screen = GetDC(window);
  picture = CreateCompatibleDC(screen);
  SelectObject(picture, CreateCompatibleBitmap(screen, kWidth, kHeight));
  PatBlt(picture, 0, 0, kWidth, kHeight, WHITENESS);
  ReleaseDC(window, screen);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetTimer(window, kTimer, kPeriodMs, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
