#!/usr/bin/python3
"""tickbomb's overall figures, as ratios, in one run under Wine:

    tools/with-wine.sh /usr/bin/python3 tools/bench/overall.py [--startups 5] [--cpu-runs 3] [--tick-runs 3]
                           [--resampler-output FILE] [--write docs/figures.md --measured-on TEXT]

(tools/bench/figures.sh runs it so and writes docs/figures.md: the way to take these figures.)

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
   against a plain repeating timer;
6. CPU over one countdown beside the minimal window program, the two side by
   side under the same Wine, as the idle scenario measures it.

Runs use the end-to-end harness (tests/e2e/harness): a private Xvfb display
and prefix per run.  The machine's load average is printed before and after,
since other work on the same cores slows start-up and stretches ticks.
"""

import argparse
import json
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
from tick_timing import format_figures, measure_ticks  # noqa: E402

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


def countdown_cpu_beside_yardstick(exe, out):
    """(tickbomb's CPU seconds, the minimal window's, wall seconds) over one countdown, the
    two running side by side under the same Wine, as the idle scenario measures them."""
    yardstick = speed.minimal_window(out)

    def body():
        with run_mod.TickbombRun(watch=["user32.ExitWindowsEx"], audio="", name="beside") as run, \
                run_mod.TickbombRun(exe=yardstick, audio="", name="yardstick") as other:
            speed.wait_for_title(other, speed.TITLE, timeout=300)
            run.wait_for_window(settle=0, timeout=300)
            pids = run.program_pid(), other.program_pid()
            cpu0, wall0 = [cpu_seconds(pid) for pid in pids], time.monotonic()
            while not run.relay.calls("user32.ExitWindowsEx"):
                if run.exited or time.monotonic() - wall0 > 60:
                    raise RuntimeError("the countdown did not reach its shutdown request")
                time.sleep(0.02)
            used = [cpu_seconds(pid) - before for pid, before in zip(pids, cpu0)]
            wall = time.monotonic() - wall0
            run.wait_for_exit(timeout=30)
            return used[0], used[1], wall
    return in_context(exe, "beside", body)


def resampler_ms(output):
    """{"old", "first", "area"}: ms (the fastest batch) at 150 % in the resampler's benchmark
    output of its x87 build under Wine (tools/bench/resample_bench.sh windows)."""
    block = output.split("150 % (144 DPI)", 1)[1].split("\n\n", 1)[0]

    def row(label):
        return float(re.search(re.escape(label) + r"\s+([0-9.]+)", block).group(1))
    return {"old": row("old, whole picture (baseline)"),
            "first": row("first whole picture (taps + all)"),
            "area": row("bomb area, prepared")}


def run_resampler():
    return subprocess.run([os.path.join(HERE, "resample_bench.sh"), "windows"], capture_output=True,
                          text=True, check=True, env=dict(os.environ, ROUNDS="10")).stdout


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def mean_ms(per_tick, ticks):
    return statistics.fmean(per_tick[n]["mean_ms"] for n in ticks)


