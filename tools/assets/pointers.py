"""The bomb's two hand cursors and the application icon.

The hand is drawn pixel by pixel from the shapes below: a union of
rectangles gives its silhouette, the silhouette's border is black and its
inside white, and a few black lines mark the bent fingers and the cuff.
Cursor 102 is the same hand with the index finger 3 pixels shorter; both
share the hot spot at the top-left of the raised finger of cursor 101, so
the finger seems to press down while the click point stays put.

The icon is the mascot's face from art/icon.svg, rendered 8 times larger,
snapped to the standard 16 colours and reduced to 32 x 32 by taking the most
common colour of each 8 x 8 block; the 116 least covered blocks become the
transparent pixels.
"""

import io
import os
import subprocess

import numpy as np
from PIL import Image

from formats import (
    STANDARD_16,
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
ICON_SCALE = 8

# (x0, y0, x1, y1) inclusive pixel rectangles; the index finger's top row is
# filled in by hand() because it moves when the finger is pressed.
HAND_PARTS = [
    (16, 15, 19, 22),  # middle finger, bent
    (19, 16, 22, 22),  # ring finger, bent
    (22, 17, 25, 23),  # little finger, bent
    (9, 19, 25, 27),   # palm
    (7, 19, 10, 23),   # thumb
    (11, 27, 24, 31),  # cuff
]
# black lines inside the silhouette: (x0, y0, x1, y1) inclusive
HAND_LINES = [
    (16, 18, 16, 20),  # between index and middle finger
    (19, 18, 19, 20),  # between middle and ring finger
    (22, 19, 22, 21),  # between ring and little finger
    (11, 21, 11, 23),  # along the thumb
    (11, 27, 24, 27),  # the cuff's edge
]
FINGER_LEFT, FINGER_RIGHT = 12, 16


def hand(tip_row: int):
    """(white, transparent) boolean 32 x 32 arrays of the pointing hand."""
    inside = np.zeros((CURSOR_SIZE, CURSOR_SIZE), dtype=bool)
    # the raised index finger with a rounded tip
    inside[tip_row, FINGER_LEFT + 1 : FINGER_RIGHT] = True
    inside[tip_row + 1 : 24, FINGER_LEFT : FINGER_RIGHT + 1] = True
    for x0, y0, x1, y1 in HAND_PARTS:
        inside[y0 : y1 + 1, x0 : x1 + 1] = True
    padded = np.pad(inside, 1)
    border = inside & ~(
        padded[:-2, 1:-1] & padded[2:, 1:-1] & padded[1:-1, :-2] & padded[1:-1, 2:]
    )
    black = border.copy()
    for x0, y0, x1, y1 in HAND_LINES:
        black[y0 : y1 + 1, x0 : x1 + 1] = True
    # the finger's tip also closes with black across its top
    black &= inside
    white = inside & ~black
    return white, ~inside


def build_cursors():
    """{file name: bytes} for both cursors: resource data and .cur files."""
    files = {}
    for image_id, group_id, tip in ((1, 101, FINGER_TIP_ROW), (2, 102, FINGER_TIP_ROW + PRESSED_DROP)):
        white, transparent = hand(tip)
        dib = mono_pointer_dib(white, transparent)
        resource = cursor_resource(HOT_SPOT, dib)
        files[f"cursor{image_id}.bin"] = resource
        files[f"group{group_id}.bin"] = cursor_group(CURSOR_SIZE, CURSOR_SIZE, 1, len(resource), image_id)
        files[f"{group_id}.cur"] = cursor_file(CURSOR_SIZE, CURSOR_SIZE, HOT_SPOT, dib)
    return files


def render_icon_art() -> np.ndarray:
    size = ICON_SIZE * ICON_SCALE
    png = subprocess.run(
        ["rsvg-convert", "-w", str(size), "-h", str(size), os.path.join(ART, "icon.svg")],
        check=True,
        capture_output=True,
    ).stdout
    return np.asarray(Image.open(io.BytesIO(png)).convert("RGBA"))


def icon_pixels():
    """(indices, transparent) of the 32 x 32 icon."""
    art = render_icon_art().astype(int)
    colours = np.asarray(STANDARD_16)
    distance = ((art[..., None, :3] - colours) ** 2).sum(axis=-1)
    labels = np.argmin(distance, axis=-1)
    opaque = art[..., 3] >= 128
    n, s = ICON_SIZE, ICON_SCALE
    blocks_labels = labels.reshape(n, s, n, s).transpose(0, 2, 1, 3).reshape(n, n, s * s)
    blocks_opaque = opaque.reshape(n, s, n, s).transpose(0, 2, 1, 3).reshape(n, n, s * s)
    coverage = art[..., 3].reshape(n, s, n, s).sum(axis=(1, 3))
    # the least covered blocks are transparent; ties go in reading order
    order = np.lexsort((np.arange(n * n), coverage.ravel()))
    transparent = np.zeros(n * n, dtype=bool)
    transparent[order[:ICON_TRANSPARENT_PIXELS]] = True
    transparent = transparent.reshape(n, n)
    indices = np.zeros((n, n), dtype=np.uint8)
    for y in range(n):
        for x in range(n):
            if transparent[y, x]:
                continue
            votes = np.bincount(blocks_labels[y, x][blocks_opaque[y, x]], minlength=16)
            indices[y, x] = int(np.argmax(votes)) if votes.any() else 0
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
