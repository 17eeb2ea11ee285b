"""One random session: the real program under Wine, driven by a chaos script.

Every action is written to input.log among the run's artefacts as one JSON
line, with the relay clock before (t0) and after (t1) it was sent, so that
chaos_judge can lay it beside the relay trace.  Keys carry their X events
with the modifier mask the program reads for each (1 Shift, 2 Ctrl, 4 Alt,
as held after that event); input sent while the program was frozen carries
`thaw`, the moment it could first run.  A program that ended with neither a
box nor a request (closed by Alt+F4) logs its exit when it was first seen
gone, with `running`, the last moment it was seen running.
"""

import json
import os
import signal
import subprocess
import time

from . import display as display_mod, speed
from .chaos_judge import judge
from .chaos_script import make_script
from .run import FORM_CAPTION, MESSAGE_TITLE, TickbombRun, relay_clock

# The resource and cursor calls too: a run-time error report names a
# resource that was not found, and the trace says which read failed.
WATCH = ["user32.ExitWindowsEx", "user32.MessageBoxW", "winmm.PlaySoundA", "user32.SetTimer",
         "kernel32.QueryPerformanceCounter", "kernel32.FatalAppExitA", "user32.LoadImageA",
         "kernel32.FindResourceA", "kernel32.LockResource", "user32.DestroyCursor",
         "user32.DestroyWindow"]
IDOK = 1
SCRIPT_SECONDS = 15.0  # of the user's restlessness, from the first window on
MODIFIERS = {"shift": 1, "ctrl": 2, "alt": 4}


