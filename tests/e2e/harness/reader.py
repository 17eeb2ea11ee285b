"""A screen reader beside the program: what it hears and reads (tests/e2e/reader/reader.c).

    with TickbombRun(reader=True) as run:
        run.wait_for_window()
        focus = run.reader.wait_for(lambda h: h.kind == "focus", "the first focus")
        assert focus.name == "None", focus
        changes = run.reader.spoken("name")

The listener runs under the same Wine as the program, in the run's prefix and on
its display, and is started before the program, so it hears the program's first
events.  It turns the screen reader flag on (SPI_GETSCREENREADER then reads on in
the program), hooks the foreground, focus and name change events of every other
process, judges each as NVDA would (a name change is spoken only when it is the
focused object's), reads the object's name through MSAA and writes one line at
once (reader.c says which).  Its lines are kept among the run's artefacts
(reader.log).

Times are in seconds on the relay clock (harness.relay_clock()): the
listener counts on QueryPerformanceCounter, which Wine takes from
CLOCK_MONOTONIC_RAW.  The trace's +timestamp is Wine's tick count on that
clock, which lags it by up to 16 ms.
"""

import collections
import os
import re
import subprocess
import time

from . import display as display_mod, speed

SOURCE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                      "reader", "reader.c")
LIBRARIES = ("-loleacc", "-lole32", "-loleaut32", "-luuid")

# One event as the listener took it.  time: when it reached the listener (seconds on
# the relay clock); kind: "foreground", "focus" or "name"; window: the event's hwnd;
# spoken: whether a reader speaks it; name: the name read, None for none; error: the
# HRESULT of a failed read, else None.
Heard = collections.namedtuple("Heard", "time kind window spoken name error")

_EVENT = re.compile(r"(\d+) (foreground|focus|name|other) ([0-9a-f]{8}) (spoken|silent) "
                    r"(?:=(.*)|-|!([0-9a-f]{8}))$")


def parse(lines):
    """Every event of the listener's lines, in the order heard (its other lines, ready and
    done, are not events)."""
    heard = []
    for line in lines:
        m = _EVENT.match(line.rstrip("\r\n"))
        if m:
            heard.append(Heard(int(m.group(1)) / 1000.0, m.group(2), int(m.group(3), 16),
                               m.group(4) == "spoken", m.group(5),
                               int(m.group(6), 16) if m.group(6) else None))
    return heard


def build(out):
    """reader.exe, built into OUT/reader (the test run's folder)."""
    return speed.build_helper(SOURCE, os.path.join(out, "reader", "reader.exe"), LIBRARIES)


class Reader:
    """The listener of one run: started by TickbombRun(reader=True), stopped with it."""

    def __init__(self, exe, directory, log):
        self.exe = exe
        self.path = os.path.join(directory, "reader.log")
        self.wine_log = os.path.join(directory, "reader-wine.log")
        self.log = log
        self.process = None
        self.ready_at = None

    def start(self, env, cwd, seconds, timeout=30):
        """Start it under `env` (the run's prefix and display) for `seconds` at most; wait
        until it listens (`timeout`: native seconds)."""
        env = dict(env, WINEDEBUG="-all")  # the program's trace is not the listener's
        with open(self.path, "wb") as out, open(self.wine_log, "wb") as err:
            self.process = subprocess.Popen(
                ["wine", self.exe, str(int(seconds))], cwd=cwd, env=env, stdout=out, stderr=err,
                stdin=subprocess.DEVNULL, start_new_session=True)
        timeout = speed.budget(timeout)
        deadline = time.monotonic() + timeout
        while True:
            ready = [line.split() for line in self.lines() if line.split()[1:2] == ["ready"]]
            if ready:
                break
            if self.process.poll() is not None:
                raise AssertionError("the listener ended (exit code %d) before it listened; "
                                     "see %s and %s" % (self.process.returncode, self.path,
                                                        self.wine_log))
            if time.monotonic() > deadline:
                raise AssertionError("the listener did not listen within %.0f s; see %s"
                                     % (timeout, self.wine_log))
            time.sleep(0.05)
        self.ready_at = int(ready[0][0]) / 1000.0
        if ready[0][2:] != ["1"]:
            raise AssertionError("the listener could not turn the screen reader flag on: %s"
                                 % " ".join(ready[0]))
        self.log("a screen reader listens (%s)" % self.path)
        return self

    def stop(self):
        display_mod.kill_group(self.process)

    def lines(self):
        try:
            with open(self.path, encoding="utf-8", errors="replace") as f:
                return [line for line in f if line.endswith("\n")]  # whole lines only
        except FileNotFoundError:
            return []

    def heard(self, kind=None):
        """Every event heard so far (of `kind` only, if given), in order."""
        lines = self.lines()
        if any(line.split()[1:2] == ["dropped"] for line in lines):
            raise AssertionError("the listener's queue overflowed and dropped events; see %s"
                                 % self.path)
        return [h for h in parse(lines) if kind is None or h.kind == kind]

    def spoken(self, kind=None):
        """What a reader spoke so far: the events it took as spoken (of `kind`, if given)."""
        return [h for h in self.heard(kind) if h.spoken]

    def wait_for(self, condition, what, timeout=10, after=None):
        """The first event heard (after `after`, on the relay clock) for which condition(heard)
        is true; fails after `timeout` native seconds."""
        timeout = speed.budget(timeout)
        deadline = time.monotonic() + timeout
        while True:
            for heard in self.heard():
                if (after is None or heard.time >= after) and condition(heard):
                    return heard
            if time.monotonic() > deadline:
                raise AssertionError("the screen reader heard no %s in %.1f s; it heard: %s"
                                     % (what, timeout, self.heard() or "nothing"))
            time.sleep(0.05)
