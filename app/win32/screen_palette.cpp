#include "app/win32/screen_palette.h"

namespace tickbomb::win32 {

namespace {
HPALETTE palette = nullptr;  // made at the first paint on a palette device
}  // namespace

bool IsPaletteDevice(HDC dc) { return (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0; }

UINT RealizeScreenPalette(HDC dc) {
  if (palette == nullptr) palette = CreateHalftonePalette(dc);
  if (palette == nullptr) return 0;
  SelectPalette(dc, palette, FALSE);
  return RealizePalette(dc);
}

void ForgetScreenPalette() {
  if (palette != nullptr) DeleteObject(palette);
  palette = nullptr;
}

}  // namespace tickbomb::win32
