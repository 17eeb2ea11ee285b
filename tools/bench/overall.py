#!/usr/bin/python3
"""tickbomb's overall figures, as ratios, in one run under Wine:

    tools/with-wine.sh /usr/bin/python3 tools/bench/overall.py [--startups 5] [--cpu-runs 3] [--tick-runs 3]

1. start-up: the time from starting `wine X.exe` to X's window being shown on
   the display, tickbomb.exe against a minimal Win32 window program
   (tests/e2e/baseline/minimal_window.c, built here with mingw-w64), run alternately
   under the same Wine, each in a fresh copy of the template prefix; at 96,
   120, 144 and 192 DPI (100, 125, 150 and 200 %: above 96 tickbomb resamples
   its pictures); start-up under Wine varies by a fifth from run to run (the
   process start dominates), so it is shown with its spread, not judged;
2. CPU: the CPU time (user + system, all threads) of the tickbomb.exe process
   over a whole countdown, from its window being shown to its shutdown
   request (the scheduler's count, in nanoseconds), against the countdown's
   length, at each of those densities (the
   densities taking turns), and each density's against 96 DPI's; the goal:
   at 144 DPI at most 1.5 times that at 96;
3. the first picture at 144 DPI: the time the x87 build takes to resample a
   whole 425 x 397 picture for 150 % the first time (its taps too), from the
   resampler's own benchmark (tools/bench/resample_bench.sh windows); the
   goal: at most 10 ms;
4. size: the bytes of the .exe against the bytes of its resources (sounds,
   pictures, cursors, icon, version record, manifest), and the code part
   (the file less its resources);
5. timing: the ticks' error from tools/bench/tick_timing.py's measure_ticks,
   against a plain repeating timer.

Runs use the end-to-end harness (tests/e2e/harness): a private Xvfb display
and prefix per run.  The machine's load average is printed before and after,
since other work on the same cores slows start-up and stretches ticks.
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
sys.path.insert(0, os.path.join(REPO, "tests", "build"))

import check_pe_security  # noqa: E402
from harness import run as run_mod  # noqa: E402
from harness import prefix as prefix_mod  # noqa: E402
from harness import speed  # noqa: E402
from harness.display import regex_escape  # noqa: E402
from tick_timing import measure_ticks  # noqa: E402

DEFAULT_EXE = os.path.join(REPO, "build", "windows", "tickbomb.exe")
OUT = os.path.join(REPO, "build", "bench", "overall")
TEMPLATE = os.path.join(REPO, "build", "windows", "e2e", "wine-template")
DENSITIES = (96, 120, 144, 192)
TICKBOMB_TITLE, MINIMAL_TITLE = run_mod.FORM_CAPTION, speed.TITLE


def log(message):
    print(message, file=sys.stderr, flush=True)


def in_context(exe, name, body):
    run_mod.set_context(run_mod.Context(exe, os.path.join(OUT, name), TEMPLATE,
                                        os.path.join(OUT, "work"), log=lambda m: None))
    try:
        return body()
    finally:
        run_mod.set_context(None)


def time_to_window(exe, title, index, name, dpi=96):
    """Seconds from starting the program to its window being shown (polled every 10 ms)."""
    def body():
        with run_mod.TickbombRun(name="%s%d-%d" % (name, index, dpi), log_pixels=dpi) as run:
            pattern = "^%s$" % regex_escape(title)
            deadline = time.monotonic() + 30
            while not run.display.search(pattern):
                if run.exited or time.monotonic() > deadline:
                    raise RuntimeError("%s run %d: no window %r; see %s" % (name, index, title,
                                                                           run.dir))
                time.sleep(0.01)
            return run_mod.relay_clock() - run.started_at
    return in_context(exe, name, body)


def cpu_seconds(pid):
    """CPU time of every thread of the process so far: the scheduler's nanoseconds
    (/proc/PID/task/*/schedstat), where /proc/PID/stat counts in 10 ms ticks."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass  # a thread that ended meanwhile
    return total / 1e9


def countdown_cpu(exe, dpi=96):
    """(CPU seconds, wall seconds) of tickbomb.exe from its window shown to its shutdown request."""
    def body():
        with run_mod.TickbombRun(watch=["user32.ExitWindowsEx"], audio="", log_pixels=dpi,
                                 name="cpu%d" % dpi) as run:
            run.wait_for_window(settle=0)
            pid = run.program_pid()
            cpu0, wall0 = cpu_seconds(pid), time.monotonic()
            cpu = cpu0
            while not run.relay.calls("user32.ExitWindowsEx"):
                if run.exited or time.monotonic() - wall0 > 30:
                    raise RuntimeError("the countdown did not reach its shutdown request")
                cpu = cpu_seconds(pid)
                time.sleep(0.02)
            cpu = cpu_seconds(pid)
            wall = time.monotonic() - wall0
            run.wait_for_exit(timeout=30)
            return cpu - cpu0, wall
    return in_context(exe, "tickbomb", body)


def first_picture_ms():
    """The resampler's benchmark, the x87 build under Wine: ms of the first whole picture at 150 %."""
    out = subprocess.run([os.path.join(HERE, "resample_bench.sh"), "windows"], capture_output=True,
                         text=True, check=True, env=dict(os.environ, ROUNDS="10")).stdout
    block = out.split("150 % (144 DPI)", 1)[1]
    return float(re.search(r"first whole picture \(taps \+ all\)\s+([0-9.]+)", block).group(1))


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=DEFAULT_EXE)
    parser.add_argument("--startups", type=int, default=5, help="start-ups of each program")
    parser.add_argument("--cpu-runs", type=int, default=3, help="countdowns at each density")
    parser.add_argument("--tick-runs", type=int, default=3, help="countdowns for the tick timing")
    args = parser.parse_args()
    exe = os.path.abspath(args.exe)
    if not os.path.isfile(exe):
        sys.exit("overall.py: no %s; build it first (cmake --build --preset windows)" % exe)
    started = time.monotonic()
    load_before = load()
    prefix_mod.ensure_template(TEMPLATE, log=log)
    minimal = speed.minimal_window(OUT)

    startups, cpus = {}, {dpi: [] for dpi in DENSITIES}
    for dpi in DENSITIES:
        log("start-ups at %d DPI: %d of each program, alternating" % (dpi, args.startups))
        ours, baseline = [], []
        for index in range(1, args.startups + 1):
            ours.append(time_to_window(exe, TICKBOMB_TITLE, index, "tickbomb", dpi))
            baseline.append(time_to_window(minimal, MINIMAL_TITLE, index, "minimal", dpi))
        startups[dpi] = (ours, baseline)
    for index in range(args.cpu_runs):
        for dpi in DENSITIES:
            log("CPU over a countdown at %d DPI (%d of %d)" % (dpi, index + 1, args.cpu_runs))
            cpus[dpi].append(countdown_cpu(exe, dpi))
    log("the first picture at 144 DPI: the resampler's benchmark, x87 build under Wine")
    first_ms = first_picture_ms()
    pe = check_pe_security.read(exe)
    exe_bytes, resource_bytes = os.path.getsize(exe), pe.resource_bytes()
    log("tick timing: %d countdowns of tickbomb and of a plain timer" % args.tick_runs)
    ticks = measure_ticks(args.tick_runs, exe=exe, out=os.path.join(OUT, "tick_timing"), log=log)
    load_after = load()

    ticks_ours = [ticks["tickbomb"][n]["mean_ms"] for n in range(1, 21)]
    ticks_plain = [ticks["plain_timer"][n]["mean_ms"] for n in range(1, 21)]
    worst_ours = max((ticks["tickbomb"][n]["worst_ms"] for n in range(1, 21)), key=abs)
    mean_abs_ours = statistics.fmean(abs(v) for v in ticks_ours)
    mean_abs_plain = statistics.fmean(abs(v) for v in ticks_plain)

    print("tickbomb overall figures (%s, %s)" % (os.path.relpath(exe, REPO),
                                                 prefix_mod.wine_version()))
    print("")
    for dpi in DENSITIES:
        ours, baseline = startups[dpi]
        med_ours, med_base = statistics.median(ours), statistics.median(baseline)
        print("start-up at %3d DPI            %.2f   tickbomb %.0f ms / minimal window %.0f ms "
              "(medians of %d; tickbomb %s, minimal %s)" % (
                  dpi, med_ours / med_base, med_ours * 1000, med_base * 1000, args.startups,
                  " ".join("%.0f" % (t * 1000) for t in ours),
                  " ".join("%.0f" % (t * 1000) for t in baseline)))
    share = {dpi: statistics.median(cpu / wall for cpu, wall in cpus[dpi]) for dpi in DENSITIES}
    for dpi in DENSITIES:
        print("CPU over a countdown, %3d DPI  %.4f   of a core: median of %d countdowns (%s s of "
              "CPU over %s s from shown to the shutdown request)%s" % (
                  dpi, share[dpi], len(cpus[dpi]),
                  " ".join("%.3f" % cpu for cpu, _ in cpus[dpi]),
                  " ".join("%.2f" % wall for _, wall in cpus[dpi]),
                  "" if dpi == 96 else "; %.2f times 96 DPI's" % (share[dpi] / share[96])))
    ratio = share[144] / share[96]
    print("CPU at 144 DPI / at 96 DPI     %.2f   goal at most 1.5: %s" % (
        ratio, "met" if ratio <= 1.5 else "NOT MET"))
    print("first picture at 144 DPI       %.1f ms   x87 build under Wine, the resampler's own "
          "benchmark; goal at most 10 ms: %s" % (first_ms, "met" if first_ms <= 10 else "NOT MET"))
    print(".exe bytes per resource byte   %.2f   %d bytes of .exe / %d bytes of resources "
          "(resources %.0f%% of the file; the code part %.0f KB)" % (
              exe_bytes / resource_bytes, exe_bytes, resource_bytes,
              100 * resource_bytes / exe_bytes, (exe_bytes - resource_bytes) / 1024))
    print("tick timing error              %.2f   tickbomb %.1f ms / plain 500 ms timer %.1f ms "
          "(mean |lateness| over ticks 1-20, %d countdowns each; tickbomb's worst %+.1f ms, "
          "tick 20 %+.1f ms against %+.1f ms, detonation %+.1f ms)" % (
              mean_abs_ours / mean_abs_plain if mean_abs_plain else float("nan"), mean_abs_ours,
              mean_abs_plain, args.tick_runs, worst_ours, ticks_ours[-1], ticks_plain[-1],
              ticks["tickbomb"]["detonation"]["mean_ms"]))
    print("")
    print("load average before %s, after %s (2 cores); %.0f s in all; runs in %s" % (
        load_before, load_after, time.monotonic() - started, os.path.relpath(OUT, REPO)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
