// The window on screens of other densities: the 96-DPI window scaled by
// s = DPI / 96, every place, size, shape, frame and hit area from the one
// rounding rule, the pictures resampled as one, the text at the real size;
// and a move to a monitor of another density mid-countdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/forms/picture_scaling.h"
#include "app/forms/screen_scale.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

using forms::ScreenScale;

TEST(ScreenScale, RoundsTwipsOnceToTheNearestPixelTiesToEven) {
  struct Row {
    int dpi, twips, pixels;
  };
  for (const Row& row : {Row{96, 6525, 435}, Row{96, 7, 0}, Row{96, 8, 1}, Row{120, 6525, 544},
                         Row{144, 6525, 652},  // 652.5: to the even 652
                         Row{144, 6375, 638},  // 637.5: to the even 638
                         Row{168, 6525, 761}, Row{192, 6105, 814}, Row{144, -15, -2},
                         Row{144, -45, -4}}) {  // -4.5: to the even -4
    EXPECT_EQ(ScreenScale(row.dpi).Pixels(row.twips), row.pixels) << row.dpi << " " << row.twips;
  }
  EXPECT_EQ(ScreenScale(144).FromDesign(425), 638);
  EXPECT_EQ(ScreenScale(144).Twips(652), 6520);
  EXPECT_EQ(ScreenScale(144).TwipsPerPixel(), 10.0F);
}

TEST(Resample, KeepsThePictureAtItsSizeAndFlatAreasFlat) {
  PixelImage picture{3, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x000000}};
  EXPECT_EQ(forms::Resample(picture, 3, 2), picture);
  const PixelImage flat{4, 4, std::vector<std::uint32_t>(16, 0x336699)};
  const PixelImage bigger = forms::Resample(flat, 7, 6);
  EXPECT_EQ(bigger, (PixelImage{7, 6, std::vector<std::uint32_t>(42, 0x336699)}));
  // A hard edge overshoots a little either side (Catmull-Rom), clipped to 0 ... 255.
  const PixelImage edge{4, 1, {0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF}};
  const PixelImage wide = forms::Resample(edge, 8, 1);
  EXPECT_EQ(wide.pixels.front(), 0x000000U);
  EXPECT_EQ(wide.pixels.back(), 0xFFFFFFU);
  for (std::size_t i = 1; i < wide.pixels.size(); ++i) {
    EXPECT_GE(wide.pixels[i] & 0xFF, wide.pixels[i - 1] & 0xFF) << "a step stays a step";
  }
}

class AtAnotherDensity : public Form1Test, public ::testing::WithParamInterface<int> {
 protected:
  ScreenScale scale{GetParam()};
  Rect Outer() { return platform.window_rects[form.hWnd()]; }
  Rect BombPixels() { return scale.FromDesign(Rect{18, 110, 83, 205}); }

  // What the paint puts where the background lies: its picture steps drawn
  // one over the other, as the Windows side draws them.
  PixelImage PaintedBackground() {
    const int width = scale.FromDesign(425), height = scale.FromDesign(397);
    PixelImage painted{width, height, std::vector<std::uint32_t>(std::size_t(width) * height)};
    for (const DrawOp& op : form.PaintOps()) {
      if (op.kind == DrawOp::Kind::Bitmap) {
        forms::Paste(painted, platform.made_pictures.at(op.bitmap), op.rect.left, op.rect.top);
      }
    }
    return painted;
  }
  // The background with `frame` on the bomb's place (none: 0), resampled whole.
  PixelImage WholeResampled(int background, int frame) {
    PixelImage art = FakePlatform::SyntheticPicture(background);
    if (frame != 0) forms::Paste(art, FakePlatform::SyntheticPicture(frame), 18, 110);
    return forms::Resample(art, scale.FromDesign(425), scale.FromDesign(397));
  }
};

