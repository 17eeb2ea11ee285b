#include "app/forms/picture_scaling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace tickbomb::forms {

namespace {

// Fixed point, in integers so that the x87 build computes what every other
// build does. Across, the weights carry 16 bits (1 is 1 << 16); between the
// passes each channel keeps 7 bits below the level; down, the weights carry
// 15 bits. Nothing is rounded but once after each pass, and the weights'
// rounding moves a channel by less than a tenth of a level, so every channel
// is within one level of the exact result, and at its level but where the
// exact result lies within that of a half.
constexpr int kAcrossBits = 16;
constexpr int kBetweenBits = 7;
constexpr int kDownBits = 15;
constexpr int kAcrossShift = kAcrossBits - kBetweenBits;
constexpr int kDownShift = kDownBits + kBetweenBits;
// The weights' absolute values add up to at most 1.27 at any ratio (1.25
// when enlarging; the most at a shrink to 0.93), so a channel is at most
// 255 x 1.3 between the passes and 255 x 1.3 x 1.3 in the sum down, whose
// fixed point must fit in 31 bits.
static_assert(((255LL * 13 * 13 / 100 + 1) << kDownShift) <
              std::numeric_limits<std::int32_t>::max());

// Catmull-Rom: the cubic through the neighbouring samples (B = 0, C = 1/2).
double CatmullRom(double x) {
  x = std::fabs(x);
  if (x < 1) return 1.5 * x * x * x - 2.5 * x * x + 1;
  if (x < 2) return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
  return 0;
}

// Samples beyond the picture's edge repeat the edge.
int Clamp(int index, int size) { return std::clamp(index, 0, size - 1); }

std::uint32_t Level(std::int32_t sum) {
  return static_cast<std::uint32_t>(std::clamp(sum >> kDownShift, 0, 255));
}

// One pass over one row: the sums of `count` taps, rounded once. Four taps,
// the count when enlarging, are written out with the weights and rows held
// in place, since the compiler does not unroll the loop by itself.
void AcrossRow(const std::int32_t* channels, const int* first, const std::int32_t* w, int count,
               int columns, std::int32_t* out) {
  constexpr std::int32_t kHalf = 1 << (kAcrossShift - 1);
  if (count == 4) {
    for (int x = 0; x < columns; ++x, w += 4) {
      const std::int32_t* s = channels + static_cast<std::ptrdiff_t>(first[x]) * 3;
      const std::int32_t wa = w[0], wb = w[1], wc = w[2], wd = w[3];
      *out++ = (kHalf + wa * s[0] + wb * s[3] + wc * s[6] + wd * s[9]) >> kAcrossShift;
      *out++ = (kHalf + wa * s[1] + wb * s[4] + wc * s[7] + wd * s[10]) >> kAcrossShift;
      *out++ = (kHalf + wa * s[2] + wb * s[5] + wc * s[8] + wd * s[11]) >> kAcrossShift;
    }
    return;
  }
  for (int x = 0; x < columns; ++x, w += count) {
    const std::int32_t* s = channels + static_cast<std::ptrdiff_t>(first[x]) * 3;
    for (int c = 0; c < 3; ++c, ++s) {
      std::int32_t sum = kHalf;
      const std::int32_t* tap = s;
      for (int k = 0; k < count; ++k, tap += 3) sum += w[k] * *tap;
      *out++ = sum >> kAcrossShift;
    }
  }
}

void DownRow(const std::int32_t* w, const std::int32_t* const* rows, int count, std::size_t columns,
             std::uint32_t* out) {
  constexpr std::int32_t kHalf = 1 << (kDownShift - 1);
  if (count == 4) {
    const std::int32_t *a = rows[0], *b = rows[1], *c = rows[2], *d = rows[3];
    const std::int32_t wa = w[0], wb = w[1], wc = w[2], wd = w[3];
    const auto level = [&](std::size_t i) {
      return Level(kHalf + wa * a[i] + wb * b[i] + wc * c[i] + wd * d[i]);
    };
    for (std::size_t i = 0; i < columns * 3; i += 3) {
      *out++ = (level(i) << 16) | (level(i + 1) << 8) | level(i + 2);
    }
    return;
  }
  const auto level = [&](std::size_t i) {
    std::int32_t sum = kHalf;
    for (int k = 0; k < count; ++k) sum += w[k] * rows[k][i];
    return Level(sum);
  };
  for (std::size_t i = 0; i < columns * 3; i += 3) {
    *out++ = (level(i) << 16) | (level(i + 1) << 8) | level(i + 2);
  }
}

}  // namespace

