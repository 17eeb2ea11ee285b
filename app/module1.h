// Program-level state, shared by the form's handlers and outliving the form's
// window: the countdown, the shutdown choice and the sound bank.
#ifndef TICKBOMB_APP_MODULE1_H
#define TICKBOMB_APP_MODULE1_H

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "app/platform.h"

namespace tickbomb {

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

inline constexpr std::uint32_t kPlayAsync = win::SND_ASYNC | win::SND_NODEFAULT | win::SND_MEMORY;  // 7
inline constexpr std::uint32_t kPlaySync = win::SND_NODEFAULT | win::SND_MEMORY;                   // 6

using WaveArray = std::vector<std::uint8_t>;

// The six sounds, each the whole bytes of its WAVE resource. A sound started
// asynchronously goes on reading its array after the call returns, so a
// reload never frees the arrays it replaces at once: the bank it retires is
// kept until the next reload. By then every sound started from it has been
// cut off by many later requests (each start-up alone makes seven).
class SoundBank {
 public:
  static constexpr int kFirstId = 101;
  static constexpr int kCount = 6;

  // Installs freshly loaded arrays for ids 101 ... 106.
  void Replace(std::array<WaveArray, kCount> fresh);
  const WaveArray& Wave(int id) const;  // 101 ... 106
  std::size_t RetiredBanks() const { return retired_.size(); }

 private:
  std::array<WaveArray, kCount> current_;
  std::deque<std::array<WaveArray, kCount>> retired_;
};

// Plays a sound bank array from memory; raises "Subscript out of range" if
// the array has no element 0.
void PlayWave(Platform& platform, const WaveArray& wave, std::uint32_t flags);

struct Module1 {
  std::int16_t TickCount = 0;
  SoundBank Waves;
  std::uint32_t DefaultExitFlags = 0;
  std::uint32_t ExitFlags = 0;
  std::int16_t KeysArmed = kFalse;
  std::uint32_t FormRegion = 0;
};

}  // namespace tickbomb

#endif
