#!/usr/bin/python3
"""Runs the end-to-end scenarios of tests/e2e/scenarios/ against a built tickbomb.exe.

    e2e.py list                          one line per scenario: name, timeout, serial
    e2e.py prepare --out DIR             make the template Wine prefix (once per build tree)
                                         and measure how fast Wine is (harness/speed.py)
    e2e.py run --exe EXE --out DIR [NAME ...]
                                         run the named scenarios (file.function), or all

CTest runs one scenario per test (tests/e2e/CMakeLists.txt); run it by hand as
    /usr/bin/python3 tests/e2e/e2e.py run --exe build/windows/tickbomb.exe \\
        --out build/windows/e2e startup.call_order
Screenshots, the relay trace and the logs of each run land in
DIR/artefacts/<scenario>/<run>/.
"""

import argparse
import glob
import importlib.util
import math
import os
import signal
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import harness  # noqa: E402
from harness import prefix, run as run_mod, speed  # noqa: E402


def log(message):
    print("%8.3f %s" % (time.monotonic() - STARTED, message), flush=True)


STARTED = time.monotonic()


def load_scenarios():
    """{'file.function': callable} for every @scenario in scenarios/*.py (and
    'file.function.win98' for each Windows version it runs under)."""
    found = {}
    for path in sorted(glob.glob(os.path.join(HERE, "scenarios", "*.py"))):
        module_name = os.path.splitext(os.path.basename(path))[0]
        if module_name.startswith("_"):
            continue
        before = len(harness.SCENARIOS)
        module_spec = importlib.util.spec_from_file_location("scenarios." + module_name, path)
        module = importlib.util.module_from_spec(module_spec)
        module_spec.loader.exec_module(module)
        for function in harness.SCENARIOS[before:]:
            found.update(harness.scenario_variants(module_name, function))
    return found


class ScenarioTimeout(Exception):
    pass


def _on_alarm(signum, frame):
    raise ScenarioTimeout("the scenario ran out of time")


def _on_term(signum, frame):
    raise SystemExit("stopped by signal %d" % signum)


def run_one(name, function, args):
    artefacts = os.path.join(args.out, "artefacts", name)
    context = run_mod.Context(args.exe, artefacts, args.template, os.path.join(args.out, "runs"),
                              keep=args.keep, log=log)
    run_mod.set_context(context)
    log("scenario %s (timeout %d s)" % (name, function.e2e_timeout))
    started = time.monotonic()
    signal.signal(signal.SIGALRM, _on_alarm)
    signal.alarm(math.ceil(speed.budget(function.e2e_timeout)))
    try:
        function()
        ok = True
    except Exception:
        ok = False
        traceback.print_exc(file=sys.stdout)
    finally:
        signal.alarm(0)
        run_mod.set_context(None)
    log("%s %s in %.1f s; artefacts in %s" % (
        "PASSED" if ok else "FAILED", name, time.monotonic() - started, artefacts))
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("list")
    prepare = sub.add_parser("prepare")
    prepare.add_argument("--out", required=True)
    run = sub.add_parser("run")
    run.add_argument("--exe", required=True)
    run.add_argument("--out", required=True)
    run.add_argument("--keep", action="store_true", help="keep each run's prefix and HOME")
    run.add_argument("names", nargs="*")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, _on_term)

    if args.command == "list":
        for name, function in load_scenarios().items():
            print("%s %d %d" % (name, function.e2e_timeout, int(function.e2e_serial)))
        return 0

    args.out = os.path.abspath(args.out)
    args.template = os.path.join(args.out, "wine-template")
    scenarios = load_scenarios()
    names = (args.names or list(scenarios)) if args.command == "run" else []
    unknown = [n for n in names if n not in scenarios]
    if unknown:
        print("unknown scenario(s): %s; known: %s" % (", ".join(unknown), ", ".join(scenarios)))
        return 2
    if args.command == "prepare":
        prefix.ensure_template(args.template, log=log)
        speed.measure(args.out, args.template, log=log)
        return 0
    if any(scenarios[n].e2e_wine for n in names):
        prefix.ensure_template(args.template, log=log)
        speed.load(args.out, args.template, log=log)
    results = [run_one(n, scenarios[n], args) for n in names]
    passed = sum(results)
    print("%d passed, %d failed" % (passed, len(results) - passed))
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
