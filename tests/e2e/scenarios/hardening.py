"""Hardening: a planted DLL is never run, the program copes with what a machine may
lack (a sound device, the font, screen room), and it is light on the machine (no CPU
between ticks, small repaints, the pictures decoded once).
"""

import os
import shutil
import struct
import subprocess
import tempfile
import time

from harness import ROOT_COLOUR, TickbombRun, images, relay_clock, scenario, speed
from harness import prefix as prefix_mod
from harness.layout import BOMB_BOX, CUT_A, CUT_B, PICTURE_H, PICTURE_W
from harness.run import MESSAGE_TITLE, current_out
from harness.sounds import SYNC
from harness.zoom import zoom_frames

HERE = os.path.dirname(os.path.abspath(__file__))
PLANTED_SOURCE = os.path.join(HERE, "..", "planted", "winmm.c")

LABEL_AREAS = {                        # each text copy with its shadow, window pixels
    "Label1": (14, 12, 355, 51),
    "Label2": (248, 254, 356, 363),
    "Label3": (346, 322, 413, 386),
    "Label4": (214, 230, 286, 277),
    "Label5": (8, 344, 131, 397),
}

# In the Escape ending the three countdown sounds and the explosion play
# synchronously; at detonation the explosion does.
SYNC_IN_ESCAPE = (104, 103, 102, 101)
SYNC_AT_DETONATION = (101,)


# ---------------------------------------------------------------- helpers

def build_planted_winmm(directory):
    """tests/e2e/planted/winmm.c built as a 32-bit DLL into `directory`; returns its path."""
    dll = os.path.join(directory, "winmm.dll")
    subprocess.run(["i686-w64-mingw32-gcc", "-O2", "-Wall", "-shared", "-s", "-Wl,--kill-at",
                    "-o", dll, PLANTED_SOURCE], check=True, capture_output=True, timeout=120)
    return dll


def app_dir(run):
    """The folder the run's tickbomb.exe was started from."""
    return os.path.join(run.work, "app")


def wave_samples(wave_id):
    """The sample bytes (the "data" chunk) of a committed WAVE resource (assets/sounds/)."""
    with open(images.resource_file(wave_id), "rb") as f:
        data = f.read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", "WAVE %d is not a RIFF WAVE" % wave_id
    at = 12
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        if tag == b"data":
            return data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    raise AssertionError("WAVE %d has no data chunk" % wave_id)


def capturing_run(**options):
    """A run whose sounds are played into its audio.raw through ALSA.

    The ALSA configuration is the run's own (ALSA_CONFIG_PATH), not the
    host's: a host configuration that loads a plugin the 32-bit ALSA library
    cannot open (as PulseAudio's 99-pulse.conf hook does without
    libasound2-plugins:i386) makes every device unknown, even the file one.
    """
    run = TickbombRun(capture_audio=True, **options)
    config = run.work + "-alsa.conf"  # beside the run's scratch folder, which it clears
    os.makedirs(os.path.dirname(config), exist_ok=True)
    with open(config, "w") as f:
        f.write('pcm.null { type null }\n'
                'pcm.!default { type file slave.pcm "null" file "|cat >>%s" format "raw" }\n'
                % os.path.join(run.dir, "audio.raw"))
    run.extra_env["ALSA_CONFIG_PATH"] = config
    return run


# The calls whose sequence must not depend on the sound device.
PROGRAM_CALLS = ["winmm.PlaySoundA", "kernel32.Sleep", "kernel32.GetVersionExA",
                 "user32.SetWindowLongA", "user32.SetWindowPos", "gdi32.Rectangle",
                 "gdi32.CreateRectRgn", "gdi32.CombineRgn", "user32.SetWindowRgn",
                 "user32.KillTimer", "user32.MessageBoxW", "user32.ExitWindowsEx",
                 "advapi32.OpenProcessToken", "advapi32.LookupPrivilegeValueA",
                 "advapi32.AdjustTokenPrivileges", "kernel32.CloseHandle", "user32.DestroyWindow"]
PRIVILEGE_CALLS = ("advapi32.OpenProcessToken", "advapi32.LookupPrivilegeValueA",
                   "advapi32.AdjustTokenPrivileges")
