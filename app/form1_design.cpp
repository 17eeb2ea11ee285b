#include "app/form1_design.h"

#include "assets/resource_ids.h"

namespace tickbomb {

using forms::ControlRef;
using forms::Image;
using forms::Label;
using forms::OptionButton;
using forms::Rgb;

forms::Picture ScenePicture() { return {IDB_SCENE, 425, 397}; }
forms::Picture BombPicture() { return {IDB_BOMB, 65, 95}; }
forms::Picture BombLitPicture() { return {IDB_BOMB_LIT, 65, 95}; }
forms::Picture BombShortPicture() { return {IDB_BOMB_SHORT, 65, 95}; }
forms::Picture BigBombPicture() { return {IDB_BIG_BOMB, 425, 397}; }
forms::Picture ExplosionPicture() { return {IDB_EXPLOSION, 425, 397}; }

namespace {

FontSpec UiFont(double points, int weight = 400) {
  return {text::kUiFontFace, points, weight, 128};
}

Label MakeLabel(const std::wstring& caption, int left, int top, int width, int height,
                std::uint32_t color, double points, bool auto_size, TextAlign alignment,
                int tab_index) {
  Label label;
  label.caption = caption;
  label.left = left;
  label.top = top;
  label.width = width;
  label.height = height;
  label.fore_color = color;
  label.font = UiFont(points);
  label.auto_size = auto_size;
  label.alignment = alignment;
  label.tab_index = tab_index;
  return label;
}

Image MakeImage(int left, int top, bool visible, const forms::Picture& picture) {
  Image image;
  image.left = left;
  image.top = top;
  image.width = picture.width_px * forms::kTwipsPerPixel;
  image.height = picture.height_px * forms::kTwipsPerPixel;
  image.visible = visible;
  image.picture = picture;
  return image;
}

OptionButton MakeOption(const std::wstring& caption, int left, int top, int width, int height,
                        int tab_index) {
  OptionButton option;
  option.caption = caption;
  option.left = left;
  option.top = top;
  option.width = width;
  option.height = height;
  option.tab_index = tab_index;
  return option;
}

// The window's own font, which the hint label uses: small, proportional and
// able to show Japanese.
constexpr double kWindowFontPoints = 9.0;

}  // namespace

forms::FormDesign Form1Design() {
  constexpr auto L = TextAlign::Left;
  constexpr auto C = TextAlign::Center;
  const std::uint32_t white = Rgb(255, 255, 255);
  const std::uint32_t shadow = forms::kDefaultTextColor;

  forms::FormDesign d;
  d.caption = text::kFormCaption;
  d.back_color = Rgb(255, 192, 255);
  d.picture = ScenePicture();
  d.client_left = 2985;
  d.client_top = 2700;
  d.client_width = 6405;   // 427 pixels
  d.client_height = 5700;  // 380 pixels
  // A 4-pixel border and a 19-pixel caption bar: the outer window is
  // 435 x 407 pixels, which leaves 10-pixel BackColor strips right of and
  // below the 425 x 397 picture once the frame is gone.
  d.frame_width_px = 8;
  d.frame_height_px = 27;

  d.labels.resize(kLabelCount);
  d.labels[Label1_0] = MakeLabel(text::kUntilShutdown, 270, 240, 4965, 405, white, 20.25, true, L, 5);
  d.labels[Label1_1] = MakeLabel(text::kUntilShutdown, 300, 270, 4965, 405, Rgb(64, 64, 0), 20.25, true, L, 6);
  d.labels[Label2_1] = MakeLabel(L"10", 3780, 3870, 1440, 1455, Rgb(255, 255, 0), 72, true, C, 10);
  d.labels[Label2_0] = MakeLabel(L"10", 3810, 3900, 1440, 1455, shadow, 72, true, C, 7);
  d.labels[Label3_1] = MakeLabel(text::kSeconds, 5250, 4890, 765, 765, white, 36, false, L, 9);
  d.labels[Label3_0] = MakeLabel(text::kSeconds, 5250, 4920, 855, 765, shadow, 36, false, L, 8);
  d.labels[Label4_1] = MakeLabel(text::kRemaining, 3270, 3510, 900, 525, white, 26.25, true, L, 12);
  d.labels[Label4_0] = MakeLabel(text::kRemaining, 3300, 3540, 900, 525, shadow, 26.25, true, L, 11);
  d.labels[Label5_1] = MakeLabel(text::kHint, 180, 5220, 1635, 645, Rgb(192, 255, 255), kWindowFontPoints, false, L, 14);
  d.labels[Label5_0] = MakeLabel(text::kHint, 210, 5250, 1605, 645, Rgb(0, 128, 128), kWindowFontPoints, false, L, 13);
  d.labels[Label5_1].word_wrap = true;
  d.labels[Label5_0].word_wrap = true;

  d.images.resize(5);
  d.images[Image1] = MakeImage(270, 1650, true, BombPicture());
  d.images[Image1].custom_pointer = true;
  d.images[Image2_0] = MakeImage(1320, 3540, false, BombLitPicture());
  d.images[Image2_1] = MakeImage(1200, 840, false, BombShortPicture());
  d.images[Image2_2] = MakeImage(6360, 30, false, BigBombPicture());
  d.images[Image2_3] = MakeImage(6390, -60, false, ExplosionPicture());

  d.options.resize(5);
  d.options[OptLeft] = MakeOption(L"Left", 4680, 7680, 1092, 372, 0);
  d.options[OptLeftCorner] = MakeOption(L"Left Corner", 2280, 7200, 1695, 375, 1);
  d.options[OptCenter] = MakeOption(L"Form Center", 2280, 7680, 1815, 375, 2);
  d.options[OptTop] = MakeOption(L"Top", 4680, 7200, 852, 372, 3);
  d.options[OptNone] = MakeOption(L"None", 6360, 7680, 972, 372, 4);
  d.selected_option = OptNone;

  d.timer = {500, true};

  // Back to front; within each pair the text copy lies in front of its shadow.
  const auto label = [](int i) { return ControlRef{ControlRef::Kind::Label, i}; };
  const auto image = [](int i) { return ControlRef{ControlRef::Kind::Image, i}; };
  d.back_to_front = {label(Label1_1), label(Label1_0), label(Label5_0), label(Label5_1),
                     label(Label2_0), label(Label2_1), label(Label3_0), label(Label3_1),
                     label(Label4_0), label(Label4_1), image(Image1),   image(Image2_0),
                     image(Image2_1), image(Image2_2), image(Image2_3)};
  return d;
}

}  // namespace tickbomb