void Paste(PixelImage& canvas, const PixelImage& picture, int x, int y) {
  for (int row = std::max(0, -y); row < picture.height && y + row < canvas.height; ++row) {
    for (int column = std::max(0, -x); column < picture.width && x + column < canvas.width;
         ++column) {
      const auto to = static_cast<std::size_t>(y + row) * canvas.width + (x + column);
      const auto from = static_cast<std::size_t>(row) * picture.width + column;
      canvas.pixels[to] = picture.pixels[from];
    }
  }
}

// The taps of every result sample when `from` samples become `to`, the
// sample centres lined up (result sample i sits at source (i + 0.5) x from /
// to - 0.5). Shrinking widens the filter so that every source sample counts.
// The weights are rounded to `bits` and the rounding's remainder given to the
// largest, so that they add up to exactly 1 and a flat area stays flat; taps
// of weight 0 at either end are left out, and the rest padded with zero
// weights to one count for all.
Resampler::Axis Resampler::TapsFor(int from, int to, int bits) {
  const double ratio = static_cast<double>(from) / to;
  const double widen = std::max(1.0, ratio);
  const double support = 2 * widen;
  const std::int32_t one = std::int32_t{1} << bits;
  std::vector<std::vector<std::int32_t>> each(static_cast<std::size_t>(to));
  Axis axis{from, to, 0, std::vector<int>(static_cast<std::size_t>(to)), {}};
  std::vector<double> real;
  for (int i = 0; i < to; ++i) {
    const double centre = (i + 0.5) * ratio - 0.5;
    int first = static_cast<int>(std::floor(centre - support)) + 1;
    const int last = static_cast<int>(std::ceil(centre + support)) - 1;
    real.resize(static_cast<std::size_t>(last - first) + 1);
    int s = first;
    std::generate(real.begin(), real.end(), [&] { return CatmullRom((s++ - centre) / widen); });
    const double sum = std::accumulate(real.begin(), real.end(), 0.0);
    std::vector<std::int32_t>& fixed = each[static_cast<std::size_t>(i)];
    fixed.resize(real.size());
    std::transform(real.begin(), real.end(), fixed.begin(), [&](double w) {
      return static_cast<std::int32_t>(RoundHalfAwayFromZero(w / sum * one));
    });
    *std::max_element(fixed.begin(), fixed.end()) +=
        one - std::accumulate(fixed.begin(), fixed.end(), std::int32_t{0});
    while (fixed.back() == 0) fixed.pop_back();
    const auto zeros = std::find_if(fixed.begin(), fixed.end(), [](std::int32_t w) { return w; });
    first += static_cast<int>(zeros - fixed.begin());
    fixed.erase(fixed.begin(), zeros);
    axis.first[static_cast<std::size_t>(i)] = first;
    axis.count = std::max(axis.count, static_cast<int>(fixed.size()));
  }
  for (std::vector<std::int32_t>& fixed : each) {
    fixed.resize(static_cast<std::size_t>(axis.count));
    axis.weights.insert(axis.weights.end(), fixed.begin(), fixed.end());
  }
  return axis;
}

Resampler::Resampler(int source_width, int source_height, int width, int height)
    : across_(TapsFor(source_width, width, kAcrossBits)),
      down_(TapsFor(source_height, height, kDownBits)) {}

PixelImage Resampler::Resample(const PixelImage& source) const {
  return ResampleArea(source, Rect{0, 0, width(), height()});
}

