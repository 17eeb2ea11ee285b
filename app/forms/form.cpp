#include "app/forms/form.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "app/forms/runtime_error.h"
#include "app/forms/text_layout.h"
#include "app/seam/library_failure.h"

namespace tickbomb::forms {

namespace {

constexpr std::uintptr_t kTimerId = 1;

int ToPixels(int twips) { return CheckedToInt32(static_cast<double>(twips) / kTwipsPerPixel); }

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

  const int client_w = ToPixels(design.client_width);
  const int client_h = ToPixels(design.client_height);
  width_ = (client_w + design.frame_width_px) * kTwipsPerPixel;
  height_ = (client_h + design.frame_height_px) * kTwipsPerPixel;
  left_ = design.client_left - (design.frame_width_px / 2) * kTwipsPerPixel;
  top_ = design.client_top - (design.frame_height_px - design.frame_width_px / 2) * kTwipsPerPixel;

  const Rect outer{ToPixels(left_), ToPixels(top_), ToPixels(left_) + ToPixels(width_),
                   ToPixels(top_) + ToPixels(height_)};
  hwnd_ = host_.CreateFormWindow(caption_, outer, *this);
  if (IsNull(hwnd_)) Raise(kErrCannotCreateWindow);
  LoadPictures(design);
  for (Label& control : labels_) {
    if (IsSystemColor(control.fore_color)) {
      control.fore_color = windows_.GetSysColor(static_cast<int>(control.fore_color & 0xFF));
    }
  }

  for (std::size_t i = 0; i < options_.size(); ++i) {
    OptionButton& button = options_[i];
    const Rect rect{ToPixels(button.left), ToPixels(button.top),
                    ToPixels(button.left + button.width), ToPixels(button.top + button.height)};
    button.hwnd = host_.CreateOptionButton(hwnd_, button.caption, rect, i == 0, button.back_color,
                                           button.fore_color, button.font);
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

Rect Form::ImagePixels(int index) const {
  const Image& i = Element(images_, index);
  return {ToPixels(i.left), ToPixels(i.top), ToPixels(i.left + i.width),
          ToPixels(i.top + i.height)};
}

void Form::InvalidatePixels(const Rect& rect) {
  if (IsLoaded()) windows_.InvalidateRect(hwnd_, &rect, 0);
}

void Form::InvalidateLabel(int index) { InvalidatePixels(LabelPixels(index)); }
void Form::InvalidateImage(int index) { InvalidatePixels(ImagePixels(index)); }

void Form::SizeLabel(int index) {
  Label& control = Element(labels_, index);
  if (!control.auto_size) return;
  const TextLayout layout = LayOutText(control.caption, 0, [&](const std::wstring& text) {
    return host_.MeasureText(control.font, text);
  });
  control.width = layout.width * kTwipsPerPixel;
  control.height = layout.height * kTwipsPerPixel;
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
  const Rect before = ImagePixels(index);
  Image& control = Element(images_, index);
  control.picture = picture;
  control.width = picture.width_px * kTwipsPerPixel;
  control.height = picture.height_px * kTwipsPerPixel;
  if (control.visible) InvalidatePixels(Union(before, ImagePixels(index)));
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

int Form::ScreenWidth() { return windows_.GetSystemMetrics(win::SM_CXSCREEN) * kTwipsPerPixel; }
int Form::ScreenHeight() { return windows_.GetSystemMetrics(win::SM_CYSCREEN) * kTwipsPerPixel; }

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
    Form_MouseMove(button, shift16, static_cast<float>(x * kTwipsPerPixel),
                   static_cast<float>(y * kTwipsPerPixel));
  } else if (target->kind == ControlRef::Kind::Label) {
    const Label& l = Element(labels_, target->index);
    Label_MouseMove(l.array, l.element, button, shift16,
                    static_cast<float>(x * kTwipsPerPixel - l.left),
                    static_cast<float>(y * kTwipsPerPixel - l.top));
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
                      static_cast<std::int16_t>(shift),
                      static_cast<float>(x * kTwipsPerPixel - image.left),
                      static_cast<float>(y * kTwipsPerPixel - image.top));
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
                  static_cast<float>(x * kTwipsPerPixel - image.left),
                  static_cast<float>(y * kTwipsPerPixel - image.top));
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
  if (picture_.id != 0) {
    DrawOp pic;
    pic.kind = DrawOp::Kind::Bitmap;
    pic.bitmap_id = picture_.id;
    pic.bitmap = BitmapOf(picture_.id);
    pic.rect = {0, 0, picture_.width_px, picture_.height_px};
    ops.push_back(pic);
  }
  for (const ControlRef& ref : back_to_front_) {
    if (ref.kind == ControlRef::Kind::Image) {
      const Image& control = Element(images_, ref.index);
      if (!control.visible || control.picture.id == 0) continue;
      DrawOp pic;
      pic.kind = DrawOp::Kind::Bitmap;
      pic.bitmap_id = control.picture.id;
      pic.bitmap = BitmapOf(control.picture.id);
      pic.rect = ImagePixels(ref.index);
      ops.push_back(pic);
      continue;
    }
    const Label& control = Element(labels_, ref.index);
    if (!control.visible) continue;
    const Rect box = LabelPixels(ref.index);
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
  return ops;
}

}  // namespace tickbomb::forms
