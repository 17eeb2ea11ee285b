#include "app/forms/scaled_pictures.h"

#include <algorithm>

#include "app/forms/runtime_error.h"

namespace tickbomb::forms {

namespace {

Rect Union(const Rect& a, const Rect& b) {
  if (a.left >= a.right || a.top >= a.bottom) return b;
  if (b.left >= b.right || b.top >= b.bottom) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

DrawOp BitmapOp(int picture_id, Hbitmap bitmap, const Rect& rect) {
  DrawOp op;
  op.kind = DrawOp::Kind::Bitmap;
  op.bitmap_id = picture_id;
  op.bitmap = bitmap;
  op.rect = rect;
  return op;
}

}  // namespace

void ScaledPictures::AddBackgroundOps(std::vector<DrawOp>& ops, int background_id,
                                      const std::vector<Layer>& layers, const ScreenScale& scale,
                                      const PixelsOf& pixels_of) {
  const Background& background = BackgroundFor(background_id, scale, pixels_of);
  const Rect whole =
      scale.FromDesign(Rect{0, 0, background.pixels.width, background.pixels.height});
  ops.push_back(BitmapOp(background_id, background.bitmap, whole));
  if (layers.empty()) return;
  const Patch& patch = PatchFor(background, layers, scale, pixels_of);
  if (!IsNull(patch.bitmap)) {
    ops.push_back(BitmapOp(layers.front().picture_id, patch.bitmap, patch.area));
  }
}

Hbitmap ScaledPictures::Alone(int picture_id, const ScreenScale& scale, const PixelsOf& pixels_of) {
  for (const auto& [id, bitmap] : alone_) {
    if (id == picture_id) return bitmap;
  }
  const PixelImage pixels = pixels_of(picture_id);
  const Hbitmap bitmap = Made(ResamplerFor(pixels.width, pixels.height, scale).Resample(pixels));
  alone_.emplace_back(picture_id, bitmap);
  return bitmap;
}

void ScaledPictures::Drop() {
  for (const Background& background : backgrounds_) windows_.DeleteObject(background.bitmap);
  for (const Patch& patch : patches_) {
    if (!IsNull(patch.bitmap)) windows_.DeleteObject(patch.bitmap);
  }
  for (const auto& [id, bitmap] : alone_) windows_.DeleteObject(bitmap);
  backgrounds_.clear();
  patches_.clear();
  alone_.clear();
  resamplers_.clear();
}

// The taps of one size to another are worked out once per density.
const Resampler& ScaledPictures::ResamplerFor(int width, int height, const ScreenScale& scale) {
  const int to_width = scale.FromDesign(width), to_height = scale.FromDesign(height);
  const auto made = std::find_if(resamplers_.begin(), resamplers_.end(), [&](const Resampler& r) {
    return r.source_width() == width && r.source_height() == height && r.width() == to_width &&
           r.height() == to_height;
  });
  return made != resamplers_.end() ? *made
                                   : resamplers_.emplace_back(width, height, to_width, to_height);
}

const ScaledPictures::Background& ScaledPictures::BackgroundFor(int id, const ScreenScale& scale,
                                                                const PixelsOf& pixels_of) {
  const auto made = std::find_if(backgrounds_.begin(), backgrounds_.end(),
                                 [id](const Background& b) { return b.id == id; });
  if (made != backgrounds_.end()) return *made;
  Background background{id, pixels_of(id), Hbitmap{}};
  const Resampler& resampler =
      ResamplerFor(background.pixels.width, background.pixels.height, scale);
  background.bitmap = Made(resampler.Resample(background.pixels));
  return backgrounds_.emplace_back(std::move(background));
}

// The result differs from the background's only where the layers reach it;
// there it is made from the whole at the layout's pixels, as the whole
// resampled would have it.
const ScaledPictures::Patch& ScaledPictures::PatchFor(const Background& background,
                                                      const std::vector<Layer>& layers,
                                                      const ScreenScale& scale,
                                                      const PixelsOf& pixels_of) {
  const auto made = std::find_if(patches_.begin(), patches_.end(), [&](const Patch& p) {
    return p.background_id == background.id && p.layers == layers;
  });
  if (made != patches_.end()) return *made;
  PixelImage canvas = background.pixels;
  const Resampler& resampler = ResamplerFor(canvas.width, canvas.height, scale);
  Rect reached;
  for (const Layer& layer : layers) {
    const PixelImage picture = pixels_of(layer.picture_id);
    Paste(canvas, picture, layer.left, layer.top);
    reached =
        Union(reached, resampler.Reached(Rect{layer.left, layer.top, layer.left + picture.width,
                                              layer.top + picture.height}));
  }
  Patch patch{background.id, layers, reached, Hbitmap{}};
  if (reached.left < reached.right && reached.top < reached.bottom) {
    patch.bitmap = Made(resampler.ResampleArea(canvas, reached));
  }
  return patches_.emplace_back(std::move(patch));
}

Hbitmap ScaledPictures::Made(const PixelImage& pixels) {
  const Hbitmap bitmap = host_.CreatePicture(pixels);
  if (IsNull(bitmap)) Raise(kErrOutOfMemory);
  return bitmap;
}

}  // namespace tickbomb::forms
