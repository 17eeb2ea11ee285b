// The window procedures of a form: they only translate window messages into
// the form's entry points (forms::Form::On...), and paint.
#ifndef TICKBOMB_APP_WIN32_FORM_WINDOW_H
#define TICKBOMB_APP_WIN32_FORM_WINDOW_H

#include <windows.h>

namespace tickbomb::win32 {

inline constexpr wchar_t kFormClassName[] = L"TickbombForm";

// The procedure of the form's top-level window. CreateWindowExW's last
// argument is the forms::Form the window belongs to.
LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Routes the keys of an option button to its form instead of the button, so
// that the form alone moves the group's selection (and raises Click).
void SubclassOptionButton(HWND button);

}  // namespace tickbomb::win32

#endif
