// The controls' data and what each change leaves to repaint.
#include "app/forms/form_controls.h"

#include <algorithm>

namespace tickbomb::forms {

namespace {

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

Rect LabelTwips(const Label& l) { return {l.left, l.top, l.left + l.width, l.top + l.height}; }

}  // namespace

void FormControls::Build(const FormDesign& design, int dpi) {
  layouts_.Forget();  // the last window's
  caption_ = design.caption;
  back_color_ = design.back_color;
  picture_ = design.picture;
  labels_ = design.labels;
  images_ = design.images;
  options_ = design.options;
  back_to_front_ = design.back_to_front;
  timer_ = design.timer;
  // The outer window is the client area and the frame around it.
  width_ = design.client_width + design.frame_width_px * kTwipsPerPixel;
  height_ = design.client_height + design.frame_height_px * kTwipsPerPixel;
  left_ = design.client_left - (design.frame_width_px / 2) * kTwipsPerPixel;
  top_ = design.client_top - (design.frame_height_px - design.frame_width_px / 2) * kTwipsPerPixel;
  scale_ = ScreenScale(dpi);
  for (Label& control : labels_) control.font.dpi = scale_.dpi();
  for (OptionButton& button : options_) button.font.dpi = scale_.dpi();
  for (std::size_t i = 0; i < options_.size(); ++i) {
    options_[i].value = static_cast<int>(i) == design.selected_option;
  }
  for (Image& control : images_) {
    control.width = control.picture.width_px * kTwipsPerPixel;
    control.height = control.picture.height_px * kTwipsPerPixel;
  }
}

void FormControls::UseDpi(int dpi) {
  scale_ = ScreenScale(dpi);
  for (Label& control : labels_) control.font.dpi = dpi;
  for (OptionButton& button : options_) button.font.dpi = dpi;
  SizeLabels();
}

void FormControls::ResolveSystemColors(
    const std::function<std::uint32_t(int index)>& system_color) {
  for (Label& control : labels_) {
    if (IsSystemColor(control.fore_color)) {
      control.fore_color = system_color(static_cast<int>(control.fore_color & 0xFF));
    }
  }
}

void FormControls::SizeLabels() {
  for (std::size_t i = 0; i < labels_.size(); ++i) SizeLabel(static_cast<int>(i));
}

Rect FormControls::LabelPixels(int index) const {
  return scale_.Pixels(LabelTwips(Element(labels_, index)));
}

Rect FormControls::ImageTwips(int index) const {
  const Image& i = Element(images_, index);
  return {i.left, i.top, i.left + i.width, i.top + i.height};
}

Rect FormControls::ImagePixels(int index) const { return scale_.Pixels(ImageTwips(index)); }

Rect FormControls::OptionPixels(const OptionButton& button) const {
  return scale_.Pixels(
      Rect{button.left, button.top, button.left + button.width, button.top + button.height});
}

void FormControls::SizeLabel(int index) {
  Label& control = Element(labels_, index);
  if (!control.auto_size) return;
  const TextLayout& layout = LayoutOf(index);
  control.width = scale_.Twips(layout.width);
  control.height = scale_.Twips(layout.height);
}

const TextLayout& FormControls::LayoutOf(int index) const {
  const Label& control = Element(labels_, index);
  const Rect box = LabelPixels(index);
  return layouts_.Of(index, control.caption, control.font,
                     control.word_wrap ? box.right - box.left : 0);
}

Repaint FormControls::TextChange(const Rect& before, int index) const {
  return {Repaint::Kind::Text, Union(before, LabelTwips(Element(labels_, index)))};
}

Repaint FormControls::SetPicture(const Picture& picture) {
  picture_ = picture;
  return {Repaint::Kind::WholeForm, {}};
}

Repaint FormControls::SetLabelCaption(int index, const std::wstring& caption) {
  const Rect before = LabelTwips(Element(labels_, index));
  Element(labels_, index).caption = caption;
  SizeLabel(index);
  return TextChange(before, index);
}

Repaint FormControls::SetLabelForeColor(int index, std::uint32_t color) {
  Element(labels_, index).fore_color = color;
  return TextChange(LabelTwips(Element(labels_, index)), index);
}

Repaint FormControls::SetLabelLeft(int index, int twips) {
  const Rect before = LabelTwips(Element(labels_, index));
  Element(labels_, index).left = twips;
  return TextChange(before, index);
}

Repaint FormControls::SetLabelTop(int index, int twips) {
  const Rect before = LabelTwips(Element(labels_, index));
  Element(labels_, index).top = twips;
  return TextChange(before, index);
}

Repaint FormControls::SetLabelVisible(int index, bool visible) {
  Element(labels_, index).visible = visible;
  return TextChange(LabelTwips(Element(labels_, index)), index);
}

Repaint FormControls::SetImagePicture(int index, const Picture& picture) {
  const Rect before = ImageTwips(index);
  Image& control = Element(images_, index);
  control.picture = picture;
  control.width = picture.width_px * kTwipsPerPixel;
  control.height = picture.height_px * kTwipsPerPixel;
  if (!control.visible) return {};
  return {Repaint::Kind::Pictures, Union(before, ImageTwips(index))};
}

Repaint FormControls::SetImageVisible(int index, bool visible) {
  Element(images_, index).visible = visible;
  return {Repaint::Kind::Pictures, ImageTwips(index)};
}

Hcursor FormControls::SetImageMouseIcon(int index, Hcursor cursor) {
  Image& control = Element(images_, index);
  const Hcursor replaced = control.mouse_icon;
  control.mouse_icon = cursor;
  return replaced;
}

std::vector<int> FormControls::SetOptionValue(int index, bool value) {
  if (!value) {
    Element(options_, index).value = false;
    return {index};
  }
  std::vector<int> changed;
  for (std::size_t i = 0; i < options_.size(); ++i) {
    const bool selected = static_cast<int>(i) == index;
    if (options_[i].value != selected) changed.push_back(static_cast<int>(i));
    options_[i].value = selected;
  }
  return changed;
}

bool FormControls::SetTimerEnabled(bool enabled) {
  if (timer_.enabled == enabled) return false;
  timer_.enabled = enabled;
  return true;
}

}  // namespace tickbomb::forms
