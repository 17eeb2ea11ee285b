#include "app/win32/painter.h"

#include <cmath>
#include <utility>

#include "app/win32/dib_format.h"
#include "app/win32/handle_cast.h"
#include "app/win32/screen_palette.h"
#include "app/win32/unicode_or_ansi.h"

namespace tickbomb::win32 {

namespace {

bool Overlaps(const RECT& a, const Rect& b) {
  return b.left < a.right && a.left < b.right && b.top < a.bottom && a.top < b.bottom;
}

void FillArea(HDC dc, const DrawOp& op) {
  const RECT rect{op.rect.left, op.rect.top, op.rect.right, op.rect.bottom};
  const HBRUSH brush = CreateSolidBrush(op.color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void DrawBitmap(HDC dc, HDC picture_dc, const DrawOp& op) {
  const HBITMAP bitmap = Native(op.bitmap);
  if (bitmap == nullptr) return;
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  const HGDIOBJ previous = SelectObject(picture_dc, bitmap);
  BitBlt(dc, op.rect.left, op.rect.top, info.bmWidth, info.bmHeight, picture_dc, 0, 0, SRCCOPY);
  SelectObject(picture_dc, previous);
}

void DrawTextLine(HDC dc, const DrawOp& op) {
  const RECT clip{op.rect.left, op.rect.top, op.rect.right, op.rect.bottom};
  const HGDIOBJ previous = SelectObject(dc, FontFor(op.font));
  SetTextColor(dc, op.color);
  ExtTextOutW(dc, op.x, op.y, ETO_CLIPPED, &clip, op.text.c_str(),
              static_cast<UINT>(op.text.size()), nullptr);
  SelectObject(dc, previous);
}

}  // namespace

HFONT FontFor(const FontSpec& font) {
  static std::vector<std::pair<FontSpec, HFONT>> fonts;
  for (const auto& [cached, handle] : fonts) {
    if (cached == font) return handle;
  }
  const int height = -FontPixelHeight(font);
  const HFONT handle = NewFont(height, font.weight, font.charset, font.face);
  fonts.emplace_back(font, handle);
  return handle;
}

void PaintOps(HDC dc, const RECT& area, const std::vector<DrawOp>& ops) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;

  const HDC buffer_dc = CreateCompatibleDC(dc);
  // A 32-bit buffer whatever `dc` is: a memory DC handed in by WM_PRINTCLIENT
  // may hold a one-bit bitmap, and a buffer "compatible" with it would be too.
  const BITMAPINFO format = TopDown32BitFormat(width, height);
  void* bits = nullptr;
  const HBITMAP buffer = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (buffer == nullptr) {
    DeleteDC(buffer_dc);
    return;
  }
  const HGDIOBJ previous_buffer = SelectObject(buffer_dc, buffer);
  const HDC picture_dc = CreateCompatibleDC(dc);
  // The buffer's origin is the area's top-left corner: draw in window pixels.
  SetViewportOrgEx(buffer_dc, -area.left, -area.top, nullptr);
  SetBkMode(buffer_dc, TRANSPARENT);

  for (const DrawOp& op : ops) {
    if (!Overlaps(area, op.rect)) continue;
    switch (op.kind) {
      case DrawOp::Kind::FillRect: FillArea(buffer_dc, op); break;
      case DrawOp::Kind::Bitmap: DrawBitmap(buffer_dc, picture_dc, op); break;
      case DrawOp::Kind::Text: DrawTextLine(buffer_dc, op); break;
    }
  }

  if (IsPaletteDevice(dc)) {
    // 256 colours: through the halftone palette, dithered where Windows can
    // (the NT family's HALFTONE stretching; 95, 98 and Me take each pixel's
    // nearest colour).
    RealizeScreenPalette(dc);
    if (IsUnicodeWindows()) {
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    StretchBlt(dc, area.left, area.top, width, height, buffer_dc, area.left, area.top, width,
               height, SRCCOPY);
  } else {
    BitBlt(dc, area.left, area.top, width, height, buffer_dc, area.left, area.top, SRCCOPY);
  }

  DeleteDC(picture_dc);
  SelectObject(buffer_dc, previous_buffer);
  DeleteObject(buffer);
  DeleteDC(buffer_dc);
}

}  // namespace tickbomb::win32
