// Painting: the form's state turned into draw steps, back to front; on a
// screen of another density the pictures resampled once and kept.
#include "app/forms/form_painting.h"

#include <algorithm>

#include "app/forms/picture_scaling.h"
#include "app/forms/runtime_error.h"

namespace tickbomb::forms {

// ---------------------------------------------------------------- the pictures

void FormPainting::LoadPictures(const FormDesign& design) {
  const auto keep = [this](int id) {
    if (id == 0 || !IsNull(BitmapOf(id))) return;
    const Hbitmap bitmap = host_.LoadPicture(id);
    if (IsNull(bitmap)) Raise(kErrInvalidPicture);
    bitmaps_.emplace_back(id, bitmap);
  };
  keep(design.picture.id);
  for (const Image& control : design.images) keep(control.picture.id);
}

// At another density every picture of the form's picture's size is resampled
// with the load, before the window shows: the big bomb and the blast come in
// the countdown's last moments, where a resampling would make them late.
void FormPainting::PrepareBackgrounds() {
  const ScreenScale& scale = controls_.scale();
  const Picture& picture = controls_.picture();
  if (scale.IsDesignScale() || picture.id == 0) return;
  const auto pixels_of = [this](int picture_id) { return PixelsOfPicture(picture_id); };
  scaled_pictures_.Prepare(picture.id, scale, pixels_of);
  for (const Image& control : controls_.images()) {
    if (control.picture.id != 0 && control.picture.width_px == picture.width_px &&
        control.picture.height_px == picture.height_px) {
      scaled_pictures_.Prepare(control.picture.id, scale, pixels_of);
    }
  }
}

void FormPainting::Release(WindowsApi& windows) {
  scaled_pictures_.Drop();
  for (const auto& [id, bitmap] : bitmaps_) windows.DeleteObject(bitmap);
  bitmaps_.clear();
}

Hbitmap FormPainting::BitmapOf(int picture_id) const {
  for (const auto& [id, bitmap] : bitmaps_) {
    if (id == picture_id) return bitmap;
  }
  return Hbitmap{};
}

PixelImage FormPainting::PixelsOfPicture(int picture_id) const {
  PixelImage pixels;
  if (!host_.ReadPicture(BitmapOf(picture_id), pixels)) Raise(kErrInvalidPicture);
  return pixels;
}

// ---------------------------------------------------------------- what to repaint

// A change of a picture control repaints its own pixels, and on a screen of
// another density also the pixels the resampling spreads it to.
std::optional<Rect> FormPainting::PixelsOf(const Repaint& repaint) const {
  const ScreenScale& scale = controls_.scale();
  if (repaint.kind == Repaint::Kind::WholeForm) return std::nullopt;
  if (repaint.kind != Repaint::Kind::Pictures || scale.IsDesignScale()) {
    return scale.Pixels(repaint.area);
  }
  const int shrink = (kDesignDpi + scale.dpi() - 1) / scale.dpi();  // 1 unless shrinking
  const int reach = kResampleReach * kTwipsPerPixel * shrink;
  const Rect& twips = repaint.area;
  return scale.Pixels(
      Rect{twips.left - reach, twips.top - reach, twips.right + reach, twips.bottom + reach});
}

// ---------------------------------------------------------------- the steps

std::vector<DrawOp> FormPainting::PaintOps() const {
  const ScreenScale& scale = controls_.scale();
  std::vector<DrawOp> ops;
  DrawOp back;
  back.kind = DrawOp::Kind::FillRect;
  back.rect = {0, 0, scale.Pixels(controls_.width()), scale.Pixels(controls_.height())};
  back.color = controls_.back_color();
  ops.push_back(back);
  if (!scale.IsDesignScale()) {
    AddScaledPictureOps(ops);
    for (const ControlRef& ref : controls_.back_to_front()) {
      if (ref.kind == ControlRef::Kind::Label) AddTextOps(ops, ref.index);
    }
    return ops;
  }
  // At the layout's own density every picture is drawn as it is.
  const Picture& picture = controls_.picture();
  if (picture.id != 0) {
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = picture.id;
    pic.bitmap = BitmapOf(picture.id);
    pic.rect = {0, 0, picture.width_px, picture.height_px};
    ops.push_back(pic);
  }
  for (const ControlRef& ref : controls_.back_to_front()) {
    if (ref.kind == ControlRef::Kind::Label) {
      AddTextOps(ops, ref.index);
      continue;
    }
    const Image& control = Element(controls_.images(), ref.index);
    if (!control.visible || control.picture.id == 0) continue;
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = control.picture.id;
    pic.bitmap = BitmapOf(control.picture.id);
    pic.rect = controls_.ImagePixels(ref.index);
    ops.push_back(pic);
  }
  return ops;
}

void FormPainting::AddTextOps(std::vector<DrawOp>& ops, int label_index) const {
  const Label& control = Element(controls_.labels(), label_index);
  if (!control.visible) return;
  const Rect box = controls_.LabelPixels(label_index);
  const TextLayout& layout = controls_.LayoutOf(label_index);
  int y = box.top;
  for (const TextLine& line : layout.lines) {
    DrawOp text;
    text.kind = DrawOp::Kind::Text;
    text.rect = box;
    text.x = control.alignment == TextAlign::Center
                 ? box.left + ((box.right - box.left) - line.cx) / 2
                 : box.left;
    text.y = y;
    text.color = control.fore_color;
    text.text = line.text;
    text.font = control.font;
    ops.push_back(std::move(text));
    y += layout.line_height;
  }
}

// ---------------------------------------------------------------- another density

// On a screen of another density than the layout's the background and the
// pictures on it are resampled as one (scaled_pictures.h), so that a bomb
// frame meets the sky around it without a seam. A picture that overlaps a
// label is drawn on its own in its place in the stacking order instead, as
// the labels must stay above or below it; the form's pictures never overlap
// one.
bool FormPainting::InBackground(int image_index) const {
  const Rect area = controls_.ImageTwips(image_index);
  const Picture& background = controls_.picture();
  const Rect picture{0, 0, background.width_px * kTwipsPerPixel,
                     background.height_px * kTwipsPerPixel};
  if (background.id == 0 || area.left < picture.left || area.top < picture.top ||
      area.right > picture.right || area.bottom > picture.bottom) {
    return false;
  }
  const std::vector<Label>& labels = controls_.labels();
  return std::none_of(labels.begin(), labels.end(), [&](const Label& l) {
    const bool apart = l.left + l.width <= area.left || area.right <= l.left ||
                       l.top + l.height <= area.top || area.bottom <= l.top;
    return l.visible && !apart;
  });
}

void FormPainting::AddScaledPictureOps(std::vector<DrawOp>& ops) const {
  const ScreenScale& scale = controls_.scale();
  std::vector<Layer> layers;
  std::vector<int> apart;
  for (const ControlRef& ref : controls_.back_to_front()) {
    if (ref.kind != ControlRef::Kind::Image) continue;
    const Image& control = Element(controls_.images(), ref.index);
    if (!control.visible || control.picture.id == 0) continue;
    if (InBackground(ref.index)) {
      layers.push_back(
          {control.picture.id, control.left / kTwipsPerPixel, control.top / kTwipsPerPixel});
    } else {
      apart.push_back(ref.index);
    }
  }
  const auto pixels_of = [this](int picture_id) { return PixelsOfPicture(picture_id); };
  const int background = controls_.picture().id;
  if (background != 0) {
    scaled_pictures_.AddBackgroundOps(ops, background, layers, scale, pixels_of);
  }
  for (const int index : apart) {
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = Element(controls_.images(), index).picture.id;
    pic.bitmap = scaled_pictures_.Alone(pic.bitmap_id, scale, pixels_of);
    pic.rect = controls_.ImagePixels(index);
    ops.push_back(pic);
  }
}

}  // namespace tickbomb::forms
