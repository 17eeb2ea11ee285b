"""One run of the real tickbomb.exe under Wine, on its own X display, in its own prefix."""

import contextlib
import os
import shutil
import signal
import subprocess
import time

from . import display as display_mod
from . import images, old_windows, pe, prefix as prefix_mod, reader as reader_mod, speed
from .pulse import PulseServer
from .relay import RelayLog, load_addresses

# Always traced: the call that ends every start-up (step 14), which tells
# wait_for_window that the window has its shape and is shown.
STARTUP_DONE = "user32.SetWindowRgn"
FORM_CAPTION = "カチコチボム"
# The title and texts of the message boxes that end a countdown.
MESSAGE_TITLE = "By ピコリン"
DEFUSED = "な～んだ、残念～♪Ψ(￣▽￣)Ψ"
ESCAPED = "びっくりした？じゃねー♪＠ω＠)ﾉｼ"


class Context:
    """Where a scenario's runs find the program and put what they leave behind."""

    def __init__(self, exe, artefacts, template, work, keep=False, log=print):
        self.exe = os.path.abspath(exe)
        self.artefacts = os.path.abspath(artefacts)
        self.template = os.path.abspath(template)
        self.work = os.path.abspath(work)
        self.keep = keep
        self.log = log
        self.runs = 0
        self.out = os.path.dirname(self.template)  # the test run's folder: template, yardstick


_context = None


def set_context(context):
    global _context
    _context = context


def current_exe():
    """The program the running scenario tests."""
    return _context.exe


def current_out():
    """The folder of the running scenario's test run (its template prefix, the yardstick)."""
    return _context.out


def relay_clock():
    """Now, on the clock of the relay trace's timestamps (Wine's tick count: the monotonic clock)."""
    return time.clock_gettime(time.CLOCK_MONOTONIC_RAW)


