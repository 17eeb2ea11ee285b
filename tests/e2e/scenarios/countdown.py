"""The countdown left alone: twenty ticks, their pictures and sounds, then one shutdown request."""

import os
import shutil
import tempfile
import time

import numpy as np
from PIL import Image, ImageDraw, ImageFont

import harness.run
from harness import FORM_CAPTION, TickbombRun, images, scenario, speed
from harness.layout import (BOMB_BOX, PICTURE_H, PICTURE_W, RED, TEXT_AREAS, TOP_LINE, WHITE,
                            YELLOW)
from harness.pe import RT_GROUP_CURSOR, renumber_resource
from harness.old_windows import EVERY_FAMILY, NINE_X
from harness.relay import InOrder
from harness.sounds import ASYNC, SYNC
from harness.ticks import LATE_IN_A_TICK, TICK_WATCH, read_countdown

# Where the seconds digits may draw (Label2 and its shadow, with room for "10").
DIGITS_BOX = (215, 250, 380, 362)
# The face that stands in for "ＭＳ Ｐゴシック" in the test prefixes (tools/wine/japanese-fonts.reg).
DIGIT_FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"

SHUTDOWN_CALLS = ["kernel32.GetVersionExA", "advapi32.OpenProcessToken",
                  "advapi32.LookupPrivilegeValueA", "advapi32.AdjustTokenPrivileges",
                  "kernel32.CloseHandle", "user32.ExitWindowsEx"]
TOKEN_ALL_ACCESS_NT4 = 0x000F00FF
CURRENT_PROCESS = 0xFFFFFFFF  # the pseudo-handle GetCurrentProcess gives
EWX_SHUTDOWN, EWX_POWEROFF = 1, 8


# ---------------------------------------------------------------- reading pictures

def _cut(mask):
    """A mask cut to the bounding box of its set pixels."""
    ys, xs = np.nonzero(mask)
    if len(xs) == 0:
        return np.zeros((1, 1), dtype=bool)
    return mask[ys.min():ys.max() + 1, xs.min():xs.max() + 1]


def _overlap(a, b):
    """Intersection over union of two cut masks laid on each other by their centres."""
    height, width = max(a.shape[0], b.shape[0]) + 2, max(a.shape[1], b.shape[1]) + 2

    def centred(mask):
        out = np.zeros((height, width), dtype=bool)
        top, left = (height - mask.shape[0]) // 2, (width - mask.shape[1]) // 2
        out[top:top + mask.shape[0], left:left + mask.shape[1]] = mask
        return out

    a, b = centred(a), centred(b)
    return float((a & b).sum()) / max(1, int((a | b).sum()))


def _rendered(text):
    """`text` drawn by PIL in the digits' font at their size (72 pt at 96 DPI: 96 pixels)."""
    font = ImageFont.truetype(DIGIT_FONT, 96)
    canvas = Image.new("L", (320, 200), 0)
    ImageDraw.Draw(canvas).text((10, 10), text, font=font, fill=255)
    return _cut(np.asarray(canvas) > 127)


def read_seconds(window, background, colour):
    """Which of "10", "9" ... "0" the front digits in `colour` show; (best, its score, runner-up score).

    The pixels of `colour` that the bare background has not are compared, as
    shapes at their size on the screen, with each candidate drawn in the same font.
    """
    seen = images.crop(window, DIGITS_BOX)
    bare = images.crop(background, DIGITS_BOX)
    shape = _cut(images.colour_mask(seen, colour, 40) & ~images.colour_mask(bare, colour, 40))
    scores = {text: _overlap(shape, _rendered(text)) for text in ["10"] + [str(d) for d in range(10)]}
    ranked = sorted(scores.items(), key=lambda item: -item[1])
    return ranked[0][0], ranked[0][1], ranked[1][1]


def assert_seconds(window, background, colour, expected, what):
    shown, score, runner_up = read_seconds(window, background, colour)
    assert shown == expected and score >= 0.75 and score >= runner_up + 0.15, \
        "%s: the digits read as %r (match %.2f, next best %.2f), expected %r" % (
            what, shown, score, runner_up, expected)


