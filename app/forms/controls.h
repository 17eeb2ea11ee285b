// The controls a form is built from, as plain data: what the form stores and
// what its code changes at run time. Positions and sizes are twips.
#ifndef TICKBOMB_APP_FORMS_CONTROLS_H
#define TICKBOMB_APP_FORMS_CONTROLS_H

#include <cstdint>
#include <string>

#include "app/forms/screen_scale.h"
#include "app/seam/drawing.h"
#include "app/seam/handles.h"

namespace tickbomb::forms {

// A picture is a bitmap resource; assigning one shares it (copies the id).
// Every picture of the design is loaded, fully decoded, with the window, and
// lives as long as it.
struct Picture {
  int id = 0;  // 0: no picture
  int width_px = 0, height_px = 0;
  friend bool operator==(const Picture&, const Picture&) = default;
};

// A colour may name one of the system's colours instead of giving its value:
// the high bit set and the COLOR_ index below it. The form reads the system's
// value when it is created.
inline constexpr std::uint32_t kSystemColor = 0x80000000U;
inline constexpr bool IsSystemColor(std::uint32_t color) { return (color & kSystemColor) != 0; }
// The default text colour: the system's button-text colour (COLOR_BTNTEXT),
// black in the standard colour scheme.
inline constexpr std::uint32_t kDefaultTextColor = kSystemColor | 18;

inline constexpr std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
         (static_cast<std::uint32_t>(b) << 16);
}

// A windowless text label with a transparent background.
struct Label {
  std::wstring caption;
  int left = 0, top = 0, width = 0, height = 0;
  std::uint32_t fore_color = kDefaultTextColor;
  FontSpec font;
  bool auto_size = false;  // size to the caption (one line per line of the caption)
  TextAlign alignment = TextAlign::Left;
  bool word_wrap = false;  // break lines to fit the width (fixed-size labels)
  bool visible = true;
  // The control array the label belongs to (Label1 is 1) and its element
  // index there: both copies of a pair share one handler, told the index.
  int array = 0;
  std::int16_t element = 0;
};

// A windowless picture control; it takes the size of its picture, whose
// pixels are the layout's own (kTwipsPerPixel twips each).
struct Image {
  int left = 0, top = 0, width = 0, height = 0;
  bool visible = true;
  Picture picture;
  bool custom_pointer = false;  // MousePointer 99: shows mouse_icon while over it
  Hcursor mouse_icon{};         // a loaded cursor, owned by the control
};

// An option button: a real child window that takes the keyboard focus.
struct OptionButton {
  std::wstring caption;
  int left = 0, top = 0, width = 0, height = 0;
  std::uint32_t back_color = 0, fore_color = 0;
  FontSpec font;
  bool value = false;
  Hwnd hwnd{};
};

struct TimerControl {
  int interval = 0;  // milliseconds
  bool enabled = false;
};

}  // namespace tickbomb::forms

#endif
