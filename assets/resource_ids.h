// Resource identifiers shared by the resource script and the program.
// Kept free of any Windows header so that the native build can include it too.
#ifndef TICKBOMB_ASSETS_RESOURCE_IDS_H
#define TICKBOMB_ASSETS_RESOURCE_IDS_H

#include "sound_table.h"

#ifndef RC_INVOKED
// The sounds by name (IDW_EXPLOSION, ... IDW_TICK), from the sound table.
enum SoundId : int {
#define TICKBOMB_SOUND_ID(name, id, file, role) name = (id),
  TICKBOMB_SOUNDS(TICKBOMB_SOUND_ID)
#undef TICKBOMB_SOUND_ID
};
#endif

// Cursor groups (language Japanese); each holds one image.
#define IDC_FINGER_UP 101       // image 1
#define IDC_FINGER_PRESSED 102  // image 2

// Application icon group and its one image.
#define IDI_APP 1
#define IDI_APP_IMAGE 30001

// Pictures (BITMAP resources).
#define IDB_SCENE 201       // Form1.Picture: the night-sky scene, 425 x 397, 24 bits
#define IDB_BOMB 202        // Image1.Picture at creation: unlit fuse, 65 x 95, 8 bits
#define IDB_BOMB_LIT 203    // Image2(0): spark at the fuse, 65 x 95, 8 bits
#define IDB_BOMB_SHORT 204  // Image2(1): smaller bomb, short fuse, 65 x 95, 8 bits
#define IDB_BIG_BOMB 205    // Image2(2): full-window big bomb, 425 x 397, 8 bits
#define IDB_EXPLOSION 206   // Image2(3): full-window explosion, 425 x 397, 8 bits

#endif
