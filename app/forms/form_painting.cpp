// Painting: the form's state turned into draw steps, back to front; on a
// screen of another density the pictures resampled once and kept.
#include <algorithm>

#include "app/forms/form_private.h"
#include "app/forms/runtime_error.h"
#include "app/forms/text_layout.h"

namespace tickbomb::forms {

std::vector<DrawOp> Form::PaintOps() const {
  std::vector<DrawOp> ops;
  DrawOp back;
  back.kind = DrawOp::Kind::FillRect;
  back.rect = {0, 0, ToPixels(width_), ToPixels(height_)};
  back.color = back_color_;
  ops.push_back(back);
  if (!scale_.IsDesignScale()) {
    AddScaledPictureOps(ops);
    for (const ControlRef& ref : back_to_front_) {
      if (ref.kind == ControlRef::Kind::Label) AddTextOps(ops, ref.index);
    }
    return ops;
  }
  // At the layout's own density every picture is drawn as it is.
  if (picture_.id != 0) {
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = picture_.id;
    pic.bitmap = BitmapOf(picture_.id);
    pic.rect = {0, 0, picture_.width_px, picture_.height_px};
    ops.push_back(pic);
  }
  for (const ControlRef& ref : back_to_front_) {
    if (ref.kind == ControlRef::Kind::Label) {
      AddTextOps(ops, ref.index);
      continue;
    }
    const Image& control = Element(images_, ref.index);
    if (!control.visible || control.picture.id == 0) continue;
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = control.picture.id;
    pic.bitmap = BitmapOf(control.picture.id);
    pic.rect = ImagePixels(ref.index);
    ops.push_back(pic);
  }
  return ops;
}

void Form::AddTextOps(std::vector<DrawOp>& ops, int label_index) const {
  const Label& control = Element(labels_, label_index);
  if (!control.visible) return;
  const Rect box = LabelPixels(label_index);
  const TextLayout layout =
      LayOutText(control.caption, control.word_wrap ? box.right - box.left : 0,
                 [&](const std::wstring& text) { return host_.MeasureText(control.font, text); });
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
bool Form::InBackground(int image_index) const {
  const Rect area = ImageTwips(image_index);
  const Rect picture{0, 0, picture_.width_px * kTwipsPerPixel, picture_.height_px * kTwipsPerPixel};
  if (picture_.id == 0 || area.left < picture.left || area.top < picture.top ||
      area.right > picture.right || area.bottom > picture.bottom) {
    return false;
  }
  return std::none_of(labels_.begin(), labels_.end(), [&](const Label& l) {
    const bool apart = l.left + l.width <= area.left || area.right <= l.left ||
                       l.top + l.height <= area.top || area.bottom <= l.top;
    return l.visible && !apart;
  });
}

void Form::AddScaledPictureOps(std::vector<DrawOp>& ops) const {
  std::vector<Layer> layers;
  std::vector<int> apart;
  for (const ControlRef& ref : back_to_front_) {
    if (ref.kind != ControlRef::Kind::Image) continue;
    const Image& control = Element(images_, ref.index);
    if (!control.visible || control.picture.id == 0) continue;
    if (InBackground(ref.index)) {
      layers.push_back(
          {control.picture.id, control.left / kTwipsPerPixel, control.top / kTwipsPerPixel});
    } else {
      apart.push_back(ref.index);
    }
  }
  const auto pixels_of = [this](int picture_id) { return PixelsOf(picture_id); };
  if (picture_.id != 0) {
    scaled_pictures_.AddBackgroundOps(ops, picture_.id, layers, scale_, pixels_of);
  }
  for (const int index : apart) {
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = Element(images_, index).picture.id;
    pic.bitmap = scaled_pictures_.Alone(pic.bitmap_id, scale_, pixels_of);
    pic.rect = ImagePixels(index);
    ops.push_back(pic);
  }
}

PixelImage Form::PixelsOf(int picture_id) const {
  PixelImage pixels;
  if (!host_.ReadPicture(BitmapOf(picture_id), pixels)) Raise(kErrInvalidPicture);
  return pixels;
}

}  // namespace tickbomb::forms
