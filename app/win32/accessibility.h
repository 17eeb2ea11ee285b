// Screen readers (Microsoft Active Accessibility): the form's words given as
// the name of its focused option button, and the events that have a reader
// speak them. oleacc, ole32, oleaut32 and NotifyWinEvent are looked up at run
// time, oleacc's family from the system folder (system_dll.h), never imported:
// the program still starts where they are missing (Windows 95, NT 4.0 without
// the Active Accessibility redistributable), and then announces nothing.
#ifndef TICKBOMB_APP_WIN32_ACCESSIBILITY_H
#define TICKBOMB_APP_WIN32_ACCESSIBILITY_H

#include <windows.h>

#include <string>

namespace tickbomb::win32 {

// Loads what a reader's questions need and puts the thread into a COM
// apartment (a reader's calls arrive there), once; false where any piece is
// missing.
bool StartAccessibility();

// user32's NotifyWinEvent; nothing where Windows has none.
void NotifyWinEventIfAny(DWORD event, HWND hwnd, LONG object, LONG child);

// The name a reader should hear for `control` now; empty: the control's own.
using NameOfControl = std::wstring (*)(HWND control);

// The answer to WM_GETOBJECT for `control`'s client object: the system's
// standard object for it, but named by `name_of`, asked each time a reader
// reads the name. 0 where accessibility was not started or the object
// cannot be made: then the window procedure gives its default answer.
LRESULT NamedAccessibleObject(HWND control, WPARAM wparam, NameOfControl name_of);

}  // namespace tickbomb::win32

#endif