def assert_picture_outside_labels(window, picture, what, tolerance=3):
    """The window's 425 x 397 picture area equals `picture` wherever no label can draw."""
    seen = images.pixels(images.crop(window, (0, 0, PICTURE_W, PICTURE_H))).copy()
    want = images.pixels(picture).copy()
    for left, top, right, bottom in TEXT_AREAS:
        seen[top:bottom, left:right] = 0
        want[top:bottom, left:right] = 0
    worst = np.abs(seen - want).max(axis=2)
    y, x = divmod(int(worst.argmax()), PICTURE_W)
    assert worst.max() <= tolerance, "%s: the window differs from its picture by %d at (%d, %d)" % (
        what, worst.max(), x, y)


def assert_seamless(window, scene, what):
    """The bomb frame meets the sky around it without a seam.

    Along the frame's edge, inside it, the screen must show what the bare
    scene has there, up to the rounding of the frames' palettes; only the
    spark (x 15 to 23, y 1 to 10 of the frame) may touch the edge.
    """
    left, top, right, bottom = BOMB_BOX
    seen = images.pixels(images.crop(window, BOMB_BOX))
    bare = images.pixels(images.crop(scene, BOMB_BOX))
    step = np.abs(seen - bare).max(axis=2)
    step[1:11, 15:24] = 0
    ring = np.concatenate([step[0], step[-1], step[:, 0], step[:, -1]])
    assert ring.max() <= 8, "%s: a seam along the bomb frame's edge, up to %d" % (what, ring.max())


def bomb_patch_difference(window, picture):
    return images.difference(images.crop(window, BOMB_BOX), picture)[0]


def text_bands(mask, top):
    """(first row, last row) of each run of rows that hold text, a single empty row bridged."""
    found = []
    for row in np.nonzero(mask.any(axis=1))[0]:
        if found and row <= found[-1][1] + 2:
            found[-1][1] = int(row)
        else:
            found.append([int(row), int(row)])
    return [(a + top, b + top) for a, b in found]


def assert_texts_fit(window, scene):
    """The top line ends inside Label1; both copies of the hint show its three lines whole."""
    white = images.colour_mask(images.crop(window, TOP_LINE), WHITE, 30) & \
        ~images.colour_mask(images.crop(scene, TOP_LINE), WHITE, 30)
    columns = np.nonzero(white.any(axis=0))[0]
    assert white.sum() >= 300, "the top line shows only %d white pixels" % white.sum()
    # Label1's front copy spans x 18 to 349 (4965 twips from 270).
    assert columns.min() >= 18 and columns.max() < 349, \
        "the top line spans x %d to %d; Label1 is x 18 to 349" % (columns.min(), columns.max())
    strip = images.crop(window, (PICTURE_W, 0, window.size[0], TOP_LINE[3]))
    assert images.count_colour(strip, WHITE, 30) == 0, "the top line runs into the right strip"

    # Label5: front copy y 348 to 391, its shadow 2 pixels right and down.
    box = (8, 344, 140, PICTURE_H)
    bands = {}
    for name, colour in (("front", (192, 255, 255)), ("shadow", (0, 128, 128))):
        mask = images.colour_mask(images.crop(window, box), colour, 30) & \
            ~images.colour_mask(images.crop(scene, box), colour, 30)
        bands[name] = text_bands(mask, box[1])
        assert len(bands[name]) == 3 and all(b - a >= 7 for a, b in bands[name]), \
            "the hint's %s copy shows the text rows %s, expected three whole lines" % (name, bands[name])
    assert bands["front"][-1][1] <= 389, "the hint's last line touches Label5's bottom: %s" % bands
    for (fa, fb), (sa, sb) in zip(bands["front"], bands["shadow"]):
        assert abs(sa - fa - 2) <= 1 and abs(sb - fb - 2) <= 1, \
            "the hint's copies wrap differently: %s" % bands