def summaries(f):
    """The sentences of docs/figures.md that carry this run's numbers."""
    ours, plain = f["ticks"]["tickbomb"], f["ticks"]["plain_timer"]
    worst = max((abs(ours[n]["worst_ms"]) for n in range(1, 21)))
    tick = ("Every tick landed within %.0f ms of its nominal time, and the lateness did not grow "
            "from tick 1 to tick 20 (a mean of %.1f ms over ticks 1 to 5, %.1f ms over ticks 16 "
            "to 20); the shutdown request (det) came %.0f ms after 10 s, since without a sound "
            "device Wine returns from the synchronous explosion sound at once. The plain "
            "repeating timer's ticks were %.1f ms late on average over ticks 1 to 5 and %.1f ms "
            "over ticks 16 to 20; where a plain timer drifts 5 ms or more, the ratio column says "
            "how much of that the pacing saves. The relay trace's clock has 1 ms steps." % (
                worst, mean_ms(ours, range(1, 6)), mean_ms(ours, range(16, 21)),
                ours["detonation"]["mean_ms"], mean_ms(plain, range(1, 6)),
                mean_ms(plain, range(16, 21))))
    r = f["resampler"]
    resample = ("Under Wine, in the x87 build, for the commit above: the first whole picture at "
                "150 %% in %.1f ms against %.1f ms for the old one (%.1f times faster), a bomb "
                "frame's area in %.2f ms." % (r["first"], r["old"], r["old"] / r["first"], r["area"]))
    ours_cpu, yard_cpu, wall = f["beside"]
    idle = ("For the commit above the program used %.3f s of CPU over a %.1f s countdown, %.1f "
            "times the minimal window's %.3f s beside it." % (ours_cpu, wall, ours_cpu / yard_cpu,
                                                           yard_cpu))
    share = f["cpu_share"]
    ratios = [statistics.median(o) / statistics.median(b) for o, b in f["startups"].values()]
    overall = ("Start-up took %.2f to %.2f times the minimal window program's at the four "
               "densities: both are dominated by Wine starting a process, and the spreads overlap, "
               "so start-up is shown, not judged. Over a countdown the program used %.2f %% of one "
               "core at 96 DPI and %.2f %% at 144 DPI, %.2f times (the goal: at most 1.5). What is "
               "left above 96 DPI is painting more pixels: the backgrounds are resampled before "
               "the window shows (%.1f ms for 150 %% in the x87 build), each bomb frame costs "
               "%.2f ms once. The code part of the file (the C++ library linked in statically, less "
               "its demangler and string-building error paths, which `app/win32/cxx_runtime.cpp` "
               "replaces) is %.0f KB; %.0f %% of the file are its sounds and pictures." % (
                   min(ratios), max(ratios), 100 * share[96], 100 * share[144],
                   share[144] / share[96], r["first"], r["area"],
                   (f["exe_bytes"] - f["resource_bytes"]) / 1024,
                   100 * f["resource_bytes"] / f["exe_bytes"]))
    if f["emulated"]:
        overall += (" Measured under emulation: every time here is the emulator's as much as the "
                    "program's, so the native goals are shown, not met or missed.")
    return {"TICK_SUMMARY": tick, "RESAMPLE_SUMMARY": resample, "IDLE_SUMMARY": idle,
            "OVERALL_SUMMARY": overall}


