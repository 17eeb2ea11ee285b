"""The bomb's two hand cursors and the application icon.

The hand is drawn pixel by pixel in art/hand.txt.  Cursor 102 is the same
hand with the index finger 3 pixels shorter; both share the hot spot at
the top-left of the raised finger of cursor 101, so the finger seems to
press down while the click point stays put.

The icon is the mascot's face, drawn pixel by pixel in art/icon.txt on the
standard 16-colour palette.
"""

import os

import numpy as np

from formats import (
    cursor_file,
    cursor_group,
    cursor_resource,
    icon_dib_16,
    icon_file,
    icon_group,
    mono_pointer_dib,
)

ART = os.path.join(os.path.dirname(os.path.abspath(__file__)), "art")

CURSOR_SIZE = 32
HOT_SPOT = (13, 9)
FINGER_TIP_ROW = 9
PRESSED_DROP = 3

ICON_SIZE = 32
ICON_TRANSPARENT_PIXELS = 116

FINGER_LEFT, FINGER_RIGHT = 12, 16  # the raised finger's columns, outline included
TIP_ROWS = 2  # the rounded tip: the rows that move when the finger is pressed


def read_pixel_map(name, size):
    """The rows of a pixel map in art/, without its comment lines."""
    with open(os.path.join(ART, name), encoding="ascii") as f:
        rows = [line.rstrip("\n") for line in f if not line.startswith("#")]
    if len(rows) != size or any(len(row) != size for row in rows):
        raise ValueError(f"{name} must hold {size} rows of {size} pixels")
    return np.array([list(row) for row in rows])


def hand(pressed: bool):
    """(white, transparent) boolean 32 x 32 arrays of the pointing hand."""
    pixels = read_pixel_map("hand.txt", CURSOR_SIZE)
    if pressed:
        raised = pixels.copy()
        tip = slice(FINGER_TIP_ROW, FINGER_TIP_ROW + TIP_ROWS)
        lowered = slice(FINGER_TIP_ROW + PRESSED_DROP, FINGER_TIP_ROW + PRESSED_DROP + TIP_ROWS)
        columns = slice(FINGER_LEFT, FINGER_RIGHT + 1)
        pixels[FINGER_TIP_ROW : FINGER_TIP_ROW + PRESSED_DROP] = "."
        pixels[lowered, columns] = raised[tip, columns]
    return pixels == "W", pixels == "."


def build_cursors():
    """{file name: bytes} for both cursors: resource data and .cur files."""
    files = {}
    for image_id, group_id, pressed in ((1, 101, False), (2, 102, True)):
        white, transparent = hand(pressed)
        dib = mono_pointer_dib(white, transparent)
        resource = cursor_resource(HOT_SPOT, dib)
        files[f"cursor{image_id}.bin"] = resource
        files[f"group{group_id}.bin"] = cursor_group(CURSOR_SIZE, CURSOR_SIZE, 1, len(resource), image_id)
        files[f"{group_id}.cur"] = cursor_file(CURSOR_SIZE, CURSOR_SIZE, HOT_SPOT, dib)
    return files


# icon.txt's colour letters, in the order of the standard palette
ICON_KEYS = "KDGONPTSARLYBMCW"


def icon_pixels():
    """(indices, transparent) of the 32 x 32 icon drawn in art/icon.txt."""
    pixels = read_pixel_map("icon.txt", ICON_SIZE)
    transparent = pixels == "."
    indices = np.vectorize(lambda c: 0 if c == "." else ICON_KEYS.index(c))(pixels).astype(np.uint8)
    if int(transparent.sum()) != ICON_TRANSPARENT_PIXELS:
        raise ValueError(f"icon.txt has {int(transparent.sum())} transparent pixels, not {ICON_TRANSPARENT_PIXELS}")
    return indices, transparent


def build_icon():
    """{file name: bytes}: the RT_ICON image, its group and the .ico file."""
    indices, transparent = icon_pixels()
    dib = icon_dib_16(indices, transparent)
    return {
        "icon30001.bin": dib,
        "group1.bin": icon_group(ICON_SIZE, ICON_SIZE, 16, 4, len(dib), 30001),
        "tickbomb.ico": icon_file(ICON_SIZE, ICON_SIZE, 16, 4, dib),
    }
