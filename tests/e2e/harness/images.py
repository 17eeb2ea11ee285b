"""Pixel checks on screenshots, and the committed pictures they are compared with."""

import os
import re

import numpy as np
from PIL import Image

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))


def pixels(image):
    """An image as an int array of shape (height, width, 3)."""
    return np.asarray(image.convert("RGB"), dtype=np.int16)


def crop(image, box):
    """`box` = (left, top, right, bottom), right and bottom exclusive."""
    return image.crop(tuple(int(v) for v in box))


def colour_mask(image, colour, tolerance=0):
    """True where every channel is within `tolerance` of `colour`."""
    diff = np.abs(pixels(image) - np.array(colour, dtype=np.int16))
    return (diff <= tolerance).all(axis=2)


def count_colour(image, colour, tolerance=0):
    return int(colour_mask(image, colour, tolerance).sum())


def all_colour(image, colour, tolerance=0):
    """True if every pixel of `image` has `colour` (an empty image counts as False)."""
    mask = colour_mask(image, colour, tolerance)
    return mask.size > 0 and bool(mask.all())


def difference(a, b):
    """(largest channel difference, fraction of pixels that differ at all) of two same-size images."""
    pa, pb = pixels(a), pixels(b)
    if pa.shape != pb.shape:
        raise ValueError("sizes differ: %s and %s" % (a.size, b.size))
    diff = np.abs(pa - pb).max(axis=2)
    return int(diff.max()), float((diff > 0).mean())


def perceptual_distance(a, b, mask=None):
    """(mean, 99th percentile, worst) colour difference of two same-size images, delta E in
    CIELAB after a blur of 1.5 pixels (two ditherings of one colour count as that colour:
    tests/assets/picture_distance.py); only where `mask` is True, if given."""
    import sys
    sys.path.insert(0, os.path.join(REPO, "tests", "assets"))
    from picture_distance import lab
    delta = np.sqrt(((lab(a) - lab(b)) ** 2).sum(axis=-1))
    if mask is not None:
        delta = delta[mask]
    return float(delta.mean()), float(np.percentile(delta, 99)), float(delta.max())


def changed_to(shot, reference, colour, tolerance=0):
    """Pixels of `shot` that have `colour` where `reference` (the bare picture) has another one."""
    now = colour_mask(shot, colour, tolerance)
    before = colour_mask(reference, colour, tolerance)
    return int((now & ~before).sum())


def distinct_colours(image):
    return {tuple(int(c) for c in p) for p in pixels(image).reshape(-1, 3)}


def sound_table():
    """[(name, id, file under assets/, role)] of assets/sound_table.h, in its order."""
    with open(os.path.join(REPO, "assets", "sound_table.h"), encoding="utf-8") as f:
        text = f.read()
    return [(name, int(ident), file, role) for name, ident, file, role in
            re.findall(r'SOUND\((\w+),\s*(\d+),\s*"([^"]+)",\s*(\w+)\)', text)]


def resource_file(resource):
    """The file that the resource script embeds for `resource` (a name such as IDB_BOMB or an id).

    Reads the sound table and the .rc scripts under assets/, so the tests
    compare with exactly the file that goes into the program.
    """
    assets = os.path.join(REPO, "assets")
    for name, ident, file, _role in sound_table():
        if str(resource) in (name, str(ident)):
            return os.path.normpath(os.path.join(assets, file))
    line = re.compile(r'^\s*(\S+)\s+\S+\s+(?:\S+\s+)*"([^"]+)"')  # NAME TYPE [options] "file"
    for root, _dirs, files in os.walk(assets):
        for name in sorted(files):
            if not name.lower().endswith(".rc"):
                continue
            with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                for text in f:
                    m = line.match(text)
                    if m and m.group(1) == str(resource):
                        relative = m.group(2).replace("\\\\", "/").replace("\\", "/")
                        return os.path.normpath(os.path.join(root, relative))
    raise FileNotFoundError("no resource %s in the .rc scripts under %s" % (resource, assets))


def load_picture(resource):
    """A committed picture (by resource name, e.g. IDB_BOMB) as an RGB image."""
    return Image.open(resource_file(resource)).convert("RGB")
