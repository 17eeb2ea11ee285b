// The arithmetic of start-up and of the opening animation: the shutdown
// flags per Windows version, the zoom rectangles, the window's shape size and
// its random placement. Expected numbers were worked out by hand or with an
// independent double-precision calculation, not with this code.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "app/forms/runtime_error.h"
#include "app/window_geometry.h"
#include "tests/unit/fake_platform.h"

namespace tickbomb {
namespace {

// ---------------------------------------------------------------- version table

struct VersionRow {
  std::uint32_t platform_id;
  std::uint32_t major;
  std::optional<std::uint32_t> flags;  // nullopt: keep the previous value
};

class VersionTable : public ::testing::TestWithParam<VersionRow> {};

TEST_P(VersionTable, ChoosesTheShutdownFlags) {
  const VersionRow& row = GetParam();
  EXPECT_EQ(DefaultExitFlagsFor(row.platform_id, row.major), row.flags)
      << "platform " << row.platform_id << ", major " << row.major;
}

constexpr std::optional<std::uint32_t> kKeep = std::nullopt;

INSTANTIATE_TEST_SUITE_P(EveryPlatformAndMajor, VersionTable,
                         ::testing::Values(
                             // Win32s: always a plain shutdown.
                             VersionRow{0, 4, 1}, VersionRow{0, 5, 1}, VersionRow{0, 6, 1},
                             VersionRow{0, 10, 1}, VersionRow{0, 0, 1},
                             // 95, 98, Me: a plain shutdown, whatever the major version says.
                             VersionRow{1, 4, 1}, VersionRow{1, 5, 1}, VersionRow{1, 6, 1},
                             VersionRow{1, 10, 1},
                             // NT: only 2000, XP and 2003 (major 5) power off.
                             VersionRow{2, 3, 1}, VersionRow{2, 4, 1}, VersionRow{2, 5, 8},
                             VersionRow{2, 6, 1}, VersionRow{2, 10, 1},
                             // Anything else: not assigned.
                             VersionRow{3, 4, kKeep}, VersionRow{3, 5, kKeep},
                             VersionRow{3, 6, kKeep}, VersionRow{3, 10, kKeep},
                             VersionRow{0xFFFFFFFFU, 5, kKeep}));

// ---------------------------------------------------------------- zoom rectangles

// A 435 x 407 window with its top-left corner at (100, 50).
constexpr Rect kWindow{100, 50, 535, 457};

TEST(ZoomRectangles, DrawsExactlyTwentyFramesForEveryOrigin) {
  for (ZoomOrigin origin :
       {ZoomOrigin::TopLeft, ZoomOrigin::Center, ZoomOrigin::TopEdge, ZoomOrigin::LeftEdge}) {
    EXPECT_EQ(ZoomRectangles(origin, kWindow).size(), 20U) << "origin " << static_cast<int>(origin);
  }
}

TEST(ZoomRectangles, FramesGrowByAFiftiethUpToNinetyFivePercent) {
  // With a 2000-pixel window every frame's f x W is a whole number: 0, 100, ... 1900.
  const std::vector<Rect> frames = ZoomRectangles(ZoomOrigin::TopLeft, Rect{0, 0, 2000, 1000});
  ASSERT_EQ(frames.size(), 20U);
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(frames[k].right, 100 * k) << "frame " << k;
    EXPECT_EQ(frames[k].bottom, 50 * k) << "frame " << k;
  }
  // Never drawn at full size: the window itself takes over at that size.
  EXPECT_LT(frames.back().right, 2000);
}

// Frames 0, 1, 2, 10 and 19 for each origin over kWindow, worked out with an
// independent double-precision sum (f reaches 0.49999999999999994 at frame
// 10, not 0.5) and round-half-to-even.
struct ZoomRow {
  ZoomOrigin origin;
  Rect frame0, frame1, frame2, frame10, frame19;
};

class ZoomOrigins : public ::testing::TestWithParam<ZoomRow> {};

TEST_P(ZoomOrigins, MatchTheWorkedFrames) {
  const ZoomRow& row = GetParam();
  const std::vector<Rect> frames = ZoomRectangles(row.origin, kWindow);
  ASSERT_EQ(frames.size(), 20U);
  EXPECT_EQ(frames[0], row.frame0);
  EXPECT_EQ(frames[1], row.frame1);
  EXPECT_EQ(frames[2], row.frame2);
  EXPECT_EQ(frames[10], row.frame10);
  EXPECT_EQ(frames[19], row.frame19);
}

INSTANTIATE_TEST_SUITE_P(
    FourOrigins, ZoomOrigins,
    ::testing::Values(
        // Top-left corner, both ways. Frame 1 (f = 0.05): 21.75 -> 22, 20.35 -> 20.
        ZoomRow{ZoomOrigin::TopLeft,
                {100, 50, 100, 50},
                {100, 50, 122, 70},
                {100, 50, 144, 91},
                {100, 50, 318, 253},
                {100, 50, 513, 437}},
        // Centre: frame 0 is the point (317.5, 253.5) -> (318, 254), ties to even.
        // Frame 1: left 306.625 -> 307 and right 306.625 + 21.75 = 328.375 -> 328
        // (from the rounded left it would be 329); top 243.325 -> 243, bottom
        // 263.675 -> 264 (from the rounded top, 263).
        ZoomRow{ZoomOrigin::Center,
                {318, 254, 318, 254},
                {307, 243, 328, 264},
                {296, 233, 339, 274},
                {209, 152, 426, 355},
                {111, 60, 524, 447}},
        // Top edge: full width, growing downwards.
        ZoomRow{ZoomOrigin::TopEdge,
                {100, 50, 535, 50},
                {100, 50, 535, 70},
                {100, 50, 535, 91},
                {100, 50, 535, 253},
                {100, 50, 535, 437}},
        // Left edge: full height, growing rightwards.
        ZoomRow{ZoomOrigin::LeftEdge,
                {100, 50, 100, 457},
                {100, 50, 122, 457},
                {100, 50, 144, 457},
                {100, 50, 318, 457},
                {100, 50, 513, 457}}));

TEST(ZoomRectangles, RoundsTheWholeCoordinateHalfToEven) {
  // W = 435, f = 0.1: cw = 43.5. 100 + 43.5 = 143.5 -> 144; 101 + 43.5 = 144.5 -> 144.
  EXPECT_EQ(ZoomRectangles(ZoomOrigin::TopLeft, Rect{100, 0, 535, 407})[2].right, 144);
  EXPECT_EQ(ZoomRectangles(ZoomOrigin::TopLeft, Rect{101, 0, 536, 407})[2].right, 144);
}

TEST(ZoomRectangles, CentreFrameZeroSitsAtTheCentreAlsoOffScreen) {
  // (-300 + 217.5, -200 + 203.5) = (-82.5, 3.5) -> (-82, 4).
  const std::vector<Rect> frames = ZoomRectangles(ZoomOrigin::Center, Rect{-300, -200, 135, 207});
  EXPECT_EQ(frames[0], (Rect{-82, 4, -82, 4}));
  EXPECT_EQ(frames[19], (Rect{-289, -190, 124, 197}));
}

TEST(ZoomRectangles, AWindowWhoseSizeOverflowsRaisesOverflow) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  for (const Rect& window : {Rect{-10, 0, max, 100}, Rect{0, min, 100, 10}}) {
    EXPECT_EQ(testing::RaisedBy([&] { (void)ZoomRectangles(ZoomOrigin::TopLeft, window); }),
              forms::kErrOverflow);
  }
  // The largest width that fits is fine.
  EXPECT_EQ(ZoomRectangles(ZoomOrigin::TopEdge, Rect{0, 0, max, 10}).size(), 20U);
}

