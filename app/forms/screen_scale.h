// The one rule that turns the form's twips into the pixels of the screen it
// is on. A twip is 1/1440 inch, so a screen of `dpi` dots per inch has
// 1440 / dpi twips to the pixel: 15 at 96 DPI, where the layout is pixel art,
// 10 at 144 DPI (150 %). Every place, size, shape, hit area and animation of
// the window comes from here, each rounded once, to the nearest pixel with
// ties to the even one, so nothing is off by a pixel between them.
#ifndef TICKBOMB_APP_FORMS_SCREEN_SCALE_H
#define TICKBOMB_APP_FORMS_SCREEN_SCALE_H

#include <cstdint>

#include "app/seam/drawing.h"

namespace tickbomb::forms {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDesignDpi = 96;  // the layout's own pixels, 15 twips each
inline constexpr int kTwipsPerPixel = kTwipsPerInch / kDesignDpi;

class ScreenScale {
 public:
  explicit ScreenScale(int dpi = kDesignDpi) : dpi_(dpi > 0 ? dpi : kDesignDpi) {}

  int dpi() const { return dpi_; }
  bool IsDesignScale() const { return dpi_ == kDesignDpi; }
  // Screen.TwipsPerPixelX and Y.
  float TwipsPerPixel() const {
    return static_cast<float>(kTwipsPerInch) / static_cast<float>(dpi_);
  }

  // Twips to screen pixels, exactly: twips x dpi / 1440, rounded once.
  int Pixels(int twips) const;
  Rect Pixels(const Rect& twips) const;
  // A length in the layout's own pixels (96 DPI) on this screen.
  int FromDesign(int design_pixels) const { return Pixels(design_pixels * kTwipsPerPixel); }
  Rect FromDesign(const Rect& design_pixels) const;
  // Screen pixels to twips, rounded to the nearest twip.
  int Twips(int pixels) const;

  friend bool operator==(const ScreenScale&, const ScreenScale&) = default;

 private:
  int dpi_;
};

}  // namespace tickbomb::forms

#endif
