// The window functions in the character set this Windows runs them in.
//
// On the NT family the windows are Unicode (the W functions), so the caption
// "カチコチボム" reads right in the taskbar and the task list on any locale.
// On Windows 95, 98 and Me nearly every W function is a stub that fails; only
// a handful that draw or show text are real there (ExtTextOutW,
// GetTextExtentPoint32W and MessageBoxW among them, which the program calls
// directly on every Windows). There the windows are ANSI (the A functions).
//
// The choice is made once, at the first call, from GetVersion's high bit, and
// this is the one place that makes it: the rest of the Windows side calls
// these functions and never asks which Windows it runs on. Calls that involve
// no text (resources by number, window properties with ASCII names, module
// handles, the system directory) use the ANSI forms on every Windows instead,
// since those exist everywhere.
#ifndef TICKBOMB_APP_WIN32_UNICODE_OR_ANSI_H
#define TICKBOMB_APP_WIN32_UNICODE_OR_ANSI_H

#include <windows.h>

#include <string>

namespace tickbomb::win32 {

// Whether this Windows runs Unicode windows (the NT family).
bool IsUnicodeWindows();

// The window class `name` (ASCII), drawn by `procedure`, with the program's
// `icon` and the `cursor` shown where the window sets none. Zero on failure.
ATOM RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon, HCURSOR cursor);

// CreateWindowEx with the program's module. On Windows 95, 98 and Me `text`
// is given in the system's ANSI code page.
HWND NewWindow(const wchar_t* class_name, const wchar_t* text, DWORD style, int x, int y, int width,
               int height, HWND parent, void* create_param);

// The default processing of a message: DefWindowProc.
LRESULT DefaultWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Hands a message on to the procedure a subclassed window had: CallWindowProc.
LRESULT CallPreviousProc(WNDPROC previous, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Makes `procedure` the window's procedure; returns the one it had.
WNDPROC ReplaceWindowProc(HWND hwnd, WNDPROC procedure);

// SendMessage of a message that carries no text.
LRESULT SendToWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The message loop's parts: the next message without waiting (false if none
// is queued), the next message waiting for one (GetMessage's result), and
// translating and dispatching one.
bool TakeQueuedMessage(MSG& message);
BOOL WaitForMessage(MSG& message);
void DeliverMessage(const MSG& message);

// A font of `height` pixels (negative: the em) and `weight` in `charset`, of
// the face `face`. On Windows 95, 98 and Me the face name goes to the font
// mapper in code page 932, the stored faces' own; where that code page is
// missing, no face name is given and the character set alone lets the
// mapper choose.
HFONT NewFont(int height, int weight, int charset, const std::wstring& face);

}  // namespace tickbomb::win32

#endif