// Across first, then down, as every pixel is made wherever its area lies:
// the rows across are made as the rows down need them, in a ring of as many
// rows as a result row reads.
PixelImage Resampler::ResampleArea(const PixelImage& source, const Rect& area) const {
  const int left = std::max(area.left, 0), right = std::min(area.right, width());
  const int top = std::max(area.top, 0), bottom = std::min(area.bottom, height());
  if (left >= right || top >= bottom || source.width != across_.from ||
      source.height != down_.from) {
    return {};
  }
  const auto columns = static_cast<std::size_t>(right - left);
  PixelImage result{right - left, bottom - top,
                    std::vector<std::uint32_t>(columns * static_cast<std::size_t>(bottom - top))};
  const auto firsts = across_.first.begin();
  const int low = *std::min_element(firsts + left, firsts + right);
  const int high = *std::max_element(firsts + left, firsts + right) + across_.count;
  // One source row across, into a slot of the ring: its samples [low, high)
  // split into channels first, the edge repeated beyond the picture.
  std::vector<std::int32_t> channels(static_cast<std::size_t>(high - low) * 3);
  const auto across = [&](int row, std::int32_t* made) {
    const std::uint32_t* pixels = &source.pixels[static_cast<std::size_t>(row) * source.width];
    auto channel = channels.begin();
    for (int x = low; x < high; ++x) {
      const std::uint32_t pixel = pixels[Clamp(x, source.width)];
      *channel++ = static_cast<std::int32_t>((pixel >> 16) & 0xFF);
      *channel++ = static_cast<std::int32_t>((pixel >> 8) & 0xFF);
      *channel++ = static_cast<std::int32_t>(pixel & 0xFF);
    }
    AcrossRow(channels.data() - static_cast<std::ptrdiff_t>(low) * 3, &across_.first[left],
              &across_.weights[static_cast<std::size_t>(left) * across_.count], across_.count,
              right - left, made);
  };
  const int count = down_.count;
  std::vector<std::int32_t> ring(static_cast<std::size_t>(count) * columns * 3);
  std::vector<int> held(static_cast<std::size_t>(count), -1);
  std::vector<const std::int32_t*> rows(static_cast<std::size_t>(count));
  std::uint32_t* out = result.pixels.data();
  for (int y = top; y < bottom; ++y) {
    const std::int32_t* weight = &down_.weights[static_cast<std::size_t>(y) * count];
    for (int k = 0; k < count; ++k) {
      // The rows one result row reads are consecutive, so none share a slot.
      const int from = Clamp(down_.first[y] + k, source.height);
      const auto slot = static_cast<std::size_t>(from % count);
      std::int32_t* made = &ring[slot * columns * 3];
      if (held[slot] != from) {
        across(from, made);
        held[slot] = from;
      }
      rows[static_cast<std::size_t>(k)] = made;
    }
    DownRow(weight, rows.data(), count, columns, out);
    out += columns;
  }
  return result;
}

std::pair<int, int> Resampler::Reach(const Axis& axis, int begin, int end) {
  int first = axis.to, last = 0;
  for (int i = 0; i < axis.to; ++i) {
    for (int k = 0; k < axis.count; ++k) {
      const int from = Clamp(axis.first[i] + k, axis.from);
      if (axis.weights[static_cast<std::size_t>(i) * axis.count + k] != 0 && from >= begin &&
          from < end) {
        first = std::min(first, i);
        last = i + 1;
      }
    }
  }
  return {first, last};
}

Rect Resampler::Reached(const Rect& source_area) const {
  const auto [left, right] = Reach(across_, source_area.left, source_area.right);
  const auto [top, bottom] = Reach(down_, source_area.top, source_area.bottom);
  if (left >= right || top >= bottom) return {};
  return {left, top, right, bottom};
}

PixelImage Resample(const PixelImage& source, int width, int height) {
  return Resampler(source.width, source.height, width, height).Resample(source);
}

}  // namespace tickbomb::forms
