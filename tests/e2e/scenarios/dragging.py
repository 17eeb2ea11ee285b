"""Moving the window with the mouse, and the arrow keys that close and re-open it."""

import time

from harness import TickbombRun, images, relay_clock, scenario, speed
from harness.display import SCREEN_SIZE
from harness.layout import BOMB_MIDDLE
from harness.relay import InOrder
from harness.zoom import zoom_frames
from harness.sounds import ASYNC, wave_buffers
from harness.ticks import TICK_WATCH, read_countdown

BACKGROUND = (150, 250)  # sky, no label or picture control there
LABEL4 = (245, 250)      # "あと"
LABEL5 = (60, 370)       # the hint
DIGITS_BOX = (252, 258, 350, 357)  # window pixels of the "10"
WM_NCLBUTTONDOWN, HTCAPTION = 0xA1, 2


def towards_middle(run, dx, dy):
    """(dx, dy) with signs that move the window towards the middle of the screen."""
    x, y, w, h = run.geometry()
    return (dx if x + w / 2 < SCREEN_SIZE[0] / 2 else -dx,
            dy if y + h / 2 < SCREEN_SIZE[1] / 2 else -dy)


def press_and_move(run, at, offset, button=1, moves=True, seconds=0.6):
    """Press `button` at window pixel `at`, move the pointer by `offset`, release.

    When the window `moves`, the first mouse move with the button down starts the
    system's move loop (SendMessageA(WM_NCLBUTTONDOWN) does not return until the
    release), and from then on the window follows the pointer: so the pointer takes
    one small step, the test waits for the loop to begin, and the rest of the way is
    `offset`.  Returns the window's (x, y) before and after, and the move's call.
    """
    before = run.geometry()[:2]
    start = (before[0] + at[0], before[1] + at[1])
    run.log("press %d at %s (window %s), move by %s" % (button, at, before, offset))
    sends = len(run.relay.calls("user32.SendMessageA"))
    run.mouse_move_screen(*start)
    time.sleep(0.1)
    run.mouse_down(button)
    time.sleep(0.05)
    anchor = (start[0] + 1, start[1] + 1)
    run.mouse_move_screen(*anchor)
    if moves:
        run.relay.wait_for("user32.SendMessageA", count=sends + 1, timeout=5)
    else:
        time.sleep(0.2)
    # Each step is paced against the move's start: what xdotool takes per step (more on a
    # slow machine) does not make the move longer than `seconds`.
    steps = max(10, int(seconds / 0.03))
    began = time.monotonic()
    for i in range(1, steps + 1):
        time.sleep(max(0.0, began + seconds * i / steps - time.monotonic()))
        run.mouse_move_screen(round(anchor[0] + offset[0] * i / steps),
                              round(anchor[1] + offset[1] * i / steps))
    time.sleep(0.1)
    run.mouse_up(button)
    move = None
    if moves:
        move = run.relay.wait_for("user32.SendMessageA", count=sends + 1, returned=True,
                                  timeout=5)[sends]
    else:
        time.sleep(0.3)
    after = run.geometry()[:2]
    run.log("window now at %s" % (after,))
    return before, after, move


@scenario(timeout=60)
def no_drag_from_the_bomb_or_with_the_right_button():
    """A press on the bomb left with the button down, or the right button on the
    background, moves nothing, and defuses nothing."""
    watch = ["user32.ReleaseCapture", "user32.SendMessageA", "user32.MessageBoxW"]
    with TickbombRun(watch=watch) as run:
        run.wait_for_window()
        # Press on the bomb, leave it with the button down, release off it: no move, no
        # defuse (a click is a press and release on the bomb).
        offset = towards_middle(run, 80, 60)
        before, after, _ = press_and_move(run, BOMB_MIDDLE, offset, moves=False, seconds=0.3)
        assert after == before, "a press on the bomb moved the window from %s to %s" % (
            before, after)
        # The right button on the background does not move it either.
        before, after, _ = press_and_move(run, BACKGROUND, offset, button=3, moves=False,
                                          seconds=0.3)
        assert after == before, "the right button moved the window from %s to %s" % (
            before, after)
        assert run.relay.calls("user32.SendMessageA") == [], \
            "a move began: %s" % run.relay.calls("user32.SendMessageA")
        assert run.relay.calls("user32.MessageBoxW") == [], "the bomb was defused"
        run.assert_running()