# ---------------------------------------------------------------- timing the shots

def plays(run, buffer, flags=ASYNC, after=0.0):
    return run.relay.calls("winmm.PlaySoundA", where=lambda c: c.matches(buffer, 0, flags)
                           and c.time > after)


def shot_late_in_tick(run, n, name):
    """The window as tick n left it: the program stopped late in the tick's half second
    (its paint long on the display, the next tick not yet come) while the harness takes
    its time.  Returns (image, when the program was stopped)."""
    def ticked():
        countdown = read_countdown(run.relay.calls(), run.freezes)
        return countdown if countdown is not None and n in countdown.ticks else None
    countdown = run.wait_until(ticked, "tick %d" % n)
    with run.stopped(at=countdown.ticks[n] + LATE_IN_A_TICK) as stopped:
        return run.window_shot(name), stopped


def wait_for_line(run, needle, timeout=20.0):
    """Returns as soon as the relay trace shows a line holding `needle` (native seconds)."""
    timeout = speed.budget(timeout)
    deadline = time.monotonic() + timeout
    with open(run.relay.path, "rb") as trace:
        pending = b""
        while True:
            chunk = trace.read()
            if chunk:
                pending += chunk
                if needle in pending:
                    return
                pending = pending[pending.rfind(b"\n") + 1:]
            else:
                run.assert_running()
                if time.monotonic() > deadline:
                    raise AssertionError("no %r in the trace after %.0f s" % (needle, timeout))
                time.sleep(0.001)


# ---------------------------------------------------------------- scenarios

