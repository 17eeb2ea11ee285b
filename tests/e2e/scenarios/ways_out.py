"""The user's ways out: a click on the bomb, Esc, and Shift choosing a restart."""

import time

from harness import TickbombRun, images, relay_clock, scenario, speed
from harness.cursor import embedded_cursor, pointer_cursor
from harness.layout import BOMB_MIDDLE, PICTURE_H, PICTURE_W, RED, TOP_LINE, WHITE, YELLOW
from harness.old_windows import EVERY_FAMILY
from harness.relay import InOrder
from harness.run import DEFUSED, ESCAPED, MESSAGE_TITLE
from harness.sounds import ASYNC, SYNC, sound_of, sound_seconds, wave_buffers

INDENT = 150  # ten ideographic spaces at 20.25 points are wider than this


def form_window(run):
    """The form's window handle: the one the start-up gave its shape."""
    return run.relay.calls("user32.SetWindowRgn")[0].args[0]


@scenario(timeout=60, windows_versions=EVERY_FAMILY)
def click_on_bomb_defuses(windows_version):
    """Hand cursor over the bomb, pressed finger while the button is down; the click shows
    the defuse message, stops the countdown, and closing the message ends the program
    without a shutdown request."""
    finger_up = embedded_cursor("IDC_FINGER_UP")
    finger_pressed = embedded_cursor("IDC_FINGER_PRESSED")
    watch = ["user32.ExitWindowsEx", "user32.MessageBoxW", "winmm.PlaySoundA",
             "user32.LoadImageA", "user32.SetCursor"]
    with TickbombRun(watch=watch, windows_version=windows_version) as run:
        run.wait_for_window()
        run.mouse_move(*BOMB_MIDDLE)
        run.wait_until(lambda: pointer_cursor(run.display.name).same_as(finger_up),
                       "the hand cursor over the bomb", timeout=5)
        run.log("the cursor over the bomb: %r" % pointer_cursor(run.display.name))
        run.mouse_move(200, 150)
        run.wait_until(lambda: not pointer_cursor(run.display.name).same_as(finger_up),
                       "another cursor off the bomb", timeout=5)

        run.mouse_move(*BOMB_MIDDLE)
        time.sleep(0.2)
        run.log("press on the bomb")
        run.mouse_down(1)
        run.wait_until(lambda: pointer_cursor(run.display.name).same_as(finger_pressed),
                       "the pressed-finger cursor while the button is down", timeout=5)
        run.assert_running()
        assert run.relay.calls("user32.MessageBoxW") == [], "a message before the release"
        run.log("release on the bomb")
        run.mouse_up(1)

        box = run.wait_for_message_box(MESSAGE_TITLE)
        assert run.display.window_name(box) == MESSAGE_TITLE
        run.screenshot("defuse-message")
        boxes = run.relay.wait_for("user32.MessageBoxW")
        # The countdown is stopped: no tick sound while the message stays up.
        time.sleep(1.3)
        run.assert_running()
        calls = run.relay.calls()
        run.close_message_box(box)
        code = run.wait_for_exit(timeout=20)
        assert run.relay.calls("user32.ExitWindowsEx") == [], \
            "shutdown requested: %s" % run.relay.calls("user32.ExitWindowsEx")

    assert code == 0, "exit code %d" % code
    assert len(boxes) == 1 and boxes[0].matches(form_window(run), DEFUSED, MESSAGE_TITLE, 0), \
        "expected MessageBoxW(form, %r, %r, MB_OK), got %s" % (DEFUSED, MESSAGE_TITLE, boxes)
    buffers = wave_buffers(calls)
    box_call = [i for i, c in enumerate(calls) if c.name == "user32.MessageBoxW"][0]
    after_box = [c for c in calls[box_call:] if c.name == "winmm.PlaySoundA"]
    assert after_box == [], "sounds played while the message was up: %s" % after_box

    # Press: cursor 102 is loaded and set; release: cursor 101 again, then the sound and
    # the message.
    seq = InOrder(calls)
    seq.next("user32.SetWindowRgn")
    pressed = seq.next("user32.LoadImageA", None, 102, 2, 32, 32, None, skip=True)
    seq.next("user32.SetCursor", pressed.retval, skip=True)
    up = seq.next("user32.LoadImageA", None, 101, 2, 32, 32, None, skip=True)
    seq.next("user32.SetCursor", up.retval, skip=True)
    play = seq.next("winmm.PlaySoundA")
    assert play.matches(buffers[105], 0, ASYNC), "expected sound 105 async, got %r (%s)" % (
        play, sound_of(play, buffers))
    seq.next("user32.MessageBoxW")
    cursors = [c for c in calls[calls.index(up):] if c.name == "user32.SetCursor"]
    assert all(c.args[0] == up.retval for c in cursors), \
        "after the release the cursor is not the finger up again: %s" % cursors


