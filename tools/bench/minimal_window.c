/* The start-up baseline of tools/bench/overall.py: the least a Win32 program
 * does to show a window (register a class, create the window, show it, paint it
 * with the class brush), then wait for messages until it is ended.  Its window
 * is named "minimal window".
 * Build: i686-w64-mingw32-gcc-win32 -O2 -mwindows -o minimal_window.exe minimal_window.c */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  WNDCLASSA window_class = {0};
  MSG message;
  HWND window;
  (void)previous;
  (void)command_line;
  (void)show;
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = instance;
  window_class.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  window_class.lpszClassName = "MinimalWindow";
  RegisterClassA(&window_class);
  window = CreateWindowA("MinimalWindow", "minimal window", WS_OVERLAPPEDWINDOW, 100, 100, 440, 435,
                         NULL, NULL, instance, NULL);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
