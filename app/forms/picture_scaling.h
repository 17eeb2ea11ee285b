// Pictures for a screen of another density than the layout's: the form's
// background and the pictures on it are put together at the layout's own
// 96-DPI pixels, and the whole is then resampled to the screen's size, so a
// bomb frame stays seamless on the sky around it. Catmull-Rom bicubic
// resampling: sharp, and smooth where nearest-neighbour would show blocks.
#ifndef TICKBOMB_APP_FORMS_PICTURE_SCALING_H
#define TICKBOMB_APP_FORMS_PICTURE_SCALING_H

#include "app/seam/drawing.h"

namespace tickbomb::forms {

// How far a change in the source reaches in the result: two source pixels
// each way (the filter's support), more when shrinking.
inline constexpr int kResampleReach = 2;

// `picture` copied onto `canvas` with its top-left corner at (x, y); what
// falls outside the canvas is left out.
void Paste(PixelImage& canvas, const PixelImage& picture, int x, int y);

// `source` resampled to width x height (both at least 1).
PixelImage Resample(const PixelImage& source, int width, int height);

}  // namespace tickbomb::forms

#endif
