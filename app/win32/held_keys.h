// A message box that opens while the user holds a key down (Esc held through
// the Escape ending) is not closed by that key's auto-repeat: the boxes'
// message loops drop every key-down the keyboard repeats, so only a fresh
// press, or a click, closes them.
#ifndef TICKBOMB_APP_WIN32_HELD_KEYS_H
#define TICKBOMB_APP_WIN32_HELD_KEYS_H

namespace tickbomb::win32 {

// For the thread's message boxes, from now on. Call it before the first box.
void IgnoreHeldKeysInMessageBoxes();

}  // namespace tickbomb::win32

#endif
