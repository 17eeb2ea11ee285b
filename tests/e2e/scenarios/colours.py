"""On a screen of 256 colours (a palette device) the window realizes a halftone palette
and draws through it, dithered on the NT family (HALFTONE stretching; Windows 95, 98 and
Me take each pixel's nearest colour); on any other screen it only asks the screen
whether it has a palette.  Wine 8 and 10 open an 8-bit PseudoColor display and report a
palette device of 256 entries, but show any picture in about eight colours whatever
palette is realized (a gradient of 65,536 colours came out in 6 to 8 through plain
BitBlt, a realized halftone palette and HALFTONE stretching alike): so the calls and
their order are what is checked here, and the scene's distance from its own colours is
only logged."""

import numpy as np

from harness import TickbombRun, images, scenario
from harness.layout import BOMB_BOX, PICTURE_H, PICTURE_W, TEXT_AREAS

PALETTE_CALLS = ["gdi32.CreateHalftonePalette", "gdi32.SelectPalette", "gdi32.RealizePalette",
                 "gdi32.SetStretchBltMode", "gdi32.StretchBlt"]
WATCH = PALETTE_CALLS + ["gdi32.GetDeviceCaps", "gdi32.BitBlt"]
RASTERCAPS, HALFTONE = 38, 4


def scene_mask():
    """Where the window at start shows the bare scene: not the labels, not the bomb."""
    mask = np.ones((PICTURE_H, PICTURE_W), dtype=bool)
    for left, top, right, bottom in TEXT_AREAS + [BOMB_BOX]:
        mask[top:bottom, left:right] = False
    return mask


def paint_calls(depth, windows_version):
    """The program's painting calls on a screen of `depth` bits, from its window's first
    paint, and how far the scene there is from its own colours."""
    with TickbombRun(watch=WATCH, screen=(1280, 1024, depth), windows_version=windows_version,
                     name="depth%d" % depth) as run:
        run.wait_for_window()
        with run.stopped():
            shot = run.window_shot("start-%d-bits" % depth)
        calls = run.relay.calls()
    window = images.crop(shot, (0, 0, PICTURE_W, PICTURE_H))
    mean, p99, _ = images.perceptual_distance(window, images.load_picture("IDB_SCENE"),
                                              scene_mask())
    run.log("at %d bits: %d colours in the window; the scene delta E mean %.2f, p99 %.2f" % (
        depth, len(images.distinct_colours(window)), mean, p99))
    shown = next(i for i, c in enumerate(calls) if c.name == "user32.SetWindowRgn")
    return calls[shown:]


@scenario(timeout=120, windows_versions=(None, "win98"))
def palette_on_a_256_colour_screen(windows_version):
    calls = paint_calls(8, windows_version)
    asked = [c for c in calls if c.name == "gdi32.GetDeviceCaps" and c.args[1] == RASTERCAPS]
    made = [c for c in calls if c.name == "gdi32.CreateHalftonePalette"]
    blits = [i for i, c in enumerate(calls) if c.name == "gdi32.StretchBlt"]
    assert asked and blits, "no paint through a palette: %s" % [c.name for c in calls][:20]
    assert len(made) <= 1, "a halftone palette made %d times" % len(made)
    for i in blits:  # each paint: the palette selected and realized, then the blit
        before = [c for c in calls[:i] if c.name in PALETTE_CALLS][-3:]
        names = [c.name for c in before]
        if windows_version is None:
            assert names == ["gdi32.SelectPalette", "gdi32.RealizePalette",
                             "gdi32.SetStretchBltMode"] and before[2].args[1] == HALFTONE, \
                "before a blit to the window: %s" % before
        else:
            assert names[-2:] == ["gdi32.SelectPalette", "gdi32.RealizePalette"], \
                "before a blit to the window: %s" % before
            assert not any(c.name == "gdi32.SetStretchBltMode" for c in calls), \
                "HALFTONE stretching asked of Windows 98"
    if windows_version is None:
        # True colour: nothing of it, only the question.
        calls = paint_calls(24, None)
        assert [c for c in calls if c.name in PALETTE_CALLS] == [], \
            "palette calls at 24 bits: %s" % [c for c in calls if c.name in PALETTE_CALLS][:5]
        assert any(c.name == "gdi32.GetDeviceCaps" and c.args[1] == RASTERCAPS for c in calls)
