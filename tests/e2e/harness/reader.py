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
CLOCK_MONOTONIC_RAW.  The trace's +timestamp and an event's `raised` time are
Wine's tick count on that clock, which lags it by up to 16 ms.
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

OBJID_WINDOW = 0
OBJID_CLIENT = -4
CHILDID_SELF = 0

# One event as the listener took it.  time: when it reached the listener; kind:
# "foreground", "focus" or "name"; window: the event's hwnd; object, child: its
# ids as raised; spoken: whether a reader speaks it; raised: the event's own time
# (its dwmsEventTime); read: when its name had been read; name: the name read, None
# for none; error: the HRESULT of a failed read, else None.  Times in seconds.
Heard = collections.namedtuple(
    "Heard", "time kind window object child spoken raised read name error")

_EVENT = re.compile(
    r"(?P<time>\d+) (?P<kind>foreground|focus|name|other) (?P<window>[0-9a-f]{8}) "
    r"(?P<object>-?\d+) (?P<child>-?\d+) (?P<spoken>spoken|silent) (?P<raised>\d+) "
    r"(?P<read>\d+) (?:\"(?P<name>(?:[^\"\\]|\\.)*)\"|(?P<none>-)|!(?P<error>[0-9a-f]{8}))$")
_ESCAPES = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "t": "\t"}


def unquote(text):
    """A name as the listener quoted it (its UTF-8 bytes, escaped), back as text."""
    out = bytearray()
    i = 0
    raw = text.encode("utf-8")
    while i < len(raw):
        c = raw[i:i + 1]
        if c == b"\\":
            nxt = raw[i + 1:i + 2].decode()
            if nxt == "x":
                out.append(int(raw[i + 2:i + 4], 16))
                i += 4
                continue
            out += _ESCAPES[nxt].encode()
            i += 2
            continue
        out += c
        i += 1
    return out.decode("utf-8", errors="replace")


def parse_line(line):
    """A Heard for an event line; None for the listener's other lines (ready, done)."""
    m = _EVENT.match(line.rstrip("\r\n"))
    if not m:
        return None
    return Heard(
        time=int(m.group("time")) / 1000.0, kind=m.group("kind"),
        window=int(m.group("window"), 16), object=int(m.group("object")),
        child=int(m.group("child")), spoken=m.group("spoken") == "spoken",
        raised=int(m.group("raised")) / 1000.0, read=int(m.group("read")) / 1000.0,
        name=unquote(m.group("name")) if m.group("name") is not None else None,
        error=int(m.group("error"), 16) if m.group("error") else None)


def parse(lines):
    """Every event of the listener's lines, in the order heard."""
    return [h for h in map(parse_line, lines) if h is not None]


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
