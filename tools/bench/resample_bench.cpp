// How fast the form's pictures are resampled for a screen of another density,
// as ratios against the resampler the form had before (double precision,
// taps worked out on every call), which is kept below as the baseline and
// timed in the same run:
//
//   tools/bench/resample_bench.sh            natively, then the 32-bit .exe under Wine
//   tools/bench/resample_bench.sh windows    only the .exe (x87, -O2) under Wine
//   ROUNDS=40 tools/bench/resample_bench.sh  more batches of each (20 unless given)
//
// For a 425 x 397 picture at 100, 125, 150 and 200 %, in ms per picture and
// pictures per second: the old resampler; the first whole picture of a density
// (its taps worked out, then the picture); each later whole picture; and a
// bomb frame's area (65 x 95 at (18, 110), widened by kResampleReach, scaled).
// Also how far the new result is from the old one (the largest difference of
// a channel, and the share of channels not equal), whether the area is
// exactly that area of the whole, and a hash of the whole, the same natively
// and under Wine when both compute the same pixels. Each kind is timed in
// batches of about 50 ms, the kinds taking turns: the fastest batch's wall
// time, and the CPU time per picture over all batches. Other work on the
// machine slows both; the ratios within one run are what to compare.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "app/forms/picture_scaling.h"
#include "app/forms/screen_scale.h"

#ifdef _WIN32
#include <windows.h>

#include "app/win32/double_precision.h"
#else
#include <time.h>

#include <chrono>
#endif

namespace tickbomb::bench {

// ---- The baseline: the resampler as it was, unchanged.
namespace old {

double CatmullRom(double x) {
  x = std::fabs(x);
  if (x < 1) return 1.5 * x * x * x - 2.5 * x * x + 1;
  if (x < 2) return -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2;
  return 0;
}

struct Taps {
  int first = 0;
  std::vector<double> weights;
};

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

PixelImage Resample(const PixelImage& source, int width, int height) {
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

}  // namespace old

// ---- Measuring.

// The wall clock, and the CPU time of this thread (precise natively; in
// steps of 10 ms under Wine, which its sums over many batches smooth out).
double NowMilliseconds() {
#ifdef _WIN32
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
#else
  using std::chrono::steady_clock;
  return std::chrono::duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
#endif
}

double CpuMilliseconds() {
#ifdef _WIN32
  FILETIME created, ended, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
  const auto ticks = [](const FILETIME& t) {
    return static_cast<double>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 1e4;  // 100 ns ticks
#else
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
#endif
}

// Something the optimiser cannot drop: every result is folded into it.
std::uint32_t sink = 0;

struct Timing {
  double best_wall = 1e300;  // ms per call in the fastest batch
  double cpu = 0;            // ms of CPU per call over all batches
};

// Each kind timed in batches of about 50 ms, the kinds taking turns for
// `rounds` rounds, so that a burst of other work on the machine slows one
// batch and not one kind.
std::vector<Timing> MillisecondsPer(const std::vector<std::function<PixelImage()>>& kinds,
                                    int rounds) {
  std::vector<Timing> timings(kinds.size());
  std::vector<double> cpu(kinds.size(), 0);
  std::vector<int> calls(kinds.size(), 1), total(kinds.size(), 0);
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
      const double start = NowMilliseconds(), cpu_start = CpuMilliseconds();
      for (int i = 0; i < calls[kind]; ++i) sink ^= kinds[kind]().pixels.back();
      const double elapsed = NowMilliseconds() - start;
      cpu[kind] += CpuMilliseconds() - cpu_start;
      total[kind] += calls[kind];
      timings[kind].best_wall = std::min(timings[kind].best_wall, elapsed / calls[kind]);
      calls[kind] = std::max(1, static_cast<int>(50 / timings[kind].best_wall));
    }
  }
  for (std::size_t kind = 0; kind < kinds.size(); ++kind)
    timings[kind].cpu = cpu[kind] / total[kind];
  return timings;
}

// The art's kind of picture: flat areas with hard edges, and noise.
PixelImage TestPicture(int width, int height) {
  std::mt19937 random(425397);
  PixelImage picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool flat = ((x / 24) + (y / 16)) % 3 == 0;
      picture.pixels.push_back(flat ? 0x203060U + (static_cast<std::uint32_t>(x / 24) << 16)
                                    : random() & 0xFFFFFFU);
    }
  }
  return picture;
}

