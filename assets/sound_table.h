// The program's sounds, one line each: the name the code plays it by, its
// resource id (type "WAVE", language Japanese), its file under assets/ and
// its role. Start-up loads them in this order and warms them up in the
// reverse order. The resource script, the sound bank (app/module1.h), the
// asset generator (tools/assets/sounds.py) and the tests all read this table:
// a sound is added or changed here alone (and its synthesis in the generator).
// Kept free of any Windows header so that the native build can include it too.
#ifndef TICKBOMB_ASSETS_SOUND_TABLE_H
#define TICKBOMB_ASSETS_SOUND_TABLE_H

// SOUND(name, id, file, role)
#define TICKBOMB_SOUNDS(SOUND)                             \
  SOUND(IDW_EXPLOSION, 101, "sounds/101.wav", explosion)   \
  SOUND(IDW_ONE, 102, "sounds/102.wav", warning_one)       \
  SOUND(IDW_TWO, 103, "sounds/103.wav", warning_two)       \
  SOUND(IDW_THREE, 104, "sounds/104.wav", warning_three)   \
  SOUND(IDW_FANFARE, 105, "sounds/105.wav", start_and_end) \
  SOUND(IDW_TICK, 106, "sounds/106.wav", tick)

#if defined(__cplusplus) && !defined(RC_INVOKED)
#include <cstddef>
#include <iterator>

namespace tickbomb {

// One line of the table, for C++.
struct SoundEntry {
  int id;
  const char* file;  // under assets/
  const char* role;
};
inline constexpr SoundEntry kSounds[] = {
#define TICKBOMB_SOUND_ENTRY(name, id, file, role) {id, file, #role},
    TICKBOMB_SOUNDS(TICKBOMB_SOUND_ENTRY)
#undef TICKBOMB_SOUND_ENTRY
};
inline constexpr std::size_t kSoundCount = std::size(kSounds);

}  // namespace tickbomb
#endif

#endif
