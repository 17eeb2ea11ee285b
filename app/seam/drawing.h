// The plain data that crosses the seam when the form is drawn: rectangles,
// fonts, and the paint steps the form turns its state into.
#ifndef TICKBOMB_APP_SEAM_DRAWING_H
#define TICKBOMB_APP_SEAM_DRAWING_H

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/seam/handles.h"

namespace tickbomb {

// Same layout as RECT; right and bottom are exclusive.
struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// How a label's text is laid out inside its box.
enum class TextAlign { Left, Center };

// A font as the form stores it: face, size in points, weight, character
// set; and the dots per inch of the screen it is drawn on, which makes its
// size in pixels.
struct FontSpec {
  std::wstring face;
  double points = 9.0;
  int weight = 400;
  int charset = 128;
  int dpi = 96;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The nearest whole number, halves away from zero, as lround gives it (whose
// library version is built for the Pentium Pro): the whole part of the
// magnitude, then the half decided exactly, since taking the whole part off a
// double leaves its fraction exact.
inline std::int64_t RoundHalfAwayFromZero(double value) {
  const double magnitude = std::fabs(value);
  double whole = std::floor(magnitude);
  if (magnitude - whole >= 0.5) whole += 1.0;
  return static_cast<std::int64_t>(value < 0 ? -whole : whole);
}

// The font's em in pixels on its screen: 72 points are an inch.
inline int FontPixelHeight(const FontSpec& font) {
  return static_cast<int>(RoundHalfAwayFromZero(font.points * font.dpi / 72.0));
}

// A picture's pixels, top row first, each 0x00RRGGBB.
struct PixelImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  friend bool operator==(const PixelImage&, const PixelImage&) = default;
};

struct TextSize {
  int cx = 0, cy = 0;
};

// One drawing step of the form's paint, in window pixels. The form turns its
// state into a list of these; the Windows side draws them into a memory DC.
struct DrawOp {
  enum class Kind { FillRect, Bitmap, Text } kind = Kind::FillRect;
  Rect rect;                // FillRect: the area; Bitmap: origin + size; Text: the clip box
  int x = 0, y = 0;         // Text: where the line starts (top-left of its cell)
  std::uint32_t color = 0;  // FillRect, Text: COLORREF 0x00BBGGRR
  int bitmap_id = 0;        // Bitmap: resource id of the picture
  Hbitmap bitmap{};         // Bitmap: the picture, loaded with the form's window
  std::wstring text;        // Text: one line, already wrapped; drawn with a transparent background
  FontSpec font;            // Text
};

}  // namespace tickbomb

#endif
