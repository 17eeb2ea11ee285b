#!/usr/bin/python3
"""Records one whole run of tickbomb.exe under Wine on a virtual display as an
animated GIF (for the README, and tools/run.sh without a display): the window
appearing, the countdown, the explosion.  With --video also an MP4 with the
sounds the program played.

    tools/with-wine.sh /usr/bin/python3 tools/record_run.py [--exe build/windows/tickbomb.exe]
                                         [--out docs/run.gif] [--video FILE.mp4]

It uses the end-to-end harness (a private Wine prefix and Xvfb, as the tests
do), grabs the window as fast as the display allows, keeps one frame every
~250 ms plus every frame that shows something new at the end, and lets
ImageMagick assemble and optimise the GIF.  Sounds go to the harness's private
PulseAudio null sink, which plays at a sound card's pace (so the explosion
stays on screen as long as its sound lasts, as on a real machine); for the
video ffmpeg records that sink's monitor and puts the sound beside the same
frames.  Needs a windows build first.
"""

import argparse
import inspect
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import wave

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

import numpy as np  # noqa: E402

from harness import TickbombRun, images, relay_clock  # noqa: E402
from harness import prefix as prefix_mod, run as run_mod, speed  # noqa: E402

FRAME_SECONDS = 0.25
SCREEN = (800, 600)  # small: a grab takes less time