@scenario(timeout=90, windows_versions=EVERY_FAMILY)
def shutdown_after_ten_seconds(windows_version):
    """One run left alone, watched tick by tick: a plain shutdown request on every family
    (Wine's default, NT 6 or later; NT 4; 95, 98 and Me), with the privilege step on NT."""
    scene = images.load_picture("IDB_SCENE")
    frames = {name: images.load_picture(name) for name in ("IDB_BOMB", "IDB_BOMB_LIT", "IDB_BOMB_SHORT")}
    big_bomb = images.load_picture("IDB_BIG_BOMB")
    explosion = images.load_picture("IDB_EXPLOSION")
    shots = {}
    watch = TICK_WATCH + ["winmm.PlaySoundA"] + SHUTDOWN_CALLS
    # Each screenshot is taken of the program stopped (SIGSTOP), so that however long
    # the harness takes, the window shows the moment it was stopped; the ticks are
    # judged from when each could come.
    with TickbombRun(watch=watch, windows_version=windows_version,
                     name=windows_version or "default") as run:
        run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        with run.stopped() as stopped:
            shots["start"] = run.window_shot("start"), stopped
        warmup = run.relay.calls("winmm.PlaySoundA")[:6]
        assert len(warmup) == 6, "start-up plays: %s" % warmup
        # The warm-up plays Wave106 ... Wave101 in this order.
        wave = {106 - i: call.args[0] for i, call in enumerate(warmup)}
        for n in (10, 14, 19):
            shots[n] = shot_late_in_tick(run, n, "tick%d" % n)
        # The detonation's pump paints the explosion, and the sound and the request
        # follow within milliseconds: the program is stopped at the sound's call.
        wait_for_line(run, b"Call winmm.PlaySoundA(%08x,00000000,%08x)" % (wave[101], SYNC))
        with run.stopped() as stopped:
            shots[20] = run.window_shot("tick20"), stopped
        run.wait_for_exit(timeout=30)
        calls = run.relay.calls()
    frozen_for = run.freezes[-1][1] - run.freezes[-1][0]

    # ---- the ticks, each from when it could come
    countdown = read_countdown(calls, run.freezes)
    assert countdown is not None and not countdown.missing(), "ticks seen: %r" % countdown
    late = {n: countdown.lateness(n) for n in range(1, 21)}
    worst = max(late, key=lambda n: abs(late[n]))
    assert abs(late[worst]) < 0.1, "tick %d came %.0f ms from its time: %r (stopped %s)" % (
        worst, late[worst] * 1000, countdown, run.freezes)

    # ---- the sounds of the countdown, tick by tick
    after_startup = [c for c in calls if c.name == "winmm.PlaySoundA" and c.time > shown]
    expected = []
    for n in range(2, 19, 2):
        expected.append((n, wave[106], ASYNC))
        if n in (14, 16, 18):
            expected.append((n, {14: wave[104], 16: wave[103], 18: wave[102]}[n], ASYNC))
    expected.append((20, wave[101], SYNC))
    got = [(c.args[0], c.args[2]) for c in after_startup]
    assert got == [(b, f) for _, b, f in expected], \
        "sounds after start-up:\n got      %s\n expected %s" % (
            [(hex(b), f) for b, f in got], [(n, hex(b), f) for n, b, f in expected])
    # Each sound is played by its tick's WM_TIMER: the countdown sounds of
    # ticks 14, 16 and 18 right after that tick's own sound (the order above).
    # And each tick sound plays within 100 ms of its tick's arrival: the ticks' pace.
    for (n, _, _), call in zip(expected, after_startup):
        assert countdown.took_part_in(n, call), \
            "%r is not part of tick %d (at %.3f)" % (call, n, countdown.ticks[n])
        if call.args[0] == wave[106]:
            assert call.time - countdown.ticks[n] < 0.1, "%r came %.0f ms into tick %d" % (
                call, (call.time - countdown.ticks[n]) * 1000, n)

    # ---- detonation: the explosion sound, then the privilege and one request
    seq = InOrder(calls)
    seq.next("winmm.PlaySoundA", wave[101], 0, SYNC, skip=True)
    seq.next("kernel32.GetVersionExA")
    if windows_version in NINE_X:
        privilege = [c for c in calls if c.name.startswith("advapi32.")]
        assert privilege == [], "privilege calls on %s: %s" % (windows_version, privilege)
    else:
        seq.next("advapi32.OpenProcessToken", CURRENT_PROCESS, TOKEN_ALL_ACCESS_NT4, None)
        seq.next("advapi32.LookupPrivilegeValueA", 0, "SeShutdownPrivilege", None)
        adjust = seq.next("advapi32.AdjustTokenPrivileges", None, 0, None, 0, 0, 0)
        assert adjust.args[0] != 0, "AdjustTokenPrivileges got no token"
        seq.next("kernel32.CloseHandle", adjust.args[0], skip=True)
        for name in SHUTDOWN_CALLS[1:4]:
            assert len([c for c in calls if c.name == name]) == 1, "%s called more than once" % name
    seq.next("user32.ExitWindowsEx", EWX_SHUTDOWN, 0)
    requests = [c for c in calls if c.name == "user32.ExitWindowsEx"]
    assert len(requests) == 1, "shutdown requests: %s" % requests
    # Not counting what the stops for the screenshots set the countdown back.
    after = countdown.ticks[20] - shown - countdown.set_back()
    assert 9.5 <= after <= 12.0, "the detonation came %.2f s after the window appeared " \
                                 "(%.2f s set back by the stops)" % (after, countdown.set_back())
    # The request comes right after the explosion sound, not counting the time it was held.
    held = requests[0].time - countdown.ticks[20] - frozen_for
    assert held < 1.0, "the request came %.2f s after tick 20 began" % held

    # ---- the pictures, each of the tick it was stopped in
    for name, before in (("start", 2), (10, 11), (14, 15), (19, 20)):
        assert shots[name][1] < countdown.ticks[before], \
            "the program was stopped for the %s shot after tick %d" % (name, before)
    start = shots["start"][0]
    assert bomb_patch_difference(start, frames["IDB_BOMB"]) <= 3, "no unlit bomb at start"
    assert_seconds(start, scene, YELLOW, "10", "at start")
    assert_seamless(start, scene, "at start")
    assert_texts_fit(start, scene)

    image = shots[10][0]
    assert_seconds(image, scene, YELLOW, "5", "tick 10")
    frame = {name: bomb_patch_difference(image, picture) for name, picture in frames.items()}
    assert frame["IDB_BOMB_SHORT"] <= 3, "tick 10: the bomb is not Image2(1) (differences %s)" % (
        frame,)
    assert_seamless(image, scene, "tick 10")

    image = shots[14][0]
    assert_seconds(image, scene, RED, "3", "tick 14")
    front_yellow = images.changed_to(images.crop(image, DIGITS_BOX), images.crop(scene, DIGITS_BOX),
                                     YELLOW, 40)
    assert front_yellow == 0, "tick 14: %d yellow digit pixels left" % front_yellow
    assert_seamless(image, scene, "tick 14")

    image = shots[19][0]
    assert_picture_outside_labels(image, big_bomb, "tick 19")
    assert bomb_patch_difference(image, images.crop(big_bomb, BOMB_BOX)) <= 3, \
        "tick 19: the small bomb is still shown"
    assert_seconds(image, big_bomb, RED, "1", "tick 19")

    image = shots[20][0]
    assert_picture_outside_labels(image, explosion, "tick 20")
    assert bomb_patch_difference(image, images.crop(explosion, BOMB_BOX)) <= 3, \
        "tick 20: the small bomb is shown over the explosion"
    assert_seconds(image, explosion, RED, "0", "tick 20")


