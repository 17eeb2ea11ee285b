// The six pictures: BMP layout, palettes, and how the bomb frames sit on the scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <regex>
#include <string>

#include "asset_files.h"

using namespace assets_test;

namespace {

struct PictureRow {
  const char* name;
  int width, height, bits;
  std::uint32_t palette;  // 0 for 24 bits
};

const PictureRow kPictures[] = {
    {"scene", 425, 397, 24, 0},     {"bomb", 65, 95, 8, 122},       {"bomb_lit", 65, 95, 8, 140},
    {"bomb_short", 65, 95, 8, 120}, {"big_bomb", 425, 397, 8, 163}, {"explosion", 425, 397, 8, 142},
};

Bytes picture_file(const std::string& name) { return read_asset("pictures/" + name + ".bmp"); }
Bitmap picture(const std::string& name) { return decode_bmp(picture_file(name)); }

constexpr int kFrameX = 18, kFrameY = 110;
// The spark's patch at the top of the fuse, in frame pixels.
constexpr int kSparkLeft = 15, kSparkRight = 23, kSparkTop = 1, kSparkBottom = 10;

int channel_distance(Rgb a, Rgb b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

void PrintTo(const PictureRow& row, std::ostream* os) { *os << row.name; }

class PictureFile : public testing::TestWithParam<PictureRow> {};

TEST_P(PictureFile, IsAnUncompressedBottomUpBitmapOfItsSizeAndPalette) {
  const PictureRow& row = GetParam();
  const Bytes file = picture_file(row.name);
  const std::size_t stride = static_cast<std::size_t>((row.width * row.bits + 31) / 32 * 4);
  const std::size_t bits_offset = 14 + 40 + 4 * std::size_t{row.palette};

  EXPECT_EQ(tag(file, 0).substr(0, 2), "BM");
  EXPECT_EQ(u32(file, 2), file.size());
  EXPECT_EQ(u32(file, 10), bits_offset);
  EXPECT_EQ(u32(file, 14), 40);  // info header size
  EXPECT_EQ(i32(file, 18), row.width);
  EXPECT_EQ(i32(file, 22), row.height);  // positive: rows bottom-up
  EXPECT_EQ(u16(file, 26), 1);           // planes
  EXPECT_EQ(u16(file, 28), row.bits);
  EXPECT_EQ(u32(file, 30), 0);  // BI_RGB
  EXPECT_EQ(u32(file, 34), stride * static_cast<std::size_t>(row.height));
  EXPECT_EQ(u32(file, 46), row.palette);  // colours used
  EXPECT_EQ(u32(file, 50), row.palette);  // colours important
  ASSERT_EQ(file.size(), bits_offset + stride * static_cast<std::size_t>(row.height));

  // rows are padded to 4 bytes with zeros (425 * 3 = 1275 -> 1276; 65 -> 68; 425 -> 428)
  const std::size_t used = static_cast<std::size_t>(row.width * row.bits / 8);
  for (int y = 0; y < row.height; ++y)
    for (std::size_t i = used; i < stride; ++i)
      ASSERT_EQ(file[bits_offset + stride * static_cast<std::size_t>(y) + i], 0) << "row " << y;

  if (row.bits == 8) {
    const Bitmap bmp = decode_bmp(file);
    EXPECT_LT(*std::max_element(bmp.indices.begin(), bmp.indices.end()),
              static_cast<int>(row.palette));
    for (std::size_t i = 0; i < row.palette; ++i)
      EXPECT_EQ(file[14 + 40 + 4 * i + 3], 0) << "palette entry " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureFile, testing::ValuesIn(kPictures),
                         [](const auto& info) { return std::string(info.param.name); });

// Tolerance of a frame against the scene, in levels of one colour channel:
// the 122-colour palette may move a pixel by up to 16 levels, the frame as a
// whole by no more than 2.5 on average, and the outermost ring of pixels,
// where a seam would show, by up to 8.
constexpr int kPixelTolerance = 16, kSeamTolerance = 8;
constexpr double kMeanTolerance = 2.5;

bool on_seam(int x, int y) { return x == 0 || y == 0 || x == 64 || y == 94; }
TEST(BombFrames, UnlitFrameIsTheSceneAt18x110UpToItsPalette) {
  const Bitmap scene = picture("scene"), unlit = picture("bomb");
  long total = 0;
  for (int y = 0; y < 95; ++y)
    for (int x = 0; x < 65; ++x) {
      const int d = channel_distance(unlit.at(x, y), scene.at(kFrameX + x, kFrameY + y));
      total += d;
      EXPECT_LE(d, kPixelTolerance) << "at " << x << "," << y;
      if (on_seam(x, y)) {
        EXPECT_LE(d, kSeamTolerance) << "seam at " << x << "," << y;
      }
    }
  EXPECT_LE(static_cast<double>(total) / (65 * 95), kMeanTolerance);
}

TEST(BombFrames, LitFrameDiffersFromUnlitOnlyInTheSparkPatch) {
  const Bitmap unlit = picture("bomb"), lit = picture("bomb_lit");
  int changed_in_patch = 0;
  for (int y = 0; y < 95; ++y)
    for (int x = 0; x < 65; ++x) {
      const bool in_patch =
          x >= kSparkLeft && x <= kSparkRight && y >= kSparkTop && y <= kSparkBottom;
      if (in_patch)
        changed_in_patch += unlit.at(x, y) == lit.at(x, y) ? 0 : 1;
      else
        EXPECT_EQ(unlit.at(x, y), lit.at(x, y)) << "at " << x << "," << y;
    }
  EXPECT_GE(changed_in_patch, 30) << "the spark fills a good part of its 90-pixel patch";
}

TEST(BombFrames, ShortFuseFrameKeepsTheSkyAroundTheSmallerBomb) {
  const Bitmap scene = picture("scene"), unlit = picture("bomb"), small = picture("bomb_short");
  int differing = 0;
  for (int y = 0; y < 95; ++y)
    for (int x = 0; x < 65; ++x) {
      const int d = channel_distance(small.at(x, y), scene.at(kFrameX + x, kFrameY + y));
      if (on_seam(x, y)) {
        EXPECT_LE(d, kSeamTolerance) << "seam at " << x << "," << y;
      }
      differing += small.at(x, y) == unlit.at(x, y) ? 0 : 1;
    }
  EXPECT_GT(differing, 500) << "the bomb is drawn smaller";
}

// The captions are white and yellow: where they stand the scene stays dark.
TEST(SceneLayout, CaptionAreasAreDark) {
  const Bitmap scene = picture("scene");
  struct Area {
    const char* what;
    int left, top, right, bottom;
  };
  const Area areas[] = {
      {"counter", 218, 234, 407, 377}, {"hint", 12, 348, 121, 391}, {"title", 18, 16, 350, 43}};
  for (const Area& a : areas) {
    double sum = 0;
    for (int y = a.top; y < a.bottom; ++y)
      for (int x = a.left; x < a.right; ++x) {
        const Rgb p = scene.at(x, y);
        sum += 0.299 * p.r + 0.587 * p.g + 0.114 * p.b;
      }
    EXPECT_LT(sum / ((a.right - a.left) * (a.bottom - a.top)), 60) << a.what;
  }
}

TEST(ResourceScript, EmbedsOnlyFilesThatExist) {
  const Bytes rc = read_asset("tickbomb.rc");
  const Bytes sounds = read_asset("sound_table.h");  // the script takes the sounds from there
  const std::string text =
      std::string(rc.begin(), rc.end()) + std::string(sounds.begin(), sounds.end());
  const std::regex quoted("\"([a-z0-9_]+/[a-z0-9_]+\\.[a-z]+)\"");
  int files = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), quoted);
       it != std::sregex_iterator(); ++it, ++files)
    EXPECT_NO_THROW(read_asset((*it)[1].str())) << (*it)[1].str();
  EXPECT_EQ(files, 6 + 6 + 4 + 2);  // sounds, pictures, cursor pieces, icon pieces
}

}  // namespace