PLACEMENT_FLAGS = 0x15  # SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE: Form1.Left / Top
# Kernel handles are small numbers that differ from run to run too.
KERNEL_HANDLE_ARGS = {"advapi32.AdjustTokenPrivileges": 0, "kernel32.CloseHandle": 0}


def normalised(calls):
    """The calls as (name, arguments) with what differs from run to run taken out.

    Pointers and handles (words of 0x10000 and up, and the token handle) become
    H1, H2, ... in the order they first appear, so the six sound buffers keep their identity;
    the random placement becomes x, y, and each zoom rectangle an offset from
    the last frame of its animation (the window's own rectangle).  Timestamps
    and results are left out.
    """
    # The last frame of each animation: the 20 Rectangle calls come one after
    # the other, with only the 1 ms sleeps between them.
    frame_origin, frames = {}, []
    for index, call in enumerate(list(calls) + [None]):
        if call is not None and call.name == "gdi32.Rectangle":
            frames.append(index)
        elif call is None or call.name != "kernel32.Sleep":
            for frame in frames:
                frame_origin[frame] = (calls[frames[-1]].sarg(1), calls[frames[-1]].sarg(2))
            frames = []

    handles, out = {}, []
    for index, call in enumerate(calls):
        args = [handles.setdefault(a, "H%d" % (len(handles) + 1))
                if isinstance(a, int) and (a >= 0x10000 or KERNEL_HANDLE_ARGS.get(call.name) == i)
                else a for i, a in enumerate(call.args)]
        if call.name == "gdi32.Rectangle":
            left, top = frame_origin[index]
            args = [args[0], call.sarg(1) - left, call.sarg(2) - top,
                    call.sarg(3) - left, call.sarg(4) - top]
        if call.name == "user32.SetWindowPos" and call.args[-1] == PLACEMENT_FLAGS:
            args = [args[0], args[1], "x", "y"] + args[4:]
        out.append((call.name, tuple(args)))
    return out


def same_call(x, y):
    """Equal normalised calls; a zoom frame's edges may differ by one pixel, since each
    rounds half-way values to even and the window's random position decides which are."""
    if x[0] != y[0] or len(x[1]) != len(y[1]):
        return False
    if x[0] == "gdi32.Rectangle":
        return x[1][0] == y[1][0] and all(abs(p - q) <= 1 for p, q in zip(x[1][1:], y[1][1:]))
    return x == y


def assert_same_calls(without, with_device, what):
    a, b = normalised(without), normalised(with_device)
    i = next((k for k, (x, y) in enumerate(zip(a, b)) if not same_call(x, y)), min(len(a), len(b)))
    if i < max(len(a), len(b)):
        raise AssertionError(
            "%s: the relay traces differ at call %d of %d/%d:\n without a device %s\n with one        "
            " %s\n(calls before it: %s)" % (what, i, len(a), len(b), a[i:i + 3], b[i:i + 3],
                                             a[max(0, i - 3):i]))


def assert_whole_sounds(captured, wave_ids, what):
    """Each sound's samples appear whole in the capture, in the order given."""
    position = 0
    for wave_id in wave_ids:
        samples = wave_samples(wave_id)
        found = captured.find(samples, position)
        assert found >= 0, "%s: the samples of WAVE %d (%d bytes) are not whole in the %d captured " \
                           "bytes after offset %d" % (what, wave_id, len(samples), len(captured),
                                                      position)
        position = found + len(samples)


def sync_plays(calls):
    return [c for c in calls if c.name == "winmm.PlaySoundA" and c.args[2] == SYNC]


def assert_device_made_the_difference(without, with_device):
    """The runs differ where they should: without a device a synchronous PlaySoundA
    returns FALSE (nothing played), with one TRUE."""
    results = ([c.retval for c in sync_plays(without)], [c.retval for c in sync_plays(with_device)])
    assert results[0] and set(results[0]) == {0} and set(results[1]) == {1}, \
        "synchronous PlaySoundA results: %s without a device, %s with one" % results


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


def paints(calls):
    """The area each WM_PAINT put on the screen: (left, top, right, bottom) of the
    BitBlt from the paint buffer into BeginPaint's device context."""
    areas, dc = [], None
    for c in calls:
        if c.name == "user32.BeginPaint":
            dc = c.retval
        elif c.name == "gdi32.BitBlt" and dc is not None and c.args[0] == dc:
            left, top, width, height = (c.sarg(i) for i in range(1, 5))
            areas.append(((left, top, left + width, top + height), c))
        elif c.name == "user32.EndPaint":
            dc = None
    return areas


