#!/usr/bin/python3
"""Records one whole run of tickbomb.exe under Wine on a virtual display as an
animated GIF for the README: the window appearing, the countdown, the explosion.

    /usr/bin/python3 tools/record_run.py [--exe build/windows/tickbomb.exe] [--out docs/run.gif]

It uses the end-to-end harness (a private Wine prefix and Xvfb, as the tests
do), grabs the window as fast as the display allows, keeps one frame every
~250 ms plus every frame that shows something new at the end, and lets
ImageMagick assemble and optimise the GIF.  Sounds go to a paced silent device
where the harness has one (so the explosion stays on screen as long as its
sound lasts, as on a real machine).  Needs a windows build first.
"""

import argparse
import inspect
import os
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

from harness import TickbombRun, images  # noqa: E402
from harness import prefix as prefix_mod, run as run_mod  # noqa: E402

FRAME_SECONDS = 0.25
SCREEN = (800, 600)  # small: a grab takes less time


def record(exe, out_dir, work):
    """Grabs the window until the program ends; returns [(seconds since shown, PIL image)]."""
    template = prefix_mod.ensure_template(os.path.join(out_dir, "wine-template"))
    run_mod.set_context(run_mod.Context(exe, os.path.join(work, "artefacts"), template,
                                        os.path.join(work, "runs")))
    options = {"watch": ["user32.ExitWindowsEx"], "screen": SCREEN, "name": "gif"}
    if "paced_audio" in inspect.signature(TickbombRun).parameters:
        options["paced_audio"] = True
    else:
        print("record_run: this harness has no paced audio device; the explosion may be "
              "gone before it is grabbed")
    frames = []
    with TickbombRun(**options) as run:
        run.wait_for_window(settle=0.05)
        x, y, width, height = run.geometry()
        box = (max(x, 0), max(y, 0), min(x + width, SCREEN[0]), min(y + height, SCREEN[1]))
        started = time.monotonic()
        while not run.exited and time.monotonic() - started < 20:
            image = images.crop(run.display.grab(), box)
            if run.display.search("^%s$" % run_mod.FORM_CAPTION):
                frames.append((time.monotonic() - started, image))
        print("record_run: %d grabs in %.1f s" % (len(frames), time.monotonic() - started))
    run_mod.set_context(None)
    return frames


def choose(frames):
    """One frame per FRAME_SECONDS, and at the end every grab that differs from the one before
    (the big bomb and the explosion stay up for less than a second)."""
    chosen, next_time = [], 0.0
    last_image = None
    for t, image in frames:
        new_picture = last_image is not None and images.difference(image, last_image)[1] > 0.5
        if t >= next_time or (t > 9 and new_picture):
            chosen.append((t, image))
            next_time = t + FRAME_SECONDS
        last_image = image
    return chosen


def assemble(chosen, gif):
    work = tempfile.mkdtemp(prefix="tickbomb-gif-")
    try:
        args = ["convert", "-loop", "0"]
        for index, (t, image) in enumerate(chosen):
            path = os.path.join(work, "%03d.png" % index)
            image.save(path)
            following = chosen[index + 1][0] if index + 1 < len(chosen) else t + 2.0
            args += ["-delay", str(max(2, round((following - t) * 100))), path]
        # One shared palette keeps the file small; the art has few colours anyway.
        args += ["-colors", "128", "-layers", "Optimize", gif]
        subprocess.run(args, check=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=os.path.join(REPO, "build", "windows", "tickbomb.exe"))
    parser.add_argument("--out", default=os.path.join(REPO, "docs", "run.gif"))
    args = parser.parse_args()
    if not os.path.isfile(args.exe):
        sys.exit("record_run: no %s; build it first (cmake --build --preset windows)" % args.exe)
    work = tempfile.mkdtemp(prefix="tickbomb-record-")
    try:
        frames = record(os.path.abspath(args.exe), os.path.join(REPO, "build", "windows", "e2e"),
                        work)
        chosen = choose(frames)
        assemble(chosen, args.out)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("record_run: %s, %d frames, %d bytes" % (args.out, len(chosen), os.path.getsize(args.out)))


if __name__ == "__main__":
    main()
