"""How fast this machine's Wine is, measured with a yardstick, for the harness's own budgets.

Two kinds of time meet in a scenario.  What the program promises (each tick
within 100 ms of its time, the detonation 9.5 to 12 s after the window, a
synchronous sound as long as it lasts) is judged as it is, on any machine.  What
Wine, an emulator or the harness take (a window to appear, a message box, a
process to end, input to reach the program) depends on the machine: the
harness's budgets for those are written in native seconds, the time they take
with Wine running natively on the project's 2-core machine, and `budget` scales
them by how much slower this machine is.

That factor is measured once per test run (e2e.py prepare: the CTest fixture
e2e.wine_prefix) with the minimal window program (baseline/minimal_window.c):
it is started STARTS times under the same Wine, each in a fresh prefix copy, and
the median time from `wine` to its window being shown, divided by
NATIVE_START_UP, is the factor, never below 1.
"""

import json
import os
import statistics
import subprocess
import time

from . import display as display_mod

# Seconds from `wine` to the minimal window being shown, with Wine running natively
# on the project's 2-core machine (docs/figures.md, "Overall figures").
NATIVE_START_UP = 1.2
STARTS = 3
TITLE = "minimal window"
SOURCE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                      "baseline", "minimal_window.c")
COMPILER = "i686-w64-mingw32-gcc-win32"
_FILE = "wine-speed.json"

_factor = 1.0


def factor():
    """How many times slower than natively this machine's Wine starts a program (at least 1)."""
    return _factor


def budget(native_seconds):
    """A wait for Wine, the emulator or the harness: its native length, scaled to this machine."""
    return native_seconds * _factor


def use(measured):
    global _factor
    _factor = max(1.0, float(measured))


def build_helper(source, exe, libraries=()):
    """A helper program of the harness, built with mingw-w64 from one C file into `exe`
    (again when its source changed); two test processes may build it at once."""
    if not os.path.isfile(exe) or os.path.getmtime(exe) < os.path.getmtime(source):
        os.makedirs(os.path.dirname(exe), exist_ok=True)
        building = "%s.%d.new" % (exe, os.getpid())
        subprocess.run([COMPILER, "-O2", "-mwindows", "-o", building, source] + list(libraries),
                       check=True, capture_output=True, timeout=120)
        os.replace(building, exe)
    return exe


def minimal_window(out):
    """The yardstick program, built into OUT/baseline."""
    return build_helper(SOURCE, os.path.join(out, "baseline", "minimal_window.exe"))


def wait_for_title(run, title, timeout):
    """Seconds from the run's start to a shown window named `title`."""
    pattern = "^%s$" % display_mod.regex_escape(title)
    deadline = time.monotonic() + timeout
    from .run import relay_clock  # run imports this module
    while not run.display.search(pattern):
        if run.exited:
            raise AssertionError("%s ended before its window %r was shown" % (run.exe, title))
        if time.monotonic() > deadline:
            raise AssertionError("no window %r after %.0f s" % (title, timeout))
        time.sleep(0.01)
    return relay_clock() - run.started_at


def measure(out, template, log=print):
    """Measures the factor under this Wine, saves it in OUT/wine-speed.json and uses it."""
    from . import run as run_mod  # run imports this module
    exe = minimal_window(out)
    starts = []
    for index in range(STARTS):
        run_mod.set_context(run_mod.Context(exe, os.path.join(out, "artefacts", "wine-speed"),
                                            template, os.path.join(out, "runs"),
                                            log=lambda message: None))
        try:
            with run_mod.TickbombRun(name="start%d" % (index + 1)) as run:
                starts.append(wait_for_title(run, TITLE, timeout=300))
        finally:
            run_mod.set_context(None)
    measured = statistics.median(starts) / NATIVE_START_UP
    with open(os.path.join(out, _FILE), "w", encoding="utf-8") as f:
        json.dump({"factor": measured, "starts": starts}, f)
    use(measured)
    log("Wine starts a minimal window in %s s (median %.2f s): %.2f times the native %.1f s; "
        "the harness's waits are scaled by %.2f" % (
            " ".join("%.2f" % s for s in starts), statistics.median(starts), measured,
            NATIVE_START_UP, factor()))
    return factor()


def load(out, template, log=print):
    """Uses the factor measured for OUT by this test run's prepare, or measures it now."""
    try:
        with open(os.path.join(out, _FILE), encoding="utf-8") as f:
            use(json.load(f)["factor"])
        return factor()
    except (OSError, ValueError, KeyError):
        return measure(out, template, log)
