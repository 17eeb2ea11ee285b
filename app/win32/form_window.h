// The window procedures of a form: they only translate window messages into
// the form's events (FormWindowEvents), and paint what the form asks for.
#ifndef TICKBOMB_APP_WIN32_FORM_WINDOW_H
#define TICKBOMB_APP_WIN32_FORM_WINDOW_H

#include "app/seam/drawing.h"
#include "app/seam/form_window_events.h"

#include <windows.h>  // after the program's headers: its macros clash with their names

namespace tickbomb::win32 {

// Creates a form's top-level window, hidden, with a caption and a sizing
// border at `outer` (screen pixels); it serves `events` from its first message
// on. Null if it could not be created.
HWND CreateFormWindowFor(FormWindowEvents& events, const wchar_t* caption, const Rect& outer);

// Routes the keys of an option button to its form instead of the button, so
// that the form alone moves the group's selection (and raises Click), and
// gives it its font and colours.
void SubclassOptionButton(HWND button, COLORREF back_color, COLORREF fore_color, HFONT font);

// Shows the cursor the window's form wants where the pointer is (CursorAt:
// the one place that decides it), if the pointer is over the window or the
// window holds the mouse; false
// if it is not, or the window serves no form any more. The system shows a
// new cursor only when the mouse moves, so a change under a still pointer
// calls this.
bool ShowFormCursor(HWND hwnd);

}  // namespace tickbomb::win32

#endif
