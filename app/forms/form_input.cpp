// What the window hands on, routed to the form's events: the mouse to the
// control under it or to the one that holds it, the keys (KeyPreview, the
// option group's arrows) and the timer, paced against its start.
#include "app/forms/form_input.h"

#include <utility>

#include "app/forms/form.h"

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

float FormInput::ToTwips(int pixels) const {
  return static_cast<float>(pixels) * form_.controls().scale().TwipsPerPixel();
}

std::optional<ControlRef> FormInput::HitTest(int x, int y) const {
  const FormControls& controls = form_.controls();
  const std::vector<ControlRef>& back_to_front = controls.back_to_front();
  for (std::size_t i = back_to_front.size(); i-- > 0;) {  // front to back
    const ControlRef& ref = back_to_front[i];
    if (ref.kind == ControlRef::Kind::Label) {
      if (Element(controls.labels(), ref.index).visible &&
          controls.LabelPixels(ref.index).Contains(x, y)) {
        return ref;
      }
    } else if (Element(controls.images(), ref.index).visible &&
               controls.ImagePixels(ref.index).Contains(x, y)) {
      return ref;
    }
  }
  return std::nullopt;
}

void FormInput::RouteMouseMove(const std::optional<ControlRef>& target, int x, int y, int buttons,
                               int shift) {
  const auto button = static_cast<std::int16_t>(buttons);
  const auto shift16 = static_cast<std::int16_t>(shift);
  if (!target) {
    form_.Form_MouseMove(button, shift16, ToTwips(x), ToTwips(y));
  } else if (target->kind == ControlRef::Kind::Label) {
    const Label& l = Element(form_.controls().labels(), target->index);
    form_.Label_MouseMove(l.array, l.element, button, shift16,
                          ToTwips(x) - static_cast<float>(l.left),
                          ToTwips(y) - static_cast<float>(l.top));
  }
  // Picture controls have no mouse-move event.
}

void FormInput::MouseMove(int x, int y, int buttons, int shift) {
  if (buttons == 0) ReleasePress();
  if (captured_) {
    RouteMouseMove(captured_, x, y, buttons, shift);
  } else if (captured_form_) {
    RouteMouseMove(std::nullopt, x, y, buttons, shift);
  } else {
    RouteMouseMove(HitTest(x, y), x, y, buttons, shift);
  }
}

void FormInput::MouseDown(int x, int y, int button, int shift) {
  if (!captured_ && !captured_form_) {
    captured_ = HitTest(x, y);
    captured_form_ = !captured_;
  }
  if (captured_ && captured_->kind == ControlRef::Kind::Image) {
    const Image& image = Element(form_.controls().images(), captured_->index);
    form_.Image_MouseDown(
        captured_->index, static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift),
        ToTwips(x) - static_cast<float>(image.left), ToTwips(y) - static_cast<float>(image.top));
  }
}

void FormInput::MouseUp(int x, int y, int button, int buttons_still_down, int shift) {
  const std::optional<ControlRef> target = captured_;
  if (buttons_still_down == 0) ReleasePress();
  if (!target || target->kind != ControlRef::Kind::Image) return;
  const int index = target->index;
  const Image& image = Element(form_.controls().images(), index);
  const std::uint64_t generation = form_.Generation();
  form_.Image_MouseUp(index, static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift),
                      ToTwips(x) - static_cast<float>(image.left),
                      ToTwips(y) - static_cast<float>(image.top));
  if (!form_.StillCurrent(generation)) return;
  // A click is a left press and release on the same visible picture.
  if (button == kLeftButton && Element(form_.controls().images(), index).visible &&
      form_.controls().ImagePixels(index).Contains(x, y)) {
    form_.Image_Click(index);
  }
}

void FormInput::ReleasePress() {
  captured_.reset();
  captured_form_ = false;
}

void FormInput::MoveOptionSelection(int key) {
  const std::vector<OptionButton>& options = form_.controls().options();
  const Hwnd focus = form_.windows().GetFocus();
  int current = -1;
  for (std::size_t i = 0; i < options.size(); ++i) {
    if (!IsNull(options[i].hwnd) && options[i].hwnd == focus) current = static_cast<int>(i);
  }
  if (current < 0) return;
  const int count = static_cast<int>(options.size());
  const bool backwards = key == kVkUp || key == kVkLeft;
  const int next = (current + (backwards ? count - 1 : 1)) % count;
  form_.windows().SetFocus(options[next].hwnd);
  if (options[next].value) return;
  form_.SetOptionValue(next, true);
  form_.Option_Click(next);
}

void FormInput::KeyDown(int key, int shift, bool repeated) {
  const std::uint64_t generation = form_.Generation();
  const bool outer = std::exchange(key_repeated_, repeated);  // a KeyDown may run nested
  form_.Form_KeyDown(static_cast<std::int16_t>(key), static_cast<std::int16_t>(shift));
  key_repeated_ = outer;
  if (!form_.StillCurrent(generation)) return;
  if (key == kVkLeft || key == kVkUp || key == kVkRight || key == kVkDown) {
    MoveOptionSelection(key);
  }
}

void FormInput::KeyUp(int key, int shift) {
  form_.Form_KeyUp(static_cast<std::int16_t>(key), static_cast<std::int16_t>(shift));
}

Hcursor FormInput::CursorAt(int x, int y) const {
  const std::optional<ControlRef> hit = HitTest(x, y);
  if (!hit || hit->kind != ControlRef::Kind::Image) return Hcursor{};
  const Image& control = Element(form_.controls().images(), hit->index);
  return control.custom_pointer ? control.mouse_icon : Hcursor{};
}

void FormInput::ArmTimer() {
  const int interval = form_.controls().timer().interval;
  pacing_.Start(form_.clock().NowMilliseconds(), interval);
  form_.windows().SetTimer(form_.hWnd(), kTimerId, static_cast<std::uint32_t>(interval));
}

void FormInput::Timer() {
  if (!form_.controls().timer().enabled || in_timer_event_) return;
  const Hwnd hwnd = form_.hWnd();
  const std::uint64_t generation = form_.Generation();
  if (pacing_.TakeTickIfDue(form_.clock().NowMilliseconds())) {
    const FlagWhileAlive ticking(in_timer_event_);
    form_.Timer_Timer();
  }
  if (!form_.StillCurrent(generation) || !form_.controls().timer().enabled) return;
  form_.windows().SetTimer(hwnd, kTimerId,
                           pacing_.DelayToNextTick(form_.clock().NowMilliseconds()));
}

}  // namespace tickbomb::forms