class TickbombRun:
    """Starts tickbomb.exe on entry and leaves nothing running on exit, whatever happened.

        with TickbombRun(watch=["user32.ExitWindowsEx"], windows_version="winxp") as run:
            win = run.wait_for_window()
            run.screenshot("start")
            run.wait_for_exit(timeout=30)

    watch: functions whose calls by the program the relay trace records
    ("dll.Function"); windows_version: Wine's name for it ("winxp", "win98",
    ...) or None for Wine's default; log_pixels: the prefix's DPI; audio:
    None (Wine's default: no device on a test machine), "" (no audio driver)
    or "alsa"; capture_audio: play into a file through ALSA, read back with
    captured_audio(); paced_audio: play through a private PulseAudio null
    sink, which takes a sound as long as it lasts (a synchronous PlaySoundA
    then returns when its sound has ended); dll_overrides: added to
    WINEDLLOVERRIDES; beside_exe: {file name: source path} of files put
    next to the .exe; exe: another build of the program to run instead;
    settings: more of the prefix user's registry settings, {key: {name:
    value}}; name: the run's folder among the scenario's artefacts;
    debug: more WINEDEBUG channels ("+ver"), whose lines land in relay.log too;
    reader: a screen reader listens from before the program starts, as
    `run.reader` (harness/reader.py); screen: the virtual display's (width,
    height), or (width, height, bits per pixel) for another depth than 24.

    A run of Windows 95, 98 or Me ("win95", "win98", "winme") is a Japanese
    one (code page 932) and traces every call the program makes, whatever
    `watch` says; when the run's block ends without an error, it fails if the
    program called a function that fails on those systems (old_windows.py).
    """

    def __init__(self, watch=(), windows_version=None, log_pixels=None, audio=None,
                 capture_audio=False, paced_audio=False, dll_overrides=None, beside_exe=None,
                 env=None, screen=display_mod.SCREEN_SIZE, name=None, debug=(), exe=None,
                 settings=None, reader=False):
        if _context is None:
            raise RuntimeError("TickbombRun needs the scenario runner (tests/e2e/e2e.py)")
        self.ctx = _context
        self.ctx.runs += 1
        self.name = name or "run%d" % self.ctx.runs
        self.watch = list(dict.fromkeys(list(watch) + [STARTUP_DONE]))
        self.windows_version = windows_version
        self.nine_x = windows_version in old_windows.NINE_X
        self.log_pixels = log_pixels
        if capture_audio and paced_audio:
            raise ValueError("capture_audio and paced_audio each need the audio device")
        self.audio = "alsa" if capture_audio else "pulse" if paced_audio else audio
        self.capture_audio = capture_audio
        self.paced_audio = paced_audio
        self.pulse = None
        self.dll_overrides = dll_overrides
        self.beside_exe = dict(beside_exe or {})
        self.extra_env = dict(env or {})
        self.screen = screen
        self.debug = list(debug)
        self.exe = os.path.abspath(exe) if exe else self.ctx.exe
        self.settings = settings
        self.dir = os.path.join(self.ctx.artefacts, self.name)
        self.work = os.path.join(self.ctx.work, "%s-%s-%d" % (
            os.path.basename(self.ctx.artefacts), self.name, os.getpid()))
        self.display = None
        self.process = None
        self.env = None
        self.relay = RelayLog(os.path.join(self.dir, "relay.log"),
                              only=self.watch if self.nine_x else None)
        self.window = None            # the bomb window's X id, once seen
        self.startups_seen = 0        # start-ups that wait_for_window has waited for
        self.shots = 0
        self.shot_times = {}          # screenshot name -> relay_clock() when it was taken
        self.started_at = None
        self._program_pid = None      # the program's own process, once found
        self.freezes = []             # (stopped, resumed) of each stop(), on the relay clock
        self.with_reader = reader
        self.reader = None            # the screen reader beside the program (reader=True)

    # ---- starting and stopping

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self._stop()
            raise
        return self

    def __exit__(self, exc_type, *exc):
        self._stop()
        if exc_type is None and self.nine_x:
            self.assert_nothing_fails_on_nine_x()
        return False

    def log(self, message):
        """Says what the run does, on the scenario's output and in events.log among its artefacts."""
        self.ctx.log("[%s] %s" % (self.name, message))
        if os.path.isdir(self.dir):
            with open(os.path.join(self.dir, "events.log"), "a", encoding="utf-8") as f:
                f.write("%.3f %s\n" % (relay_clock(), message))

    def _start(self):
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        shutil.rmtree(self.work, ignore_errors=True)
        home = os.path.join(self.work, "home")
        prefix = os.path.join(self.work, "prefix")
        app_dir = os.path.join(self.work, "app")
        os.makedirs(home)
        os.makedirs(app_dir)
        if not os.path.isfile(self.exe):
            raise AssertionError("the program is not built: %s" % self.exe)
        exe = os.path.join(app_dir, "tickbomb.exe")
        shutil.copyfile(self.exe, exe)
        for file_name, source in self.beside_exe.items():
            shutil.copyfile(source, os.path.join(app_dir, file_name))

        prefix_mod.copy_template(self.ctx.template, prefix)
        prefix_mod.configure(prefix, watch=self.watch, windows_version=self.windows_version,
                             log_pixels=self.log_pixels, audio=self.audio, settings=self.settings,
                             trace_all=self.nine_x)
        self.env = prefix_mod.base_environment(prefix, home)
        if self.nine_x:
            self.env.update(old_windows.japanese_locale(
                os.path.join(os.path.dirname(self.ctx.template), "locale")))
        if self.capture_audio:
            self.audio_path = os.path.join(self.dir, "audio.raw")
            # Every stream Wine opens is appended to one file, in the order played.
            with open(os.path.join(home, ".asoundrc"), "w") as f:
                f.write('pcm.!default { type file slave.pcm "null" file "|cat >>%s" format "raw" }\n'
                        % self.audio_path)
        if self.paced_audio:
            self.pulse = PulseServer(os.path.join(self.dir, "pulse.log")).start()
            self.env.update(self.pulse.client_env(home))
        if self.dll_overrides:
            self.env["WINEDLLOVERRIDES"] += ";" + self.dll_overrides
        self.env.update(self.extra_env)

        self.display = display_mod.Display(os.path.join(self.dir, "xvfb.log"), self.screen).start()
        self.env.update(self.display.env())
        # loaddll: where each module was loaded, the program's .exe too (Wine may put it
        # elsewhere than its ImageBase).
        self.env["WINEDEBUG"] = ",".join(["+timestamp", "+relay", "+loaddll"] + self.debug)
        self.log("display %s, prefix %s, watching %s" % (
            self.display.name, prefix, ", ".join(self.watch)))
        if self.with_reader:
            self.reader = reader_mod.Reader(reader_mod.build(self.ctx.out), self.dir, self.log)
            self.reader.start(self.env, app_dir, seconds=speed.budget(300))
        self.started_at = relay_clock()
        with open(os.path.join(self.dir, "relay.log"), "wb") as err, \
                open(os.path.join(self.dir, "wine-stdout.log"), "wb") as out:
            self.process = subprocess.Popen(
                ["wine", "tickbomb.exe"], cwd=app_dir, env=self.env, stdout=out, stderr=err,
                stdin=subprocess.DEVNULL, start_new_session=True)

    def _stop(self):
        display_mod.kill_group(self.process)
        if self.reader is not None:
            self.reader.stop()
        if self.env is not None:
            # Ends every process of this prefix, and its wineserver.
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
            try:
                subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=15)
            except subprocess.TimeoutExpired:
                pass
        if self.display is not None:
            self.display.stop()
        if self.pulse is not None:
            self.pulse.stop()
        if not self.ctx.keep:
            shutil.rmtree(self.work, ignore_errors=True)

    # ---- the program's life

    def program_pid(self):
        """The Unix process id of the program itself, for stopping it and reading its CPU time.

        Usually the process this run started.  But Wine may start the program again
        in a process of its own: Debian 13's Wine loader is a position-independent
        executable, which a user-mode emulator places at the .exe's ImageBase, and
        Wine's start.exe then runs the program anew and waits for it.  The program's
        process is the one of the run's session that has the program's file mapped.
        """
        if self._program_pid is not None:
            return self._program_pid
        exe = os.path.realpath(os.path.join(self.work, "app", "tickbomb.exe"))
        session = os.getsid(self.process.pid)
        for pid in sorted(int(p) for p in os.listdir("/proc") if p.isdigit()):
            try:
                if os.getsid(pid) != session:
                    continue
                with open("/proc/%d/maps" % pid) as maps:
                    if any(line.rstrip("\n").endswith(" " + exe) for line in maps):
                        self._program_pid = pid
            except (OSError, ProcessLookupError):
                continue  # gone, or never ours
            if self._program_pid is not None:
                if pid != self.process.pid:
                    self.log("the program runs in process %d, started by %d" % (
                        pid, self.process.pid))
                return pid
        raise AssertionError("no process of this run has %s mapped" % exe)

    def session_processes(self):
        """What each process of the run's prefix is doing ("pid name state cpu-s wchan"),
        for a failure report: which one waits, which one spins."""
        mark = ("WINEPREFIX=%s" % self.env["WINEPREFIX"]).encode()
        found = []
        for pid in sorted(int(p) for p in os.listdir("/proc") if p.isdigit()):
            try:
                with open("/proc/%d/environ" % pid, "rb") as f:
                    if mark not in f.read().split(b"\0"):
                        continue  # not of this run's prefix (its wineserver is)
                with open("/proc/%d/stat" % pid) as f:
                    stat = f.read()
                with open("/proc/%d/wchan" % pid) as f:
                    wchan = f.read().strip() or "-"
                with open("/proc/%d/cmdline" % pid, "rb") as f:
                    args = [a for a in f.read().decode(errors="replace").split("\0")
                            if a and "qemu" not in a]
                name = " ".join(os.path.basename(a.replace("\\", "/")) for a in args[:2])
            except (OSError, ProcessLookupError):
                continue
            fields = stat[stat.rindex(")") + 2:].split()
            cpu = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
            found.append("%d %s %s %.1fs %s" % (pid, name, fields[0], cpu, wchan))
        return found

    @contextlib.contextmanager
    def stopped(self, at=None):
        """The program stopped (SIGSTOP) for the block, from `at` on the relay clock if given:
        what it painted stays on the display however long the harness takes to look, and
        no tick passes meanwhile.  Yields when it was stopped; each stop is recorded in
        `freezes`, for reading the ticks (ticks.read_countdown)."""
        if at is not None:
            time.sleep(max(0.0, at - relay_clock()))
        pid = self.program_pid()
        os.kill(pid, signal.SIGSTOP)
        stopped = relay_clock()  # from here on it surely runs no more
        try:
            yield stopped
        finally:
            resumed = relay_clock()  # until here it surely ran no more
            os.kill(pid, signal.SIGCONT)
            self.freezes.append((stopped, resumed))

    def frozen_between(self, begin, end):
        """Seconds the program was stopped between `begin` and `end` (relay clock): at most
        what the stops can have delayed it by meanwhile."""
        return sum(max(0.0, min(end, resumed) - max(begin, stopped))
                   for stopped, resumed in self.freezes)

    def program_image(self):
        """(first, end) addresses of the program's image where Wine loaded it, from the trace."""
        with open(self.relay.path, encoding="utf-8", errors="replace") as trace:
            bases = load_addresses(trace, "tickbomb.exe")
        assert bases, "the trace %s does not say where tickbomb.exe was loaded" % self.relay.path
        first, end = pe.image_range(self.exe)
        return bases[-1], bases[-1] + end - first

    def program_calls(self):
        """The calls the program's own code made (a run that traces every call)."""
        return old_windows.program_calls(self.relay.every_call(), self.program_image())

    def assert_nothing_fails_on_nine_x(self):
        calls = self.program_calls()
        failing = old_windows.failing_calls(calls)
        wide = sorted({c.name for c in calls if old_windows.is_wide(c.name)})
        self.log("%s: %d calls of the program's own, W functions %s" % (
            self.windows_version, len(calls), ", ".join(wide) or "none"))
        assert calls, "%s: no call of the program's own in %s" % (self.windows_version,
                                                                  self.relay.path)
        assert not failing, "%s: calls that fail there: %s" % (
            self.windows_version, sorted({c.name for c in failing}))

    @property
    def exited(self):
        return self.process is not None and self.process.poll() is not None

    def wait_for_exit(self, timeout=30):
        """Wait for the program to end (`timeout`: native seconds); returns its exit code."""
        try:
            code = self.process.wait(speed.budget(timeout))
        except subprocess.TimeoutExpired:
            raise AssertionError("the program was still running after %.0f s"
                                 % speed.budget(timeout))
        self.log("the program ended with exit code %d" % code)
        return code

    def assert_running(self):
        if self.exited:
            raise AssertionError("the program ended (exit code %d); see %s"
                                 % (self.process.returncode, self.relay.path))

    def wait_until(self, condition, what, timeout=20):
        """condition()'s first true answer, polled while the program runs (`timeout`: native
        seconds); fails when the time is up or the program has ended."""
        timeout = speed.budget(timeout)
        deadline = time.monotonic() + timeout
        while True:
            found = condition()
            if found:
                return found
            self.assert_running()
            if time.monotonic() > deadline:
                raise AssertionError("waited %.1f s for %s" % (timeout, what))
            time.sleep(0.02)

    def wait_for_window(self, timeout=30, settle=0.3):
        """Wait for the next start-up to finish; returns the bomb window's X id.

        "Finished" means the start-up's SetWindowRgn has returned and a visible
        window named カチコチボム is on the display; `settle` seconds more let
        it paint (on the program's timeline: its first tick that changes anything comes a
        second after the start-up).  Each call waits for one more start-up than the call
        before (a re-open runs the start-up again).  `timeout` is in native seconds
        (speed.py).
        """
        wanted = self.startups_seen + 1
        timeout = speed.budget(timeout)
        deadline = time.monotonic() + timeout
        while True:
            done = self.relay.calls(STARTUP_DONE, where=lambda c: c.returned)
            windows = self.display.search("^%s$" % display_mod.regex_escape(FORM_CAPTION))
            if len(done) >= wanted and windows:
                break
            if self.exited:
                raise AssertionError("the program ended (exit code %d) before its window was "
                                     "shown; see %s" % (self.process.returncode, self.relay.path))
            if time.monotonic() > deadline:
                raise AssertionError("no shown window after %.0f s (start-ups done: %d, "
                                     "windows named %s: %s; the run's processes: %s)" % (
                                         timeout, len(done), FORM_CAPTION, windows,
                                         "; ".join(self.session_processes())))
            time.sleep(0.05)
        time.sleep(settle)
        self.startups_seen = wanted
        self.window = windows[-1]
        self.program_pid()  # found while the program surely runs, for later freezes
        self.log("window %#x at %s after start-up %d" % (self.window, self.geometry(), wanted))
        return self.window

    def geometry(self, window=None):
        """(x, y, width, height) of the bomb window (or `window`) on the screen."""
        return self.display.geometry(window or self.window)

    # ---- pictures

    def screenshot(self, name, box=None):
        """The screen now, saved as NN-name.png among the artefacts; an RGB PIL image.

        box = (left, top, right, bottom) in screen pixels keeps only that part.
        """
        self.shots += 1
        taken = relay_clock()
        image = self.display.grab()
        self.shot_times[name] = taken
        if box is not None:
            image = images.crop(image, box)
        file_name = "%02d-%s.png" % (self.shots, name)
        image.save(os.path.join(self.dir, file_name))
        self.log("screenshot %s" % file_name)
        return image

    def window_shot(self, name, window=None):
        """A screenshot of the bomb window's rectangle only (cut corners included)."""
        x, y, w, h = self.geometry(window)
        return self.screenshot(name, box=(x, y, x + w, y + h))

    # ---- keyboard and mouse

    def focus(self, window=None):
        self.display.xdotool("windowfocus", "--sync", window or self.window)

    def key(self, *keys, window=None):
        """Press and release keys (X key names: "Escape", "Up", "shift+Up") in the window."""
        self.log("key %s" % " ".join(keys))
        self.focus(window)
        self.display.xdotool("key", "--delay", 50, *keys)

    def key_down(self, key, window=None):
        self.log("key down %s" % key)
        self.focus(window)
        self.display.xdotool("keydown", key)

    def key_up(self, key, window=None):
        self.log("key up %s" % key)
        self.focus(window)
        self.display.xdotool("keyup", key)

    def _to_screen(self, x, y, window):
        wx, wy, _, _ = self.geometry(window)
        return wx + x, wy + y

    def mouse_move(self, x, y, window=None):
        """Move the pointer to (x, y) of the window (client pixels; the window has no frame)."""
        self.display.xdotool("mousemove", *self._to_screen(x, y, window))

    def mouse_move_screen(self, x, y):
        self.display.xdotool("mousemove", x, y)

    def mouse_down(self, button=1):
        self.display.xdotool("mousedown", button)

    def mouse_up(self, button=1):
        self.display.xdotool("mouseup", button)

    def click(self, x, y, button=1, window=None):
        self.log("click %d at (%d, %d)" % (button, x, y))
        self.mouse_move(x, y, window)
        time.sleep(0.05)
        self.display.xdotool("click", button)

    def drag(self, start, end, steps=20, step_delay=0.02, button=1, window=None):
        """Press at `start` (window pixels), move to `end` in small steps, release."""
        self.log("drag from %s to %s" % (start, end))
        sx, sy = self._to_screen(*start, window)
        ex, ey = sx + end[0] - start[0], sy + end[1] - start[1]
        self.mouse_move_screen(sx, sy)
        time.sleep(0.05)
        self.mouse_down(button)
        for i in range(1, steps + 1):
            time.sleep(step_delay)
            self.mouse_move_screen(round(sx + (ex - sx) * i / steps), round(sy + (ey - sy) * i / steps))
        time.sleep(0.1)
        self.mouse_up(button)

    # ---- message boxes

    def wait_for_message_box(self, title, timeout=20):
        """Wait for a shown window titled `title` (`timeout`: native seconds); returns its X id."""
        pattern = "^%s$" % display_mod.regex_escape(title)
        timeout = speed.budget(timeout)
        deadline = time.monotonic() + timeout
        while True:
            found = self.display.search(pattern)
            if found:
                self.log("message box %r: %#x" % (title, found[-1]))
                time.sleep(speed.budget(0.2))  # let it paint
                return found[-1]
            if self.exited:
                raise AssertionError("the program ended before a message box %r appeared" % title)
            if time.monotonic() > deadline:
                raise AssertionError("no message box %r after %.0f s" % (title, timeout))
            time.sleep(0.05)

    def close_message_box(self, box):
        """Press its OK button by the keyboard."""
        self.key("Return", window=box)

    # ---- sound

    def captured_audio(self):
        """The raw sample bytes the program played so far (capture_audio=True only).

        Every sound that reached the device, one after the other as played; a
        sound cut off by the next one may be missing or short.  The file device
        is not paced in real time, so a synchronous play returns sooner than it
        would on a sound card: measure timings on runs without capture.
        """
        if not self.capture_audio:
            raise RuntimeError("this run does not capture audio: TickbombRun(capture_audio=True)")
        try:
            with open(self.audio_path, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return b""

