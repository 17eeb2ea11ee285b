"""The six pictures: rendered from art/tickbomb.svg and quantised to their palettes.

rsvg-convert renders the canvas once per view (a stylesheet in art/views/
picks the layers); Pillow quantises the 8-bit pictures to exactly the number
of palette entries each must carry.  The bomb frames are cut from the canvas
at (18, 110):

  unlit  the background's own pixels there, on a 122-colour palette;
  lit    the unlit frame's pixels and palette unchanged, plus 18 colours for
         the spark, which only touches the 9 x 10 patch at the top of the fuse;
  short  the view with the smaller bomb, on 120 colours.
"""

import io
import os
import subprocess

import numpy as np
from PIL import Image

from formats import bmp_8, bmp_24

ART = os.path.join(os.path.dirname(os.path.abspath(__file__)), "art")

WINDOW_SIZE = (425, 397)
FRAME_ORIGIN = (18, 110)
FRAME_SIZE = (65, 95)
# the spark's patch inside a frame: x 15..23, y 1..10
SPARK_PATCH = (15, 1, 24, 11)

PALETTE_SIZES = {
    "bomb": 122,
    "bomb_lit": 140,
    "bomb_short": 120,
    "big_bomb": 163,
    "explosion": 142,
}


def render(view: str) -> Image.Image:
    """The 425 x 397 canvas with the layers of one view, as an RGB image."""
    png = subprocess.run(
        [
            "rsvg-convert",
            "--stylesheet", os.path.join(ART, "views", view + ".css"),
            os.path.join(ART, "tickbomb.svg"),
        ],
        check=True,
        capture_output=True,
    ).stdout
    image = Image.open(io.BytesIO(png))
    if image.size != WINDOW_SIZE:
        raise ValueError(f"{view}: rendered at {image.size}, expected {WINDOW_SIZE}")
    if image.mode != "RGB":
        opaque = Image.new("RGB", image.size, (0, 0, 0))
        opaque.paste(image, mask=image.getchannel("A") if "A" in image.mode else None)
        image = opaque
    return image


def frame(image: Image.Image) -> Image.Image:
    x, y = FRAME_ORIGIN
    w, h = FRAME_SIZE
    return image.crop((x, y, x + w, y + h))


def palette_of(quantised: Image.Image, count: int):
    """The first `count` palette entries of a P image as (r, g, b) tuples."""
    flat = quantised.getpalette()[: 3 * count]
    return [tuple(flat[i : i + 3]) for i in range(0, len(flat), 3)]


def pad_palette(palette, count):
    """Fill a palette up to exactly `count` entries by repeating its last colour."""
    if len(palette) > count:
        raise ValueError("palette too large")
    return list(palette) + [palette[-1]] * (count - len(palette))


def quantise(image: Image.Image, count: int, dither: bool):
    """(indices, palette of exactly `count` entries) for an RGB image.

    Maximum-coverage boxes refined by a few k-means rounds keep the error on
    the smooth sky small everywhere (the bomb frames must meet the scene
    without a seam); without dithering every pixel then takes its nearest
    palette colour.
    """
    first = image.quantize(colors=count, method=Image.Quantize.MAXCOVERAGE, kmeans=4)
    used = int(np.asarray(first).max()) + 1
    palette = pad_palette(palette_of(first, used), count)
    if not dither:
        return nearest(np.asarray(image), palette), palette
    # remap with error diffusion onto the palette just found
    holder = Image.new("P", (1, 1))
    holder.putpalette([c for rgb in palette for c in rgb])
    remapped = image.quantize(palette=holder, dither=Image.Dither.FLOYDSTEINBERG)
    return np.asarray(remapped, dtype=np.uint8), palette


def nearest(pixels: np.ndarray, palette) -> np.ndarray:
    """Index of the nearest palette colour for each RGB pixel (first on ties)."""
    colours = np.asarray(palette, dtype=int)
    distance = ((pixels[..., None, :].astype(int) - colours) ** 2).sum(axis=-1)
    return np.argmin(distance, axis=-1).astype(np.uint8)


def lit_frame(unlit_indices, unlit_palette, lit_rgb: np.ndarray):
    """The lit frame: the unlit one with the spark's patch redrawn.

    The spark's own colours are appended to the unlit palette; only pixels of
    the patch are remapped, so every other pixel keeps its index and colour.
    """
    extra = PALETTE_SIZES["bomb_lit"] - len(unlit_palette)
    x0, y0, x1, y1 = SPARK_PATCH
    patch = lit_rgb[y0:y1, x0:x1]
    spark = Image.fromarray(np.ascontiguousarray(patch)).quantize(
        colors=extra, method=Image.Quantize.MEDIANCUT
    )
    spark_used = int(np.asarray(spark).max()) + 1
    palette = list(unlit_palette) + pad_palette(palette_of(spark, spark_used), extra)
    indices = unlit_indices.copy()
    indices[y0:y1, x0:x1] = nearest(patch, palette)
    return indices, palette


def build_pictures():
    """{name: .bmp bytes} for the six pictures."""
    scene = render("scene")
    unlit_indices, unlit_palette = quantise(frame(scene), PALETTE_SIZES["bomb"], dither=False)
    lit_rgb = np.asarray(frame(render("lit")))
    lit_indices, lit_palette = lit_frame(unlit_indices, unlit_palette, lit_rgb)
    short = quantise(frame(render("short")), PALETTE_SIZES["bomb_short"], dither=False)
    big = quantise(render("big_bomb"), PALETTE_SIZES["big_bomb"], dither=True)
    boom = quantise(render("explosion"), PALETTE_SIZES["explosion"], dither=True)
    return {
        "scene": bmp_24(np.asarray(scene)),
        "bomb": bmp_8(unlit_indices, unlit_palette),
        "bomb_lit": bmp_8(lit_indices, lit_palette),
        "bomb_short": bmp_8(*short),
        "big_bomb": bmp_8(*big),
        "explosion": bmp_8(*boom),
    }
