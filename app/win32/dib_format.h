// The one pixel layout the Windows side hands bitmaps in: 32 bits a pixel,
// 0x00RRGGBB, the top row first (a negative height), as PixelImage has it.
#ifndef TICKBOMB_APP_WIN32_DIB_FORMAT_H
#define TICKBOMB_APP_WIN32_DIB_FORMAT_H

#include <windows.h>

namespace tickbomb::win32 {

inline BITMAPINFO TopDown32BitFormat(int width, int height) {
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  return format;
}

}  // namespace tickbomb::win32

#endif