TEST_P(AtAnotherDensity, TheWindowIsTheDesignWindowScaled) {
  platform.screen_dpi = GetParam();
  LoadForm();
  const Rect outer = Outer();
  ASSERT_EQ(outer.right - outer.left, scale.FromDesign(435));
  ASSERT_EQ(outer.bottom - outer.top, scale.FromDesign(407));
  // On the real screen, in its pixels.
  EXPECT_GE(outer.left, 0);
  EXPECT_LE(outer.right, platform.screen_width);

  // The opening animation grows to the scaled window; its last frame is 95 % of it.
  EXPECT_EQ(Drawn(platform.All()), ZoomRectangles(ZoomOrigin::Center, outer));

  // The shape: the corners cut where the layout's pixels land.
  const Hrgn region = platform.window_regions.at(form.hWnd());
  const Rect a = scale.FromDesign(kTopRightCut), b = scale.FromDesign(kBottomLeftCut);
  EXPECT_FALSE(platform.RegionContains(region, a.left, a.top));
  EXPECT_FALSE(platform.RegionContains(region, outer.right - outer.left - 1, a.bottom - 1));
  EXPECT_TRUE(platform.RegionContains(region, a.left - 1, a.top));
  EXPECT_TRUE(platform.RegionContains(region, a.left, a.bottom));
  EXPECT_FALSE(platform.RegionContains(region, b.left, b.top));
  EXPECT_TRUE(platform.RegionContains(region, b.right, b.top));
  EXPECT_FALSE(platform.RegionContains(region, outer.right - outer.left, 100));

  // Painted: the background and the bomb on it as if resampled as one (the
  // background whole, the bomb's reach over it), then the text at its place
  // in the real font size.
  const std::vector<DrawOp> ops = form.PaintOps();
  ASSERT_GE(ops.size(), 3U);
  EXPECT_EQ(ops[0].rect, (Rect{0, 0, outer.right - outer.left, outer.bottom - outer.top}));
  ASSERT_EQ(ops[1].kind, DrawOp::Kind::Bitmap);
  EXPECT_EQ(ops[1].rect, scale.FromDesign(Rect{0, 0, 425, 397}));
  ASSERT_EQ(ops[2].kind, DrawOp::Kind::Bitmap);
  EXPECT_EQ(PaintedBackground(), WholeResampled(IDB_SCENE, IDB_BOMB));
  for (std::size_t i = 3; i < ops.size(); ++i) {
    EXPECT_EQ(ops[i].kind, DrawOp::Kind::Text);
    EXPECT_EQ(ops[i].font.dpi, GetParam());
  }
  const forms::Label& digits = form.label(Label2_1);
  const auto on_digits = std::find_if(ops.begin(), ops.end(), [&](const DrawOp& op) {
    return op.text == L"10" && op.color == digits.fore_color;
  });
  ASSERT_NE(on_digits, ops.end());
  EXPECT_EQ(on_digits->rect.left, scale.Pixels(digits.left));
  EXPECT_EQ(FontPixelHeight(on_digits->font), scale.Pixels(72 * 20));  // 72 points: one inch

  // A frame change repaints the bomb and the pixels the resampling spreads it to.
  const Lines log = platform.During([&] { TickTo(2); }).Log();
  const Rect reach = scale.Pixels(Rect{270 - 30, 1650 - 30, 1245 + 30, 3075 + 30});
  const std::string repaint = "InvalidateRect(" + Logged(form.hWnd()) + "," +
                              std::to_string(reach.left) + "," + std::to_string(reach.top);
  const bool found = std::any_of(
      log.begin(), log.end(), [&](const std::string& line) { return line.rfind(repaint, 0) == 0; });
  EXPECT_TRUE(found) << "no repaint of the bomb's reach " << repaint;

  // The bomb is where it is drawn: a press just inside it is on the bomb, one
  // just outside drags the window.
  const Rect bomb = BombPixels();
  form.OnMouseDown(bomb.right, bomb.top + 10, kLeftButton, 0);
  form.OnMouseMove(bomb.right + 5, bomb.top + 10, kLeftButton, 0);
  form.OnMouseUp(bomb.right + 5, bomb.top + 10, kLeftButton, 0, 0);
  EXPECT_EQ(platform.CallsNamed("SendMessageA").size(), 1U) << "the press beside it drags";
  const std::optional<unsigned> exit = Ends([&] {
    form.OnMouseDown(bomb.right - 1, bomb.bottom - 1, kLeftButton, 0);
    form.OnMouseUp(bomb.right - 1, bomb.bottom - 1, kLeftButton, 0, 0);
  });
  ASSERT_EQ(exit, 0U) << "the click on its last pixel defuses it";
  EXPECT_EQ(platform.CallsNamed("MessageBoxW").back()->text, text::kDefusedMessage);
}

