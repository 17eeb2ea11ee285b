"""The ticks of a countdown, read back from a relay trace.

Timer1 is paced against its start: the forms layer arms it when the window is
created (user32.SetTimer with 500 ms), reads the clock first thing on every
WM_TIMER (kernel32.QueryPerformanceCounter), runs the Timer handler if the next
tick is due, and re-arms it with SetTimer and the delay that reaches the next
tick's nominal time, start + n x 500 ms.  So with those calls traced every
tick shows, the silent odd ticks too:

- a SetTimer whose target (call time + delay) moved on by half a period or
  more closes a WM_TIMER that took a tick; one whose target stayed put closes
  a wake-up that came early and took none;
- the tick happened at the clock reading on that WM_TIMER's arrival;
- tick 20 never re-arms: it is the WM_TIMER whose handler plays the explosion
  synchronously (PlaySoundA with flags 6) and asks for the shutdown.

Trace TICK_WATCH (more calls may be traced too).  Times are the relay trace's
(seconds, the host's monotonic clock).

A run may stop the program on purpose (SIGSTOP) to photograph it: a tick due
while it was stopped can come only once it runs again, and, being late by more
than a fifth of a period, moves the schedule on by its lateness, as the
program's pacing does for any stall; so can a tick due just before a stop that
the program had not taken yet.  Given those freezes, `lateness` measures every
tick from its time, less what of its wait the program spent stopped.
"""

INTERVAL = 0.5  # seconds, Timer1.Interval
STALL = INTERVAL / 5  # a tick later than this moves the program's schedule on
# How far into a tick's half second a run stops the program to photograph it: the
# tick's paint has long reached the display, and the next tick is still to come.
LATE_IN_A_TICK = 0.35
LAST_TICK = 20
CLOCK_CALLS = ("kernel32.QueryPerformanceCounter", "ntdll.RtlQueryPerformanceCounter")
TICK_WATCH = ["user32.SetTimer", "kernel32.QueryPerformanceCounter", "winmm.PlaySoundA",
              "user32.ExitWindowsEx"]
SND_SYNC_FROM_MEMORY = 6  # SND_NODEFAULT | SND_MEMORY


class Countdown:
    """One countdown: when Timer1 was armed, when each tick ran, when the request came.

    start: time of the SetTimer that armed Timer1 (at the clock reading just
    before it, when traced); ticks: {n: time} for the ticks seen, 1 to 20;
    detonation: time of the ExitWindowsEx call, or None; wakeups: how many
    WM_TIMERs came too early to take a tick; spans: {n: (first, last)}, the
    trace lines from tick n's clock reading to the SetTimer that closed its
    WM_TIMER (the last tick's runs to the end of the trace).
    """

    def __init__(self, start, freezes=()):
        self.start = start
        self.freezes = list(freezes)  # (stopped, resumed) on the trace's clock
        self.ticks = {}
        self.spans = {}
        self.detonation = None
        self.wakeups = 0

    def took_part_in(self, n, call):
        """True if `call` was made while tick n's WM_TIMER ran.

        Read from the order of the trace, not its clock, so a busy machine that
        holds the program up inside a tick does not move a call out of it.
        """
        first, last = self.spans.get(n, (None, None))
        return first is not None and first <= call.line_no <= last

    def nominal(self, n):
        return self.start + n * INTERVAL

    def _schedule(self):
        """({n: earliest moment tick n could come}, seconds the schedule moved on in all)."""
        start, earliest = self.start, {}
        for n in sorted(self.ticks):
            due = start + n * INTERVAL
            # What of the wait from its time to its coming the program spent stopped is
            # not the tick's: a stop that falls in it, even one that begins a few
            # milliseconds after the tick was due, holds the tick up by its length.
            earliest[n] = due + sum(max(0.0, min(resumed, self.ticks[n]) - max(stopped, due))
                                    for stopped, resumed in self.freezes)
            if self.ticks[n] - due > STALL:
                start += self.ticks[n] - due
        return earliest, start - self.start

    def lateness(self, n):
        """Seconds tick n ran after it could first run (negative if early): after its nominal
        time on the program's schedule, or after the program was let go on if it was stopped
        then.  Without freezes (and stalls) the nominal time is start + n x 500 ms."""
        return self.ticks[n] - self._schedule()[0][n]

    def set_back(self):
        """Seconds the freezes' stalls moved the schedule on: what they added to the countdown."""
        return self._schedule()[1]

    def missing(self):
        return [n for n in range(1, LAST_TICK + 1) if n not in self.ticks]

    def __repr__(self):
        return "<Countdown start %.3f ticks %s detonation %s>" % (
            self.start, {n: round(t - self.start, 3) for n, t in sorted(self.ticks.items())},
            None if self.detonation is None else round(self.detonation - self.start, 3))


def read_countdown(calls, freezes=()):
    """The first countdown in `calls` (relay Call records, in order), or None if Timer1 was never armed.

    Meant for a run left alone: a re-open arms a new countdown that is not told apart.
    freezes: (stopped, resumed) of each time the run stopped the program.
    """
    start_index = None
    for i, call in enumerate(calls):
        if call.name == "user32.SetTimer" and len(call.args) == 4 and call.args[2] == 500:
            start_index = i
            break
    if start_index is None:
        return None
    armed = calls[start_index]
    before = calls[start_index - 1] if start_index else None
    start = armed.time
    if before is not None and before.name in CLOCK_CALLS and armed.time - before.time < 0.005:
        start = before.time
    countdown = Countdown(start, freezes)

    target = armed.time + armed.args[2] / 1000.0
    readings = []     # clock-reading calls since the last SetTimer
    ticks = 0
    for call in calls[start_index + 1:]:
        if call.name in CLOCK_CALLS:
            readings.append(call)
        elif call.name == "user32.SetTimer" and len(call.args) == 4:
            # A WM_TIMER reads the clock on arrival and again for the delay just
            # before re-arming; readings before those two (the start-up seeding
            # its random generator) belong to no WM_TIMER.
            new_target = call.time + call.args[2] / 1000.0
            if new_target > target + INTERVAL / 2:
                ticks += 1
                arrival = readings[-2] if len(readings) >= 2 else call
                countdown.ticks[ticks] = arrival.time
                countdown.spans[ticks] = (arrival.line_no, call.line_no)
            else:
                countdown.wakeups += 1
            target = new_target
            readings = []
        elif call.name == "winmm.PlaySoundA" and len(call.args) == 3 \
                and call.args[2] == SND_SYNC_FROM_MEMORY and ticks == LAST_TICK - 1:
            ticks += 1
            arrival = readings[0] if readings else call
            countdown.ticks[ticks] = arrival.time
            countdown.spans[ticks] = (arrival.line_no, float("inf"))
        elif call.name == "user32.ExitWindowsEx" and countdown.detonation is None:
            countdown.detonation = call.time
            break
    return countdown
