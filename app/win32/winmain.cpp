// The program's entry: it starts the forms runtime, which creates Form1 and
// raises its Load event (the whole start-up), then dispatches the window
// messages until the program ends itself.
#include "app/form1.h"
#include "app/module1.h"
#include "app/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  tickbomb::win32::Win32Platform platform;
  tickbomb::Module1 module;
  tickbomb::Form1 form(platform, module);
  platform.AttachForm(form);
  form.Load();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