@scenario(timeout=60)
def drag_moves_the_window():
    """The left button on the background or a label drags the window by the pointer's
    way.  The countdown and the keys carry on: a tick plays during a drag, and Shift
    held after the drags still turns the detonation at ten seconds into a restart.  (The
    presses that move nothing have a run of their own: all of it in one would leave a
    loaded machine too little of the ten seconds.)"""
    watch = ["user32.ReleaseCapture", "user32.SendMessageA", "user32.MessageBoxW",
             "user32.ExitWindowsEx", "winmm.PlaySoundA"]
    with TickbombRun(watch=watch) as run:
        window = run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        form = run.relay.calls("user32.SetWindowRgn")[0].args[0]

        # The left button: background (long enough for a tick to come during the move),
        # then two labels.
        drags = []
        for at, dx, dy, seconds in ((BACKGROUND, 60, 40, 1.2), (LABEL4, 50, -30, 0.4),
                                    (LABEL5, -40, 50, 0.4)):
            offset = towards_middle(run, dx, dy)
            before, after, move = press_and_move(run, at, offset, seconds=seconds)
            drags.append((at, offset, before, after, move))
        dragged_by = relay_clock() - shown
        assert dragged_by < 9.0, "the drags took until %.1f s after start-up: too late to " \
                                 "check anything before the detonation" % dragged_by

        # Keys still work: Shift held from now on makes the detonation a restart.
        run.key_down("Shift_L")
        try:
            run.window_shot("after-drags", window)
            requests = run.relay.wait_for("user32.ExitWindowsEx", timeout=15)
            run.wait_for_exit(timeout=20)
        finally:
            run.display.xdotool("keyup", "Shift_L")
        calls = run.relay.calls()

    for at, offset, before, after, move in drags:
        moved = (after[0] - before[0], after[1] - before[1])
        assert moved == offset, "a drag from %s by %s moved the window by %s" % (
            at, offset, moved)
    buffers = wave_buffers(calls)
    seq = InOrder([c for c in calls if c.name in ("user32.ReleaseCapture",
                                                  "user32.SendMessageA")])
    for _ in drags:
        seq.next("user32.ReleaseCapture")
        seq.next("user32.SendMessageA", form, WM_NCLBUTTONDOWN, HTCAPTION, 0)
    assert seq.remaining() == [], "more moves than drags: %s" % seq.remaining()

    first = drags[0][4]
    ticks = [c for c in calls if c.matches(buffers[106], 0, ASYNC)
             and first.time < c.time < first.ret_time]
    assert ticks, "no tick sound during the %.1f s drag" % (first.ret_time - first.time)
    held = [c for c in calls if c.name == "user32.ExitWindowsEx"]
    assert len(held) == 1 and held[0].matches(2, 0), \
        "expected one ExitWindowsEx(2, 0), got %s" % held
    after = requests[0].time - shown
    assert 9.5 <= after <= 12.0, "the request came %.2f s after the window appeared" % after


