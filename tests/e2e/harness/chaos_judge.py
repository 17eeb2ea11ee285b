"""What a random session must show, judged from its relay trace and its input log.

The trace holds the program's own calls (chaos_session.WATCH); the log holds
each action with the relay clock before (t0) and after (t1) it was sent, and
`thaw` for input sent while the program was frozen (it can run no earlier).

Input sent to a running program reaches its handler within DELIVERY: xdotool,
the X server and Wine's event reading, on a loaded 2-core machine with Wine
running natively, and within that scaled to this machine (speed.budget)
elsewhere.  Input the
judge cannot place for sure on one side of a start-up or of the detonation's
last pump (right before the explosion sound, after which nothing is
dispatched) may have gone either way, and every outcome it allows is accepted.
An Esc or Alt+F4 counts as surely delivered only where no freeze may have
held it up and no re-open may have swallowed it (sure_reach).  Alt+F4 ends
the program with neither a box nor a request; the session logs with its exit
when it last saw the program running (`running`).
"""

import collections

from . import speed
from .run import DEFUSED, ESCAPED, MESSAGE_TITLE
from .sounds import ASYNC, SYNC, wave_buffers
from .ticks import read_countdown

RUN_TIME_ERROR = "Run-time error"
RESTART = 2

DELIVERY = 0.3
# Alt+F4 that reached the window ends the process within this, under Wine
# running natively (speed.budget elsewhere).
CLOSING = 1.0
TEN_SECONDS = 10.0
PERIOD = 0.5
# A tick up to a fifth of a period late keeps the schedule, so a freeze of up
# to 600 ms may cost the countdown nothing; a longer one costs at least its
# length less the period it began in.
ORDINARY_LATENESS = PERIOD / 5
CLOSEST_TICK_SOUNDS = 0.4
CLOCK_STEP = 0.002  # the trace's times are whole milliseconds
WAYS_OUT = {"Escape": "an Esc", "alt+F4": "an Alt+F4"}
NEVER = float("inf")
ACTIONS = ("key", "click_bomb", "click_bomb_other", "click_sky", "drag", "freeze")

Verdict = collections.namedtuple("Verdict", "ending windows freezes actions violations")


class Countdown:
    """One start-up and the countdown it began, up to where the next start-up begins."""

    def __init__(self, calls, number, first, shown, end):
        self.number = number
        self.hwnd = calls[shown].args[0]
        self.shown = calls[shown].ret_time or calls[shown].time
        self.buffers = wave_buffers(calls, number)
        self.begin = calls[first].time
        self.calls = calls[first:end]
        ticks = read_countdown(self.calls)
        self.tick19 = ticks.ticks.get(19) if ticks else None
        self.tick_sounds = [c.time for c in self.calls if c.name == "winmm.PlaySoundA"
                            and c.time >= self.shown and c.matches(self.buffers[106], 0, ASYNC)]


def countdowns(calls):
    """The countdowns of a trace, oldest first.

    A start-up begins with the timer armed for its window or with its
    warm-up's first sound, whichever comes first, and ends with its SetWindowRgn.
    """
    bounds = []
    for index, call in enumerate(calls):
        if call.name != "user32.SetWindowRgn":
            continue
        plays = [i for i in range(index) if calls[i].name == "winmm.PlaySoundA"]
        armed = [i for i in range(index) if calls[i].name == "user32.SetTimer"
                 and calls[i].args[0] == call.args[0]]
        first = min(armed[:1] + plays[-7:-6] or [index])
        bounds.append((first, index))
    ends = [first for first, _ in bounds[1:]] + [len(calls)]
    return [Countdown(calls, number, first, shown, end)
            for number, ((first, shown), end) in enumerate(zip(bounds, ends), 1)]


def stall_cost(seconds):
    """The least time a freeze of `seconds` adds to the countdown."""
    return seconds - PERIOD if seconds > PERIOD + ORDINARY_LATENESS else 0.0


def reach(entry):
    """(earliest, latest) moment the program may have handled the input of `entry`."""
    if "thaw" in entry:
        return entry["thaw"], entry["thaw"] + speed.budget(DELIVERY)
    return entry["t0"], entry["t1"] + speed.budget(DELIVERY)


