// The two hand cursors and the application icon.
#include <gtest/gtest.h>

#include <string>

#include "asset_files.h"

using namespace assets_test;

namespace {

constexpr int kHotX = 13, kHotY = 9;
constexpr std::size_t kCursorSize =
    4 + 40 + 8 + 128 + 128;  // hot spot, header, 2 colours, bits, mask

// Topmost row with a visible pixel.
int top_row(const PointerImage& image) {
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (!image.clear_at(x, y)) return y;
  return -1;
}

TEST(Cursors, GroupsHoldOneMonochrome32x32ImageEach) {
  for (const auto& [group, image_id] : {std::pair{101, 1}, std::pair{102, 2}}) {
    SCOPED_TRACE("cursor group " + std::to_string(group));
    const Bytes g = read_asset("cursors/group" + std::to_string(group) + ".bin");
    ASSERT_EQ(g.size(), 20u);
    EXPECT_EQ(u16(g, 0), 0);  // reserved
    EXPECT_EQ(u16(g, 2), 2);  // cursors
    EXPECT_EQ(u16(g, 4), 1);  // one image
    EXPECT_EQ(u16(g, 6), 32);
    EXPECT_EQ(u16(g, 8), 32);
    EXPECT_EQ(u16(g, 10), 1);  // planes
    EXPECT_EQ(u16(g, 12), 1);  // bits per pixel
    EXPECT_EQ(u32(g, 14), kCursorSize);
    EXPECT_EQ(u16(g, 18), image_id);

    const Bytes c = read_asset("cursors/cursor" + std::to_string(image_id) + ".bin");
    ASSERT_EQ(c.size(), kCursorSize);
    EXPECT_EQ(u16(c, 0), kHotX);
    EXPECT_EQ(u16(c, 2), kHotY);
    const PointerImage image = decode_pointer_dib(c, 4);
    EXPECT_EQ(image.bits, 1);
    EXPECT_EQ(image.palette, (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));
    int black = 0, white = 0, inverted = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        if (image.clear_at(x, y))
          inverted += image.colour_at(x, y);
        else
          ++(image.colour_at(x, y) ? white : black);
      }
    EXPECT_EQ(inverted, 0) << "pixels that would invert the screen";
    EXPECT_GT(white, 100) << "a white hand";
    EXPECT_GT(black, 60) << "with a black outline";

    // the .cur file carries the same image and hot spot
    const Bytes cur = read_asset("cursors/" + std::to_string(group) + ".cur");
    EXPECT_EQ(u16(cur, 2), 2);
    EXPECT_EQ(u16(cur, 10), kHotX);
    EXPECT_EQ(u16(cur, 12), kHotY);
    EXPECT_TRUE(std::equal(c.begin() + 4, c.end(), cur.begin() + 22, cur.end()));
  }
}

TEST(Cursors, PressedFingerIsThreePixelsShorterUnderTheSameHotSpot) {
  const PointerImage up = decode_pointer_dib(read_asset("cursors/cursor1.bin"), 4);
  const PointerImage pressed = decode_pointer_dib(read_asset("cursors/cursor2.bin"), 4);
  EXPECT_EQ(top_row(up), 9);
  EXPECT_EQ(top_row(pressed), 12);
  // the hot spot is the finger tip's outline in 101 and lies just above it in 102
  EXPECT_FALSE(up.clear_at(kHotX, kHotY));
  EXPECT_EQ(up.colour_at(kHotX, kHotY), 0);
  EXPECT_TRUE(pressed.clear_at(kHotX, kHotY));

  // the tip (rows 9-10 of 101) reappears 3 rows lower; below it the hands are equal
  for (int y = 12; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int from = y <= 13 ? y - 3 : y;
      EXPECT_EQ(pressed.clear_at(x, y), up.clear_at(x, from)) << x << "," << y;
      EXPECT_EQ(pressed.colour_at(x, y), up.colour_at(x, from)) << x << "," << y;
    }
}

TEST(Icon, GroupOneHoldsImage30001) {
  const Bytes g = read_asset("icon/group1.bin");
  ASSERT_EQ(g.size(), 20u);
  EXPECT_EQ(u16(g, 2), 1);  // icons
  EXPECT_EQ(u16(g, 4), 1);  // one image
  EXPECT_EQ(g[6], 32);      // width
  EXPECT_EQ(g[7], 32);      // height
  EXPECT_EQ(g[8], 16);      // colours
  EXPECT_EQ(u16(g, 10), 1);
  EXPECT_EQ(u16(g, 12), 4);
  EXPECT_EQ(u32(g, 14), 744);
  EXPECT_EQ(u16(g, 18), 30001);
}

TEST(Icon, Is744BytesOfStandard16ColoursWith116TransparentPixels) {
  const Bytes icon = read_asset("icon/icon30001.bin");
  ASSERT_EQ(icon.size(), 744u);
  const PointerImage image = decode_pointer_dib(icon, 0);
  EXPECT_EQ(image.bits, 4);
  const std::vector<Rgb> standard = {
      {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
      {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
      {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
  EXPECT_EQ(image.palette, standard);
  int clear = 0, inverted = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (image.clear_at(x, y)) {
        ++clear;
        inverted += image.colour_at(x, y) != 0;
      }
  EXPECT_EQ(clear, 116);
  EXPECT_EQ(inverted, 0) << "transparent pixels have colour 0";

  const Bytes ico = read_asset("icon/tickbomb.ico");
  ASSERT_EQ(ico.size(), 22 + icon.size());
  EXPECT_EQ(u32(ico, 14), 744);
  EXPECT_TRUE(std::equal(icon.begin(), icon.end(), ico.begin() + 22));
}

}  // namespace
