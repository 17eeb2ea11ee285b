#!/usr/bin/python3
"""Print duration, peak level and shape of each sound of the bank.

Usage: measure_sounds.py [ASSETS_DIR]   (default: assets/ of this checkout)

For every sound of the sound table it walks the RIFF chunks, takes the "data" chunk, and
reports:
  - size of the file, sample count and duration (samples / 22,050 Hz);
  - peak: the largest distance of a sample from silence (128), out of 128,
    and when it is reached;
  - the offset of the average sample from 128 (DC), and the first and last
    sample values;
  - the envelope: the peak level in 10 ms windows, as figures and as a bar,
    the times where the sound is first and last above a tenth of its peak,
    and the separate bursts (envelope peaks with a quiet gap between them).
"""

import os
import struct
import sys

import numpy as np

RATE = 22050
WINDOW = 220  # samples, about 10 ms
BARS = " .:-=+*#%@"


def read_chunks(image):
    if image[:4] != b"RIFF" or image[8:12] != b"WAVE":
        raise ValueError("not a RIFF WAVE image")
    end = 8 + struct.unpack_from("<I", image, 4)[0]
    chunks, pos = {}, 12
    while pos + 8 <= end:
        ident, length = struct.unpack_from("<4sI", image, pos)
        chunks[ident.decode("ascii")] = image[pos + 8 : pos + 8 + length]
        pos += 8 + length + (length & 1)
    return chunks, len(image) - end


def bursts(samples):
    """Onset times (ms) and peaks of the separate bursts of a sound.

    The level is taken as the peak of each 2 ms step; a burst starts where
    the level jumps to at least twice the quietest step of the 10 ms before,
    and at least 30 ms after the previous start.
    """
    level = np.abs(samples.astype(int) - 128)
    step = 44  # 2 ms
    env = np.array([level[i : i + step].max() for i in range(0, len(level), step)])
    starts = []
    for i, value in enumerate(env):
        before = env[max(0, i - 5) : i]
        quiet = before.min() if len(before) else 0
        if value >= 3 and value >= 2 * quiet + 2 and (not starts or i - starts[-1] >= 15):
            starts.append(i)
    found = []
    for k, i in enumerate(starts):
        end = starts[k + 1] if k + 1 < len(starts) else len(env)
        found.append((i * step * 1000 / RATE, int(env[i:end].max())))
    return found


def describe(path):
    image = open(path, "rb").read()
    chunks, trailing = read_chunks(image)
    fmt = chunks["fmt "]
    tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", fmt)
    data = np.frombuffer(chunks["data"], dtype=np.uint8)
    level = np.abs(data.astype(int) - 128)
    peak = int(level.max())
    peak_at = int(np.argmax(level)) * 1000 / RATE
    duration = len(data) * 1000 / RATE
    windows = [int(level[i : i + WINDOW].max()) for i in range(0, len(data), WINDOW)]
    audible = np.nonzero(level > peak / 10)[0]
    name = os.path.basename(path)
    lines = [
        f"{name}: {len(image)} bytes, fmt {len(fmt)} bytes "
        f"({rate} Hz, {bits}-bit, {channels} ch, tag {tag}), "
        f"{trailing} trailing bytes",
        f"  samples {len(data)}  duration {duration:.1f} ms  "
        f"peak {peak}/128 at {peak_at:.1f} ms  "
        f"DC {data.mean() - 128:+.2f}  first/last sample {data[0]}/{data[-1]}",
        f"  above a tenth of the peak from {audible[0] * 1000 / RATE:.1f} "
        f"to {audible[-1] * 1000 / RATE:.1f} ms",
        "  peak per 10 ms: " + " ".join(str(w) for w in windows),
        "  envelope: |" + "".join(BARS[min(9, w * 10 // (peak + 1))] for w in windows) + "|",
    ]
    found = bursts(data)
    if len(found) > 1:
        starts = [f"{t:.0f}" for t, _ in found]
        gaps = np.diff([t for t, _ in found])
        lines.append(
            f"  {len(found)} bursts at {', '.join(starts)} ms "
            f"(mean spacing {gaps.mean():.1f} ms), peaks {[p for _, p in found]}"
        )
    return "\n".join(lines)


from sounds import sound_table  # noqa: E402


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "assets")
    for _, file, _ in sound_table():
        print(describe(os.path.join(folder, file)))


if __name__ == "__main__":
    main()
