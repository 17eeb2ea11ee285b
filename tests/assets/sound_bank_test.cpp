// The six WAVE resources: byte layout and the level and shape of each sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "asset_files.h"
#include "assets/sound_table.h"

using namespace assets_test;

namespace {

struct SoundRow {
  int id;
  std::size_t file_size;
  std::uint32_t samples;
  std::optional<std::uint16_t> extra_format_size;  // none: 16-byte "fmt " chunk
  std::size_t trailing_zeros;
  int peak;  // largest distance from silence (128)
};

const SoundRow kBank[] = {
    {101, 7696, 7638, 37, 0, 128}, {102, 4316, 4258, 37, 0, 47},
    {103, 4368, 4307, 37, 2, 34},  {104, 4476, 4415, 37, 2, 114},
    {105, 16064, 16006, 0, 0, 86}, {106, 384, 326, std::nullopt, 2, 128},
};

constexpr double kRate = 22050.0;

// The file of sound `id`, as the sound table names it.
Bytes wave(int id) {
  for (const tickbomb::SoundEntry& sound : tickbomb::kSounds) {
    if (sound.id == id) return read_asset(sound.file);
  }
  throw std::runtime_error("sound " + std::to_string(id) + " is not in the sound table");
}

std::size_t data_offset(const SoundRow& row) { return row.extra_format_size ? 58 : 56; }

std::vector<int> levels(int id) {
  const SoundRow& row = *std::find_if(std::begin(kBank), std::end(kBank),
                                      [id](const SoundRow& r) { return r.id == id; });
  const Bytes b = wave(id);
  std::vector<int> out;
  for (std::uint32_t i = 0; i < row.samples; ++i)
    out.push_back(std::abs(b[data_offset(row) + i] - 128));
  return out;
}

// Peak level in [from_ms, to_ms).
int peak_between(const std::vector<int>& level, double from_ms, double to_ms) {
  const auto first = static_cast<std::size_t>(from_ms * kRate / 1000);
  const auto last = std::min(level.size(), static_cast<std::size_t>(to_ms * kRate / 1000));
  int peak = 0;
  for (std::size_t i = first; i < last; ++i) peak = std::max(peak, level[i]);
  return peak;
}

void PrintTo(const SoundRow& row, std::ostream* os) { *os << "sound " << row.id; }

class SoundFile : public testing::TestWithParam<SoundRow> {};

TEST_P(SoundFile, HasTheRiffLayoutOfItsRow) {
  const SoundRow& row = GetParam();
  const Bytes b = wave(row.id);
  ASSERT_EQ(b.size(), row.file_size);
  const std::size_t fmt_length = row.extra_format_size ? 18 : 16;
  const std::size_t riff_end = b.size() - row.trailing_zeros;

  EXPECT_EQ(tag(b, 0), "RIFF");
  EXPECT_EQ(u32(b, 4), riff_end - 8);
  EXPECT_EQ(tag(b, 8), "WAVE");
  EXPECT_EQ(tag(b, 12), "fmt ");
  EXPECT_EQ(u32(b, 16), fmt_length);
  EXPECT_EQ(u16(b, 20), 1);      // PCM
  EXPECT_EQ(u16(b, 22), 1);      // mono
  EXPECT_EQ(u32(b, 24), 22050);  // samples per second
  EXPECT_EQ(u32(b, 28), 22050);  // bytes per second
  EXPECT_EQ(u16(b, 32), 1);      // block align
  EXPECT_EQ(u16(b, 34), 8);      // bits per sample
  if (row.extra_format_size) {
    EXPECT_EQ(u16(b, 36), *row.extra_format_size);
  }

  const std::size_t fact = 20 + fmt_length;
  EXPECT_EQ(tag(b, fact), "fact");
  EXPECT_EQ(u32(b, fact + 4), 4);
  EXPECT_EQ(u32(b, fact + 8), row.samples);
  EXPECT_EQ(tag(b, fact + 12), "data");
  EXPECT_EQ(u32(b, fact + 16), row.samples);
  ASSERT_EQ(data_offset(row), fact + 20);

  const std::size_t pad = row.samples % 2;
  EXPECT_EQ(data_offset(row) + row.samples + pad, riff_end)
      << "data, then the pad byte, ends the RIFF chunk";
  if (pad) {
    EXPECT_EQ(b[riff_end - 1], 0) << "pad byte";
  }
  for (std::size_t i = riff_end; i < b.size(); ++i) EXPECT_EQ(b[i], 0) << "trailing byte " << i;
}

TEST_P(SoundFile, ReachesItsPeakLevelAndStartsAndEndsInSilence) {
  const SoundRow& row = GetParam();
  const std::vector<int> level = levels(row.id);
  EXPECT_EQ(*std::max_element(level.begin(), level.end()), row.peak);
  EXPECT_EQ(level.front(), 0);
  EXPECT_EQ(level.back(), 0);

  const Bytes b = wave(row.id);
  double sum = 0;
  for (std::uint32_t i = 0; i < row.samples; ++i) sum += b[data_offset(row) + i] - 128.0;
  EXPECT_LT(std::abs(sum / row.samples), 0.5) << "DC offset";
}

TEST(SoundTable, HasARowHereForEverySoundAndNoOther) {
  std::vector<int> table, rows;
  for (const tickbomb::SoundEntry& sound : tickbomb::kSounds) table.push_back(sound.id);
  for (const SoundRow& row : kBank) rows.push_back(row.id);
  EXPECT_EQ(table, rows);
}

INSTANTIATE_TEST_SUITE_P(Bank, SoundFile, testing::ValuesIn(kBank),
                         [](const auto& info) { return "Wave" + std::to_string(info.param.id); });

TEST(SoundShapes, ExplosionPeaksBetween60And100MsAndDiesAway) {
  const std::vector<int> level = levels(101);
  const auto loudest = std::max_element(level.begin(), level.end()) - level.begin();
  const double at_ms = static_cast<double>(loudest) * 1000 / kRate;
  EXPECT_GE(at_ms, 60);
  EXPECT_LE(at_ms, 100);
  EXPECT_LT(peak_between(level, 250, 300), 64);
  EXPECT_LT(peak_between(level, 320, 347), 16);
}

TEST(SoundShapes, WarningOneSwellsFor100MsThenIsSilent) {
  const std::vector<int> level = levels(102);
  EXPECT_LT(peak_between(level, 0, 30), peak_between(level, 60, 80));
  EXPECT_LT(peak_between(level, 60, 80), peak_between(level, 85, 105));
  EXPECT_EQ(peak_between(level, 110, 194), 0);
}

TEST(SoundShapes, WarningTwoIsEvenThenFadesOut) {
  const std::vector<int> level = levels(103);
  for (double ms = 10; ms < 110; ms += 10)
    EXPECT_GE(peak_between(level, ms, ms + 10), 30) << ms << " ms";
  EXPECT_LT(peak_between(level, 170, 196), 17);
}

TEST(SoundShapes, WarningThreeIsEvenFor160Ms) {
  const std::vector<int> level = levels(104);
  for (double ms = 10; ms < 160; ms += 10)
    EXPECT_GE(peak_between(level, ms, ms + 10), 103) << ms << " ms";
  EXPECT_EQ(peak_between(level, 180, 201), 0);
}

TEST(SoundShapes, StartSoundIsEightFadingBursts85MsApart) {
  const std::vector<int> level = levels(105);
  int previous = 129;
  for (int k = 0; k < 8; ++k) {
    const double start = 85.0 * k;
    const int burst = peak_between(level, start, start + 20);
    const int gap = peak_between(level, start + 60, start + 83);
    EXPECT_LT(burst, previous) << "burst " << k;
    EXPECT_LT(gap * 2, burst) << "a quieter stretch after burst " << k;
    previous = burst;
  }
}

TEST(SoundShapes, TickIsOneSharpClickUnder10Ms) {
  const std::vector<int> level = levels(106);
  EXPECT_EQ(peak_between(level, 0, 1), 128);
  EXPECT_LT(peak_between(level, 8, 15), 13);
}

}  // namespace