@scenario(timeout=60, windows_versions=EVERY_FAMILY)
def escape_plays_the_fake_ending(windows_version):
    """Esc right after start: "3", "2", "1" and the explosion played synchronously, paced
    by the sounds; the final screen; the teasing message; the end, without a shutdown
    request."""
    watch = ["user32.ExitWindowsEx", "user32.MessageBoxW", "winmm.PlaySoundA", "kernel32.Sleep"]
    with TickbombRun(watch=watch, paced_audio=True, windows_version=windows_version) as run:
        window = run.wait_for_window()
        x, y, width, height = run.geometry()
        run.key("Escape")
        box = run.wait_for_message_box(MESSAGE_TITLE)
        # The message box may lie over the window: move it out of the way, let the form repaint.
        run.display.xdotool("windowmove", box, 0, 0)
        run.wait_until(lambda: run.display.geometry(box)[:2] == (0, 0), "the message box to move",
                       timeout=5)
        time.sleep(0.5)
        final = run.window_shot("escape-final", window=window)
        run.assert_running()
        calls = run.relay.calls()
        run.close_message_box(box)
        code = run.wait_for_exit(timeout=20)
        assert run.relay.calls("user32.ExitWindowsEx") == [], \
            "shutdown requested: %s" % run.relay.calls("user32.ExitWindowsEx")
    assert code == 0, "exit code %d" % code

    buffers = wave_buffers(calls)
    shown = [i for i, c in enumerate(calls) if c.name == "user32.SetWindowRgn"][0]
    # What follows the start-up: maybe a tick's sound (106) before the Esc, then the ending.
    after = calls[shown + 1:]
    while after and after[0].matches(buffers[106], 0, ASYNC):
        after = after[1:]
    seq = InOrder(after)
    plays = [seq.next("winmm.PlaySoundA", buffers[sound], 0, SYNC) for sound in (104, 103, 102)]
    seq.next("kernel32.Sleep", 125)
    seq.next_n("kernel32.Sleep", 3, 50)
    plays.append(seq.next("winmm.PlaySoundA", buffers[101], 0, SYNC))
    seq.next("winmm.PlaySoundA", buffers[105], 0, ASYNC)
    message = seq.next("user32.MessageBoxW")
    assert message.matches(form_window(run), ESCAPED, MESSAGE_TITLE, 0), \
        "expected MessageBoxW(form, %r, %r, MB_OK), got %r" % (ESCAPED, MESSAGE_TITLE, message)
    assert seq.remaining() == [], "calls after the message box: %s" % seq.remaining()

    # Synchronous: each play lasts at least as long as its sound, and the next step
    # waits for it.
    for play, sound in zip(plays, (104, 103, 102, 101)):
        length = sound_seconds(sound)
        took = play.ret_time - play.time
        run.log("sound %d (%.3f s) played synchronously in %.3f s" % (sound, length, took))
        assert 0.9 * length <= took <= length + 1.5, \
            "sound %d of %.3f s took %.3f s to play" % (sound, length, took)
    for earlier, later in zip(plays, plays[1:]):
        assert later.time >= earlier.ret_time

    check_escape_screen(final)


