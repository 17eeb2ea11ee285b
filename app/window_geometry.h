// The arithmetic of start-up and of the opening animation, free of any
// window: where the window goes, which shutdown flags the Windows version
// calls for, the rectangles of the zoom, and the shape of the window.
#ifndef TICKBOMB_APP_WINDOW_GEOMETRY_H
#define TICKBOMB_APP_WINDOW_GEOMETRY_H

#include <cstdint>
#include <optional>
#include <vector>

#include "app/seam/drawing.h"
#include "app/seam/windows_api.h"

namespace tickbomb {

// The shutdown flags for a Windows version: NT 5.x (2000, XP, 2003) powers
// off, every other known platform shuts down; an unknown platform id gives
// nothing, and the flags keep their previous value.
std::optional<std::uint32_t> DefaultExitFlagsFor(std::uint32_t platform_id,
                                                 std::uint32_t major_version);

// floor((screen - window) * r), in single precision, in twips. Negative when
// the screen is smaller than the window.
float RandomPlacement(float screen_twips, float window_twips, float r);

// Where the opening animation grows from, as its 16-bit code. NotChosen is
// the code before the first start-up, which turns it into Center.
enum class ZoomOrigin : std::int16_t {
  NotChosen = 0,
  TopLeft = 1,   // from the top-left corner, both ways
  Center = 2,    // from the centre, both ways
  TopEdge = 3,   // full width, downwards from the top edge
  LeftEdge = 4,  // full height, rightwards from the left edge
};

// The opening animation has 20 frames: f = 0, 0.05, 0.1, ... about 0.95, each
// the sum of the ones before and 0.05 in double precision. The rectangle is
// never drawn at full size: the window itself is shown at that size next.
inline constexpr int kZoomFrames = 20;

// The rectangles the opening animation draws over `window` (screen pixels),
// one per frame; every edge rounds to the nearest integer, ties to even.
// Raises Overflow if the window's size does not fit 32 bits.
std::vector<Rect> ZoomRectangles(ZoomOrigin origin, const Rect& window);

// The window's shape: its size in pixels (each quotient rounded to the
// nearest, ties to even) and the two corners cut off its BackColor strips so
// that they read as a shadow 10 pixels down and right of the picture.
struct WindowShape {
  std::int32_t width = 0, height = 0;
};
WindowShape ShapeSize(float width_twips, float height_twips, float twips_per_pixel_x,
                      float twips_per_pixel_y);
inline constexpr Rect kTopRightCut{425, 0, 440, 10};
inline constexpr Rect kBottomLeftCut{0, 397, 10, 435};

}  // namespace tickbomb

#endif
