// The form's pictures on a screen of another density than the layout's.
//
// The background and the pictures on it are put together at the layout's
// 96-DPI pixels and resampled as one (picture_scaling.h), so that a bomb
// frame meets the sky around it without a seam. That whole is never made,
// though: each background is resampled once for the density, and each set of
// pictures on it only where it changes the result (Resampler::Reached), from
// the same whole at the layout's pixels. Drawn one over the other, the two
// are exactly the whole resampled, and a new bomb frame costs its own area.
#ifndef TICKBOMB_APP_FORMS_SCALED_PICTURES_H
#define TICKBOMB_APP_FORMS_SCALED_PICTURES_H

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "app/forms/picture_scaling.h"
#include "app/forms/screen_scale.h"
#include "app/seam/drawing.h"
#include "app/seam/form_host.h"
#include "app/seam/windows_api.h"

namespace tickbomb::forms {

// A picture put on the background at (left, top), layout pixels.
struct Layer {
  int picture_id = 0;
  int left = 0, top = 0;
  friend bool operator==(const Layer&, const Layer&) = default;
};

class ScaledPictures {
 public:
  // The pixels of a loaded picture, by its id.
  using PixelsOf = std::function<PixelImage(int picture_id)>;

  ScaledPictures(WindowsApi& windows, FormHost& host) : windows_(windows), host_(host) {}

  // Appends the steps that draw background `background_id` with `layers` on
  // it (back to front) at the window's origin, for `scale`.
  void AddBackgroundOps(std::vector<DrawOp>& ops, int background_id,
                        const std::vector<Layer>& layers, const ScreenScale& scale,
                        const PixelsOf& pixels_of);
  // Resamples background `background_id` now, so that a paint that shows it
  // later costs nothing more.
  void Prepare(int background_id, const ScreenScale& scale, const PixelsOf& pixels_of) {
    BackgroundFor(background_id, scale, pixels_of);
  }
  // Picture `picture_id` resampled alone, for one drawn apart from the
  // background.
  Hbitmap Alone(int picture_id, const ScreenScale& scale, const PixelsOf& pixels_of);
  // Deletes everything made: the window is gone or on a screen of another
  // density.
  void Drop();

 private:
  struct Background {
    int id = 0;
    PixelImage pixels;  // at the layout's pixels
    Hbitmap bitmap{};   // resampled whole
  };
  struct Patch {
    int background_id = 0;
    std::vector<Layer> layers;
    Rect area;  // window pixels
    Hbitmap bitmap{};
  };

  const Resampler& ResamplerFor(int width, int height, const ScreenScale& scale);
  const Background& BackgroundFor(int id, const ScreenScale& scale, const PixelsOf& pixels_of);
  const Patch& PatchFor(const Background& background, const std::vector<Layer>& layers,
                        const ScreenScale& scale, const PixelsOf& pixels_of);
  Hbitmap Made(const PixelImage& pixels);

  WindowsApi& windows_;
  FormHost& host_;
  // Deques: what is made stays where it is while more is added.
  std::deque<Resampler> resamplers_;
  std::deque<Background> backgrounds_;
  std::deque<Patch> patches_;
  std::vector<std::pair<int, Hbitmap>> alone_;
};

}  // namespace tickbomb::forms

#endif
