// The program's entry: it starts the forms runtime, which creates Form1 and
// raises its Load event (the whole start-up), then dispatches the window
// messages until the program ends itself. The one file that knows both the
// program and the Windows side.
#include <cfloat>

#include "app/form1.h"
#include "app/module1.h"
#include "app/win32/form_host.h"
#include "app/win32/system_dll.h"
#include "app/win32/windows_api.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  tickbomb::win32::LoadDllsFromSystemDirectoryOnly();
  // Doubles are doubles: the mingw-w64 start-up code leaves the x87 unit at 64-bit
  // precision, so `left + cw` in ZoomRectangles could round up a value that is a tie
  // in double precision (426.50000000000003 instead of 426.5, giving 427, not 426).
  // 53 bits is the precision Windows itself starts every process with.
  _controlfp(_PC_53, _MCW_PC);
  tickbomb::win32::Win32Api windows;
  tickbomb::win32::Win32FormHost host;
  tickbomb::Module1 module;
  tickbomb::Form1 form(windows, host, module);
  form.Load();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
