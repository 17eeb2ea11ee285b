"""Start-up: the call order of one start, and the shaped window it leaves on the screen."""

from harness import ROOT_COLOUR, TickbombRun, images, scenario
from harness.layout import (BOMB_BOX, BOMB_SIZE, CUT_A, CUT_B, PICTURE_H, PICTURE_W, PINK,
                            TEXT_AREAS, TOP_LINE)
from harness.relay import InOrder
from harness.sounds import ASYNC
from harness.zoom import zoom_frames

STARTUP_CALLS = ["winmm.PlaySoundA", "kernel32.GetVersionExA", "user32.GetWindowLongA",
                 "user32.SetWindowLongA", "user32.SetWindowPos", "user32.GetWindowRect",
                 "gdi32.Rectangle", "gdi32.CreateRectRgn", "gdi32.CombineRgn",
                 "user32.SetWindowRgn"]


@scenario(timeout=60)
def call_order():
    with TickbombRun(watch=STARTUP_CALLS) as run:
        run.wait_for_window()
        left, top, width, height = run.geometry()
        calls = run.relay.calls()

    seq = InOrder(calls)
    plays = seq.next_n("winmm.PlaySoundA", 6, None, 0, ASYNC)
    buffers = [c.args[0] for c in plays]
    assert len(set(buffers)) == 6, "the six warm-up plays use %d different buffers: %s" % (
        len(set(buffers)), [hex(b) for b in buffers])
    seq.next("kernel32.GetVersionExA")
    seq.next("winmm.PlaySoundA", buffers[1], 0, ASYNC)

    get = seq.next("user32.GetWindowLongA", None, -16)
    hwnd = get.args[0]
    assert get.retval & 0x00C00000 == 0x00C00000, \
        "the window had no title bar before start-up (style %#x)" % get.retval
    seq.next("user32.SetWindowLongA", hwnd, -16, get.retval & 0xFF30FFFF)
    seq.next("user32.SetWindowPos", hwnd, 0, 0, 0, 0, 0, 0x27)
    seq.next("user32.GetWindowRect", hwnd, None, skip=True)

    rectangles = seq.next_n("gdi32.Rectangle", 20)
    expected = zoom_frames(left, top, width, height)
    assert len(expected) == 20
    got = [tuple(c.sarg(i) for i in range(1, 5)) for c in rectangles]
    assert got == expected, "zoom frames for the window at %s:\n got      %s\n expected %s" % (
        (left, top, width, height), got, expected)
    assert len({c.args[0] for c in rectangles}) == 1, "the frames went to different DCs"

    region = seq.next("gdi32.CreateRectRgn", 0, 0, width, height).retval
    for cut in (CUT_A, CUT_B):
        piece = seq.next("gdi32.CreateRectRgn", *cut).retval
        seq.next("gdi32.CombineRgn", region, region, piece, 3)
    seq.next("user32.SetWindowRgn", hwnd, region, 1)

    startup = calls[:seq.position]
    assert sum(c.name == "gdi32.Rectangle" for c in startup) == 20, "more than 20 frames"
    assert sum(c.name == "winmm.PlaySoundA" for c in startup) == 7, "more than 7 plays in start-up"


@scenario(timeout=60)
def window_picture():
    scene = images.load_picture("IDB_SCENE")
    bomb = images.load_picture("IDB_BOMB")
    assert scene.size == (PICTURE_W, PICTURE_H) and bomb.size == BOMB_SIZE
    # The shadows without a colour of their own take the system's button-text
    # colour, read when the form is created: red here instead of the usual black.
    red_scheme = {r"Control Panel\Colors": {"ButtonText": "255 0 0"}}
    with TickbombRun(watch=["winmm.PlaySoundA"], settings=red_scheme) as run:
        run.wait_for_window()
        x, y, width, height = run.geometry()
        shot = run.screenshot("start")
        run.assert_running()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        ticks = [c for c in run.relay.calls("winmm.PlaySoundA") if c.time > shown]
    # Tick 2 lights the fuse; the picture must show the bomb before that.
    assert not ticks or ticks[0].time > run.shot_times["start"], \
        "the screenshot came after the first tick (%.3f > %.3f)" % (
            run.shot_times["start"], ticks[0].time)

    window = images.crop(shot, (x, y, x + width, y + height))
    assert width > PICTURE_W and height > PICTURE_H, "window %dx%d" % (width, height)

    # The BackColor strips right of and below the picture, less the cut corners.  The
    # top line may run on into the strip where the fallback font is wider than the stored one.
    right_strip = images.crop(window, (PICTURE_W, TOP_LINE[3], width, height))
    bottom_strip = images.crop(window, (CUT_B[2], PICTURE_H, width, height))
    assert images.all_colour(right_strip, PINK), \
        "right strip: %s" % sorted(images.distinct_colours(right_strip))[:5]
    assert images.all_colour(bottom_strip, PINK), \
        "bottom strip: %s" % sorted(images.distinct_colours(bottom_strip))[:5]

    # The cut corners show what lies beneath the window: the bare root window.
    for name, cut in (("top right", CUT_A), ("bottom left", CUT_B)):
        box = (cut[0], cut[1], min(cut[2], width), min(cut[3], height))
        hole = images.crop(window, box)
        assert images.all_colour(hole, ROOT_COLOUR), "%s cut %s: %s" % (
            name, box, sorted(images.distinct_colours(hole))[:5])

    # The background picture from the window's corner, wherever no text lies.
    picture = images.crop(window, (0, 0, PICTURE_W, PICTURE_H))
    bare_picture = images.pixels(picture).copy()
    bare_scene = images.pixels(scene).copy()
    for left, top, right, bottom in TEXT_AREAS + [BOMB_BOX]:
        bare_picture[top:bottom, left:right] = 0
        bare_scene[top:bottom, left:right] = 0
    worst = abs(bare_picture - bare_scene).max(axis=2)
    wy, wx = divmod(int(worst.argmax()), PICTURE_W)
    assert worst.max() <= 2, "the background differs from the scene picture by %d at (%d, %d)" % (
        worst.max(), wx, wy)

    # The unlit bomb at (18, 110), as the committed bitmap.
    patch = images.crop(window, BOMB_BOX)
    worst, share = images.difference(patch, bomb)
    assert worst <= 3, "the bomb differs from its bitmap by up to %d in %.1f%% of pixels" % (
        worst, share * 100)

    # Each text copy and its shadow in its own colour, where the scene has another colour.
    labels = [  # caption's box in window pixels (text copy), its colour, its shadow's colour
        ("Label1", (18, 16, 349, 45), (255, 255, 255), (64, 64, 0), 300),
        ("Label2", (252, 258, 350, 357), (255, 255, 0), (255, 0, 0), 300),
        ("Label3", (350, 326, 407, 380), (255, 255, 255), (255, 0, 0), 60),
        ("Label4", (218, 234, 280, 271), (255, 255, 255), (255, 0, 0), 60),
        ("Label5", (12, 348, 125, 393), (192, 255, 255), (0, 128, 128), 20),
    ]
    for name, (left, top, right, bottom), colour, shadow, least in labels:
        box = (left - 4, top - 4, right + 6, bottom + 6)
        seen = images.crop(picture, box)
        bare = images.crop(scene, box)
        text = images.changed_to(seen, bare, colour)
        shade = images.changed_to(seen, bare, shadow)
        assert text >= least, "%s: %d pixels of %s, expected %d or more" % (name, text, colour, least)
        assert shade >= least // 3, "%s shadow: %d pixels of %s" % (name, shade, shadow)
