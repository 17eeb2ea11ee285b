// Module1's sound bank: the arrays a sound may still be playing from are kept
// across one reload, and an id outside the sound table is a subscript error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/forms/runtime_error.h"
#include "app/module1.h"
#include "tests/unit/form1_fixture.h"

namespace tickbomb::testing {
namespace {

SoundBank::Arrays Bank(std::uint8_t fill) {
  SoundBank::Arrays bank;
  for (std::size_t i = 0; i < bank.size(); ++i) bank[i] = WaveArray(4000 + i * 100, fill);
  return bank;
}

// Allocates and scribbles over blocks of the given sizes, so that freed
// memory of those sizes would be handed out and overwritten.
void Churn(const std::vector<std::size_t>& sizes) {
  std::vector<WaveArray> blocks;
  for (int round = 0; round < 8; ++round) {
    for (std::size_t size : sizes) blocks.emplace_back(size, 0x55);
  }
}

// A bank after the first load, every byte of its arrays 0x11.
class SoundBankTest : public ::testing::Test {
 protected:
  void SetUp() override { bank.Replace(Bank(0x11)); }
  SoundBank bank;
};

TEST_F(SoundBankTest, TheRetiredBankStaysUntouchedAcrossOneReplace) {
  EXPECT_EQ(bank.RetiredBanks(), 0U);  // nothing to retire at the first load
  std::vector<const std::uint8_t*> first;
  std::vector<std::size_t> sizes;
  for (const SoundEntry& sound : kSounds) {
    first.push_back(bank.Wave(sound.id).data());
    sizes.push_back(bank.Wave(sound.id).size());
  }

  bank.Replace(Bank(0x22));
  Churn(sizes);
  for (std::size_t i = 0; i < kSoundCount; ++i) {
    const int id = kSounds[i].id;
    EXPECT_NE(bank.Wave(id).data(), first[i]);
    EXPECT_EQ(bank.Wave(id).front(), 0x22);
    // Under AddressSanitizer a freed array would be reported right here.
    EXPECT_TRUE(
        std::all_of(first[i], first[i] + sizes[i], [](std::uint8_t b) { return b == 0x11; }))
        << "array " << id << " of the retired bank changed";
  }
  EXPECT_EQ(bank.RetiredBanks(), 1U);

  std::vector<const std::uint8_t*> second;
  for (const SoundEntry& sound : kSounds) second.push_back(bank.Wave(sound.id).data());
  bank.Replace(Bank(0x33));
  Churn(sizes);
  EXPECT_EQ(bank.RetiredBanks(), 1U) << "the oldest bank is let go";
  for (std::size_t i = 0; i < kSoundCount; ++i) {
    EXPECT_TRUE(
        std::all_of(second[i], second[i] + sizes[i], [](std::uint8_t b) { return b == 0x22; }));
  }
  for (int round = 0; round < 5; ++round) bank.Replace(Bank(0x44));
  EXPECT_EQ(bank.RetiredBanks(), 1U);
}

TEST_F(SoundBankTest, AnIdOutsideTheBankIsASubscriptError) {
  for (int id : {100, 107, 0, -101}) {
    EXPECT_EQ(RaisedBy([&] { (void)bank.Wave(id); }), forms::kErrSubscriptOutOfRange) << id;
  }
}

// A sound started by the last start-up may still be playing when a re-open
// replaces the arrays: it must go on reading live, unchanged bytes.
TEST_F(Form1Test, AReopenKeepsTheArraysTheLastStartUpPlayedFrom) {
  LoadForm();
  std::vector<const std::uint8_t*> before = platform.PlayedBuffers();
  ASSERT_EQ(before.size(), 7U);
  std::vector<std::size_t> sizes;
  for (const SoundEntry& sound : kSounds) sizes.push_back(SyntheticWave(sound.id).size());

  for (int reopen = 0; reopen < 3; ++reopen) {
    platform.ClearCalls();
    form.OnKeyDown(forms::kVkDown, 0, false);  // None -> Left: re-open
    ASSERT_TRUE(form.IsLoaded());
    Churn(sizes);
    const std::vector<const std::uint8_t*> after = platform.PlayedBuffers();
    ASSERT_EQ(after.size(), 7U);
    const int ids[] = {106, 105, 104, 103, 102, 101, 105};
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(std::count(after.begin(), after.end(), before[static_cast<std::size_t>(i)]), 0)
          << "the new start-up plays from fresh arrays";
      const std::vector<std::uint8_t> expected = SyntheticWave(ids[i]);
      EXPECT_EQ(std::memcmp(before[static_cast<std::size_t>(i)], expected.data(), expected.size()),
                0)
          << "wave " << ids[i] << " of the previous start-up is gone";
    }
    EXPECT_EQ(module.Waves.RetiredBanks(), 1U);
    before = after;
  }
}

}  // namespace
}  // namespace tickbomb::testing
