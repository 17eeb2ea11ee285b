// The form's life: built from its design with every picture decoded, torn
// down by Unload, and laid out again for a screen of another density.
#include "app/forms/form_private.h"
#include "app/forms/runtime_error.h"

namespace tickbomb::forms {

Form::Form(WindowsApi& windows, FormHost& host)
    : windows_(windows), host_(host), scaled_pictures_(windows, host) {}

Form::~Form() = default;

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
    // The user's ten seconds begin when the window is up, not when it is
    // created: the start-up before this (the sounds, the opening animation)
    // may take a good part of a period, more on a busy machine.
    if (timer_.enabled) ArmTimer();
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
  PrepareBackgrounds();
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
}

void Form::Unload() {
  if (!IsLoaded()) return;
  ++generation_;
  DestroyControls();
}

void Form::DestroyControls() {
  windows_.KillTimer(hwnd_, kTimerId);
  // The pictures' cursors go, but not while one is on the screen: the pointer
  // is shown the arrow first (see SetImageMouseIcon).
  std::vector<Hcursor> cursors;
  for (Image& control : images_) {
    if (!IsNull(control.mouse_icon)) cursors.push_back(control.mouse_icon);
    control.mouse_icon = Hcursor{};
  }
  if (!cursors.empty()) host_.RefreshCursor(hwnd_);
  for (const Hcursor cursor : cursors) windows_.DestroyCursor(cursor);
  const Hwnd hwnd = hwnd_;
  hwnd_ =
      Hwnd{};  // from here on the form counts as unloaded, also for handlers the destruction runs
  windows_.DestroyWindow(hwnd);  // destroys the option buttons with it
  for (OptionButton& button : options_) button.hwnd = Hwnd{};
  scaled_pictures_.Drop();
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

// At another density every picture the form may take as its own (one of its
// picture's size) is resampled with the load, before the window shows: the
// big bomb and the blast come in the countdown's last moments, where a
// resampling (some 7 ms each at 150 %) would make them late.
void Form::PrepareBackgrounds() {
  if (scale_.IsDesignScale() || picture_.id == 0) return;
  const auto pixels_of = [this](int picture_id) { return PixelsOf(picture_id); };
  scaled_pictures_.Prepare(picture_.id, scale_, pixels_of);
  for (const Image& control : images_) {
    if (control.picture.id != 0 && control.picture.width_px == picture_.width_px &&
        control.picture.height_px == picture_.height_px) {
      scaled_pictures_.Prepare(control.picture.id, scale_, pixels_of);
    }
  }
}

Hbitmap Form::BitmapOf(int picture_id) const {
  for (const auto& [id, bitmap] : bitmaps_) {
    if (id == picture_id) return bitmap;
  }
  return Hbitmap{};
}

void Form::UseDpi(int dpi) {
  scale_ = ScreenScale(dpi);
  scaled_pictures_.Drop();
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
    PrepareBackgrounds();
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