def union(a, b):
    return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))


# ---------------------------------------------------------------- safe to download

SYSTEM_DLLS = ("comctl32.dll", "imm32.dll", "ole32.dll", "oleacc.dll", "oleaut32.dll",
               "winmm.dll")


@scenario(timeout=90, windows_versions=(None, "win98"))
def planted_winmm_is_not_loaded(windows_version):
    """A winmm.dll next to the .exe, with Wine told to prefer such a copy, is never loaded:
    the program loads winmm from the system directory, and its sounds go through it. Where
    Windows can limit the search to the system directory (SetDefaultDllDirectories) it does;
    on Windows 95, 98 and Me, which cannot, it loads winmm by its full path there. The same
    holds for every other system DLL it loads itself, but the common controls, which
    Windows XP and later take side by side by name (the manifest's version 6): they are
    loaded and initialised before the first window."""
    work = tempfile.mkdtemp(prefix="tickbomb-planted-")
    try:
        planted = build_planted_winmm(work)
        with TickbombRun(watch=["winmm.PlaySoundA", "kernel32.LoadLibraryExA",
                                "kernel32.SetDefaultDllDirectories",
                                "kernel32.GetSystemDirectoryA", "comctl32.InitCommonControls",
                                "user32.CreateWindowExW", "user32.CreateWindowExA"],
                         dll_overrides="winmm=n,b", beside_exe={"winmm.dll": planted},
                         windows_version=windows_version) as run:
            run.wait_for_window()
            # Past tick 2 and its tick sound, a second after the window appeared.
            time.sleep(1.5)
            run.assert_running()
            marks = sorted(n for n in os.listdir(app_dir(run)) if n.startswith("planted-"))
            calls = run.relay.calls()
    finally:
        shutil.rmtree(work, ignore_errors=True)

    assert marks == [], "the planted winmm.dll beside the .exe was run: %s" % marks
    # winmm, and what screen readers and input methods need, each from the system
    # directory only, each once.
    loads = [c for c in calls if c.name == "kernel32.LoadLibraryExA"]
    loaded = sorted(str(c.args[0]).lower().rpartition("\\")[2] for c in loads)
    assert loaded == sorted(SYSTEM_DLLS), "loaded %s, expected %s" % (loads, SYSTEM_DLLS)
    defaults = [c for c in calls if c.name == "kernel32.SetDefaultDllDirectories"]
    first_window = next(c for c in calls if c.name.startswith("user32.CreateWindowEx"))
    inits = [c for c in calls if c.name == "comctl32.InitCommonControls"]
    assert len(inits) == 1 and inits[0].line_no < first_window.line_no, \
        "expected InitCommonControls once, before the first window: %s" % inits
    if windows_version is None:
        comctl32 = [c for c in loads if str(c.args[0]).lower() == "comctl32.dll"]
        assert len(comctl32) == 1 and comctl32[0].matches(None, 0, 0), \
            "expected the common controls by name, side by side: %s" % comctl32
        loads = [c for c in loads if c not in comctl32]
        assert all(c.matches(None, 0, 0x800) and "\\" not in str(c.args[0]) for c in loads), \
            "expected LoadLibraryExA(name, 0, LOAD_LIBRARY_SEARCH_SYSTEM32) each: %s" % loads
        assert defaults and defaults[0].matches(0x800) and defaults[0].line_no < loads[0].line_no, \
            "the DLL search was not limited to the system directory first: %s" % defaults
    else:
        system = [c for c in calls if c.name == "kernel32.GetSystemDirectoryA"]
        assert defaults == [] and len(system) == len(loads), \
            "expected no SetDefaultDllDirectories and a GetSystemDirectoryA a load: %s, %s" % (
                defaults, system)
        folder = "c:\\windows\\system32\\"
        assert all(c.matches(None, 0, 0x8) and str(c.args[0]).lower().startswith(folder)
                   for c in loads), \
            "expected LoadLibraryExA(%s..., 0, LOAD_WITH_ALTERED_SEARCH_PATH) each: %s" % (
                folder, loads)
    winmm = next(c for c in loads if str(c.args[0]).lower().endswith("winmm.dll"))
    first_play = next(c for c in calls if c.name == "winmm.PlaySoundA")
    assert winmm.line_no < first_play.line_no, "winmm was loaded after its first use"
    plays = [c for c in calls if c.name == "winmm.PlaySoundA" and c.returned]
    # Six warm-up plays, the start sound and the first tick, all through Wine's own winmm.
    assert len(plays) >= 8, "only %d PlaySoundA calls reached winmm: %s" % (len(plays), plays)


