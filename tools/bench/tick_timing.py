#!/usr/bin/python3
"""How closely the countdown keeps time: the real tickbomb.exe under Wine, several runs.

    tools/with-wine.sh /usr/bin/python3 tools/bench/tick_timing.py [--runs 3] [--no-baseline]

For each tick 1 ... 20 and for the detonation (the ExitWindowsEx call) it
prints how far it landed from its nominal time, n x 500 ms after Timer1 was
armed: the mean and the worst (largest in size) over the runs, in ms.  Beside
it, as a baseline measured in the same session, a plain repeating 500 ms timer
(tools/bench/plain_timer.c, built here with mingw-w64) run the same way, and
the ratio of the two means.

Each run is one of the end-to-end harness's runs (tests/e2e/harness): its own
Xvfb display and a copy of the template prefix of build/windows/e2e; the relay
trace times every WM_TIMER (see tests/e2e/harness/ticks.py).  The runs of the
two programs alternate, so both meet the same load.  Under Wine the request
only ends the Wine session of the run's private prefix.

Another script can take the figures:

    from tick_timing import measure_ticks     # with tools/bench on sys.path
    figures = measure_ticks(3)
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

from harness import run as run_mod  # noqa: E402
from harness import prefix as prefix_mod  # noqa: E402
from harness.relay import RelayLog  # noqa: E402
from harness.ticks import CLOCK_CALLS, INTERVAL, LAST_TICK, TICK_WATCH, read_countdown  # noqa: E402

DEFAULT_EXE = os.path.join(REPO, "build", "windows", "tickbomb.exe")
DEFAULT_OUT = os.path.join(REPO, "build", "bench", "tick_timing")
TEMPLATE = os.path.join(REPO, "build", "windows", "e2e", "wine-template")
PLAIN_SOURCE = os.path.join(HERE, "plain_timer.c")
COMPILER = "i686-w64-mingw32-gcc-win32"
# The relay trace's clock has 1 ms steps: ratios of smaller means say nothing.
MEANINGFUL_MS = 5.0


def _quiet(message):
    pass


def _context(exe, out, name, log):
    return run_mod.Context(exe, os.path.join(out, name), TEMPLATE, os.path.join(out, "work"), log=log)


def _tickbomb_run(exe, out, index, log):
    """{tick: lateness s, "detonation": lateness s} of one run of tickbomb.exe."""
    run_mod.set_context(_context(exe, out, "tickbomb", log))
    try:
        with run_mod.TickbombRun(watch=TICK_WATCH, name="run%d" % index) as run:
            run.wait_for_window()
            run.wait_for_exit(timeout=40)
            calls = run.relay.calls()
    finally:
        run_mod.set_context(None)
    countdown = read_countdown(calls)
    if countdown is None or countdown.missing() or countdown.detonation is None:
        raise RuntimeError("run %d: an incomplete countdown %r; see %s" % (
            index, countdown, os.path.join(out, "tickbomb", "run%d" % index)))
    found = {n: countdown.lateness(n) for n in range(1, LAST_TICK + 1)}
    found["detonation"] = countdown.detonation - countdown.nominal(LAST_TICK)
    return found


def build_plain_timer(out):
    exe = os.path.join(out, "plain_timer.exe")
    os.makedirs(out, exist_ok=True)
    subprocess.run([COMPILER, "-O2", "-mwindows", "-o", exe, PLAIN_SOURCE], check=True)
    return exe


def _plain_run(exe, out, index, log):
    """{tick: lateness s} of one run of the plain repeating timer."""
    run_mod.set_context(_context(exe, out, "plain_timer", log))
    try:
        with run_mod.TickbombRun(watch=["user32.SetTimer"] + list(CLOCK_CALLS[:1]),
                                 name="run%d" % index) as run:
            run.wait_for_exit(timeout=40)
            calls = RelayLog(run.relay.path).calls()
    finally:
        run_mod.set_context(None)
    armed = [i for i, c in enumerate(calls) if c.name == "user32.SetTimer"]
    if not armed:
        raise RuntimeError("plain timer run %d: no SetTimer traced" % index)
    start = calls[armed[0]].time
    if armed[0] and calls[armed[0] - 1].name in CLOCK_CALLS:
        start = calls[armed[0] - 1].time
    wakes = [c.time for c in calls[armed[0] + 1:] if c.name in CLOCK_CALLS]
    if len(wakes) != LAST_TICK:
        raise RuntimeError("plain timer run %d: %d ticks traced" % (index, len(wakes)))
    return {n: wakes[n - 1] - (start + n * INTERVAL) for n in range(1, LAST_TICK + 1)}


def _summary(samples):
    """{"mean_ms", "worst_ms"} of lateness samples in seconds; worst is the largest in size, signed."""
    worst = max(samples, key=abs)
    return {"mean_ms": statistics.fmean(samples) * 1000, "worst_ms": worst * 1000}


def measure_ticks(runs, exe=DEFAULT_EXE, out=DEFAULT_OUT, baseline=True, log=_quiet):
    """Runs tickbomb.exe (and the plain timer) `runs` times each; returns the figures.

    {"runs": runs,
     "tickbomb": {1: {"mean_ms": .., "worst_ms": ..}, ..., 20: {...}, "detonation": {...}},
     "plain_timer": {1: {...}, ..., 20: {...}} or None,
     "ratio": {n: tickbomb mean / plain timer mean} for the ticks where the plain timer is
              5 ms or more late on average (below that the 1 ms resolution of the trace's
              clock makes a ratio meaningless),
     "samples": {"tickbomb": [per-run {tick: lateness s}], "plain_timer": [...]}}
    """
    if not os.path.isfile(exe):
        raise FileNotFoundError("%s is not built (cmake --build --preset windows)" % exe)
    prefix_mod.ensure_template(TEMPLATE, log=log)
    plain_exe = build_plain_timer(out) if baseline else None
    samples = {"tickbomb": [], "plain_timer": []}
    for index in range(1, runs + 1):
        samples["tickbomb"].append(_tickbomb_run(exe, out, index, log))
        if baseline:
            samples["plain_timer"].append(_plain_run(plain_exe, out, index, log))
    keys = list(range(1, LAST_TICK + 1))
    figures = {"runs": runs,
               "tickbomb": {k: _summary([s[k] for s in samples["tickbomb"]]) for k in keys + ["detonation"]},
               "plain_timer": None, "ratio": {}, "samples": samples}
    if baseline:
        figures["plain_timer"] = {k: _summary([s[k] for s in samples["plain_timer"]]) for k in keys}
        for k in keys:
            ours, plain = figures["tickbomb"][k]["mean_ms"], figures["plain_timer"][k]["mean_ms"]
            if abs(plain) >= MEANINGFUL_MS:
                figures["ratio"][k] = ours / plain
    return figures


def format_figures(figures):
    lines = ["Lateness against the nominal time n x 500 ms after Timer1 was armed, ms "
             "(%d runs each; worst = largest in size)" % figures["runs"],
             "",
             "tick  nominal   tickbomb mean  worst" +
             ("   plain timer mean  worst   ratio of means" if figures["plain_timer"] else "")]
    for key in list(range(1, LAST_TICK + 1)) + ["detonation"]:
        ours = figures["tickbomb"][key]
        nominal = LAST_TICK * INTERVAL if key == "detonation" else key * INTERVAL
        label = "det" if key == "detonation" else "%d" % key
        line = "%4s  %6.0f    %+11.1f  %+6.1f" % (label, nominal * 1000, ours["mean_ms"], ours["worst_ms"])
        plain = figures["plain_timer"]
        if plain and key in plain:
            ratio = figures["ratio"].get(key)
            line += "   %+16.1f  %+6.1f   %s" % (plain[key]["mean_ms"], plain[key]["worst_ms"],
                                                "%.2f" % ratio if ratio is not None else "-")
        lines.append(line)
    lines.append("")
    lines.append("Times come from the relay trace, in 1 ms steps; a ratio is shown where the plain "
                 "timer is %.0f ms or more late on average." % MEANINGFUL_MS)
    lines.append("det: the ExitWindowsEx call, after tick 20 has shown the explosion and played its "
                 "sound (without a sound device Wine returns from that at once).")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    parser.add_argument("--runs", type=int, default=3, help="runs of each program (default 3)")
    parser.add_argument("--exe", default=DEFAULT_EXE)
    parser.add_argument("--out", default=DEFAULT_OUT, help="artefacts of the runs (relay traces)")
    parser.add_argument("--no-baseline", action="store_true", help="skip the plain repeating timer")
    args = parser.parse_args()
    started = time.monotonic()
    figures = measure_ticks(args.runs, exe=os.path.abspath(args.exe), out=os.path.abspath(args.out),
                            baseline=not args.no_baseline,
                            log=lambda message: print(message, file=sys.stderr, flush=True))
    print(format_figures(figures))
    print("(%d runs in %.0f s; relay traces in %s)" % (
        args.runs * (1 if args.no_baseline else 2), time.monotonic() - started, args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
