"""What a screen reader hears of the countdown, as one beside the program hears it
(harness/reader.py): the seconds and the way out as the focus lands on the window, the
seconds left five seconds before the end, the new action when Shift switches it; a
handful of announcements in all, in the user's language; and where oleacc is missing,
nothing of it, with the countdown as before."""

import os
import time

from harness import TickbombRun, relay_clock, scenario, speed
from harness.old_windows import japanese_locale
from harness.run import current_out

WATCH = ["user32.ExitWindowsEx", "user32.NotifyWinEvent"]

ENGLISH = {
    "shutdown": "Windows will shut down in %d seconds. To stop it, press Esc or Alt+F4, or "
                "click the bomb.",
    "restart": "Windows will restart in %d seconds. To stop it, press Esc or Alt+F4, or "
               "click the bomb.",
}
JAPANESE = {
    "shutdown": "あと%d秒でWindowsがシャットダウンします。止めるには、EscキーかAlt+F4を押すか、"
                "爆弾をクリックしてください。",
    "restart": "あと%d秒でWindowsが再起動します。止めるには、EscキーかAlt+F4を押すか、"
               "爆弾をクリックしてください。",
}


def hear_a_countdown(words, windows_version=None, env=None):
    """Shift held from about 2.2 s to 3.7 s into a countdown that runs to its end; what the
    reader spoke is checked against `words`."""
    with TickbombRun(watch=WATCH, reader=True, windows_version=windows_version,
                     env=env) as run:
        run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        for at, action in ((2.2, run.key_down), (3.7, run.key_up)):
            time.sleep(max(0.0, shown + at - relay_clock()))
            action("Shift_L")
        run.relay.wait_for("user32.ExitWindowsEx", timeout=20)
        run.wait_for_exit(timeout=20)
        spoken = [h for h in run.reader.heard() if h.spoken]
    run.log("spoken: %s" % "; ".join("%.2f %s %r" % (h.time - shown, h.kind, h.name)
                                     for h in spoken))
    ours = [h for h in spoken if h.name and "Alt+F4" in h.name]
    assert ours and ours[0].name == words["shutdown"] % 10, \
        "no '%s' as the window came up: %s" % (words["shutdown"] % 10, spoken)
    assert ours[0].kind == "focus", "the start is heard as the focus lands: %s" % ours[0]
    changes = [h for h in ours if h.kind == "name"]
    said = [h.name for h in changes]
    assert len(said) == 3 and said[0] in [words["restart"] % n for n in (8, 7)] and \
        said[1] in [words["shutdown"] % n for n in (7, 6)] and said[2] == words["shutdown"] % 5, \
        "name changes: %s" % said
    five = changes[2].time - shown
    assert 4.9 <= five <= 5.0 + speed.budget(0.5), "the five seconds were said at %.2f s" % five
    assert len(spoken) <= 7, "%d things spoken in one countdown: %s" % (len(spoken), spoken)
    calls = run.relay.calls("user32.NotifyWinEvent")
    assert len(calls) == 3 and all(c.args[0] == 0x800C for c in calls), \
        "one name-change event per announcement: %s" % calls


@scenario(timeout=120, windows_versions=("winxp", "win10"))
def a_reader_hears_the_countdown(windows_version):
    hear_a_countdown(ENGLISH, windows_version=windows_version)


@scenario(timeout=120)
def a_japanese_reader_hears_it_in_japanese():
    hear_a_countdown(JAPANESE, windows_version="win10",
                     env=japanese_locale(os.path.join(current_out(), "locale")))


@scenario(timeout=120)
def without_oleacc_the_countdown_runs_as_before():
    """oleacc missing (as on Windows 95): nothing is announced, the reader reads the
    focused button's own name, and the countdown ends as ever."""
    # For the program only: the reader needs oleacc itself.
    no_oleacc = {r"Software\Wine\AppDefaults\tickbomb.exe\DllOverrides": {"oleacc": ""}}
    with TickbombRun(watch=WATCH, reader=True, settings=no_oleacc) as run:
        run.wait_for_window()
        shown = run.relay.calls("user32.SetWindowRgn")[0].time
        request = run.relay.wait_for("user32.ExitWindowsEx", timeout=20)[0]
        run.wait_for_exit(timeout=20)
        spoken = [h for h in run.reader.heard() if h.spoken]
    assert run.relay.calls("user32.NotifyWinEvent") == []
    with open(run.relay.path, encoding="utf-8", errors="replace") as trace:
        assert not any("\\oleacc.dll" in line and "Loaded" in line for line in trace), \
            "the program loaded oleacc all the same"
    assert [h.name for h in spoken if h.kind == "focus"][-1:] == ["None"], spoken
    after = request.time - shown
    assert 9.5 <= after <= 12.0, "the request came %.2f s after the window" % after
