#include "app/forms/form.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "app/forms/picture_scaling.h"
#include "app/forms/runtime_error.h"
#include "app/forms/text_layout.h"
#include "app/seam/library_failure.h"

namespace tickbomb::forms {

namespace {

constexpr std::uintptr_t kTimerId = 1;

bool Contains(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// An exception's ASCII message as UTF-16; other bytes show as '?'.
std::wstring Widened(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c != '\0'; ++c) {
    wide.push_back(static_cast<unsigned char>(*c) < 0x80 ? static_cast<wchar_t>(*c) : L'?');
  }
  return wide;
}

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

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

Form::Form(WindowsApi& windows, FormHost& host) : windows_(windows), host_(host) {}

Form::~Form() = default;

// Every entry from the window runs through here. Once a run-time error has
// been raised the program is stopped: nothing more runs, whatever the window
// still hands on while the report is open.
template <typename Handler>
void Form::Guarded(Handler&& handler) {
  if (halted_) return;
  try {
    handler();
  } catch (const ProcessExit&) {
    throw;  // not an error: a stand-in for Windows ending the process
  } catch (...) {
    OnFailure(std::current_exception());
  }
}

void Form::OnFailure(std::exception_ptr failure) {
  int number = kErrInternal;
  std::wstring description;
  try {
    try {
      std::rethrow_exception(failure);
    } catch (const RuntimeError& error) {
      number = error.number();
      description = error.description();
    } catch (const std::bad_alloc&) {
      number = kErrOutOfMemory;
    } catch (const LibraryFailure& error) {
      number = error.kind() == LibraryFailure::Kind::IndexOutOfRange ? kErrSubscriptOutOfRange
                                                                     : kErrInternal;
    } catch (const std::exception& error) {
      description = DescribeError(kErrInternal) + L" (" + Widened(error.what()) + L")";
    }
  } catch (const ProcessExit&) {
    throw;
  } catch (...) {
    // Anything else, or no memory left to describe it: the error's own name.
  }
  Fail(number, description);
}

void Form::Fail(int number, const std::wstring& description) {
  // A failure while a report is already open is the end: nothing to add.
  if (halted_) EndProcess(1);
  // Stop the world first: from here on no tick, key, click or reload runs.
  halted_ = true;
  if (IsLoaded()) windows_.KillTimer(hwnd_, kTimerId);
  std::wstring report;
  std::wstring title;
  try {
    report = ErrorReport(number, description.empty() ? DescribeError(number) : description);
    title = caption_.empty() ? std::wstring(L"tickbomb") : caption_;
  } catch (const std::bad_alloc&) {
    report.clear();  // no memory to build the text: the fixed one below
  }
  windows_.MessageBoxW(Hwnd{},
                       report.empty() ? L"Run-time error '7':\n\nOut of memory" : report.c_str(),
                       title.empty() ? L"tickbomb" : title.c_str(), win::MB_ICONERROR);
  EndProcess(1);  // closing the report ends the program
}

void Form::EndProcess(unsigned exit_code) {
  windows_.ExitProcess(exit_code);
  std::abort();  // ExitProcess does not return; should a stand-in return, the end is here
}

// ---------------------------------------------------------------- lifecycle

void Form::Load() {
  Guarded([&] {
    if (IsLoaded()) return;
    CreateControls(Design());
    const std::uint64_t generation = generation_;
    Form_Load();
    if (!StillCurrent(generation)) return;  // the handler unloaded the form
    // The window is active now: the focus goes to the group's selected button.
    for (const OptionButton& option : options_) {
      if (option.value) windows_.SetFocus(option.hwnd);
    }
  });
}

void Form::CreateControls(const FormDesign& design) {
  ++generation_;
  caption_ = design.caption;
  back_color_ = design.back_color;
  picture_ = design.picture;
  labels_ = design.labels;
  images_ = design.images;
  options_ = design.options;
  back_to_front_ = design.back_to_front;
  timer_ = design.timer;
  captured_.reset();
  captured_form_ = false;

  // The outer window is the client area and the frame around it.
  width_ = design.client_width + design.frame_width_px * kTwipsPerPixel;
  height_ = design.client_height + design.frame_height_px * kTwipsPerPixel;
  left_ = design.client_left - (design.frame_width_px / 2) * kTwipsPerPixel;
  top_ = design.client_top - (design.frame_height_px - design.frame_width_px / 2) * kTwipsPerPixel;

  scale_ = ScreenScale(host_.ScreenDpi());
  for (Label& control : labels_) control.font.dpi = scale_.dpi();
  for (OptionButton& button : options_) button.font.dpi = scale_.dpi();
  const Rect outer{ToPixels(left_), ToPixels(top_), ToPixels(left_) + ToPixels(width_),
                   ToPixels(top_) + ToPixels(height_)};
  hwnd_ = host_.CreateFormWindow(caption_, outer, *this);
  if (IsNull(hwnd_)) Raise(kErrCannotCreateWindow);
  // A window opened on a monitor of another density takes that monitor's.
  if (const int dpi = host_.WindowDpi(hwnd_); dpi != scale_.dpi()) {
    UseDpi(dpi);
    windows_.SetWindowPos(hwnd_, Hwnd{}, 0, 0, ToPixels(width_), ToPixels(height_),
                          win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  }
  LoadPictures(design);
  for (Label& control : labels_) {
    if (IsSystemColor(control.fore_color)) {
      control.fore_color = windows_.GetSysColor(static_cast<int>(control.fore_color & 0xFF));
    }
  }

  for (std::size_t i = 0; i < options_.size(); ++i) {
    OptionButton& button = options_[i];
    button.hwnd = host_.CreateOptionButton(hwnd_, button.caption, OptionPixels(button), i == 0,
                                           button.back_color, button.fore_color, button.font);
    button.value = static_cast<int>(i) == design.selected_option;
    if (button.value) CheckOption(button.hwnd, true);
  }
  for (std::size_t i = 0; i < labels_.size(); ++i) SizeLabel(static_cast<int>(i));
  for (Image& control : images_) {
    control.width = control.picture.width_px * kTwipsPerPixel;
    control.height = control.picture.height_px * kTwipsPerPixel;
  }
  if (timer_.enabled) ArmTimer();
}

void Form::Unload() {
  if (!IsLoaded()) return;
  ++generation_;
  DestroyControls();
}

void Form::DestroyControls() {
  windows_.KillTimer(hwnd_, kTimerId);
  for (Image& control : images_) {
    if (!IsNull(control.mouse_icon)) windows_.DestroyCursor(control.mouse_icon);
    control.mouse_icon = Hcursor{};
  }
  const Hwnd hwnd = hwnd_;
  hwnd_ =
      Hwnd{};  // from here on the form counts as unloaded, also for handlers the destruction runs
  windows_.DestroyWindow(hwnd);  // destroys the option buttons with it
  for (OptionButton& button : options_) button.hwnd = Hwnd{};
  DropComposites();
  for (const auto& [id, bitmap] : bitmaps_) windows_.DeleteObject(bitmap);
  bitmaps_.clear();
  captured_.reset();
  captured_form_ = false;
}

void Form::End() { EndProcess(halted_ ? 1 : 0); }

// The pictures are part of the window: every one the design holds is loaded,
// fully decoded, with it. One that cannot be loaded is an error of the load.
void Form::LoadPictures(const FormDesign& design) {
  KeepPicture(design.picture.id);
  for (const Image& control : design.images) KeepPicture(control.picture.id);
}

void Form::KeepPicture(int id) {
  if (id == 0 || !IsNull(BitmapOf(id))) return;
  const Hbitmap bitmap = host_.LoadPicture(id);
  if (IsNull(bitmap)) Raise(kErrInvalidPicture);
  bitmaps_.emplace_back(id, bitmap);
}

Hbitmap Form::BitmapOf(int picture_id) const {
  for (const auto& [id, bitmap] : bitmaps_) {
    if (id == picture_id) return bitmap;
  }
  return Hbitmap{};
}

// ---------------------------------------------------------------- form properties

void Form::SetLeft(int twips) {
  left_ = twips;
  MoveToPlace();
}

void Form::SetTop(int twips) {
  top_ = twips;
  MoveToPlace();
}

void Form::MoveToPlace() {
  if (!IsLoaded()) return;
  windows_.SetWindowPos(hwnd_, Hwnd{}, ToPixels(left_), ToPixels(top_), 0, 0,
                        win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
}

void Form::SetVisible(bool visible) {
  if (!IsLoaded()) Raise(kErrInvalidPropertyValue);
  windows_.ShowWindow(hwnd_, visible ? win::SW_SHOW : win::SW_HIDE);
}

void Form::SetPicture(const Picture& picture) {
  picture_ = picture;
  if (IsLoaded()) windows_.InvalidateRect(hwnd_, nullptr, 0);
}

// ---------------------------------------------------------------- controls

Rect Form::LabelPixels(int index) const {
  const Label& l = Element(labels_, index);
  return {ToPixels(l.left), ToPixels(l.top), ToPixels(l.left + l.width),
          ToPixels(l.top + l.height)};
}

Rect Form::ImageTwips(int index) const {
  const Image& i = Element(images_, index);
  return {i.left, i.top, i.left + i.width, i.top + i.height};
}

Rect Form::ImagePixels(int index) const { return scale_.Pixels(ImageTwips(index)); }

Rect Form::OptionPixels(const OptionButton& button) const {
  return scale_.Pixels(
      Rect{button.left, button.top, button.left + button.width, button.top + button.height});
}

// What a change of a picture control repaints: its own pixels, and on a
// screen of another density also the pixels the resampling spreads it to.
Rect Form::RepaintArea(const Rect& twips) const {
  if (scale_.IsDesignScale()) return scale_.Pixels(twips);
  const int shrink = (kDesignDpi + scale_.dpi() - 1) / scale_.dpi();  // 1 unless shrinking
  const int reach = kResampleReach * kTwipsPerPixel * shrink;
  return scale_.Pixels(
      Rect{twips.left - reach, twips.top - reach, twips.right + reach, twips.bottom + reach});
}

void Form::InvalidatePixels(const Rect& rect) {
  if (IsLoaded()) windows_.InvalidateRect(hwnd_, &rect, 0);
}

void Form::InvalidateLabel(int index) { InvalidatePixels(LabelPixels(index)); }
void Form::InvalidateImage(int index) { InvalidatePixels(RepaintArea(ImageTwips(index))); }

void Form::SizeLabel(int index) {
  Label& control = Element(labels_, index);
  if (!control.auto_size) return;
  const TextLayout layout = LayOutText(control.caption, 0, [&](const std::wstring& text) {
    return host_.MeasureText(control.font, text);
  });
  control.width = scale_.Twips(layout.width);
  control.height = scale_.Twips(layout.height);
}

void Form::SetLabelCaption(int index, const std::wstring& caption) {
  const Rect before = LabelPixels(index);
  Element(labels_, index).caption = caption;
  SizeLabel(index);
  InvalidatePixels(Union(before, LabelPixels(index)));
}

void Form::SetLabelForeColor(int index, std::uint32_t color) {
  Element(labels_, index).fore_color = color;
  InvalidateLabel(index);
}

void Form::SetLabelLeft(int index, int twips) {
  const Rect before = LabelPixels(index);
  Element(labels_, index).left = twips;
  InvalidatePixels(Union(before, LabelPixels(index)));
}

void Form::SetLabelTop(int index, int twips) {
  const Rect before = LabelPixels(index);
  Element(labels_, index).top = twips;
  InvalidatePixels(Union(before, LabelPixels(index)));
}

void Form::SetLabelVisible(int index, bool visible) {
  Element(labels_, index).visible = visible;
  InvalidateLabel(index);
}

void Form::SetImagePicture(int index, const Picture& picture) {
  const Rect before = RepaintArea(ImageTwips(index));
  Image& control = Element(images_, index);
  control.picture = picture;
  control.width = picture.width_px * kTwipsPerPixel;
  control.height = picture.height_px * kTwipsPerPixel;
  if (control.visible) InvalidatePixels(Union(before, RepaintArea(ImageTwips(index))));
}

void Form::SetImageVisible(int index, bool visible) {
  Element(images_, index).visible = visible;
  InvalidateImage(index);
}

void Form::SetImageMouseIcon(int index, int cursor_id) {
  Image& control = Element(images_, index);
  const Hcursor cursor = host_.LoadCursorResource(cursor_id);
  if (IsNull(cursor)) Raise(kErrResourceNotFound);
  const Hcursor replaced = control.mouse_icon;
  control.mouse_icon = cursor;
  if (IsLoaded() && control.visible && control.custom_pointer) {
    host_.ShowCursorIfOver(hwnd_, ImagePixels(index), cursor);
  }
  if (!IsNull(replaced)) windows_.DestroyCursor(replaced);
}

void Form::SetOptionValue(int index, bool value) {
  if (!value) {
    Element(options_, index).value = false;
    if (!IsNull(options_[index].hwnd)) CheckOption(options_[index].hwnd, false);
    return;
  }
  for (std::size_t i = 0; i < options_.size(); ++i) {
    const bool selected = static_cast<int>(i) == index;
    if (options_[i].value != selected && !IsNull(options_[i].hwnd)) {
      CheckOption(options_[i].hwnd, selected);
    }
    options_[i].value = selected;
  }
}

void Form::SetTimerEnabled(bool enabled) {
  if (timer_.enabled == enabled) return;
  timer_.enabled = enabled;
  if (!IsLoaded()) return;
  if (enabled) {
    ArmTimer();
  } else {
    windows_.KillTimer(hwnd_, kTimerId);
  }
}

void Form::ArmTimer() {
  pacing_.Start(host_.NowMilliseconds(), timer_.interval);
  windows_.SetTimer(hwnd_, kTimerId, static_cast<std::uint32_t>(timer_.interval));
}

void Form::CheckOption(Hwnd button, bool checked) {
  windows_.SendMessageW(button, win::BM_SETCHECK, checked ? win::BST_CHECKED : win::BST_UNCHECKED,
                        0);
}

// ---------------------------------------------------------------- services

void Form::Refresh() {
  if (!IsLoaded()) return;
  windows_.InvalidateRect(hwnd_, nullptr, 0);
  windows_.UpdateWindow(hwnd_);
}

void Form::RefreshImage(int index) {
  if (!IsLoaded()) return;
  InvalidateImage(index);
  windows_.UpdateWindow(hwnd_);
}

void Form::DoEvents() { host_.DispatchPendingMessages(); }

int Form::MsgBox(const std::wstring& text, std::uint32_t style, const std::wstring& title) {
  return windows_.MessageBoxW(hwnd_, text.c_str(), title.c_str(), style);
}

float Form::ScreenWidth() {
  return static_cast<float>(windows_.GetSystemMetrics(win::SM_CXSCREEN)) * TwipsPerPixelX();
}
float Form::ScreenHeight() {
  return static_cast<float>(windows_.GetSystemMetrics(win::SM_CYSCREEN)) * TwipsPerPixelY();
}

std::vector<std::uint8_t> Form::LoadResData(int id, const char* type) {
  std::vector<std::uint8_t> bytes;
  if (!host_.ReadResource(type, id, bytes)) Raise(kErrResourceNotFound);
  return bytes;
}

// ---------------------------------------------------------------- events

std::optional<ControlRef> Form::HitTest(int x, int y) const {
  for (std::size_t i = back_to_front_.size(); i-- > 0;) {  // front to back
    const ControlRef& ref = back_to_front_[i];
    if (ref.kind == ControlRef::Kind::Label) {
      if (Element(labels_, ref.index).visible && Contains(LabelPixels(ref.index), x, y)) return ref;
    } else {
      if (Element(images_, ref.index).visible && Contains(ImagePixels(ref.index), x, y)) return ref;
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
        Contains(ImagePixels(index), x, y)) {
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

// ---------------------------------------------------------------- painting

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
// pictures on it are put together at the layout's pixels and resampled as
// one (picture_scaling.h), so that a bomb frame meets the sky around it
// without a seam. A picture that overlaps a label is drawn on its own in its
// place in the stacking order instead, as the labels must stay above or
// below it; the form's pictures never overlap one.
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
  std::vector<std::array<int, 3>> layers;
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
  if (picture_.id != 0) {
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = picture_.id;
    pic.bitmap = CompositeFor(picture_.id, layers);
    pic.rect = scale_.FromDesign(Rect{0, 0, picture_.width_px, picture_.height_px});
    ops.push_back(pic);
  }
  for (const int index : apart) {
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = Element(images_, index).picture.id;
    pic.bitmap = CompositeFor(0, {{pic.bitmap_id, 0, 0}});
    pic.rect = ImagePixels(index);
    ops.push_back(pic);
  }
}

Hbitmap Form::CompositeFor(int picture_id, const std::vector<std::array<int, 3>>& layers) const {
  const auto made = std::find_if(composites_.begin(), composites_.end(), [&](const Composite& c) {
    return c.picture_id == picture_id && c.layers == layers;
  });
  if (made != composites_.end()) return made->bitmap;
  PixelImage canvas = PixelsOf(picture_id != 0 ? picture_id : layers.front()[0]);
  for (const auto& [id, left, top] : layers) Paste(canvas, PixelsOf(id), left, top);
  const PixelImage scaled =
      Resample(canvas, scale_.FromDesign(canvas.width), scale_.FromDesign(canvas.height));
  const Hbitmap bitmap = host_.CreatePicture(scaled);
  if (IsNull(bitmap)) Raise(kErrOutOfMemory);
  composites_.push_back({picture_id, layers, bitmap});
  return bitmap;
}

PixelImage Form::PixelsOf(int picture_id) const {
  PixelImage pixels;
  if (!host_.ReadPicture(BitmapOf(picture_id), pixels)) Raise(kErrInvalidPicture);
  return pixels;
}

void Form::DropComposites() {
  for (const Composite& made : composites_) windows_.DeleteObject(made.bitmap);
  composites_.clear();
}

void Form::UseDpi(int dpi) {
  scale_ = ScreenScale(dpi);
  DropComposites();
  for (Label& control : labels_) control.font.dpi = dpi;
  for (OptionButton& button : options_) button.font.dpi = dpi;
  for (std::size_t i = 0; i < labels_.size(); ++i) SizeLabel(static_cast<int>(i));
}

// The window moved to a monitor of another density: it is laid out again for
// it where the system suggests, and goes on as it was (the countdown too).
void Form::OnDpiChanged(int dpi, const Rect& suggested) {
  Guarded([&] {
    if (!IsLoaded() || dpi == scale_.dpi()) return;
    UseDpi(dpi);
    left_ = scale_.Twips(suggested.left);
    top_ = scale_.Twips(suggested.top);
    windows_.SetWindowPos(hwnd_, Hwnd{}, suggested.left, suggested.top, ToPixels(width_),
                          ToPixels(height_), win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    for (const OptionButton& button : options_) {
      host_.PlaceOptionButton(button.hwnd, OptionPixels(button), button.font);
    }
    const std::uint64_t generation = generation_;
    Form_Rescaled();
    if (StillCurrent(generation)) windows_.InvalidateRect(hwnd_, nullptr, 0);
  });
}

}  // namespace tickbomb::forms
