#!/usr/bin/python3
"""Whether regenerated pictures look like the committed ones.

    picture_distance.py COMMITTED_ASSETS_DIR REGENERATED_DIR

For each picture: the same BMP headers (file and info header: size, bit depth,
palette count, ...) as the committed file, and a small perceptual distance.
Both pictures are blurred a little (a Gaussian of radius 1.5 pixels, so that
two ditherings of the same colour count as the same) and compared in CIELAB:
the colour difference (delta E 1976, where about 2.3 is just noticeable) may
be 1.5 on average, 10 at the 99th percentile and 20 at worst.  A picture drawn
one pixel to the side or a spark left out exceeds that (p99 12.7, worst 91);
librsvg 2.60 and Pillow 11 against librsvg 2.54 and Pillow 9 stayed below 1,
7 and 11.  Exits non-zero if any picture is farther.
"""

import os
import sys

import numpy as np
from PIL import Image, ImageFilter

PICTURES = ["scene", "bomb", "bomb_lit", "bomb_short", "big_bomb", "explosion"]
HEADERS = 14 + 40
BLUR = 1.5
MEAN, P99, WORST = 1.5, 10.0, 20.0


def lab(picture):
    """A picture (a file's path, or a PIL image) blurred and in CIELAB."""
    if isinstance(picture, str):
        picture = Image.open(picture)
    rgb = picture.convert("RGB").filter(ImageFilter.GaussianBlur(BLUR))
    c = np.asarray(rgb, dtype=float) / 255
    linear = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    to_xyz = np.array([[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722],
                       [0.0193, 0.1192, 0.9505]])
    xyz = linear @ to_xyz.T / np.array([0.9505, 1.0, 1.089])  # D65 white
    f = np.where(xyz > (6 / 29) ** 3, np.cbrt(xyz), xyz / (3 * (6 / 29) ** 2) + 4 / 29)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]),
                     200 * (f[..., 1] - f[..., 2])], axis=-1)


def main():
    committed, regenerated = sys.argv[1], sys.argv[2]
    failed = 0
    for name in PICTURES:
        old = os.path.join(committed, "pictures", name + ".bmp")
        new = os.path.join(regenerated, "pictures", name + ".bmp")
        with open(old, "rb") as a, open(new, "rb") as b:
            same_headers = a.read(HEADERS) == b.read(HEADERS)
        delta = np.sqrt(((lab(old) - lab(new)) ** 2).sum(axis=-1))
        mean, p99, worst = delta.mean(), np.percentile(delta, 99), delta.max()
        ok = same_headers and mean <= MEAN and p99 <= P99 and worst <= WORST
        failed += not ok
        print("  %-10s %s  delta E mean %.2f, p99 %.2f, worst %.2f%s" % (
            name, "ok  " if ok else "FAR ", mean, p99, worst,
            "" if same_headers else "; the BMP headers differ"))
    print("pictures by eye: %d of %d within delta E mean %.1f, p99 %.0f, worst %.0f (blur %.1f px)"
          % (len(PICTURES) - failed, len(PICTURES), MEAN, P99, WORST, BLUR))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
