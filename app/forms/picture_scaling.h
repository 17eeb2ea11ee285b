// Pictures for a screen of another density than the layout's: the form's
// background and the pictures on it are put together at the layout's own
// 96-DPI pixels, and the whole is then resampled to the screen's size, so a
// bomb frame stays seamless on the sky around it. Catmull-Rom bicubic
// resampling: sharp, and smooth where nearest-neighbour would show blocks.
#ifndef TICKBOMB_APP_FORMS_PICTURE_SCALING_H
#define TICKBOMB_APP_FORMS_PICTURE_SCALING_H

#include <cstdint>
#include <utility>
#include <vector>

#include "app/seam/drawing.h"

namespace tickbomb::forms {

// How far a change in the source reaches in the result: two source pixels
// each way (the filter's support), more when shrinking.
inline constexpr int kResampleReach = 2;

// `picture` copied onto `canvas` with its top-left corner at (x, y); what
// falls outside the canvas is left out.
void Paste(PixelImage& canvas, const PixelImage& picture, int x, int y);

// Resampling from one size to another, its filter taps worked out once, in
// fixed point, so that the pictures of one density cost only the arithmetic.
// Each result pixel depends on the source and the taps alone, never on which
// area it is made in: an area made alone is exactly that area of the whole.
class Resampler {
 public:
  // Every size at least 1.
  Resampler(int source_width, int source_height, int width, int height);

  int source_width() const { return across_.from; }
  int source_height() const { return down_.from; }
  int width() const { return across_.to; }
  int height() const { return down_.to; }

  // `source` (of the size given above) resampled whole.
  PixelImage Resample(const PixelImage& source) const;
  // The result's pixels inside `area` (result coordinates, clipped to the
  // result), as a picture of the clipped area's size.
  PixelImage ResampleArea(const PixelImage& source, const Rect& area) const;
  // The smallest area of the result whose pixels read any source pixel
  // inside `source_area`: what a change there repaints. Empty if none.
  Rect Reached(const Rect& source_area) const;

 private:
  // The taps of every result sample along one axis: `count` source samples
  // from `first` on (repeating the edge beyond it), weights summing to 1 in
  // fixed point.
  struct Axis {
    int from = 0, to = 0, count = 0;
    std::vector<int> first;
    std::vector<std::int32_t> weights;  // `count` per result sample
  };
  static Axis TapsFor(int from, int to, int bits);
  // The result samples that read source samples [begin, end): [first, last).
  static std::pair<int, int> Reach(const Axis& axis, int begin, int end);

  Axis across_, down_;
};

// `source` resampled to width x height (both at least 1).
PixelImage Resample(const PixelImage& source, int width, int height);

}  // namespace tickbomb::forms

#endif
