#include "app/forms/random.h"

#include <cmath>

namespace tickbomb::forms {

namespace {
std::uint64_t SplitMix64(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}
}  // namespace

void Random::Randomize(double clock_ms) {
  if (!std::isfinite(clock_ms)) return;  // no reading to seed from: the sequence goes on
  const double microseconds = std::floor(std::fabs(clock_ms) * 1000.0);
  state_ = static_cast<std::uint64_t>(std::fmod(microseconds, 18446744073709551616.0));
  SplitMix64(state_);
}

float Random::Rnd() {
  // 24 random bits: every value is exact in single precision and below 1.
  return static_cast<float>(SplitMix64(state_) >> 40) * (1.0F / 16777216.0F);
}

}  // namespace tickbomb::forms