class Session:
    def __init__(self, run, script, script_seconds=SCRIPT_SECONDS):
        self.run = run
        self.script = script
        self.script_seconds = script_seconds
        self.entries = []
        self.shift_held = False
        self.frozen = False
        self.reopens_pending = 0  # arrows sent blind, whose start-ups come after the thaw
        self.windows = 0          # start-ups waited for
        self.running_seen = None  # relay clock of the last look that found the program running
        self.gone_seen = None

    # ---- the log

    def record(self, kind, t0, t1=None, **fields):
        entry = dict(kind=kind, t0=t0, t1=t0 if t1 is None else t1, window=self.windows, **fields)
        if self.frozen:
            entry["frozen"] = True
        self.entries.append(entry)
        return entry

    def save(self):
        with open(os.path.join(self.run.dir, "input.log"), "w", encoding="utf-8") as f:
            f.writelines(json.dumps(entry) + "\n" for entry in self.entries)

    def _send(self, kind, args, **fields):
        """Runs one xdotool command line (a chain stops at its first failure) and logs it."""
        t0 = relay_clock()
        try:
            self.run.display.xdotool(*args)
            sent = True
        except subprocess.CalledProcessError:
            sent = False  # the window went away under it: nothing after the failure was sent
        return self.record(kind, t0, relay_clock(), sent=sent, **fields)

    # ---- what the program did

    def ending(self):
        """'box', 'shutdown', 'exit' or None."""
        if self.run.relay.calls("user32.MessageBoxW"):
            return "box"
        if self.run.relay.calls("user32.ExitWindowsEx"):
            return "shutdown"
        looked = relay_clock()  # before the look: it ran at least until then
        if not self.run.exited:
            self.running_seen = looked
            return None
        self.gone_seen = self.gone_seen or relay_clock()
        return "exit"

    def await_startups(self, count, timeout=8.0):
        """Waits for `count` more start-ups (or an ending); the last one's window is the one to act on."""
        wanted = self.windows + count
        deadline = time.monotonic() + speed.budget(timeout)
        done = 0
        while time.monotonic() < deadline:
            done = len(self.run.relay.calls("user32.SetWindowRgn", where=lambda c: c.returned))
            if done >= wanted or self.ending():
                break
            time.sleep(0.05)
        if done > self.windows and not self.run.exited:
            self.run.startups_seen = done - 1
            try:
                self.run.wait_for_window(timeout=10, settle=0.1)
                self.windows = done
                self.record("startup", relay_clock(), count=done)
                self.run.window_shot("window%d" % done)
                return
            except (AssertionError, subprocess.CalledProcessError):
                pass
        if not self.ending():
            self.record("no_reopen", relay_clock(), expected=wanted, seen=done)

    # ---- the user's hands

    def act(self, step):
        kind, arg = step.kind, step.arg
        if kind in ("click_bomb", "click_bomb_other", "click_sky"):
            self.click(kind, arg["at"], arg["button"])
        elif kind == "drag":
            self.drag(arg)
        elif kind == "escape":
            self.keys("Escape")
        elif kind == "alt_f4":
            self.keys("alt+F4")
        elif kind == "shift":
            self.toggle_shift()
        elif kind == "arrow":
            entry = self.keys(arg["key"], arrow=True)
            if entry["sent"] and self.frozen:
                self.reopens_pending += 1
            elif entry["sent"]:
                self.await_startups(1)
        elif kind == "key":
            self.keys(arg["key"])
        elif kind == "freeze":
            self.freeze(arg)

    def keys(self, combo, **fields):
        """Presses and releases `combo` ("a", "alt+F4") in the window, Shift held or not."""
        *mods, key = combo.split("+")
        mask = 1 if self.shift_held else 0
        events = []
        for mod in mods:
            mask |= MODIFIERS[mod]
            events.append((mod, "down", mask))
        events += [(key, "down", mask), (key, "up", mask)]
        for mod in reversed(mods):
            mask &= ~MODIFIERS[mod]
            events.append((mod, "up", mask))
        return self._send("key", ["windowfocus", "--sync", self.run.window, "key", "--delay", 50, combo],
                          combo=combo, events=events, uncertain=self.reopens_pending > 0, **fields)

    def toggle_shift(self):
        action, mask = ("keyup", 0) if self.shift_held else ("keydown", 1)
        entry = self._send("key", ["windowfocus", "--sync", self.run.window, action, "Shift_L"],
                           combo="Shift_L", events=[("shift", action[3:], mask)],
                           uncertain=self.reopens_pending > 0)
        if entry["sent"]:
            self.shift_held = not self.shift_held

    def click(self, kind, at, button):
        try:
            x, y, _, _ = self.run.geometry()
        except subprocess.CalledProcessError:
            return self.record(kind, relay_clock(), sent=False, button=button)
        return self._send(kind, ["mousemove", x + at[0], y + at[1], "sleep", 0.05, "click", button],
                          button=button, at=at, uncertain=self.reopens_pending > 0)

    def drag(self, arg):
        t0 = relay_clock()
        try:
            x, y, w, h = self.run.geometry()
            screen_w, screen_h = display_mod.SCREEN_SIZE
            dx = arg["by"][0] if x + w / 2 < screen_w / 2 else -arg["by"][0]
            dy = arg["by"][1] if y + h / 2 < screen_h / 2 else -arg["by"][1]
            start = tuple(arg["at"])
            self.run.drag(start, (start[0] + dx, start[1] + dy), steps=12, button=arg["button"])
            sent = True
        except subprocess.CalledProcessError:
            sent = False
        self.record("drag", t0, relay_clock(), sent=sent, button=arg["button"], at=arg["at"])

    def freeze(self, arg):
        """Stops the whole program for arg["seconds"], with the user acting blind meanwhile."""
        pid = self.run.program_pid()
        try:
            os.kill(pid, signal.SIGSTOP)
        except ProcessLookupError:
            return
        stopped = relay_clock()  # from here on it surely runs no more
        self.frozen = True
        blind_from = len(self.entries)
        try:
            for step in arg["blind"]:
                time.sleep(step.pause)
                self.act(step)
            time.sleep(max(0.0, arg["seconds"] - (relay_clock() - stopped)))
        finally:
            self.frozen = False
            resumed = relay_clock()  # until here it surely ran no more
            os.kill(pid, signal.SIGCONT)
        for entry in self.entries[blind_from:]:
            entry["thaw"] = resumed
        self.record("freeze", stopped, resumed, blind=len(self.entries) - blind_from)
        if self.reopens_pending:
            pending, self.reopens_pending = self.reopens_pending, 0
            self.await_startups(pending)

    # ---- the session

    def play(self):
        self.run.wait_for_window()
        self.windows = 1
        self.record("startup", relay_clock(), count=1)
        self.run.window_shot("window1")
        began = relay_clock()
        for step in self.script.steps:
            if relay_clock() - began > self.script_seconds:
                break
            time.sleep(step.pause)
            if self.ending():  # looked at last, so that no key of the script closes the box
                break
            self.act(step)
        self.finish()

    def finish(self):
        """Waits for the ending, closes its box, and waits for the program to end."""
        deadline = time.monotonic() + speed.budget(30)
        while not self.ending() and time.monotonic() < deadline:
            time.sleep(0.05)
        ending = self.ending()
        if ending == "box":
            self.close_box()
        elif ending == "shutdown":
            self.record("shutdown_seen", relay_clock())
            self.await_exit()
        elif ending == "exit":  # neither a box nor a request: closed by Alt+F4, or a crash
            self.record("exit", self.gone_seen, code=self.run.process.returncode,
                        running=self.running_seen)
        elif ending is None:
            self.record("no_ending", relay_clock())
            self.run.screenshot("no-ending")
        if self.shift_held:
            self.run.display.xdotool("keyup", "Shift_L", check=False)
            self.record("key", relay_clock(), combo="Shift_L", events=[("shift", "up", 0)],
                        sent=True, late=True)

    def close_box(self):
        first = self.run.relay.calls("user32.MessageBoxW")[0]
        title = first.args[2] if len(first.args) > 2 else None
        found = []
        deadline = time.monotonic() + speed.budget(10)
        while not found and time.monotonic() < deadline and not self.run.exited:
            found = self.run.display.search("^%s$" % display_mod.regex_escape(str(title)))
            found = [w for w in found if title != FORM_CAPTION or w != self.run.window]
            time.sleep(0.05)
        first = self.run.relay.calls("user32.MessageBoxW")[0]  # read again: it may have returned
        if not found and first.retval == IDOK:
            # closed before it was looked for, by a key the script sent while it was up
            shown = any(e.get("sent") and e["kind"] == "key" and first.time <= e["t0"] <= first.ret_time
                        for e in self.entries)
            self.record("box_seen", relay_clock(), shown=shown, closed_by_script=True)
            return self.await_exit()
        self.record("box_seen", relay_clock(), shown=bool(found))
        if not found:
            return self.await_exit()
        self.run.screenshot("box")
        if title != MESSAGE_TITLE:
            return  # a run-time error report: left open for the artefacts
        for step in self.script.after_box:
            time.sleep(step.pause)
            if self.run.exited:
                break
            self.act(step)
        self._send("close_box", ["windowfocus", "--sync", found[-1], "key", "Return"])
        self.await_exit()

    def await_exit(self, timeout=10.0):
        t0 = relay_clock()
        try:
            code = self.run.process.wait(speed.budget(timeout))
            self.record("exit", relay_clock(), code=code, waited=relay_clock() - t0)
        except subprocess.TimeoutExpired:
            self.record("still_running", relay_clock(), waited=speed.budget(timeout))


def default_flags(windows_version):
    """What ExitWindowsEx asks for without a restart: power-off on NT 5.x, shutdown elsewhere."""
    return 8 if windows_version in ("win2k", "winxp", "winxp64", "win2003") else 1


def run_session(seed, windows_version=None, name=None, script_seconds=SCRIPT_SECONDS,
                profile="mixed"):
    """Plays session `seed` and judges it; returns (verdict, the run's artefact folder)."""
    script = make_script(seed, profile=profile)
    with TickbombRun(watch=WATCH, windows_version=windows_version,
                     name=name or "seed-%d" % seed) as run:
        session = Session(run, script, script_seconds)
        with open(os.path.join(run.dir, "script.txt"), "w", encoding="utf-8") as f:
            f.write("seed %d, way out %s, version %s, profile %s\n"
                    % (seed, script.way_out, windows_version, profile))
            f.writelines("%r\n" % (step,) for step in script.steps + [None] + script.after_box)
        try:
            session.play()
        finally:
            session.save()
        calls = run.relay.calls()
    return judge(calls, session.entries, default_flags(windows_version)), run.dir
