// Resource identifiers shared by the resource script and the program.
// Kept free of any Windows header so that the native build can include it too.
#ifndef TICKBOMB_ASSETS_RESOURCE_IDS_H
#define TICKBOMB_ASSETS_RESOURCE_IDS_H

// Sounds: resource type "WAVE", language Japanese (0x0411).
#define IDW_EXPLOSION 101  // Wave101: the explosion
#define IDW_ONE 102        // Wave102: warning with the digit 1
#define IDW_TWO 103        // Wave103: warning with the digit 2
#define IDW_THREE 104      // Wave104: warning with the digit 3
#define IDW_FANFARE 105    // Wave105: start and end sound
#define IDW_TICK 106       // Wave106: the once-a-second tick

// Cursor groups (language Japanese); each holds one image.
#define IDC_FINGER_UP 101       // image 1
#define IDC_FINGER_PRESSED 102  // image 2

// Application icon group and its one image.
#define IDI_APP 1
#define IDI_APP_IMAGE 30001

// Pictures (BITMAP resources).
#define IDB_SCENE 201        // Form1.Picture: the night-sky scene, 425 x 397, 24 bits
#define IDB_BOMB 202         // Image1.Picture at creation: unlit fuse, 65 x 95, 8 bits
#define IDB_BOMB_LIT 203     // Image2(0): spark at the fuse, 65 x 95, 8 bits
#define IDB_BOMB_SHORT 204   // Image2(1): smaller bomb, short fuse, 65 x 95, 8 bits
#define IDB_BIG_BOMB 205     // Image2(2): full-window big bomb, 425 x 397, 8 bits
#define IDB_EXPLOSION 206    // Image2(3): full-window explosion, 425 x 397, 8 bits

#endif
