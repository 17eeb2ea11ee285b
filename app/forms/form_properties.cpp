// The form's properties and its controls', and the runtime's services: each
// change repaints what it alters, in the pixels of the screen the form is on.
#include <algorithm>

#include "app/forms/form_private.h"
#include "app/forms/picture_scaling.h"
#include "app/forms/runtime_error.h"
#include "app/forms/text_layout.h"

namespace tickbomb::forms {

namespace {

Rect Union(const Rect& a, const Rect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

}  // namespace

// ---------------------------------------------------------------- the form

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
  // The pointer is shown what it is over now before the cursor it may still
  // show is destroyed: Windows would free a cursor on the screen (and Wine
  // then once failed to load the next one).
  if (IsLoaded()) host_.RefreshCursor(hwnd_);
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
  windows_.SendToOwnWindow(button, win::BM_SETCHECK,
                           checked ? win::BST_CHECKED : win::BST_UNCHECKED, 0);
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

}  // namespace tickbomb::forms