@scenario(timeout=90)
def shutdown_request_on_xp_and_98():
    """Windows XP asks for power-off; Windows 98 asks for a plain shutdown with no privilege step.

    Both prefixes run side by side, each on its own display.
    """
    watch = ["winmm.PlaySoundA"] + SHUTDOWN_CALLS
    with TickbombRun(watch=watch, windows_version="winxp", debug=["+ver"], name="winxp") as xp, \
            TickbombRun(watch=watch, windows_version="win98", debug=["+ver"], name="win98") as w98:
        for run in (xp, w98):
            run.wait_for_window()
        for run in (xp, w98):
            run.wait_for_exit(timeout=30)
        found = {run.name: (run.relay.calls(), run.relay.path) for run in (xp, w98)}

    for name, calls, trace, platform, major, flags in (
            ("winxp", *found["winxp"], 2, 5, EWX_POWEROFF),
            ("win98", *found["win98"], 1, 4, EWX_SHUTDOWN)):
        # Wine's own trace of the version that the program's thread was given.
        thread = calls[0].thread
        with open(trace, encoding="utf-8", errors="replace") as f:
            told = [line for line in f if ":%04x:trace:ver:version_init got " % thread in line]
        assert told and (" platform %d " % platform) in told[-1] \
            and told[-1].split(" got ")[1].startswith("%d." % major), \
            "%s: the program was told %s" % (name, told)
        versions = [c for c in calls if c.name == "kernel32.GetVersionExA"]
        assert len(versions) == 2 and all(c.retval == 1 for c in versions), \
            "%s: GetVersionExA calls %s" % (name, versions)

        seq = InOrder(calls)
        sync = seq.next("winmm.PlaySoundA", None, 0, SYNC, skip=True)
        seq.next("kernel32.GetVersionExA")
        privilege = [c for c in seq.remaining() if c.name.startswith("advapi32.")]
        if platform == 2:
            seq.next("advapi32.OpenProcessToken", CURRENT_PROCESS, TOKEN_ALL_ACCESS_NT4, None)
            seq.next("advapi32.LookupPrivilegeValueA", 0, "SeShutdownPrivilege", None)
            seq.next("advapi32.AdjustTokenPrivileges", None, 0, None, 0, 0, 0)
        else:
            assert privilege == [], "win98: privilege calls %s" % privilege
        seq.next("user32.ExitWindowsEx", flags, 0)
        requests = [c for c in calls if c.name == "user32.ExitWindowsEx"]
        assert len(requests) == 1, "%s: shutdown requests %s" % (name, requests)
        shown = [c for c in calls if c.name == "user32.SetWindowRgn"][0].time
        assert 9.5 <= sync.time - shown <= 12.0, "%s: detonation %.2f s after the window appeared" % (
            name, sync.time - shown)