# ---------------------------------------------------------------- works where things are missing

@scenario(timeout=150)
def countdown_without_audio_device():
    """No audio device: the same calls in the same order as with one, and the same tick
    times; with one, the explosion reaches the device whole."""
    with TickbombRun(watch=PROGRAM_CALLS, audio="", name="no-device") as run:
        run.wait_for_window()
        run.wait_for_exit(timeout=40)
        silent = run.relay.calls()
    with capturing_run(watch=PROGRAM_CALLS, name="device") as run:
        run.wait_for_window()
        run.wait_for_exit(timeout=40)
        played = run.relay.calls()
        captured = run.captured_audio()

    assert_device_made_the_difference(silent, played)
    assert_same_calls(silent, played, "countdown")
    # The shutdown privilege is enabled only at detonation, right before the request,
    # the token closed after it, and EWX_FORCE (4) never asked for.
    for name, calls in (("without a device", silent), ("with a device", played)):
        explosion = sync_plays(calls)[-1]
        late = [c for c in calls if c.line_no > explosion.line_no
                and (c.name in PRIVILEGE_CALLS or c.name in ("kernel32.CloseHandle",
                                                             "user32.ExitWindowsEx"))]
        shown = [(c.name, c.args) for c in late]
        assert [c.name for c in calls if c.name in PRIVILEGE_CALLS] == list(PRIVILEGE_CALLS) and \
            [c.name for c in late] == list(PRIVILEGE_CALLS) + ["kernel32.CloseHandle",
                                                               "user32.ExitWindowsEx"], \
            "%s: privilege and shutdown calls after the explosion: %s" % (name, shown)
        token = late[2].args[0]
        assert late[0].matches(0xFFFFFFFF, 0xF00FF, None) and late[3].matches(token) and \
            late[4].matches(1, 0), "%s: %s" % (name, shown)
    assert len(sync_plays(played)) == len(SYNC_AT_DETONATION)
    assert_whole_sounds(captured, SYNC_AT_DETONATION, "detonation")

    # The ticks keep their times: each timer-driven sound lands as far after the
    # window appeared in both runs (the device only changes how long a synchronous play takes).
    def tick_times(calls):
        shown = next(c for c in calls if c.name == "user32.SetWindowRgn").time
        return [c.time - shown for c in calls if c.name == "winmm.PlaySoundA" and c.time > shown
                and c.args[2] == 7]
    a, b = tick_times(silent), tick_times(played)
    worst = max(abs(x - y) for x, y in zip(a, b))
    assert len(a) == len(b) and worst < 0.25, \
        "tick sounds at %s s without a device, %s s with one" % (
            ["%.2f" % t for t in a], ["%.2f" % t for t in b])


@scenario(timeout=150)
def escape_ending_without_audio_device():
    """No audio device: the Escape ending makes the same calls in the same order as with
    one; with one, its four synchronous sounds reach the device whole."""
    traces = {}
    for name in ("no-device", "device"):
        run = (TickbombRun(watch=PROGRAM_CALLS, audio="", name=name) if name == "no-device"
               else capturing_run(watch=PROGRAM_CALLS, name=name))
        with run:
            run.wait_for_window()
            shown = run.relay.calls("user32.SetWindowRgn")[0].time
            # Esc right after the tick sound of tick 2: half a second before tick 3.
            run.relay.wait_for("winmm.PlaySoundA", where=lambda c: c.time > shown, timeout=10)
            run.key("Escape")
            run.close_message_box(run.wait_for_message_box(MESSAGE_TITLE))
            run.wait_for_exit(timeout=30)
            traces[name] = run.relay.calls()
            if name == "device":
                captured = run.captured_audio()

    assert_device_made_the_difference(traces["no-device"], traces["device"])
    assert_same_calls(traces["no-device"], traces["device"], "Escape ending")
    for name, calls in traces.items():
        asked = [c for c in calls if c.name == "user32.ExitWindowsEx" or c.name in PRIVILEGE_CALLS]
        assert asked == [], "%s: the Escape ending touched the shutdown: %s" % (name, asked)
    assert len(sync_plays(traces["device"])) == len(SYNC_IN_ESCAPE)
    assert_whole_sounds(captured, SYNC_IN_ESCAPE, "Escape ending")


