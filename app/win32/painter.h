// Draws the form's paint steps into a device context, double-buffered: the
// steps are drawn into a memory bitmap the size of the area to repaint, which
// then goes to the screen in one BitBlt, so a changing frame never flickers.
// Nothing here knows about windows or the form's state.
#ifndef TICKBOMB_APP_WIN32_PAINTER_H
#define TICKBOMB_APP_WIN32_PAINTER_H

// The program's headers come before <windows.h>, whose macros would clash with
// the constants that the seam names as Windows spells them.
#include "app/seam/drawing.h"

#include <windows.h>

#include <vector>

namespace tickbomb::win32 {

// Draws `ops` (window pixels, back to front) clipped to `area` of `dc`.
void PaintOps(HDC dc, const RECT& area, const std::vector<DrawOp>& ops);

// The font a label's text is drawn with, made once per FontSpec and kept for
// the life of the process, at the size its points make on its screen.
HFONT FontFor(const FontSpec& font);

}  // namespace tickbomb::win32

#endif