// Every frame of the flicker and the big bomb are the pixels of the whole
// resampled: the background resampled once, each frame only where it reaches.
TEST_P(AtAnotherDensity, EveryPictureIsTheWholeResampled) {
  platform.screen_dpi = GetParam();
  LoadForm();
  const Lines made_at_load = platform.Log({"CreatePicture"});
  EXPECT_EQ(PaintedBackground(), WholeResampled(IDB_SCENE, IDB_BOMB));
  TickTo(2);
  EXPECT_EQ(PaintedBackground(), WholeResampled(IDB_SCENE, IDB_BOMB_LIT));
  TickTo(10);
  EXPECT_EQ(PaintedBackground(), WholeResampled(IDB_SCENE, IDB_BOMB_SHORT));
  TickTo(11);
  EXPECT_EQ(PaintedBackground(), WholeResampled(IDB_SCENE, IDB_BOMB_LIT));
  TickTo(12);
  EXPECT_EQ(PaintedBackground(), WholeResampled(IDB_SCENE, IDB_BOMB_SHORT));
  TickTo(19);
  EXPECT_EQ(PaintedBackground(), WholeResampled(IDB_BIG_BOMB, 0));
  // Whole: the scene, the big bomb and the explosion, once each and with the
  // load, so that the last moments resample nothing; the three frames a
  // patch each.
  const std::string whole = "CreatePicture(" + std::to_string(scale.FromDesign(425)) + "," +
                            std::to_string(scale.FromDesign(397)) + ")";
  const Lines made = platform.Log({"CreatePicture"});
  EXPECT_EQ(std::count(made.begin(), made.end(), whole), 3);
  EXPECT_EQ(made.size(), 6U);
  EXPECT_EQ(std::count(made_at_load.begin(), made_at_load.end(), whole), 3)
      << "a whole picture resampled after the load";
}

INSTANTIATE_TEST_SUITE_P(Percent, AtAnotherDensity, ::testing::Values(120, 144, 168, 192),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::to_string(info.param * 100 / 96);
                         });

// Dragged onto a monitor of 150 % in the middle of the countdown: laid out
// and shaped again there, and the countdown goes on as it was.
TEST_F(Form1Test, AMoveToAMonitorOfAnotherDensityKeepsTheCountdown) {
  LoadForm();
  TickTo(7);
  const std::uint32_t delay = platform.timers.at(1);
  const CallSpan moved = platform.During([&] { form.OnDpiChanged(144, {1400, 200, 2052, 810}); });
  EXPECT_EQ(module.TickCount, 7);
  EXPECT_EQ(platform.timers.at(1), delay) << "the timer was not touched";
  EXPECT_EQ(moved.Log({"SetWindowPos"}).back(),
            "SetWindowPos(" + Logged(form.hWnd()) + ",0,1400,200,652,610,NOZORDER|NOACTIVATE)");
  const Hrgn region = platform.window_regions.at(form.hWnd());
  EXPECT_EQ(region, module.FormRegion);
  EXPECT_FALSE(platform.RegionContains(region, 638, 0));  // the corner cut at 150 %
  EXPECT_TRUE(platform.RegionContains(region, 637, 0));
  EXPECT_EQ(moved.Named("PlaceOptionButton").size(), 5U);
  EXPECT_EQ(form.label(Label2_1).font.dpi, 144);
  EXPECT_EQ(form.Left(), 14000);
  EXPECT_EQ(Ends([&] { TickTo(20); }), 0U);
  EXPECT_EQ(platform.CallsNamed("ExitWindowsEx").size(), 1U);
}

}  // namespace
}  // namespace tickbomb::testing
