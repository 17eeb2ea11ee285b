// The program's entry: it starts the forms runtime, which creates Form1 and
// raises its Load event (the whole start-up), then dispatches the window
// messages until the program ends itself. The one file that knows both the
// program and the Windows side.
#include "app/form1.h"
#include "app/module1.h"
#include "app/win32/double_precision.h"
#include "app/win32/held_keys.h"
#include "app/win32/system_dll.h"
#include "app/win32/unicode_or_ansi.h"
#include "app/win32/win32_api.h"
#include "app/win32/win32_form_host.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  tickbomb::win32::LoadDllsFromSystemDirectoryOnly();
  tickbomb::win32::UseDoublePrecision();
  tickbomb::win32::IgnoreHeldKeysInMessageBoxes();
  tickbomb::win32::Win32Api windows;
  tickbomb::win32::Win32FormHost host;
  tickbomb::Module1 module;
  tickbomb::Form1 form(windows, host, module);
  form.Load();

  MSG message;
  while (tickbomb::win32::WaitForMessage(message) > 0) tickbomb::win32::DeliverMessage(message);
  // A request to quit (or a broken queue) ends the program as closing the
  // window does: at once, never by returning through the destructors while
  // a sound may still be playing from the sound bank.
  form.End();
}
