"""Drawn for the screen it is on: at 120, 144 and 192 DPI the window is the 96-DPI window
scaled by s = DPI / 96, drawn by the program itself (at 96 DPI it stays exactly as the
start-up scenarios check it)."""

import numpy as np
from PIL import Image

from harness import ROOT_COLOUR, TickbombRun, images, scenario
from harness.layout import (BOMB_AT, BOMB_BOX, CUT_A, CUT_B, PICTURE_H, PICTURE_W, PINK,
                            TEXT_AREAS, TOP_LINE)
from harness.prefix import wine_version
from harness.zoom import zoom_frames

WINDOW = (435, 407)                    # layout pixels
DIGITS = (230, 250, 380, 365)          # Label2 and its shadow, room for "10"


def scaled(value, s):
    """The program's one rounding: to the nearest pixel, ties to the even one."""
    return round(value * s)


def scaled_box(box, s):
    return tuple(scaled(v, s) for v in box)


def expected_art(s):
    """The 96-DPI scene with the unlit bomb on it, resampled by s (PIL's bicubic is Catmull-Rom)."""
    art = images.load_picture("IDB_SCENE").copy()
    art.paste(images.load_picture("IDB_BOMB"), BOMB_AT)
    return art.resize((scaled(PICTURE_W, s), scaled(PICTURE_H, s)), Image.BICUBIC)


def bare(array, boxes):
    """The pixels outside `boxes` (the text), as a flat (n, 3) array."""
    keep = np.ones(array.shape[:2], dtype=bool)
    for left, top, right, bottom in boxes:
        keep[top:bottom, left:right] = False
    return array[keep]


def digit_pixels(window, art, s):
    """(height in rows, share in pure yellow) of the yellow digits' pixels."""
    box = scaled_box(DIGITS, s)
    seen = images.pixels(images.crop(window, box))
    under = images.pixels(images.crop(art, box))
    r, g, b = seen[..., 0], seen[..., 1], seen[..., 2]
    changed = np.abs(seen - under).max(axis=2) > 24
    yellowish = changed & (np.minimum(r, g) > 48) & (np.abs(r - g) < 32) & (b < np.minimum(r, g) // 2)
    pure = yellowish & (r == 255) & (g == 255) & (b == 0)
    rows = np.nonzero(pure.any(axis=1))[0]
    return int(rows[-1] - rows[0] + 1), float(pure.sum() / max(1, yellowish.sum()))


@scenario(timeout=240)
def drawn_for_the_screens_density():
    shots = {}
    for dpi in (96, 120, 144, 192):
        with TickbombRun(watch=["gdi32.Rectangle", "winmm.PlaySoundA"], log_pixels=dpi,
                         name="dpi%d" % dpi) as run:
            run.wait_for_window()
            shots[dpi] = (run.window_shot("start-%ddpi" % dpi), run.geometry(),
                          [c for c in run.relay.calls("gdi32.Rectangle")])
            run.assert_running()
            shown = run.relay.calls("user32.SetWindowRgn")[0].time
            ticks = [c for c in run.relay.calls("winmm.PlaySoundA") if c.time > shown]
            assert not ticks or ticks[0].time > run.shot_times["start-%ddpi" % dpi], \
                "%d DPI: the screenshot came after the first tick" % dpi
    wine = wine_version()

    height_96, sharp_96 = digit_pixels(shots[96][0], expected_art(1), 1)
    for dpi in (120, 144, 192):
        s = dpi / 96
        window, (left, top, width, height), rectangles = shots[dpi]
        what = "%d DPI (%s)" % (dpi, wine)
        # Its size, and the opening animation growing to it: the frames end at 95 %.
        assert abs(width - WINDOW[0] * s) <= 1 and abs(height - WINDOW[1] * s) <= 1, \
            "%s: window %dx%d, expected %.1fx%.1f" % (what, width, height, WINDOW[0] * s, WINDOW[1] * s)
        drawn = [tuple(c.sarg(i) for i in range(1, 5)) for c in rectangles]
        assert drawn == zoom_frames(left, top, width, height), \
            "%s: zoom frames %s for the window at %s" % (what, drawn, (left, top, width, height))
        last = drawn[-1]
        assert abs((last[2] - last[0]) / width - 0.95) < 0.01, "%s: last frame %s" % (what, last)

        # The cut corners show the screen beneath; the strips right and below are pink.
        for name, cut in (("top right", CUT_A), ("bottom left", CUT_B)):
            l, t, r, b = scaled_box(cut, s)
            hole = images.crop(window, (l, t, min(r, width), min(b, height)))
            assert images.all_colour(hole, ROOT_COLOUR), "%s: %s cut %s shows %s" % (
                what, name, (l, t, r, b), sorted(images.distinct_colours(hole))[:4])
        pw, ph = scaled(PICTURE_W, s), scaled(PICTURE_H, s)
        for name, strip in (("right", (pw, scaled(TOP_LINE[3], s), width, height)),
                            ("bottom", (scaled(CUT_B[2], s), ph, width, height))):
            assert images.all_colour(images.crop(window, strip), PINK), "%s: %s strip %s: %s" % (
                what, name, strip, sorted(images.distinct_colours(images.crop(window, strip)))[:4])

        # The sky and the bomb: the 96-DPI art resampled by s, where no text lies.
        art = expected_art(s)
        seen = images.pixels(images.crop(window, (0, 0, pw, ph)))
        text = [scaled_box(box, s) for box in TEXT_AREAS]
        mean = float(np.abs(bare(seen, text) - bare(images.pixels(art), text)).mean())
        bomb = scaled_box(BOMB_BOX, s)
        bomb_mean = float(np.abs(images.pixels(images.crop(window, bomb))
                                 - images.pixels(images.crop(art, bomb))).mean())
        run.log("%s: window %dx%d, mean difference from the art %.2f (bomb %.2f)" % (
            what, width, height, mean, bomb_mean))
        assert mean < 2 and bomb_mean < 2, "%s: the pictures differ from the 96-DPI art scaled " \
            "by %.2f: mean %.2f, bomb %.2f" % (what, s, mean, bomb_mean)

        # The digits at s times their height, drawn at that size: as sharp as at 96 DPI.
        digits_height, sharp = digit_pixels(window, art, s)
        run.log("%s: digits %d rows (96 DPI: %d), %.2f of their pixels pure yellow (96 DPI: %.2f)"
                % (what, digits_height, height_96, sharp, sharp_96))
        assert abs(digits_height - height_96 * s) <= 2 + s, \
            "%s: digits %d rows high, expected %.1f" % (what, digits_height, height_96 * s)
        assert sharp >= sharp_96 - 0.01, "%s: digits blur: %.2f pure yellow, %.2f at 96 DPI" % (
            what, sharp, sharp_96)
