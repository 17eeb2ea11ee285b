"""A private X display (Xvfb) and the person in front of it (xdotool, import).

There is no window manager: Wine draws no frames, `xdotool windowactivate`
does not work, and keys go to the window that has the X input focus.
"""

import io
import os
import re
import signal
import subprocess
import time

from PIL import Image

SCREEN_SIZE = (1280, 1024)
# Xvfb runs with -br: the root window, seen wherever no window is, is black.
ROOT_COLOUR = (0, 0, 0)


def stop_process(process):
    """Ends a helper process we started (asking first, then forcing), if it still runs."""
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(5)


class Display:
    """An Xvfb server on a display number it picks itself (so runs can go in parallel)."""

    def __init__(self, log_path, size=SCREEN_SIZE):
        """size: (width, height), or (width, height, bits per pixel): 24 unless given
        (8: a screen of 256 colours, an X PseudoColor visual)."""
        self.log_path = log_path
        self.size = tuple(size[:2])
        self.depth = size[2] if len(size) > 2 else 24
        self.process = None
        self.name = None

    def start(self, timeout=20):
        read_end, write_end = os.pipe()
        log = open(self.log_path, "w")
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "%dx%dx%d" % (self.size + (self.depth,)), "-nolisten", "tcp", "-br",
                 "-noreset"],
                stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                pass_fds=(write_end,), start_new_session=True)
        finally:
            os.close(write_end)
            log.close()
        # Xvfb writes the display number once it accepts connections.
        number = b""
        deadline = time.monotonic() + timeout
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                if time.monotonic() > deadline or self.process.poll() is not None:
                    raise RuntimeError("Xvfb did not start; see %s" % self.log_path)
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            raise RuntimeError("Xvfb gave no display number; see %s" % self.log_path)
        self.name = ":" + number.decode().strip()
        return self

    def stop(self):
        stop_process(self.process)

    def env(self):
        return {"DISPLAY": self.name}

    # ---- tools run against this display

    def _run(self, args, check=True, timeout=15):
        env = dict(os.environ, DISPLAY=self.name)
        env.pop("XAUTHORITY", None)
        return subprocess.run(args, env=env, capture_output=True, text=True, check=check,
                              timeout=timeout)

    def xdotool(self, *args, check=True):
        return self._run(["xdotool"] + [str(a) for a in args], check=check).stdout

    def search(self, name_regex, visible=True):
        """X window ids whose name matches `name_regex`, oldest first."""
        args = ["search"] + (["--onlyvisible"] if visible else []) + ["--name", name_regex]
        out = self.xdotool(*args, check=False)
        return [int(w) for w in out.split()]

    def geometry(self, window):
        """(x, y, width, height) of an X window, in screen pixels."""
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))

    def window_name(self, window):
        return self.xdotool("getwindowname", window).rstrip("\n")

    def grab(self):
        """The whole screen as an RGB image (raw pixels, nothing lossy on the way)."""
        out = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                             env=dict(os.environ, DISPLAY=self.name), capture_output=True,
                             check=True, timeout=30).stdout
        return Image.open(io.BytesIO(out)).convert("RGB")


def kill_group(process, grace=3.0):
    """End a process started with start_new_session=True, and everything it started."""
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait(5)


def regex_escape(text):
    """`text` as a POSIX extended regular expression matching it literally."""
    return re.sub(r"([\\.^$|?*+()\[\]{}])", r"\\\1", text)
