#include "app/win32/held_keys.h"

#include <windows.h>

namespace tickbomb::win32 {

namespace {

// Called by a message box's (or dialog's) loop with each message it takes,
// before the box sees it; TRUE drops the message.
LRESULT CALLBACK DropRepeatedKeys(int code, WPARAM wparam, LPARAM lparam) {
  if (code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX) {
    const auto* const message = reinterpret_cast<const MSG*>(lparam);
    const bool key_down = message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN;
    if (key_down && (message->lParam & (1 << 30)) != 0) return TRUE;  // the key was down already
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

void IgnoreHeldKeysInMessageBoxes() {
  SetWindowsHookExA(WH_MSGFILTER, DropRepeatedKeys, nullptr, GetCurrentThreadId());
}

}  // namespace tickbomb::win32
