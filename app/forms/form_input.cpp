// What the window hands on: the mouse routed to the control under it or to
// the one that holds it, the keys (KeyPreview, the option group's arrows) and
// the timer, paced against its start.
#include "app/forms/form_private.h"

namespace tickbomb::forms {

namespace {

// Holds `flag` up for as long as it lives.
class FlagWhileAlive {
 public:
  explicit FlagWhileAlive(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagWhileAlive() { flag_ = false; }
  FlagWhileAlive(const FlagWhileAlive&) = delete;
  FlagWhileAlive& operator=(const FlagWhileAlive&) = delete;

 private:
  bool& flag_;
};

}  // namespace

std::optional<ControlRef> Form::HitTest(int x, int y) const {
  for (std::size_t i = back_to_front_.size(); i-- > 0;) {  // front to back
    const ControlRef& ref = back_to_front_[i];
    if (ref.kind == ControlRef::Kind::Label) {
      if (Element(labels_, ref.index).visible && LabelPixels(ref.index).Contains(x, y)) return ref;
    } else {
      if (Element(images_, ref.index).visible && ImagePixels(ref.index).Contains(x, y)) return ref;
    }
  }
  return std::nullopt;
}

void Form::RouteMouseMove(const std::optional<ControlRef>& target, int x, int y, int buttons,
                          int shift) {
  const auto button = static_cast<std::int16_t>(buttons);
  const auto shift16 = static_cast<std::int16_t>(shift);
  if (!target) {
    Form_MouseMove(button, shift16, ToTwips(x), ToTwips(y));
  } else if (target->kind == ControlRef::Kind::Label) {
    const Label& l = Element(labels_, target->index);
    Label_MouseMove(l.array, l.element, button, shift16, ToTwips(x) - static_cast<float>(l.left),
                    ToTwips(y) - static_cast<float>(l.top));
  }
  // Picture controls have no mouse-move event.
}

void Form::OnMouseMove(int x, int y, int buttons, int shift) {
  Guarded([&] {
    if (!IsLoaded()) return;
    if (buttons == 0) {
      captured_.reset();
      captured_form_ = false;
    }
    if (captured_) {
      RouteMouseMove(captured_, x, y, buttons, shift);
    } else if (captured_form_) {
      RouteMouseMove(std::nullopt, x, y, buttons, shift);
    } else {
      RouteMouseMove(HitTest(x, y), x, y, buttons, shift);
    }
  });
}

void Form::OnMouseDown(int x, int y, int button, int shift) {
  Guarded([&] {
    if (!IsLoaded()) return;
    if (!captured_ && !captured_form_) {
      captured_ = HitTest(x, y);
      captured_form_ = !captured_;
    }
    if (captured_ && captured_->kind == ControlRef::Kind::Image) {
      const Image& image = Element(images_, captured_->index);
      Image_MouseDown(captured_->index, static_cast<std::int16_t>(button),
                      static_cast<std::int16_t>(shift), ToTwips(x) - static_cast<float>(image.left),
                      ToTwips(y) - static_cast<float>(image.top));
    }
  });
}

void Form::OnMouseUp(int x, int y, int button, int buttons_still_down, int shift) {
  Guarded([&] {
    if (!IsLoaded()) return;
    const std::optional<ControlRef> target = captured_;
    if (buttons_still_down == 0) {
      captured_.reset();
      captured_form_ = false;
    }
    if (!target || target->kind != ControlRef::Kind::Image) return;
    const int index = target->index;
    const Image& image = Element(images_, index);
    const std::uint64_t generation = generation_;
    Image_MouseUp(index, static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift),
                  ToTwips(x) - static_cast<float>(image.left),
                  ToTwips(y) - static_cast<float>(image.top));
    if (!StillCurrent(generation)) return;
    // A click is a left press and release on the same visible picture.
    if (button == kLeftButton && Element(images_, index).visible &&
        ImagePixels(index).Contains(x, y)) {
      Image_Click(index);
    }
  });
}

void Form::OnCaptureLost() {
  captured_.reset();
  captured_form_ = false;
}

bool Form::MoveOptionSelection(int key) {
  const Hwnd focus = windows_.GetFocus();
  int current = -1;
  for (std::size_t i = 0; i < options_.size(); ++i) {
    if (!IsNull(options_[i].hwnd) && options_[i].hwnd == focus) current = static_cast<int>(i);
  }
  if (current < 0) return false;
  const int count = static_cast<int>(options_.size());
  const bool backwards = key == kVkUp || key == kVkLeft;
  const int next = (current + (backwards ? count - 1 : 1)) % count;
  windows_.SetFocus(options_[next].hwnd);
  if (options_[next].value) return true;
  SetOptionValue(next, true);
  Option_Click(next);
  return true;
}

void Form::OnKeyDown(int key, int shift) {
  Guarded([&] {
    if (!IsLoaded()) return;
    const std::uint64_t generation = generation_;
    Form_KeyDown(static_cast<std::int16_t>(key), static_cast<std::int16_t>(shift));  // KeyPreview
    if (!StillCurrent(generation)) return;
    if (key == kVkLeft || key == kVkUp || key == kVkRight || key == kVkDown) {
      MoveOptionSelection(key);
    }
  });
}

void Form::OnKeyUp(int key, int shift) {
  Guarded([&] {
    if (!IsLoaded()) return;
    Form_KeyUp(static_cast<std::int16_t>(key), static_cast<std::int16_t>(shift));
  });
}

void Form::OnTimer() {
  Guarded([&] {
    if (!IsLoaded() || !timer_.enabled || in_timer_event_) return;
    const Hwnd hwnd = hwnd_;
    const std::uint64_t generation = generation_;
    if (pacing_.TakeTickIfDue(host_.NowMilliseconds())) {
      const FlagWhileAlive ticking(in_timer_event_);
      Timer_Timer();
    }
    if (!StillCurrent(generation) || !timer_.enabled) return;
    windows_.SetTimer(hwnd, kTimerId, pacing_.DelayToNextTick(host_.NowMilliseconds()));
  });
}

Hcursor Form::CursorAt(int x, int y) const {
  if (!IsLoaded()) return Hcursor{};
  const std::optional<ControlRef> hit = HitTest(x, y);
  if (!hit || hit->kind != ControlRef::Kind::Image) return Hcursor{};
  const Image& control = Element(images_, hit->index);
  return control.custom_pointer ? control.mouse_icon : Hcursor{};
}

}  // namespace tickbomb::forms
