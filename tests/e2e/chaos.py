#!/usr/bin/python3
"""Random users and a busy machine against the real tickbomb.exe under Wine.

    chaos.py N [--seed S] [--jobs J] [--windows-version V] [--profile P] [--keep]

runs N sessions with the seeds S, S+1, ... (S is random unless given), J at
a time, each a seeded random script of clicks, drags, keys, re-opens and
freezes of the program (harness/chaos_script.py), judged from its relay
trace and its input log (harness/chaos_judge.py).  One line per session; the
last line reads "N sessions, V violations, T s", and the exit code is
non-zero on any violation.  A violating seed is run again alone at the end.
The trace, input log and screenshots of each violating session are kept
under OUT/sessions/seed-S/ (those of passing ones too with --keep).
"""

import argparse
import collections
import multiprocessing
import os
import random
import shutil
import signal
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

from harness import prefix, run as run_mod, speed  # noqa: E402
from harness.chaos_script import PROFILES  # noqa: E402
from harness.chaos_session import run_session  # noqa: E402


def _quit(signum, frame):
    raise SystemExit("stopped by signal %d" % signum)


def _work(job):
    """One session in a worker process: (seed, verdict or None, error text, folder, seconds)."""
    seed, args, name = job
    signal.signal(signal.SIGTERM, _quit)
    run_mod.set_context(run_mod.Context(
        args.exe, os.path.join(args.out, "sessions"), args.template, os.path.join(args.out, "runs"),
        keep=args.keep, log=lambda message: None))
    started = time.monotonic()
    folder = os.path.join(args.out, "sessions", name)
    try:
        verdict, folder = run_session(seed, args.windows_version, name=name, profile=args.profile)
        return seed, verdict, None, folder, time.monotonic() - started
    except BaseException:  # the harness failed, not necessarily the program
        return seed, None, traceback.format_exc(), folder, time.monotonic() - started


def report(seed, verdict, error, folder, seconds):
    if verdict is None:
        print("seed %d: HARNESS ERROR after %.1f s\n%s" % (seed, seconds, error), flush=True)
        return 1
    print("seed %d: %s, %d windows, %d freezes, %d actions, %.1f s" % (
        seed, verdict.ending, verdict.windows, verdict.freezes, verdict.actions, seconds), flush=True)
    for violation in verdict.violations:
        print("  VIOLATION %s" % violation, flush=True)
    if verdict.violations:
        print("  artefacts: %s" % folder, flush=True)
    return len(verdict.violations)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    parser.add_argument("sessions", type=int)
    parser.add_argument("--seed", type=int, help="the first session's seed (default: random)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--windows-version", help="Wine's name for it: win98, winxp, ...")
    parser.add_argument("--profile", default="mixed", choices=sorted(PROFILES),
                        help="the user's habits: mixed, or reopens (arrow keys in quick succession)")
    parser.add_argument("--keep", action="store_true", help="keep passing sessions' artefacts too")
    parser.add_argument("--exe", default=os.path.join(REPO, "build", "windows", "tickbomb.exe"))
    parser.add_argument("--out", default=os.path.join(REPO, "build", "chaos"))
    parser.add_argument("--template", default=os.path.join(REPO, "build", "windows", "e2e",
                                                           "wine-template"))
    args = parser.parse_args()
    args.out = os.path.abspath(args.out)
    signal.signal(signal.SIGTERM, _quit)
    first = args.seed if args.seed is not None else random.randrange(1, 10 ** 6)
    seeds = list(range(first, first + args.sessions))
    say = lambda message: print(message, flush=True)  # noqa: E731
    prefix.ensure_template(args.template, log=say)
    # The workers are forked from here and inherit the factor.
    speed.measure(os.path.dirname(args.template), args.template, log=say)
    print("%d sessions from seed %d, %d at a time, Windows version %s, profile %s" % (
        args.sessions, first, args.jobs, args.windows_version or "Wine's default", args.profile),
        flush=True)

    started = time.monotonic()
    violations, failing, endings = 0, [], collections.Counter()
    jobs = [(seed, args, "seed-%d" % seed) for seed in seeds]
    pool = multiprocessing.get_context("fork").Pool(args.jobs, maxtasksperchild=1)
    try:
        for seed, verdict, error, folder, seconds in pool.imap_unordered(_work, jobs):
            found = report(seed, verdict, error, folder, seconds)
            violations += found
            endings[verdict.ending if verdict else "harness error"] += 1
            if found:
                failing.append(seed)
            elif not args.keep:
                shutil.rmtree(folder, ignore_errors=True)
        pool.close()  # the idle workers leave on their own
    except BaseException:
        pool.terminate()
        raise
    finally:
        pool.join()
    elapsed = time.monotonic() - started

    if failing and len(seeds) > 1:
        print("again alone: %s" % " ".join(map(str, sorted(failing))), flush=True)
        for seed in sorted(failing):
            report(*_work((seed, args, "seed-%d-alone" % seed)))
    print("endings: %s" % ", ".join("%d %s" % (n, kind) for kind, n in endings.most_common()))
    print("%d sessions, %d violations, %.0f s" % (len(seeds), violations, elapsed))
    return 1 if violations else 0


if __name__ == "__main__":
    sys.exit(main())