class RunWithoutFontReplacement(TickbombRun):
    """A run whose prefix has no font replacements: "ＭＳ Ｐゴシック" names no font here."""

    def _start(self):
        configure = prefix_mod.configure

        def configure_without_replacements(prefix, **options):
            configure(prefix, **options)
            user_reg = os.path.join(prefix, "user.reg")
            with open(user_reg, encoding="utf-8", newline="") as f:
                sections = f.read().split("\n\n")
            kept = [s for s in sections
                    if not s.lstrip("\n").startswith("[Software\\\\Wine\\\\Fonts\\\\Replacements]")]
            with open(user_reg, "w", encoding="utf-8", newline="") as f:
                f.write("\n\n".join(kept))
            self.replacements_removed = len(sections) - len(kept)

        prefix_mod.configure = configure_without_replacements
        try:
            super()._start()
        finally:
            prefix_mod.configure = configure


@scenario(timeout=90)
def text_shows_without_the_stored_font():
    """Without a font of the stored face name the captions still show, in a fallback
    font that has the Japanese glyphs."""
    scene = images.load_picture("IDB_SCENE")
    with RunWithoutFontReplacement(watch=["winmm.PlaySoundA"]) as run:
        run.wait_for_window()
        window = run.window_shot("fallback-font")
        run.assert_running()
    assert run.replacements_removed <= 1
    run.log("font replacement sections removed from the prefix: %d" % run.replacements_removed)
    # Each caption's text and shadow colours, and how many pixels of each at least.
    colours = {"Label1": ((255, 255, 255), (64, 64, 0), 300),
               "Label2": ((255, 255, 0), (0, 0, 0), 300),
               "Label3": ((255, 255, 255), (0, 0, 0), 60),
               "Label4": ((255, 255, 255), (0, 0, 0), 60),
               "Label5": ((192, 255, 255), (0, 128, 128), 20)}
    for label, box in LABEL_AREAS.items():
        text_colour, shadow_colour, least = colours[label]
        seen, bare = images.crop(window, box), images.crop(scene, box)
        text = images.changed_to(seen, bare, text_colour)
        shade = images.changed_to(seen, bare, shadow_colour)
        assert text >= least and shade >= least // 3, \
            "%s: %d text and %d shadow pixels in %s, expected %d and %d" % (
                label, text, shade, box, least, least // 3)


# What the X server shows of a window larger than the screen, by Wine major version:
# Wine 8 maps it whole at its place, as Windows shows it; Wine 10 treats a window that
# covers the screen as full-screen and crops its X window to the screen, drawing the
# window's own top-left corner at the screen's (the window itself keeps its size).
SMALL_SCREEN_SHOWS = {8: "whole", 10: "cropped"}
# Window pixels that show the background alone (no caption, not the bomb) and are on a
# 400 x 300 screen wherever the placement rule puts the window.
SCENE_ONLY = (90, 150, 190, 225)


@scenario(timeout=90)
def screen_smaller_than_the_window():
    """On a 400 x 300 screen the placement rule puts the window at a negative or zero
    position, the window keeps its full size (the start-up reads it back and zooms over
    it), it covers the screen, and the countdown still runs to its shutdown request."""
    small = (400, 300)
    with TickbombRun(watch=["user32.SetWindowPos", "gdi32.CreateRectRgn", "gdi32.Rectangle",
                            "user32.ExitWindowsEx"], screen=small) as run:
        run.wait_for_window()
        x, y, width, height = run.geometry()
        shot = run.screenshot("small-screen")
        run.wait_for_exit(timeout=30)
        calls = run.relay.calls()
    placed = [c for c in calls if c.name == "user32.SetWindowPos" and c.args[-1] == PLACEMENT_FLAGS]
    assert placed, "no placement move: %s" % calls[:5]
    left, top = placed[-1].sarg(2), placed[-1].sarg(3)
    shape = next(c for c in calls if c.name == "gdi32.CreateRectRgn")  # (0, 0, width, height)
    full = (shape.sarg(2), shape.sarg(3))
    assert small[0] - full[0] - 40 < left <= 0 and small[1] - full[1] - 40 < top <= 0, \
        "the window went to (%d, %d) on a %d x %d screen" % (left, top, *small)
    # The window keeps its size: the opening animation zooms over the rect that the
    # start-up read back with GetWindowRect after stripping the frame.
    zoomed = [tuple(c.sarg(i) for i in range(1, 5)) for c in calls if c.name == "gdi32.Rectangle"]
    assert zoomed[:20] == zoom_frames(left, top, *full), \
        "the start-up saw another window rect than (%d, %d) %d x %d: %s" % (
            left, top, *full, zoomed[:20])

    wine = prefix_mod.wine_version()
    major = int(wine.split("-")[1].split(".")[0])
    if (x, y, width, height) == (left, top, *full):
        shows, origin = "whole", (left, top)
    elif (x, y, width, height) == (0, 0, *small):
        shows, origin = "cropped", (0, 0)
    else:
        raise AssertionError("the X window is at (%d, %d) %d x %d, the window at (%d, %d) %d x %d"
                             % (x, y, width, height, left, top, *full))
    run.log("%s shows the window %s (X window at (%d, %d) %d x %d)" % (
        wine, shows, x, y, width, height))
    assert SMALL_SCREEN_SHOWS.get(major, shows) == shows, \
        "%s shows the window %s; expected %s" % (wine, shows, SMALL_SCREEN_SHOWS[major])
    # The picture is where that X window puts the window's pixels, and it covers the
    # screen, except where a cut corner may show on it.
    seen = images.crop(shot, (SCENE_ONLY[0] + origin[0], SCENE_ONLY[1] + origin[1],
                              SCENE_ONLY[2] + origin[0], SCENE_ONLY[3] + origin[1]))
    expected = images.crop(images.load_picture("IDB_SCENE"), SCENE_ONLY)
    assert images.difference(seen, expected)[0] == 0, \
        "the screen does not show the picture with the window's corner at %s" % (origin,)
    if origin[0] + CUT_A[0] >= small[0] and origin[1] + CUT_B[1] >= small[1]:
        bare = images.count_colour(shot, ROOT_COLOUR)
        assert bare < small[0] * 2, "%d pixels of the screen show no window" % bare
    requests = [c for c in calls if c.name == "user32.ExitWindowsEx"]
    assert len(requests) == 1 and requests[0].matches(1, 0), "shutdown requests: %s" % requests


# ---------------------------------------------------------------- light on the machine

LIGHT_WATCH = ["winmm.PlaySoundA", "user32.BeginPaint", "user32.EndPaint", "gdi32.BitBlt",
               "user32.SetTimer",
               "user32.LoadImageA", "user32.ExitWindowsEx"]
IMAGE_BITMAP = 0
# The pictures: the scene, the bomb's three frames, the big bomb, the explosion.
PICTURE_IDS = [201, 202, 203, 204, 205, 206]


# A tick's work, with its paint, lies within this of the SetTimer that re-arms the
# timer at the end of its handler, or of the last tick's sound and shutdown request
# (seconds before, after): any CPU outside is CPU between ticks.
AROUND_A_TICK = (0.1, 0.2)
# The program's CPU over a countdown may be at most this many times the minimal
# window's over the same time, under the same Wine (harness/speed.py): that program
# repaints a window of the same size twice a second and does nothing else.
CPU_AGAINST_THE_YARDSTICK = 6.0


@scenario(timeout=90)
def idle_between_ticks_with_small_repaints():
    """Over a whole countdown the program uses little CPU (a few times what a program does
    that only repaints such a window twice a second, running beside it under the same Wine)
    and none between ticks; each tick repaints only the controls that changed; the pictures
    are loaded with the window."""
    yardstick_exe = speed.minimal_window(current_out())
    with TickbombRun(watch=LIGHT_WATCH, audio="") as run, \
            TickbombRun(exe=yardstick_exe, audio="", name="minimal-window") as yardstick:
        speed.wait_for_title(yardstick, speed.TITLE, timeout=speed.budget(30))
        run.wait_for_window()
        pids = run.program_pid(), yardstick.program_pid()
        with open("/proc/%d/cmdline" % pids[0], "rb") as f:
            assert b"tickbomb.exe" in f.read(), "process %d is not tickbomb.exe" % pids[0]
        start_cpu, start_time = [cpu_seconds(pid) for pid in pids], relay_clock()
        samples = []  # (from, to, CPU the program used meanwhile), 100 ms slices
        previous, began = start_cpu[0], start_time
        while not run.relay.calls("user32.ExitWindowsEx"):
            time.sleep(0.1)
            now, ended = cpu_seconds(pids[0]), relay_clock()
            samples.append((began, ended, now - previous))
            previous, began = now, ended
            if ended - start_time > speed.budget(20):
                raise AssertionError("no shutdown request 20 s after the window appeared")
        used, elapsed = previous - start_cpu[0], relay_clock() - start_time
        baseline = cpu_seconds(pids[1]) - start_cpu[1]
        run.wait_for_exit(timeout=30)
        calls = run.relay.calls()

    rearms = [c.time for c in calls if c.name in ("user32.SetTimer", "winmm.PlaySoundA",
                                                  "user32.ExitWindowsEx")]
    between = [(began, ended, cpu) for began, ended, cpu in samples if cpu > 0 and not any(
        began < t + AROUND_A_TICK[1] and ended > t - AROUND_A_TICK[0] for t in rearms)]
    run.log("CPU %.3f s over %.1f s of countdown (%.1f%%), the minimal window's %.3f s: %.2f "
            "times; %d of %d 100-ms slices used any" % (
                used, elapsed, 100 * used / elapsed, baseline, used / baseline,
                sum(1 for _, _, cpu in samples if cpu > 0), len(samples)))
    # Twenty ticks of painting cost a few times the minimal window's twenty repaints;
    # a program that polled or spun between them would use many times that.
    assert used <= CPU_AGAINST_THE_YARDSTICK * baseline, \
        "the program used %.3f s of CPU over a %.1f s countdown, %.1f times the minimal " \
        "window's %.3f s" % (used, elapsed, used / baseline, baseline)
    assert not between, "CPU between ticks: %s" % ", ".join(
        "%.1f ms in %.3f-%.3f" % (cpu * 1000, began, ended) for began, ended, cpu in between)

    shown = next(c for c in calls if c.name == "user32.SetWindowRgn")
    done = [(area, call) for area, call in paints(calls) if call.line_no > shown.line_no]
    # One paint when the window is shown (tick 0), then one per tick that changes
    # something: 2, 4, 6 and 8, and every tick from 10 to 20 (the bomb flickers from 10 on).
    ticks = [0, 2, 4, 6, 8] + list(range(10, 21))
    assert len(done) == len(ticks), "%d paints after start-up, expected %d: %s" % (
        len(done), len(ticks), [area for area, _ in done])
    by_tick = {tick: area for tick, (area, _) in zip(ticks, done)}
    window, digits = by_tick[0], by_tick[4]  # tick 4 changes the digits only
    assert window[:2] == (0, 0) and window[2] > PICTURE_W and window[3] > PICTURE_H, \
        "the first paint covered %s, not the window" % (window,)
    for tick in (6, 8):
        assert by_tick[tick] == digits, "tick %d repainted %s, not the digits %s" % (
            tick, by_tick[tick], digits)
    for tick in range(10, 19):
        expected = BOMB_BOX if tick % 2 else union(BOMB_BOX, digits)
        assert by_tick[tick] == expected, "tick %d repainted %s, expected %s" % (
            tick, by_tick[tick], expected)
    for tick in (19, 20):
        assert by_tick[tick] == window, "tick %d (full-window picture) repainted %s" % (
            tick, by_tick[tick])
    run.log("repainted areas by tick: %s" % by_tick)

    # The six pictures are decoded with the window, before it is shaped and shown,
    # and never again: a frame change only repaints.
    loads = [c for c in calls if c.name == "user32.LoadImageA" and c.args[2] == IMAGE_BITMAP]
    assert sorted(c.args[1] for c in loads) == PICTURE_IDS, \
        "pictures loaded: %s" % [c.args[1] for c in loads]
    assert all(c.line_no < shown.line_no for c in loads), \
        "pictures loaded after SetWindowRgn: %s" % [c for c in loads if c.line_no > shown.line_no]