def write_figures(path, measured_on, f, block):
    """docs/figures.md from tools/bench/figures.md.in with this run's figures."""
    with open(os.path.join(HERE, "figures.md.in"), encoding="utf-8") as template:
        text = template.read()
    fields = summaries(f)
    fields["MEASURED_ON"] = measured_on
    fields["TICK_TABLE"] = "\n".join(("    " + line).rstrip() for line in
                                     format_figures(f["ticks"]).split("\n"))
    fields["OVERALL"] = "\n".join(("    " + line).rstrip() for line in block)
    for name, value in fields.items():
        text = text.replace("@%s@" % name, value)
    leftover = re.findall(r"@[A-Z_]+@", text)
    if leftover:
        raise RuntimeError("figures.md.in names figures this run has not: %s" % leftover)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)
    # What was filled in, beside it: tests/docs/check_figures.py renders the template
    # with these again and demands the very file, so no figure is typed in by hand.
    with open(os.path.splitext(path)[0] + ".fields.json", "w", encoding="utf-8") as out:
        json.dump(fields, out, ensure_ascii=False, indent=1, sort_keys=True)
        out.write("\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=DEFAULT_EXE)
    parser.add_argument("--startups", type=int, default=5, help="start-ups of each program")
    parser.add_argument("--cpu-runs", type=int, default=3, help="countdowns at each density")
    parser.add_argument("--tick-runs", type=int, default=3, help="countdowns for the tick timing")
    parser.add_argument("--resampler-output", help="tools/bench/resample_bench.sh windows's "
                        "output, run before (where this runs inside Wine's own root)")
    parser.add_argument("--write", help="write docs/figures.md with these figures")
    parser.add_argument("--measured-on", default="", help="--write: the paragraph that says "
                        "where and on what these figures were measured")
    args = parser.parse_args()
    exe = os.path.abspath(args.exe)
    if not os.path.isfile(exe):
        sys.exit("overall.py: no %s; build it first (cmake --build --preset windows)" % exe)
    started = time.monotonic()
    load_before = load()
    prefix_mod.ensure_template(TEMPLATE, log=log)
    speed.load(os.path.dirname(TEMPLATE), TEMPLATE, log=log)
    minimal = speed.minimal_window(OUT)
    how = subprocess.run([sys.executable, os.path.join(REPO, "tools", "machine-runs-32-bit.py"),
                          "--how"], capture_output=True, text=True, check=True).stdout.strip()

    log("the resampler's benchmark, x87 build under Wine")
    if args.resampler_output:  # read first: a wrong file is told before the long runs
        with open(args.resampler_output, encoding="utf-8") as f:
            resampler = resampler_ms(f.read())
    else:
        resampler = resampler_ms(run_resampler())
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
    log("CPU over a countdown beside the minimal window")
    beside = countdown_cpu_beside_yardstick(exe, OUT)
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
    emulated = how != "natively"

    def judged(met):
        return "measured under emulation, not judged" if emulated else "met" if met else "NOT MET"

    block = ["tickbomb overall figures (%s, %s %s)" % (os.path.relpath(exe, REPO),
                                                      prefix_mod.wine_version(), how), ""]
    for dpi in DENSITIES:
        ours, baseline = startups[dpi]
        med_ours, med_base = statistics.median(ours), statistics.median(baseline)
        block.append("start-up at %3d DPI            %.2f   tickbomb %.0f ms / minimal window "
                     "%.0f ms (medians of %d; tickbomb %s, minimal %s)" % (
                         dpi, med_ours / med_base, med_ours * 1000, med_base * 1000, args.startups,
                         " ".join("%.0f" % (t * 1000) for t in ours),
                         " ".join("%.0f" % (t * 1000) for t in baseline)))
    share = {dpi: statistics.median(cpu / wall for cpu, wall in cpus[dpi]) for dpi in DENSITIES}
    for dpi in DENSITIES:
        block.append("CPU over a countdown, %3d DPI  %.4f   of a core: median of %d countdowns (%s s "
                     "of CPU over %s s from shown to the shutdown request)%s" % (
                         dpi, share[dpi], len(cpus[dpi]),
                         " ".join("%.3f" % cpu for cpu, _ in cpus[dpi]),
                         " ".join("%.2f" % wall for _, wall in cpus[dpi]),
                         "" if dpi == 96 else "; %.2f times 96 DPI's" % (share[dpi] / share[96])))
    ratio = share[144] / share[96]
    block.append("CPU at 144 DPI / at 96 DPI     %.2f   goal at most 1.5: %s" % (
        ratio, judged(ratio <= 1.5)))
    block.append("CPU beside the minimal window  %.2f   tickbomb %.3f s / minimal window %.3f s of "
                 "CPU over one %.1f s countdown, side by side" % (
                     beside[0] / beside[1], beside[0], beside[1], beside[2]))
    block.append("first picture at 144 DPI       %.1f ms   x87 build under Wine, the resampler's "
                 "own benchmark; goal at most 10 ms: %s" % (
                     resampler["first"], judged(resampler["first"] <= 10)))
    block.append(".exe bytes per resource byte   %.2f   %d bytes of .exe / %d bytes of resources "
                 "(resources %.0f%% of the file; the code part %.0f KB)" % (
                     exe_bytes / resource_bytes, exe_bytes, resource_bytes,
                     100 * resource_bytes / exe_bytes, (exe_bytes - resource_bytes) / 1024))
    block.append("tick timing error              %.2f   tickbomb %.1f ms / plain 500 ms timer %.1f "
                 "ms (mean |lateness| over ticks 1-20, %d countdowns each; tickbomb's worst %+.1f "
                 "ms, tick 20 %+.1f ms against %+.1f ms, detonation %+.1f ms)" % (
                     mean_abs_ours / mean_abs_plain if mean_abs_plain else float("nan"),
                     mean_abs_ours, mean_abs_plain, args.tick_runs, worst_ours, ticks_ours[-1],
                     ticks_plain[-1], ticks["tickbomb"]["detonation"]["mean_ms"]))
    block.append("")
    block.append("load average before %s, after %s (%d cores); %.0f s in all; runs in %s" % (
        load_before, load_after, os.cpu_count(), time.monotonic() - started,
        os.path.relpath(OUT, REPO)))
    print("\n".join(block))
    if args.write:
        write_figures(args.write, args.measured_on, {
            "ticks": ticks, "resampler": resampler, "beside": beside, "cpu_share": share,
            "startups": startups, "exe_bytes": exe_bytes, "resource_bytes": resource_bytes,
            "emulated": emulated}, block)
        log("wrote %s" % args.write)
    return 0


if __name__ == "__main__":
    sys.exit(main())