@scenario(timeout=60, windows_versions=(None, "win98"))
def alt_f4_closes_the_window(windows_version):
    """Alt+F4, the system's close key, about two seconds in: the program ends within a
    second, as closing the window does, with neither a shutdown request nor a box."""
    watch = ["user32.ExitWindowsEx", "user32.MessageBoxW", "kernel32.ExitProcess"]
    with TickbombRun(watch=watch, windows_version=windows_version) as run:
        run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        time.sleep(max(0.0, shown + 2.0 - relay_clock()))
        sent = relay_clock()
        run.key("alt+F4")
        code = run.wait_for_exit(timeout=10)
        ended = run.relay.calls("kernel32.ExitProcess")
        assert run.relay.calls("user32.ExitWindowsEx") == [], "a shutdown request"
        assert run.relay.calls("user32.MessageBoxW") == [], "a message box"
    assert code == 0, "exit code %d" % code
    assert ended, "the program did not end through its own end (ExitProcess)"
    took = ended[0].time - sent
    run.log("Alt+F4 sent %.2f s after the window was up; the program ended %.3f s later" % (
        sent - shown, took))
    assert took <= speed.budget(1.0), "the program ended %.2f s after Alt+F4" % took


@scenario(timeout=60)
def alt_f4_closes_the_defusing_box():
    """Alt+F4 on the box a click on the bomb brings closes it, and the program ends
    without a shutdown request."""
    with TickbombRun(watch=["user32.ExitWindowsEx", "user32.MessageBoxW"]) as run:
        run.wait_for_window()
        run.click(*BOMB_MIDDLE)
        box = run.wait_for_message_box(MESSAGE_TITLE)
        run.key("alt+F4", window=box)
        code = run.wait_for_exit(timeout=10)
        assert run.relay.calls("user32.ExitWindowsEx") == [], "a shutdown request"
    assert code == 0, "exit code %d" % code
    assert [str(b.args[1]) for b in run.relay.calls("user32.MessageBoxW")] == [DEFUSED]


@scenario(timeout=90)
def holding_esc_ends_as_one_press_does():
    """Esc held down from the start (the keyboard repeats it): one fake ending, the scream
    where it belongs, and a box that the repeats do not close; it stays until the user
    closes it."""
    watch = ["user32.ExitWindowsEx", "user32.MessageBoxW", "winmm.PlaySoundA"]
    with TickbombRun(watch=watch) as run:
        window = run.wait_for_window()
        run.key_down("Escape")
        try:
            box = run.wait_for_message_box(MESSAGE_TITLE)
            run.display.xdotool("windowmove", box, 0, 0)
            time.sleep(speed.budget(2.0))  # still held: repeat after repeat reaches the box
            run.assert_running()
            still = run.display.search("^%s$" % MESSAGE_TITLE)
            final = run.window_shot("escape-held", window=window)
        finally:
            run.display.xdotool("keyup", "Escape")
        assert still, "the held Esc closed the box"
        boxes = run.relay.calls("user32.MessageBoxW")
        run.close_message_box(still[-1])
        code = run.wait_for_exit(timeout=20)
        assert run.relay.calls("user32.ExitWindowsEx") == [], "a shutdown request"
    assert code == 0, "exit code %d" % code
    assert [str(b.args[1]) for b in boxes] == [ESCAPED], boxes
    check_escape_screen(final)


def check_escape_screen(final):
    big_bomb = images.load_picture("IDB_BIG_BOMB")
    window = images.crop(final, (0, 0, PICTURE_W, PICTURE_H))
    caption_rows = (0, 100)
    scream_box = (220, 270, PICTURE_W, PICTURE_H)
    hint_box = (0, 335, 160, PICTURE_H)
    bare_shot = images.pixels(window).copy()
    bare_bomb = images.pixels(big_bomb).copy()
    for left, top, right, bottom in [(0, caption_rows[0], PICTURE_W, caption_rows[1]),
                                     scream_box, hint_box]:
        bare_shot[top:bottom, left:right] = 0
        bare_bomb[top:bottom, left:right] = 0
    worst = abs(bare_shot - bare_bomb).max(axis=2)
    wy, wx = divmod(int(worst.argmax()), PICTURE_W)
    # The big bomb is the background, the small bomb is hidden, and so are "あと" and "秒".
    assert worst.max() <= 2, "the final screen differs from the big bomb by %d at (%d, %d)" % (
        worst.max(), wx, wy)

    seen = images.crop(window, scream_box)
    bare = images.crop(big_bomb, scream_box)
    red, yellow = images.changed_to(seen, bare, RED), images.changed_to(seen, bare, YELLOW)
    white = images.changed_to(seen, bare, WHITE)
    assert red >= 1000 and yellow >= 300, "ギャー: %d red and %d yellow pixels" % (red, yellow)
    assert white <= 20, "%d white text pixels left where 秒 stood" % white

    # The two-line caption: white on a red shadow; the second line starts after ten
    # ideographic spaces, so nothing of it lies near the left edge.
    caption = images.crop(window, (0, 0, PICTURE_W, caption_rows[1]))
    bare = images.crop(big_bomb, (0, 0, PICTURE_W, caption_rows[1]))
    text = images.colour_mask(caption, WHITE) & ~images.colour_mask(bare, WHITE)
    shadow = images.colour_mask(caption, RED) & ~images.colour_mask(bare, RED)
    first_line = [y for y in range(text.shape[0]) if text[y, :INDENT].any()]
    assert first_line, "no first line of the caption at the left edge"
    below = text[first_line[-1] + 1:]
    assert text[:first_line[-1] + 1].sum() >= 300, "first line: %d white pixels" % (
        text[:first_line[-1] + 1].sum())
    assert below.sum() >= 150, "second line: %d white pixels below the first" % below.sum()
    assert not below[:, :INDENT].any(), "the second line is not indented"
    assert shadow.sum() >= 300, "the caption's red shadow: %d pixels" % shadow.sum()


