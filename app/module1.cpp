#include "app/module1.h"

#include <utility>

#include "app/forms/runtime_error.h"

namespace tickbomb {

void SoundBank::Replace(std::array<WaveArray, kCount> fresh) {
  bool loaded = false;
  for (const WaveArray& wave : current_) loaded = loaded || !wave.empty();
  if (loaded) retired_.push_back(std::move(current_));
  while (retired_.size() > 1) retired_.pop_front();
  current_ = std::move(fresh);
}

const WaveArray& SoundBank::Wave(int id) const {
  if (id < kFirstId || id >= kFirstId + kCount) forms::Raise(forms::kErrSubscriptOutOfRange);
  return current_[static_cast<std::size_t>(id - kFirstId)];
}

void PlayWave(Platform& platform, const WaveArray& wave, std::uint32_t flags) {
  if (wave.empty()) forms::Raise(forms::kErrSubscriptOutOfRange);
  platform.PlaySoundA(wave.data(), 0, flags);
}

}  // namespace tickbomb
