#include "app/forms/screen_scale.h"

namespace tickbomb::forms {

namespace {

// numerator / denominator (denominator > 0) to the nearest integer, ties to
// the even one, in integers: no rounding error before the one rounding.
std::int64_t DivideRoundingToEven(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  std::int64_t remainder = numerator % denominator;
  if (remainder < 0) {  // floor division
    quotient -= 1;
    remainder += denominator;
  }
  const std::int64_t twice = 2 * remainder;
  if (twice > denominator || (twice == denominator && quotient % 2 != 0)) quotient += 1;
  return quotient;
}

}  // namespace

int ScreenScale::Pixels(int twips) const {
  return static_cast<int>(DivideRoundingToEven(std::int64_t{twips} * dpi_, kTwipsPerInch));
}

Rect ScreenScale::Pixels(const Rect& twips) const {
  return {Pixels(twips.left), Pixels(twips.top), Pixels(twips.right), Pixels(twips.bottom)};
}

Rect ScreenScale::FromDesign(const Rect& design_pixels) const {
  return {FromDesign(design_pixels.left), FromDesign(design_pixels.top),
          FromDesign(design_pixels.right), FromDesign(design_pixels.bottom)};
}

int ScreenScale::Twips(int pixels) const {
  return static_cast<int>(DivideRoundingToEven(std::int64_t{pixels} * kTwipsPerInch, dpi_));
}

}  // namespace tickbomb::forms
