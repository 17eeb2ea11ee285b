#include "app/window_geometry.h"

#include <cmath>
#include <limits>

#include "app/forms/runtime_error.h"

namespace tickbomb {

using forms::CheckedToInt32;

std::optional<std::uint32_t> DefaultExitFlagsFor(std::uint32_t platform_id,
                                                 std::uint32_t major_version) {
  switch (platform_id) {
    case win::VER_PLATFORM_WIN32s:
    case win::VER_PLATFORM_WIN32_WINDOWS: return win::EWX_SHUTDOWN;
    case win::VER_PLATFORM_WIN32_NT:
      return major_version == 5 ? win::EWX_POWEROFF : win::EWX_SHUTDOWN;
    default: return std::nullopt;
  }
}

namespace {
// A single-precision result, rounded to single precision. The 32-bit x87
// build keeps intermediate results at double precision even in float
// arithmetic (GCC's excess precision), so a product of two floats could reach
// floor() unrounded; a store to memory rounds it, as SSE arithmetic does.
float Single(float value) {
  volatile float stored = value;
  return stored;
}
}  // namespace

float RandomPlacement(float screen_twips, float window_twips, float r) {
  const float span = Single(screen_twips - window_twips);
  return std::floor(Single(span * r));
}

namespace {
std::int32_t CheckedSub32(std::int32_t a, std::int32_t b) {
  const std::int64_t d = std::int64_t{a} - std::int64_t{b};
  if (d > std::numeric_limits<std::int32_t>::max() ||
      d < std::numeric_limits<std::int32_t>::min()) {
    forms::Raise(forms::kErrOverflow);
  }
  return static_cast<std::int32_t>(d);
}
}  // namespace

std::vector<Rect> ZoomRectangles(ZoomOrigin origin, const Rect& window) {
  const double L = window.left, T = window.top;
  const double W = CheckedSub32(window.right, window.left);
  const double H = CheckedSub32(window.bottom, window.top);
  std::vector<Rect> frames;
  double f = 0;
  for (int frame = 0; frame < kZoomFrames; ++frame, f += 0.05) {
    const double cw = f * W;
    const double ch = f * H;
    double left = L, top = T, right = L + cw, bottom = T + ch;
    switch (origin) {
      case ZoomOrigin::Center:
        left = L + (W - cw) / 2;
        top = T + (H - ch) / 2;
        right = left + cw;  // from the unrounded left and top edges
        bottom = top + ch;
        break;
      case ZoomOrigin::TopEdge: right = L + W; break;
      case ZoomOrigin::LeftEdge: bottom = T + H; break;
      default: break;
    }
    frames.push_back(
        {CheckedToInt32(left), CheckedToInt32(top), CheckedToInt32(right), CheckedToInt32(bottom)});
  }
  return frames;
}

WindowShape ShapeSize(float width_twips, float height_twips, float twips_per_pixel_x,
                      float twips_per_pixel_y) {
  const float w = Single(width_twips / twips_per_pixel_x);
  const float h = Single(height_twips / twips_per_pixel_y);
  return {CheckedToInt32(w), CheckedToInt32(h)};
}

}  // namespace tickbomb