def held_up(earliest, latest, entries):
    """`latest`, put off by every freeze that stopped the program between `earliest` and it."""
    for freeze in sorted((e for e in entries if e["kind"] == "freeze"), key=lambda e: e["t0"]):
        if freeze["t0"] <= latest and freeze["t1"] > earliest:
            latest += freeze["t1"] - freeze["t0"]
    return latest


def sure_reach(entry, runs, entries):
    """When the input of `entry` had surely reached a shown window; NEVER if it may have
    reached none (sent uncertain or late, or while a re-open kept the program busy)."""
    if not entry.get("sent") or entry.get("uncertain") or entry.get("late"):
        return NEVER
    earliest, latest = reach(entry)
    latest = held_up(earliest, latest, entries)
    if any(run.busy_from <= latest and earliest <= run.shown for run in runs):
        return NEVER
    return latest


def judge(calls, entries, default_flags):
    violations = []
    try:
        runs = countdowns(calls)
    except AssertionError as e:
        runs = []
        violations.append("start-up: %s" % e)
    for run in runs:
        # A re-open keeps the program busy from its arrow key until its window
        # is up; the input sent meanwhile reaches the new window, or none.
        arrows = [e["t0"] for e in entries if e["kind"] == "key" and e.get("arrow")
                  and e.get("sent") and e["t0"] < run.begin]
        run.busy_from = arrows[-1] if arrows and run.number > 1 else run.begin
    boxes = [c for c in calls if c.name == "user32.MessageBoxW"]
    requests = [c for c in calls if c.name == "user32.ExitWindowsEx"]
    endings = [b for b in boxes if str(b.args[2]) == MESSAGE_TITLE] + requests
    exits = [e for e in entries if e["kind"] == "exit"]
    closes = [e for e in entries if e["kind"] == "key" and e["combo"] == "alt+F4" and e.get("sent")]
    closed, closer = min(((sure_reach(e, runs, entries), e) for e in closes),
                         key=lambda c: c[0], default=(NEVER, None))

    for box in boxes:
        if str(box.args[1]).startswith(RUN_TIME_ERROR):
            violations.append("a run-time error report: %r" % str(box.args[1]))
        elif str(box.args[2]) != MESSAGE_TITLE or str(box.args[1]) not in (DEFUSED, ESCAPED):
            violations.append("an unknown message box: %r" % box)
    for call in calls:
        if call.name == "kernel32.FatalAppExitA":
            violations.append("a fatal exit: %r" % call)
    if len(endings) > 1 or not endings and not exits:
        violations.append("%d endings: %s" % (len(endings), endings))
    for entry in entries:
        if entry["kind"] == "still_running":
            violations.append("still running %.0f s after its ending" % entry["waited"])
        elif entry["kind"] == "no_reopen":
            violations.append("an arrow key re-opened no window (start-ups %d, expected %d)"
                              % (entry["seen"], entry["expected"]))
        elif entry["kind"] == "box_seen" and not entry["shown"]:
            violations.append("a message box was called but never shown")

    for run in runs:
        gaps = [b - a for a, b in zip(run.tick_sounds, run.tick_sounds[1:])]
        if gaps and min(gaps) < CLOSEST_TICK_SOUNDS:
            violations.append("countdown %d: tick sounds %s s apart" % (
                run.number, ", ".join("%.3f" % g for g in gaps)))
    if boxes:
        after = [c for c in calls[calls.index(boxes[0]) + 1:]
                 if c.name in ("winmm.PlaySoundA", "user32.SetTimer")]
        if after:
            violations.append("with the box up: %s" % after[:3])
        if closed < boxes[0].time:
            violations.append("a box after an Alt+F4 sent at %.3f" % closer["t0"])
    if not endings and closed < NEVER:
        earliest, latest = reach(closer)
        seen = [e["running"] for e in exits if e.get("running")] + [
            e["t0"] for e in entries if e["kind"] == "no_ending"]
        if max(seen, default=0.0) > held_up(earliest, latest + speed.budget(CLOSING), entries):
            violations.append("still running %.3f s after an Alt+F4 sent at %.3f" % (
                max(seen) - closer["t0"], closer["t0"]))

    ending = "none"
    if endings and endings[0] in requests:
        request = endings[0]
        ending = "restart" if request.args[0] == RESTART else "shutdown"
        if runs:
            violations += judge_request(request, runs, entries, default_flags)
    elif endings:
        ending = "defuse" if str(endings[0].args[1]) == DEFUSED else "escape"
        wanted = "click_bomb" if ending == "defuse" else "key"
        if not any(e["kind"] == wanted and e.get("sent") and (
                ending == "defuse" or e["combo"] == "Escape") for e in entries):
            violations.append("a %s box, and the user never asked for it" % ending)
    elif exits:
        ending = "close"
        if not any(reach(e)[0] < exits[0]["t0"] for e in closes):
            violations.append("the program ended with neither a box nor a shutdown request, "
                              "and no Alt+F4 was sent before")

    freezes = sum(1 for e in entries if e["kind"] == "freeze")
    actions = sum(1 for e in entries if e["kind"] in ACTIONS)
    return Verdict(ending, len(runs), freezes, actions, violations)