// ---------------------------------------------------------------- the shape

struct ShapeRow {
  float width_twips, height_twips, twips_per_pixel;
  std::int32_t width, height;
};

class ShapeSizes : public ::testing::TestWithParam<ShapeRow> {};

TEST_P(ShapeSizes, RoundToTheNearestPixelTiesToEven) {
  const ShapeRow& row = GetParam();
  const WindowShape shape =
      ShapeSize(row.width_twips, row.height_twips, row.twips_per_pixel, row.twips_per_pixel);
  EXPECT_EQ(shape.width, row.width);
  EXPECT_EQ(shape.height, row.height);
}

INSTANTIATE_TEST_SUITE_P(
    Quotients, ShapeSizes,
    ::testing::Values(ShapeRow{6525, 6105, 15, 435, 407},  // the real window
                      ShapeRow{6532, 6112, 15, 435, 407},  // 435.47, 407.47: down
                      ShapeRow{6533, 6113, 15, 436, 408},  // 435.53, 407.53: up
                      ShapeRow{871, 813, 2, 436, 406},     // 435.5 -> 436, 406.5 -> 406
                      ShapeRow{869, 815, 2, 434, 408},     // 434.5 -> 434, 407.5 -> 408
                      // In single precision 15728662 / 15 is 1048577.5 (the exact quotient
                      // is 1048577.4667), which then goes to the even 1048578.
                      ShapeRow{15728662, 15, 15, 1048578, 1}));

TEST(ShapeSize, AnOverflowingSizeRaisesOverflow) {
  EXPECT_EQ(testing::RaisedBy([] { (void)ShapeSize(1e10F, 6105, 1, 15); }), forms::kErrOverflow);
}

// ---------------------------------------------------------------- placement

TEST(RandomPlacement, ZeroDrawPutsTheWindowAtTheEdge) {
  EXPECT_EQ(RandomPlacement(19200, 6525, 0.0F), 0.0F);
  EXPECT_EQ(RandomPlacement(6000, 6525, 0.0F), 0.0F);  // also when the screen is too small
}

TEST(RandomPlacement, StaysOnTheScreen) {
  const float largest_draw = 16777215.0F / 16777216.0F;
  EXPECT_EQ(RandomPlacement(19200, 6525, largest_draw), 12674.0F);
  EXPECT_EQ(RandomPlacement(19200, 6525, 0.5F), 6337.0F);  // 6337.5 rounded down
}

TEST(RandomPlacement, ANarrowScreenGivesANegativePositionRoundedDown) {
  // (6000 - 6525) x 0.5 = -262.5: down is -263, not -262.
  EXPECT_EQ(RandomPlacement(6000, 6525, 0.5F), -263.0F);
  EXPECT_EQ(RandomPlacement(6000, 6525, 0.25F), -132.0F);  // -131.25
}

TEST(RandomPlacement, MultipliesInSinglePrecision) {
  // 12675 x 5937877 / 2^24 is 4485.99999994 exactly, but 4486 in single
  // precision, so the window lands at 4486, not 4485.
  const float r = 5937877.0F / 16777216.0F;
  EXPECT_EQ(RandomPlacement(19200, 6525, r), 4486.0F);
}

}  // namespace
}  // namespace tickbomb