def top_line(window_shot):
    """The rows of the top caption line, as far as the picture goes."""
    return images.crop(window_shot, TOP_LINE)


def text_right_edge(line, scene_line):
    """The rightmost column of white caption text (pixels the scene has in another colour)."""
    text = images.colour_mask(line, WHITE) & ~images.colour_mask(scene_line, WHITE)
    columns = [x for x in range(text.shape[1]) if text[:, x].any()]
    assert columns, "no caption text on the top line"
    return columns[-1]


@scenario(timeout=60)
def shift_held_selects_restart():
    """Shift down shows the restart caption, Shift up the shutdown caption again; Shift
    held through tick 20 makes the detonation ask for a restart, ExitWindowsEx(2, 0)."""
    scene_line = top_line(images.load_picture("IDB_SCENE"))
    with TickbombRun(watch=["user32.ExitWindowsEx"]) as run:
        window = run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        shutdown_line = top_line(run.window_shot("shutdown-caption", window))

        def line_now():
            return top_line(run.window_shot("caption", window))

        def changed(line):
            return images.difference(line, shutdown_line)[0] > 0

        run.key_down("Shift_L")
        restart_line = line_now()
        deadline = time.monotonic() + speed.budget(5)
        while not changed(restart_line) and time.monotonic() < deadline:
            restart_line = line_now()
        restart_line.save(run.dir + "/restart-top-line.png")
        shutdown_line.save(run.dir + "/shutdown-top-line.png")
        run.key_up("Shift_L")
        back = line_now()
        deadline = time.monotonic() + speed.budget(5)
        while changed(back) and time.monotonic() < deadline:
            back = line_now()
        run.key_down("Shift_L")
        try:
            requests = run.relay.wait_for("user32.ExitWindowsEx", timeout=20)
            run.wait_for_exit(timeout=20)
            held = run.relay.calls("user32.ExitWindowsEx")
        finally:
            run.display.xdotool("keyup", "Shift_L")  # the window is gone by now

    assert changed(restart_line), "the top line did not change while Shift was down"
    assert not changed(back), "the shutdown caption did not come back when Shift was released"
    # Both captions begin with "Ｗｉｎｄｏｗｓ"; the restart caption is the shorter one.
    assert images.difference(images.crop(restart_line, (0, 0, 100, restart_line.height)),
                             images.crop(shutdown_line, (0, 0, 100, shutdown_line.height)))[0] == 0
    shutdown_end = text_right_edge(shutdown_line, scene_line)
    restart_end = text_right_edge(restart_line, scene_line)
    run.log("the top line's text ends at x = %d (shutdown) and %d (restart)" % (
        shutdown_end, restart_end))
    assert restart_end + 10 <= shutdown_end, \
        "the restart caption ends at %d, the shutdown caption at %d" % (restart_end, shutdown_end)

    assert len(held) == 1 and requests[0].matches(2, 0), \
        "expected one ExitWindowsEx(2, 0), got %s" % held
    after = requests[0].time - shown
    assert 9.5 <= after <= 12.0, "the restart request came %.2f s after the window appeared" % after
