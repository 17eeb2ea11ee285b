// The resampler prepared once per size: within a level of the exact
// Catmull-Rom result, and an area made alone exactly that area of the whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "app/forms/picture_scaling.h"
#include "app/forms/screen_scale.h"

namespace tickbomb::testing {
namespace {

PixelImage RandomPicture(int width, int height) {
  std::mt19937 random(7);
  PixelImage picture{width, height, std::vector<std::uint32_t>(std::size_t(width) * height)};
  for (std::uint32_t& pixel : picture.pixels) pixel = random() & 0xFFFFFF;
  return picture;
}

std::uint32_t At(const PixelImage& p, int x, int y) {
  return p.pixels[std::size_t(y) * p.width + x];
}

// The filter written out in doubles, one result sample at a time: the source
// samples nearer than 2 (times the shrink) to its centre, the edge repeated.
double Exact(const PixelImage& source, int width, int height, int x, int y, int shift) {
  const auto taps = [](int from, int to, int i) {
    const double ratio = double(from) / to, widen = std::max(1.0, ratio);
    const double centre = (i + 0.5) * ratio - 0.5;
    std::vector<std::pair<int, double>> all;
    double sum = 0;
    for (int s = int(std::floor(centre - 2 * widen)) + 1; s < centre + 2 * widen; ++s) {
      const double d = std::fabs(s - centre) / widen;
      sum +=
          all.emplace_back(std::clamp(s, 0, from - 1),
                           d < 1 ? (1.5 * d - 2.5) * d * d + 1 : ((-0.5 * d + 2.5) * d - 4) * d + 2)
              .second;
    }
    for (auto& tap : all) tap.second /= sum;
    return all;
  };
  double value = 0;
  for (const auto& [row, down] : taps(source.height, height, y)) {
    for (const auto& [column, across] : taps(source.width, width, x)) {
      value += down * across * ((At(source, column, row) >> shift) & 0xFF);
    }
  }
  return std::clamp(value, 0.0, 255.0);
}

struct Sizes {
  int from_width, from_height, width, height;
};
class Resampling : public ::testing::TestWithParam<Sizes> {
 protected:
  const Sizes& sizes = GetParam();
  const PixelImage source = RandomPicture(sizes.from_width, sizes.from_height);
  const forms::Resampler resampler{sizes.from_width, sizes.from_height, sizes.width, sizes.height};
  const PixelImage whole = resampler.Resample(source);
};

TEST_P(Resampling, EveryChannelIsWithinALevelOfTheExactResultAndAlmostAllAtIt) {
  ASSERT_EQ(std::pair(whole.width, whole.height), std::pair(sizes.width, sizes.height));
  int off = 0, checked = 0;
  for (int y = 0; y < whole.height; y += 1 + whole.height / 60) {
    for (int x = 0; x < whole.width; x += 1 + whole.width / 60) {
      for (const int shift : {0, 8, 16}) {
        const double exact = Exact(source, whole.width, whole.height, x, y, shift);
        const auto made = double((At(whole, x, y) >> shift) & 0xFF);
        ASSERT_LT(std::fabs(made - exact), 1.0) << x << "," << y << " channel at " << shift;
        off += std::lround(exact) != made ? 1 : 0;
        ++checked;
      }
    }
  }
  // Off by one only where the exact result lies within a hair of a half.
  EXPECT_LT(off, checked / 100);
}

TEST_P(Resampling, AnAreaMadeAloneIsExactlyThatAreaOfTheWhole) {
  const int w = whole.width, h = whole.height;
  std::vector<Rect> areas = {{0, 0, w, h}, {-5, -5, 1, 1}, {w - 1, h - 1, w + 9, h + 9}};
  for (int x = 0; x < w; ++x) areas.push_back({x, 0, x + 1, h});
  for (int y = 0; y < h; ++y) areas.push_back({0, y, w, y + 1});
  std::mt19937 random(3);
  for (int i = 0; i < 200; ++i) {
    const int left = int(random() % w), top = int(random() % h);
    areas.push_back({left, top, left + 1 + int(random() % 40), top + 1 + int(random() % 40)});
  }
  for (const Rect& area : areas) {
    const PixelImage part = resampler.ResampleArea(source, area);
    const int left = std::max(area.left, 0), top = std::max(area.top, 0);
    ASSERT_EQ(std::pair(part.width, part.height),
              std::pair(std::min(area.right, w) - left, std::min(area.bottom, h) - top));
    for (int i = 0; i < part.width * part.height; ++i) {
      const int x = left + i % part.width, y = top + i / part.width;
      ASSERT_EQ(part.pixels[std::size_t(i)], At(whole, x, y))
          << x << "," << y << " made in " << area.left << "," << area.top;
    }
  }
  EXPECT_EQ(resampler.ResampleArea(source, {5, 5, 5, 9}), PixelImage{});
}

// 125, 150, 175 and 200 %, a shrink, and the form's art at 150 %.
INSTANTIATE_TEST_SUITE_P(Scales, Resampling,
                         ::testing::Values(Sizes{40, 31, 50, 39}, Sizes{40, 31, 60, 47},
                                           Sizes{40, 31, 70, 54}, Sizes{40, 31, 80, 62},
                                           Sizes{40, 31, 30, 23}, Sizes{425, 397, 638, 596}));

// A bomb frame's change reaches nothing outside Reached(), which lies within
// the form's repaint rule: its pixels widened by kResampleReach (times the
// shrink) each way.
TEST(ResamplerReach, ABombFrameChangesNothingOutsideTheFormsRepaintArea) {
  const PixelImage art = RandomPicture(425, 397);
  PixelImage changed = art;
  forms::Paste(changed, RandomPicture(65, 95), 18, 110);
  for (const int dpi : {72, 120, 144, 168, 192}) {
    const forms::ScreenScale scale(dpi);
    const forms::Resampler resampler(425, 397, scale.FromDesign(425), scale.FromDesign(397));
    const int reach = forms::kResampleReach * ((96 + dpi - 1) / dpi);
    const Rect rule = scale.FromDesign(Rect{18 - reach, 110 - reach, 83 + reach, 205 + reach});
    const Rect in = resampler.Reached({18, 110, 83, 205});
    EXPECT_TRUE(in.left >= rule.left && in.top >= rule.top && in.right <= rule.right &&
                in.bottom <= rule.bottom && in.right - in.left > scale.FromDesign(65))
        << dpi << ": " << in.left << "," << in.top << "," << in.right << "," << in.bottom;
    const PixelImage before = resampler.Resample(art), after = resampler.Resample(changed);
    for (int i = 0; i < before.width * before.height; ++i) {
      const int x = i % before.width, y = i / before.width;
      if (x < in.left || x >= in.right || y < in.top || y >= in.bottom) {
        ASSERT_EQ(before.pixels[std::size_t(i)], after.pixels[std::size_t(i)]) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace tickbomb::testing