def judge_request(request, runs, entries, default_flags):
    """The shutdown request: late enough, after no way out, with the flags the keys chose."""
    found = []
    current = [r for r in runs if r.begin <= request.time][-1]
    pumped = [c.time for c in current.calls if c.name == "winmm.PlaySoundA"
              and c.time <= request.time and c.matches(current.buffers[101], 0, SYNC)]
    pump = pumped[-1] if pumped else request.time

    wall = request.time - current.shown
    frozen = [max(0.0, min(e["t1"], request.time) - max(e["t0"], current.shown))
              for e in entries if e["kind"] == "freeze"]
    owed = TEN_SECONDS + sum(stall_cost(f) for f in frozen)
    if wall < owed - CLOCK_STEP:
        found.append("the request came %.3f s after window %d was up, with %.3f s frozen "
                     "(%s); at least %.3f s are owed" % (
                         wall, current.number, sum(frozen),
                         ", ".join("%.2f" % f for f in frozen if f), owed))

    for entry in entries:
        if entry["kind"] == "key" and entry["combo"] in WAYS_OUT \
                and sure_reach(entry, runs, entries) < pump:
            found.append("the request came after %s sent at %.3f" % (
                WAYS_OUT[entry["combo"]], entry["t0"]))
        if not entry.get("sent") or entry.get("uncertain") or entry.get("late"):
            continue
        earliest, latest = reach(entry)
        if latest >= pump:
            continue
        if entry["kind"] == "click_bomb" and entry["button"] == 1:
            run = runs[entry["window"] - 1]
            hidden = [t for t in (run.tick19, runs[run.number].busy_from if run.number < len(runs)
                                  else None) if t is not None]
            if earliest > run.shown and (not hidden or latest < min(hidden)):
                found.append("the request came after a click on the bomb of window %d at %.3f"
                             % (run.number, entry["t0"]))

    possible = chosen_flags(current, pump, entries, default_flags)
    if request.args[0] not in possible:
        found.append("ExitWindowsEx(%d) where the keys chose %s" % (
            request.args[0], " or ".join(map(str, sorted(possible)))))
    return found


def chosen_flags(current, pump, entries, default_flags):
    """Every flag word the key events of the current countdown may have chosen."""
    possible = {default_flags}
    for entry in entries:
        if entry["kind"] != "key" or not entry.get("sent"):
            continue
        earliest, latest = reach(entry)
        if latest < current.busy_from or earliest > pump:
            continue
        certain = not entry.get("uncertain") and earliest > current.shown and latest < pump
        for key, direction, mask in entry["events"]:
            if mask not in (0, 1) or (key == "Escape" and direction == "down"):
                continue  # Ctrl or Alt held leave the choice; Esc runs the ending instead
            flags = RESTART if mask == 1 else default_flags
            possible = {flags} if certain else possible | {flags}
    return possible
