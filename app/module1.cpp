#include "app/module1.h"

#include <utility>

#include "app/forms/runtime_error.h"

namespace tickbomb {

void SoundBank::Replace(Arrays fresh) {
  bool loaded = false;
  for (const WaveArray& wave : current_) loaded = loaded || !wave.empty();
  if (loaded) retired_.push_back(std::move(current_));
  while (retired_.size() > 1) retired_.pop_front();
  current_ = std::move(fresh);
}

const WaveArray& SoundBank::Wave(int id) const {
  for (std::size_t i = 0; i < kSoundCount; ++i) {
    if (kSounds[i].id == id) return current_[i];
  }
  forms::Raise(forms::kErrSubscriptOutOfRange);
}

void PlayWave(WindowsApi& windows, const WaveArray& wave, std::uint32_t flags) {
  if (wave.empty()) forms::Raise(forms::kErrSubscriptOutOfRange);
  windows.PlaySoundA(wave.data(), Hmodule{}, flags);
}

}  // namespace tickbomb