class SinkRecording:
    """ffmpeg recording the monitor of a run's PulseAudio null sink into a WAVE file.

    ffmpeg's own timestamps for a live source are not to be trusted here, so the
    recording is placed by its end (it stops at a known moment, and its length
    says roughly when it began) and then by the program's own calls: see place().
    """

    def __init__(self, pulse, path):
        self.path = path
        env = dict(os.environ, PULSE_SERVER="unix:" + pulse.socket)
        self.process = subprocess.Popen(
            ["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "pulse", "-fragment_size", "2048",
             "-sample_rate", "22050", "-channels", "1", "-i", "paced.monitor",
             "-c:a", "pcm_s16le", "-y", path],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def stop(self):
        """Ends the recording; returns the monotonic time of its first sample, or None."""
        self.process.send_signal(signal.SIGINT)
        stopped = time.monotonic()
        try:
            _, errors = self.process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.communicate()
            return None
        try:
            with wave.open(self.path) as sound:
                return stopped - sound.getnframes() / sound.getframerate()
        except (OSError, EOFError, wave.Error):
            print("record_run: no sound recorded: %s" % errors.decode(errors="replace").strip())
            return None


def place(sound_path, rough_start, plays):
    """When the recording began, in seconds since the window was shown.

    rough_start: the estimate from its end, which ffmpeg's and PulseAudio's
    buffers put a few tenths of a second off.  plays: the times of the
    program's PlaySoundA calls (relay trace).  Each sound is found as the first
    loud sample within 0.6 s of where the estimate puts its call; the median of
    the shifts moves the whole recording so that each sound starts with its
    call, as it does on a sound card up to its small latency.
    """
    with wave.open(sound_path) as sound:
        rate = sound.getframerate()
        samples = np.frombuffer(sound.readframes(sound.getnframes()), dtype="<i2")
    loud = np.abs(samples.astype(np.int32)) > 1000
    reach = int(0.6 * rate)
    shifts = []
    for played in plays:
        at = int((played - rough_start) * rate)
        window = loud[max(at - reach, 0):max(at + reach, 0)]
        if window.any():
            shifts.append((max(at - reach, 0) + int(np.argmax(window)) - at) / rate)
    if not shifts:
        return rough_start
    return rough_start - float(np.median(shifts))


def record(exe, out_dir, work, sound_path=None):
    """Grabs the window until the program ends; returns ([(seconds since shown, PIL image)],
    the seconds since shown at which the sound recording in sound_path begins, or None)."""
    template = prefix_mod.ensure_template(os.path.join(out_dir, "wine-template"))
    speed.load(out_dir, template)
    run_mod.set_context(run_mod.Context(exe, os.path.join(work, "artefacts"), template,
                                        os.path.join(work, "runs")))
    options = {"watch": ["user32.ExitWindowsEx", "winmm.PlaySoundA"], "screen": SCREEN,
               "name": "gif"}
    if "paced_audio" in inspect.signature(TickbombRun).parameters:
        options["paced_audio"] = True
    else:
        print("record_run: this harness has no paced audio device; the explosion may be "
              "gone before it is grabbed")
    frames = []
    sound_start = None
    with TickbombRun(**options) as run:
        sink = None
        if sound_path and getattr(run, "pulse", None) is not None:
            sink = SinkRecording(run.pulse, sound_path)
        run.wait_for_window(settle=0.05)
        x, y, width, height = run.geometry()
        box = (max(x, 0), max(y, 0), min(x + width, SCREEN[0]), min(y + height, SCREEN[1]))
        started = time.monotonic()
        while not run.exited and time.monotonic() - started < 20:
            image = images.crop(run.display.grab(), box)
            if run.display.search("^%s$" % run_mod.FORM_CAPTION):
                frames.append((time.monotonic() - started, image))
        print("record_run: %d grabs in %.1f s" % (len(frames), time.monotonic() - started))
        if sink is not None:
            time.sleep(0.3)  # the end of the last sound
            began = sink.stop()
            if began is not None:
                to_monotonic = relay_clock() - time.monotonic()
                plays = [c.time - to_monotonic - started for c in run.relay.calls("winmm.PlaySoundA")]
                sound_start = place(sound_path, began - started, plays)
                print("record_run: the sound placed %.2f s from where its end put it"
                      % (sound_start - (began - started)))
    run_mod.set_context(None)
    return frames, sound_start


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


def assemble_video(chosen, sound_path, sound_start, video):
    """An MP4 (H.264, AAC) of the chosen frames, each shown until the next, with the sound
    recording laid where it began."""
    work = tempfile.mkdtemp(prefix="tickbomb-video-")
    try:
        listing = os.path.join(work, "frames.txt")
        with open(listing, "w") as f:
            for index, (t, image) in enumerate(chosen):
                path = os.path.join(work, "%03d.png" % index)
                image.save(path)
                following = chosen[index + 1][0] if index + 1 < len(chosen) else t + 2.0
                f.write("file '%s'\nduration %.3f\n" % (path, following - t))
            f.write("file '%s'\n" % path)  # the concat format needs the last one twice
        args = ["ffmpeg", "-nostdin", "-loglevel", "error", "-y",
                "-f", "concat", "-safe", "0", "-i", listing]
        # The video starts when the window was shown: sound from before then is cut,
        # sound that began later is delayed.
        if sound_start < 0:
            args += ["-ss", "%.3f" % -sound_start, "-i", sound_path]
        else:
            args += ["-itsoffset", "%.3f" % sound_start, "-i", sound_path]
        args += ["-map", "0:v", "-map", "1:a", "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2,fps=10",
                 "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "96k",
                 "-movflags", "+faststart", video]
        subprocess.run(args, check=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", default=os.path.join(REPO, "build", "windows", "tickbomb.exe"))
    parser.add_argument("--out", default=os.path.join(REPO, "docs", "run.gif"))
    parser.add_argument("--video", help="also an MP4 with the sounds played (needs ffmpeg)")
    args = parser.parse_args()
    if not os.path.isfile(args.exe):
        sys.exit("record_run: no %s; build it first (cmake --build --preset windows)" % args.exe)
    if args.video and shutil.which("ffmpeg") is None:
        print("record_run: no ffmpeg (Debian package ffmpeg): no video, only the GIF")
        args.video = None
    # In the build tree: a run's prefix is made of hard links to the template's files.
    os.makedirs(os.path.join(REPO, "build"), exist_ok=True)
    work = tempfile.mkdtemp(prefix="record-", dir=os.path.join(REPO, "build"))
    try:
        sound_path = os.path.join(work, "sound.wav") if args.video else None
        frames, sound_start = record(os.path.abspath(args.exe),
                                     os.path.join(REPO, "build", "windows", "e2e"), work,
                                     sound_path)
        chosen = choose(frames)
        assemble(chosen, args.out)
        print("record_run: %s, %d frames, %d bytes" % (
            args.out, len(chosen), os.path.getsize(args.out)))
        if args.video and sound_start is None:
            print("record_run: the sound could not be recorded: no video")
        elif args.video:
            assemble_video(chosen, sound_path, sound_start, args.video)
            print("record_run: %s, %.1f s with sound, %d bytes" % (
                args.video, chosen[-1][0] + 2.0, os.path.getsize(args.video)))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
