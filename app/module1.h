// Program-level state, shared by the form's handlers and outliving the form's
// window: the countdown, the shutdown choice and the sound bank.
#ifndef TICKBOMB_APP_MODULE1_H
#define TICKBOMB_APP_MODULE1_H

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "app/seam/windows_api.h"
#include "assets/sound_table.h"

namespace tickbomb {

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

inline constexpr std::uint32_t kPlayAsync =
    win::SND_ASYNC | win::SND_NODEFAULT | win::SND_MEMORY;                        // 7
inline constexpr std::uint32_t kPlaySync = win::SND_NODEFAULT | win::SND_MEMORY;  // 6

using WaveArray = std::vector<std::uint8_t>;

// The sounds, each the whole bytes of its WAVE resource. A sound started
// asynchronously goes on reading its array after the call returns, so a
// reload never frees the arrays it replaces at once: the bank it retires is
// kept until the next reload. By then every sound started from it has been
// cut off by many later requests (each start-up alone makes seven).
class SoundBank {
 public:
  using Arrays = std::array<WaveArray, kSoundCount>;  // in the sound table's order

  void Replace(Arrays fresh);
  // The array of sound `id`; raises "Subscript out of range" for an id that
  // is not in the table.
  const WaveArray& Wave(int id) const;
  std::size_t RetiredBanks() const { return retired_.size(); }

 private:
  Arrays current_;
  std::deque<Arrays> retired_;
};

// Plays a sound bank array from memory; raises "Subscript out of range" if
// the array has no element 0.
void PlayWave(WindowsApi& windows, const WaveArray& wave, std::uint32_t flags);

struct Module1 {
  std::int16_t TickCount = 0;
  SoundBank Waves;
  std::uint32_t DefaultExitFlags = 0;
  std::uint32_t ExitFlags = 0;
  std::int16_t KeysArmed = kFalse;
  Hrgn FormRegion{};
};

}  // namespace tickbomb

#endif
