#include "app/forms/form_input.h"

#include "app/seam/form_window_events.h"

namespace tickbomb::forms {

float FormInput::ToTwips(int pixels) const {
  return static_cast<float>(pixels) * controls_.scale().TwipsPerPixel();
}

std::optional<ControlRef> FormInput::HitTest(int x, int y) const {
  const std::vector<ControlRef>& back_to_front = controls_.back_to_front();
  for (std::size_t i = back_to_front.size(); i-- > 0;) {  // front to back
    const ControlRef& ref = back_to_front[i];
    if (ref.kind == ControlRef::Kind::Label) {
      if (Element(controls_.labels(), ref.index).visible &&
          controls_.LabelPixels(ref.index).Contains(x, y)) {
        return ref;
      }
    } else if (Element(controls_.images(), ref.index).visible &&
               controls_.ImagePixels(ref.index).Contains(x, y)) {
      return ref;
    }
  }
  return std::nullopt;
}

std::optional<ControlRef> FormInput::MoveTarget(int x, int y, int buttons) {
  if (buttons == 0) ReleasePress();
  if (captured_ || captured_form_) return captured_;
  return HitTest(x, y);
}

std::optional<ControlRef> FormInput::Press(int x, int y) {
  if (!captured_ && !captured_form_) {
    captured_ = HitTest(x, y);
    captured_form_ = !captured_;
  }
  return captured_;
}

std::optional<ControlRef> FormInput::Release(int buttons_still_down) {
  const std::optional<ControlRef> holder = captured_;
  if (buttons_still_down == 0) ReleasePress();
  return holder;
}

bool FormInput::IsClick(int image, int button, int x, int y) const {
  return button == kLeftButton && Element(controls_.images(), image).visible &&
         controls_.ImagePixels(image).Contains(x, y);
}

void FormInput::ReleasePress() {
  captured_.reset();
  captured_form_ = false;
}

Hcursor FormInput::CursorAt(int x, int y) const {
  const std::optional<ControlRef> hit = HitTest(x, y);
  if (!hit || hit->kind != ControlRef::Kind::Image) return Hcursor{};
  const Image& control = Element(controls_.images(), hit->index);
  return control.custom_pointer ? control.mouse_icon : Hcursor{};
}

bool FormInput::MovesSelection(int key) {
  return key == kVkLeft || key == kVkUp || key == kVkRight || key == kVkDown;
}

std::optional<int> FormInput::OptionAfter(int key, Hwnd focus) const {
  if (!MovesSelection(key)) return std::nullopt;
  const std::vector<OptionButton>& options = controls_.options();
  const int count = static_cast<int>(options.size());
  for (int i = 0; i < count; ++i) {
    if (IsNull(focus) || options[static_cast<std::size_t>(i)].hwnd != focus) continue;
    const bool backwards = key == kVkUp || key == kVkLeft;
    return (i + (backwards ? count - 1 : 1)) % count;  // the group wraps at its ends
  }
  return std::nullopt;
}

}  // namespace tickbomb::forms