int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

void Row(const char* what, const Timing& t, const Timing& baseline) {
  std::printf("  %-33s %8.3f %9.1f x%7.2f  %8.3f %9.1f x%7.2f\n", what, t.best_wall,
              1000 / t.best_wall, baseline.best_wall / t.best_wall, t.cpu, 1000 / t.cpu,
              baseline.cpu / t.cpu);
}

int Run(int rounds) {
  const PixelImage source = TestPicture(425, 397);
  const Rect bomb{18 - forms::kResampleReach, 110 - forms::kResampleReach,
                  18 + 65 + forms::kResampleReach, 110 + 95 + forms::kResampleReach};
  bool all_identical = true;
  std::printf(
      "425 x 397 resampled; ratio = the old resampler's time / this time;\n"
      "wall: the fastest batch; CPU: this thread's CPU time over all batches\n");
  for (const int dpi : {96, 120, 144, 192}) {
    const forms::ScreenScale scale(dpi);
    const int width = scale.FromDesign(source.width), height = scale.FromDesign(source.height);
    const Rect area = scale.FromDesign(bomb);
    const forms::Resampler prepared(source.width, source.height, width, height);

    // How far from the old result, and whether an area is that area of the whole.
    const PixelImage before = old::Resample(source, width, height);
    const PixelImage whole = prepared.Resample(source);
    const PixelImage part = prepared.ResampleArea(source, area);
    int largest = 0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < whole.pixels.size(); ++i) {
      for (const int shift : {0, 8, 16}) {
        const int d = std::abs(Channel(whole.pixels[i], shift) - Channel(before.pixels[i], shift));
        largest = std::max(largest, d);
        differing += d != 0 ? 1 : 0;
      }
    }
    bool identical = part.width == area.right - area.left;
    for (int y = 0; identical && y < part.height; ++y) {
      identical = std::equal(part.pixels.begin() + static_cast<std::ptrdiff_t>(y) * part.width,
                             part.pixels.begin() + static_cast<std::ptrdiff_t>(y + 1) * part.width,
                             whole.pixels.begin() + (area.top + y) * width + area.left);
    }
    all_identical = all_identical && identical;

    std::printf("\n%d %% (%d DPI): %d x %d; bomb area %d x %d at (%d, %d)\n", dpi * 100 / 96, dpi,
                width, height, area.right - area.left, area.bottom - area.top, area.left, area.top);
    // The same hash natively and under Wine: the same pixels.
    const std::uint32_t hash = std::accumulate(
        whole.pixels.begin(), whole.pixels.end(), 2166136261U,
        [](std::uint32_t h, std::uint32_t pixel) { return (h ^ pixel) * 16777619U; });
    std::printf("  vs old: largest channel difference %d, %.3f %% of channels differ\n", largest,
                100.0 * static_cast<double>(differing) / (3.0 * whole.pixels.size()));
    std::printf("  the bomb area %s that area of the whole; the whole's hash %08x\n",
                identical ? "is exactly" : "DIFFERS FROM", static_cast<unsigned>(hash));
    std::printf("  %-33s %8s %9s %8s  %8s %9s %8s\n", "", "ms wall", "per s", "ratio", "ms CPU",
                "per s", "ratio");
    const std::vector<Timing> ms = MillisecondsPer(
        {[&] { return old::Resample(source, width, height); },
         [&] {
           return forms::Resampler(source.width, source.height, width, height).Resample(source);
         },
         [&] { return prepared.Resample(source); },
         [&] { return prepared.ResampleArea(source, area); }},
        rounds);
    Row("old, whole picture (baseline)", ms[0], ms[0]);
    Row("first whole picture (taps + all)", ms[1], ms[0]);
    Row("whole picture, prepared", ms[2], ms[0]);
    Row("bomb area, prepared", ms[3], ms[0]);
  }
  std::printf("\n(checksum %08x)\n", static_cast<unsigned>(sink));
  return all_identical ? 0 : 1;
}

}  // namespace tickbomb::bench

// resample_bench [ROUNDS]: each kind timed ROUNDS times (20 unless given).
int main(int argc, char** argv) {
#ifdef _WIN32
  tickbomb::win32::UseDoublePrecision();  // as tickbomb.exe starts
#endif
  return tickbomb::bench::Run(argc > 1 ? std::max(1, std::atoi(argv[1])) : 20);
}