@scenario(timeout=90)
def a_stall_costs_time_not_ticks():
    """The program frozen for 3 s at about tick 6, as by a busy machine or a paused VM: the
    countdown carries on from there at its pace, no missed tick is made up, and the request
    comes 3 s later than it would have."""
    stall = 3.0
    with TickbombRun(watch=TICK_WATCH + ["user32.ExitWindowsEx"], name="stalled") as run:
        run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        warmup = run.relay.calls("winmm.PlaySoundA")[:6]
        tick_sound = warmup[0].args[0]  # the warm-up plays Wave106 first
        run.wait_until(lambda: plays(run, tick_sound, after=shown)[2:3], "tick 6")
        time.sleep(0.2)
        with run.stopped():
            time.sleep(stall)
        run.log("stopped the program for %.2f s after tick 6" % (
            run.freezes[-1][1] - run.freezes[-1][0]))
        run.wait_for_exit(timeout=30)
        calls = run.relay.calls()

    countdown = read_countdown(calls)
    assert countdown is not None and countdown.detonation is not None, "countdown %r" % countdown
    ticks = [c.time for c in calls if c.name == "winmm.PlaySoundA" and c.time > shown
             and c.args[0] == tick_sound]
    gaps = [b - a for a, b in zip(ticks, ticks[1:])]
    assert len(ticks) == 9, "%d tick sounds: %s" % (len(ticks), ticks)
    assert min(gaps) >= 0.9, "tick sounds apart: %s" % ["%.3f" % g for g in gaps]
    assert max(gaps) >= stall, "no gap holds the stall: %s" % ["%.3f" % g for g in gaps]
    since_armed = countdown.detonation - countdown.start
    run.log("tick sounds apart: %s; ExitWindowsEx %.2f s after Timer1 was armed" % (
        ["%.2f" % g for g in gaps], since_armed))
    assert since_armed >= 10 + stall - 0.6, \
        "ExitWindowsEx came %.2f s after Timer1 was armed, %.1f s stall included" % (
            since_armed, stall)
    assert since_armed < 10 + stall + 1.5, "ExitWindowsEx came only after %.2f s" % since_armed


@scenario(timeout=90)
def a_run_time_error_stops_everything():
    """A copy of the program whose pointing-hand cursor cannot be found: start-up raises a
    run-time error, and under its report nothing more happens: no sound, no tick, no second
    box, no shutdown request, however long it stays open. Closing it ends the program."""
    work = tempfile.mkdtemp(prefix="tickbomb-broken-")
    broken = os.path.join(work, "tickbomb.exe")
    renumber_resource(harness.run.current_exe(), broken, RT_GROUP_CURSOR, 101, 100)
    with TickbombRun(watch=TICK_WATCH + ["user32.MessageBoxW", "user32.ExitWindowsEx"],
                     exe=broken, name="no-cursor") as run:
        report = run.relay.wait_for("user32.MessageBoxW", timeout=30)[0]
        box = run.wait_for_message_box(FORM_CAPTION)
        time.sleep(12)
        run.assert_running()
        later = [c for c in run.relay.calls() if c.line_no > report.line_no]
        run.close_message_box(box)
        code = run.wait_for_exit(timeout=15)
        calls = run.relay.calls()
    shutil.rmtree(work, ignore_errors=True)

    assert report.args[1].startswith("Run-time error '326'"), "the report says %r" % (report.args[1],)
    boxes = [c for c in calls if c.name == "user32.MessageBoxW"]
    assert len(boxes) == 1, "message boxes: %s" % boxes
    assert later == [], "calls under the report: %s" % later
    assert not [c for c in calls if c.name == "user32.ExitWindowsEx"], "a shutdown request"
    assert code != 0, "the program ended with exit code 0 after a run-time error"