@scenario(timeout=90)
def arrow_keys_reopen_the_window():
    """Up re-opens from the top edge, then Down from the left edge: each runs the whole
    start-up again, whose rectangles grow from that edge over the new window; each new
    countdown starts at "10", and only the last one detonates, ten seconds after its
    start-up."""
    watch = TICK_WATCH + ["gdi32.Rectangle"]
    shot_done = []  # when each "10" screenshot had been taken, one per start-up
    # Each "10" is photographed with the program stopped, so that however long the
    # harness takes the window still shows it.
    with TickbombRun(watch=watch) as run:
        window = run.wait_for_window(settle=0.1)
        with run.stopped() as stopped:
            first_digits = images.crop(run.window_shot("first-start", window), DIGITS_BOX)
        shot_done.append(stopped)
        # Let the first countdown run until it shows "9" (tick 2, which plays the first
        # tick sound after the seven of the start-up).
        run.relay.wait_for("winmm.PlaySoundA", count=8, timeout=5)
        deadline = time.monotonic() + speed.budget(3)
        nine = first_digits
        while images.difference(nine, first_digits)[0] == 0 and time.monotonic() < deadline:
            nine = images.crop(run.window_shot("first-countdown", window), DIGITS_BOX)
        opened = []
        for key, origin in (("Up", 3), ("Down", 4)):
            run.key(key)
            window = run.wait_for_window(settle=0.1)
            geometry = run.geometry()
            with run.stopped() as stopped:
                digits = images.crop(run.window_shot("reopened-%s" % key, window), DIGITS_BOX)
            shot_done.append(stopped)
            opened.append((key, origin, geometry, digits))
            # The new countdown's first tick sound, a second after its start-up.
            plays = len(run.relay.calls("winmm.PlaySoundA"))
            run.relay.wait_for("winmm.PlaySoundA", count=plays + 1, timeout=5)
            run.assert_running()
        requests = run.relay.wait_for("user32.ExitWindowsEx", timeout=20)
        run.wait_for_exit(timeout=20)
        calls = run.relay.calls()

    assert images.difference(nine, first_digits)[0] > 0, "the first countdown still shows 10"
    startups = [i for i, c in enumerate(calls) if c.name == "user32.SetWindowRgn"]
    assert len(startups) == 3, "expected three start-ups, saw %d" % len(startups)
    for n in (1, 2, 3):
        # Each countdown starts afresh, its timer armed at the end of its start-up: its
        # first tick sound is tick 2's ("9"), on time a second after that.
        this = startups[n - 1]
        buffers = wave_buffers(calls, n)
        until = startups[n] if n < len(startups) else len(calls)
        countdown = read_countdown(calls[this:until], run.freezes)
        assert countdown is not None, "start-up %d armed no timer" % n
        ticks = [c for c in calls[this:until] if c.matches(buffers[106], 0, ASYNC)]
        assert ticks, "start-up %d: no tick sound" % n
        late = countdown.lateness(2) if 2 in countdown.ticks else None
        run.log("start-up %d: the first tick sound %.3f s after its timer was armed, tick 2 "
                "%s s late" % (n, ticks[0].time - countdown.start,
                               "?" if late is None else "%.3f" % late))
        assert countdown.took_part_in(2, ticks[0]), "start-up %d: the first tick sound came " \
            "%.2f s after its timer was armed, not in tick 2 (%s)" % (
                n, ticks[0].time - countdown.start, countdown)
        assert -0.001 <= late < 0.1, "start-up %d: tick 2 came %+.3f s from when it could " \
            "(%s)" % (n, late, countdown)
        assert shot_done[n - 1] < ticks[0].time, "start-up %d: the program was stopped for " \
                                                 "the screenshot of its \"10\" after tick 2" % n

    for n, (key, origin, geometry, digits) in enumerate(opened, 2):
        previous, this = startups[n - 2], startups[n - 1]
        frames = [tuple(c.sarg(i) for i in range(1, 5)) for c in calls[previous:this]
                  if c.name == "gdi32.Rectangle"]
        expected = zoom_frames(*geometry, origin=origin)
        assert frames == expected, "%s: the frames over the window at %s:\n got      %s\n " \
                                   "expected %s" % (key, geometry, frames, expected)
        worst, _ = images.difference(digits, first_digits)
        assert worst == 0, "%s: the re-opened window does not show the first start's " \
                           "\"10\" (differs by up to %d)" % (key, worst)

    # Only the last countdown detonates; the first would have done so ten seconds after
    # the first start-up, the second ten seconds after the first re-open.
    held = [c for c in calls if c.name == "user32.ExitWindowsEx"]
    assert len(held) == 1 and held[0].matches(1, 0), "expected one ExitWindowsEx(1, 0): %s" % held
    since_last = requests[0].time - calls[startups[-1]].time
    since_first = requests[0].time - calls[startups[0]].time
    frozen = run.frozen_between(calls[startups[-1]].time, requests[0].time)
    run.log("the shutdown request came %.2f s after the last start-up, %.2f s after the first"
            % (since_last, since_first))
    assert 9.5 <= since_last and since_last - frozen <= 12.0, "the shutdown request came " \
        "%.2f s after the last re-open (%.2f s after the first start, %.2f s stopped)" % (
            since_last, since_first, frozen)
