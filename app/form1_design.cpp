#include "app/form1_design.h"

#include "assets/resource_ids.h"

namespace tickbomb {

using forms::ControlRef;
using forms::Image;
using forms::OptionButton;
using forms::Rgb;

forms::Picture ScenePicture() { return {IDB_SCENE, 425, 397}; }
forms::Picture BombPicture() { return {IDB_BOMB, 65, 95}; }
forms::Picture BombLitPicture() { return {IDB_BOMB_LIT, 65, 95}; }
forms::Picture BombShortPicture() { return {IDB_BOMB_SHORT, 65, 95}; }
forms::Picture BigBombPicture() { return {IDB_BIG_BOMB, 425, 397}; }
forms::Picture ExplosionPicture() { return {IDB_EXPLOSION, 425, 397}; }

namespace {

FontSpec UiFont(double points) { return {text::kUiFontFace, points, 400, 128}; }

// The window's own font, which the hint label uses: small, proportional and
// able to show Japanese.
constexpr double kWindowFontPoints = 9.0;

Image PictureControl(int left, int top, bool visible, const forms::Picture& picture) {
  return {.left = left,
          .top = top,
          .width = picture.width_px * forms::kTwipsPerPixel,
          .height = picture.height_px * forms::kTwipsPerPixel,
          .visible = visible,
          .picture = picture};
}

}  // namespace

forms::FormDesign Form1Design() {
  constexpr auto kLeft = TextAlign::Left;
  constexpr auto kCentre = TextAlign::Center;
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
  d.labels[Label1_0] = {.caption = text::kUntilShutdown,
                        .left = 270,
                        .top = 240,
                        .width = 4965,
                        .height = 405,
                        .fore_color = white,
                        .font = UiFont(20.25),
                        .auto_size = true,
                        .alignment = kLeft,
                        .array = 1,
                        .element = 0};
  d.labels[Label1_1] = {.caption = text::kUntilShutdown,
                        .left = 300,
                        .top = 270,
                        .width = 4965,
                        .height = 405,
                        .fore_color = Rgb(64, 64, 0),
                        .font = UiFont(20.25),
                        .auto_size = true,
                        .alignment = kLeft,
                        .array = 1,
                        .element = 1};
  d.labels[Label2_1] = {.caption = L"10",
                        .left = 3780,
                        .top = 3870,
                        .width = 1440,
                        .height = 1455,
                        .fore_color = Rgb(255, 255, 0),
                        .font = UiFont(72),
                        .auto_size = true,
                        .alignment = kCentre,
                        .array = 2,
                        .element = 1};
  d.labels[Label2_0] = {.caption = L"10",
                        .left = 3810,
                        .top = 3900,
                        .width = 1440,
                        .height = 1455,
                        .fore_color = shadow,
                        .font = UiFont(72),
                        .auto_size = true,
                        .alignment = kCentre,
                        .array = 2,
                        .element = 0};
  d.labels[Label3_1] = {.caption = text::kSeconds,
                        .left = 5250,
                        .top = 4890,
                        .width = 765,
                        .height = 765,
                        .fore_color = white,
                        .font = UiFont(36),
                        .auto_size = false,
                        .alignment = kLeft,
                        .array = 3,
                        .element = 1};
  d.labels[Label3_0] = {.caption = text::kSeconds,
                        .left = 5250,
                        .top = 4920,
                        .width = 855,
                        .height = 765,
                        .fore_color = shadow,
                        .font = UiFont(36),
                        .auto_size = false,
                        .alignment = kLeft,
                        .array = 3,
                        .element = 0};
  d.labels[Label4_1] = {.caption = text::kRemaining,
                        .left = 3270,
                        .top = 3510,
                        .width = 900,
                        .height = 525,
                        .fore_color = white,
                        .font = UiFont(26.25),
                        .auto_size = true,
                        .alignment = kLeft,
                        .array = 4,
                        .element = 1};
  d.labels[Label4_0] = {.caption = text::kRemaining,
                        .left = 3300,
                        .top = 3540,
                        .width = 900,
                        .height = 525,
                        .fore_color = shadow,
                        .font = UiFont(26.25),
                        .auto_size = true,
                        .alignment = kLeft,
                        .array = 4,
                        .element = 0};
  d.labels[Label5_1] = {.caption = text::kHint,
                        .left = 180,
                        .top = 5220,
                        .width = 1635,
                        .height = 645,
                        .fore_color = Rgb(192, 255, 255),
                        .font = UiFont(kWindowFontPoints),
                        .auto_size = false,
                        .alignment = kLeft,
                        .word_wrap = true,
                        .array = 5,
                        .element = 1};
  d.labels[Label5_0] = {.caption = text::kHint,
                        .left = 210,
                        .top = 5250,
                        .width = 1605,
                        .height = 645,
                        .fore_color = Rgb(0, 128, 128),
                        .font = UiFont(kWindowFontPoints),
                        .auto_size = false,
                        .alignment = kLeft,
                        .word_wrap = true,
                        .array = 5,
                        .element = 0};

  d.images.resize(5);
  d.images[Image1] = PictureControl(270, 1650, true, BombPicture());
  d.images[Image1].custom_pointer = true;
  d.images[Image2_0] = PictureControl(1320, 3540, false, BombLitPicture());
  d.images[Image2_1] = PictureControl(1200, 840, false, BombShortPicture());
  d.images[Image2_2] = PictureControl(6360, 30, false, BigBombPicture());
  d.images[Image2_3] = PictureControl(6390, -60, false, ExplosionPicture());

  d.options.resize(5);  // in focus order
  // All five: white, dark red, bold 11.25-point text.
  const auto option = [](const wchar_t* caption, int left, int top, int width, int height) {
    return OptionButton{.caption = caption,
                        .left = left,
                        .top = top,
                        .width = width,
                        .height = height,
                        .back_color = Rgb(255, 255, 255),
                        .fore_color = Rgb(128, 0, 0),
                        .font = {text::kUiFontFace, 11.25, 700, 128}};
  };
  d.options[OptLeft] = option(L"Left", 4680, 7680, 1092, 372);
  d.options[OptLeftCorner] = option(L"Left Corner", 2280, 7200, 1695, 375);
  d.options[OptCenter] = option(L"Form Center", 2280, 7680, 1815, 375);
  d.options[OptTop] = option(L"Top", 4680, 7200, 852, 372);
  d.options[OptNone] = option(L"None", 6360, 7680, 972, 372);
  d.selected_option = OptNone;

  d.timer = {.interval = 500, .enabled = true};

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
