/* The baseline of tools/bench/tick_timing.py: one window and a plain repeating
 * 500 ms timer, armed once with SetTimer and never re-armed.  Every WM_TIMER
 * reads the clock (QueryPerformanceCounter, which the relay trace times); the
 * twentieth ends the program.  It asks for no shutdown and shows nothing.
 * Build: i686-w64-mingw32-gcc-win32 -O2 -mwindows -o plain_timer.exe plain_timer.c */
#include <windows.h>

static int ticks;

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (++ticks == 20) {
      KillTimer(window, 1);
      PostQuitMessage(0);
    }
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  WNDCLASSA window_class = {0};
  MSG message;
  HWND window;
  LARGE_INTEGER now;
  (void)previous;
  (void)command_line;
  (void)show;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = "PlainTimer";
  RegisterClassA(&window_class);
  window = CreateWindowA("PlainTimer", "plain timer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL,
                         NULL, instance, NULL);
  QueryPerformanceCounter(&now);
  SetTimer(window, 1, 500, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
