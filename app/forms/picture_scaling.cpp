#include "app/forms/picture_scaling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace tickbomb::forms {

namespace {

// Catmull-Rom: the cubic through the neighbouring samples (B = 0, C = 1/2).
double CatmullRom(double x) {
  x = std::fabs(x);
  if (x < 1) return 1.5 * x * x * x - 2.5 * x * x + 1;
  if (x < 2) return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
  return 0;
}

// Which source samples make one result sample along one axis, and how much.
struct Taps {
  int first = 0;
  std::vector<double> weights;
};

// The taps of every result sample when `from` samples become `to`, the
// sample centres lined up (result sample i sits at source (i + 0.5) x from /
// to - 0.5). Shrinking widens the filter so that every source sample counts.
std::vector<Taps> TapsFor(int from, int to) {
  const double ratio = static_cast<double>(from) / to;
  const double widen = std::max(1.0, ratio);
  const double support = 2 * widen;
  std::vector<Taps> all(static_cast<std::size_t>(to));
  for (int i = 0; i < to; ++i) {
    const double centre = (i + 0.5) * ratio - 0.5;
    const int first = static_cast<int>(std::floor(centre - support)) + 1;
    const int last = static_cast<int>(std::ceil(centre + support)) - 1;
    Taps& taps = all[static_cast<std::size_t>(i)];
    taps.first = first;
    const int count = last - first + 1;
    taps.weights.resize(static_cast<std::size_t>(count));
    int s = first;
    std::generate(taps.weights.begin(), taps.weights.end(),
                  [&] { return CatmullRom((s++ - centre) / widen); });
    const double sum = std::accumulate(taps.weights.begin(), taps.weights.end(), 0.0);
    std::transform(taps.weights.begin(), taps.weights.end(), taps.weights.begin(),
                   [sum](double w) { return w / sum; });
  }
  return all;
}

// Samples beyond the picture's edge repeat the edge.
int Clamp(int index, int size) { return std::clamp(index, 0, size - 1); }

using Channels = std::array<double, 3>;

Channels Split(std::uint32_t pixel) {
  return {static_cast<double>((pixel >> 16) & 0xFF), static_cast<double>((pixel >> 8) & 0xFF),
          static_cast<double>(pixel & 0xFF)};
}

std::uint32_t Join(const Channels& c) {
  return std::accumulate(c.begin(), c.end(), std::uint32_t{0}, [](std::uint32_t pixel, double v) {
    return (pixel << 8) | static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
  });
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

PixelImage Resample(const PixelImage& source, int width, int height) {
  // Across first, at the source's height, then down; the channels as doubles
  // in between, so nothing is rounded twice.
  const std::vector<Taps> across = TapsFor(source.width, width);
  const std::vector<Taps> down = TapsFor(source.height, height);
  std::vector<Channels> wide(static_cast<std::size_t>(width) * source.height);
  for (int y = 0; y < source.height; ++y) {
    const std::uint32_t* row = &source.pixels[static_cast<std::size_t>(y) * source.width];
    for (int x = 0; x < width; ++x) {
      const Taps& taps = across[static_cast<std::size_t>(x)];
      Channels sum{};
      for (std::size_t k = 0; k < taps.weights.size(); ++k) {
        const Channels c = Split(row[Clamp(taps.first + static_cast<int>(k), source.width)]);
        for (int ch = 0; ch < 3; ++ch) sum[ch] += taps.weights[k] * c[ch];
      }
      wide[static_cast<std::size_t>(y) * width + x] = sum;
    }
  }
  PixelImage result{width, height,
                    std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    const Taps& taps = down[static_cast<std::size_t>(y)];
    for (int x = 0; x < width; ++x) {
      Channels sum{};
      for (std::size_t k = 0; k < taps.weights.size(); ++k) {
        const int from = Clamp(taps.first + static_cast<int>(k), source.height);
        const Channels& c = wide[static_cast<std::size_t>(from) * width + x];
        for (int ch = 0; ch < 3; ++ch) sum[ch] += taps.weights[k] * c[ch];
      }
      result.pixels[static_cast<std::size_t>(y) * width + x] = Join(sum);
    }
  }
  return result;
}

}  // namespace tickbomb::forms
