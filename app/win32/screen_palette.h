// A screen of 256 colours (a palette device) shows only the colours of the
// palette realized on it: without one of the program's own, Windows maps the
// pictures to its 20 static colours, and the starry sky and the bomb come out
// as blocks. There the window realizes a halftone palette (colours spread
// over the whole cube) and draws through it. Any other screen needs nothing:
// the program only asks it whether it is a palette device.
#ifndef TICKBOMB_APP_WIN32_SCREEN_PALETTE_H
#define TICKBOMB_APP_WIN32_SCREEN_PALETTE_H

#include <windows.h>

namespace tickbomb::win32 {

// Whether `dc` is on a palette device.
bool IsPaletteDevice(HDC dc);

// Selects the program's halftone palette into `dc` (a palette device's) and
// realizes it; returns how many of the system palette's entries changed. In
// the background (another window has the foreground) Windows maps it onto
// the system palette as it stands.
UINT RealizeScreenPalette(HDC dc);

// The display changed (another colour depth): the palette is made anew for
// the next paint.
void ForgetScreenPalette();

}  // namespace tickbomb::win32

#endif
