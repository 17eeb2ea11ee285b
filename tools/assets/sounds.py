"""The six sounds of the bank, synthesised from the parameters below.

Each sound has a fixed number of samples (22,050 Hz, 8-bit unsigned mono) and
a fixed peak level, measured as the largest distance of a sample from the
silent value 128.  The synthesis works in floating point around zero, free of
any constant offset; finish() scales the sound so that its largest excursion
lands exactly on the peak level and rounds to 8 bits.  Every envelope starts and ends at
zero, so no sound starts or stops with a click of its own.

The noise comes from a small xorshift generator of our own so that the bytes
do not depend on the random-number streams of a library version.
"""

import math
import os
import re

import numpy as np

from formats import SAMPLE_RATE, wave_image

FULL_SCALE = 128


def seconds(n):
    return np.arange(n) / SAMPLE_RATE


def xorshift_noise(n, seed):
    """n samples of white noise in [-1, 1) from a 32-bit xorshift generator."""
    state = seed & 0xFFFFFFFF or 1
    out = np.empty(n)
    for i in range(n):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        out[i] = state / 2**31 - 1.0
    return out


def one_pole_lowpass(x, cutoff_hz):
    """First-order low-pass; cutoff_hz may be a number or one value per sample."""
    cutoff = np.broadcast_to(np.asarray(cutoff_hz, dtype=float), x.shape)
    coeff = 1.0 - np.exp(-2.0 * math.pi * cutoff / SAMPLE_RATE)
    out = np.empty_like(x)
    y = 0.0
    for i, (sample, a) in enumerate(zip(x, coeff)):
        y += a * (sample - y)
        out[i] = y
    return out


def dc_blocker(x, cutoff_hz=20.0):
    """First-order high-pass that removes any constant offset."""
    r = math.exp(-2.0 * math.pi * cutoff_hz / SAMPLE_RATE)
    out = np.empty_like(x)
    prev_in = prev_out = 0.0
    for i, sample in enumerate(x):
        prev_out = sample - prev_in + r * prev_out
        prev_in = sample
        out[i] = prev_out
    return out


def without_offset(y, weight):
    """Take away the constant offset of y in the shape of weight.

    Subtracting a plain constant would lift the silent ends off zero; taking
    it away in the shape of the sound's own envelope leaves them untouched.
    """
    return y - weight * (np.sum(y) / np.sum(weight))


def raised_cosine(n):
    """n samples rising smoothly from 0 to 1."""
    return 0.5 - 0.5 * np.cos(np.linspace(0.0, math.pi, n))


def gate(n, attack_s, hold_end_s, release_s):
    """0 -> 1 in attack_s, 1 until hold_end_s, back to 0 in release_s, then 0."""
    env = np.zeros(n)
    a = max(2, round(attack_s * SAMPLE_RATE))
    h = round(hold_end_s * SAMPLE_RATE)
    r = max(2, round(release_s * SAMPLE_RATE))
    env[:a] = raised_cosine(a)
    env[a:h] = 1.0
    env[h : h + r] = raised_cosine(r)[::-1]
    return env


def chirp_phase(freq_hz):
    """Phase (radians) of a tone whose frequency follows freq_hz sample by sample."""
    return 2.0 * math.pi * np.cumsum(freq_hz) / SAMPLE_RATE


def finish(y, peak, negative_peak=False):
    """Scale y so that its largest excursion is exactly `peak`, then to 8 bits.

    negative_peak turns the sound over if needed so that the largest excursion
    points downwards: a full-scale sound can reach 0 (128 below silence) but
    only 255 (127 above it).
    """
    y = np.asarray(y, dtype=float)
    biggest = int(np.argmax(np.abs(y)))
    if negative_peak and y[biggest] > 0:
        y = -y
    scaled = np.rint(y * (peak / abs(y[biggest])))
    return (np.clip(scaled, -128, 127) + 128).astype(np.uint8).tobytes()


# --------------------------------------------------------------------------
# The sounds


def tick(n):
    """106: one sharp wooden 'tick' of a clock, 15 ms."""
    t = seconds(n)
    body = (
        1.00 * np.sin(2 * math.pi * 2350 * t) * np.exp(-t / 0.0022)
        + 0.55 * np.sin(2 * math.pi * 1310 * t + 0.6) * np.exp(-t / 0.0035)
        + 0.35 * np.sin(2 * math.pi * 4700 * t + 1.1) * np.exp(-t / 0.0011)
    )
    knock = one_pole_lowpass(xorshift_noise(n, 0x7A11), 6000) * np.exp(-t / 0.0008)
    y = body + 1.6 * knock
    y *= np.minimum(1.0, np.arange(n) / 6.0)  # a 0.3 ms onset keeps it sharp
    y *= np.concatenate([np.ones(n - 60), raised_cosine(60)[::-1]])
    y = without_offset(y, np.exp(-t / 0.003) * np.minimum(1.0, np.arange(n) / 6.0))
    return finish(y, FULL_SCALE, negative_peak=True)


def beep(n, pitch_hz, envelope, glide_from=0.94, glide_s=0.03, brightness=0.3):
    """A rounded square-ish beep that slides up into its pitch."""
    t = seconds(n)
    slide = np.minimum(1.0, t / glide_s)
    freq = pitch_hz * (glide_from + (1.0 - glide_from) * np.sin(0.5 * math.pi * slide))
    phase = chirp_phase(freq)
    tone = (
        np.sin(phase)
        + brightness * np.sin(3 * phase) / 3
        + 0.5 * brightness * np.sin(5 * phase) / 5
        + 0.25 * np.sin(2 * phase + 0.4)
    )
    return tone * envelope


# The three warnings climb an A-major arpeggio as the count runs out.
PITCH_THREE = 880.00  # A5
PITCH_TWO = 1108.73  # C#6
PITCH_ONE = 1318.51  # E6


def warning_three(n):
    """104: loud, even beep held for 160 ms."""
    env = gate(n, 0.004, 0.160, 0.012)
    return finish(beep(n, PITCH_THREE, env, brightness=0.45), 114)


def warning_two(n):
    """103: soft, even beep that fades out over its last 70 ms."""
    env = gate(n, 0.004, 0.120, 0.0)
    t = seconds(n)
    fade = np.clip((t[-1] - t) / (t[-1] - 0.120), 0.0, 1.0)
    env = np.where(t < 0.120, env, fade**1.6)
    return finish(beep(n, PITCH_TWO, env, brightness=0.35), 34)


def warning_one(n):
    """102: soft beep that swells for 100 ms and stops; silence after it."""
    t = seconds(n)
    swell = np.clip(t / 0.100, 0.0, 1.0) ** 1.5
    env = swell * gate(n, 0.006, 0.100, 0.006)
    # a little tremolo makes the last warning sound restless
    env *= 1.0 - 0.25 * (0.5 - 0.5 * np.cos(2 * math.pi * 28 * t))
    return finish(beep(n, PITCH_ONE, env, glide_from=0.90, glide_s=0.1, brightness=0.4), 47)


def chime(n, start_s, pitch_hz, decay_s):
    """A small bell strike: two inharmonic partials and a tap of noise."""
    t = seconds(n) - start_s
    on = t >= 0
    t = np.where(on, t, 0.0)
    ring = (
        np.sin(2 * math.pi * pitch_hz * t) * np.exp(-t / decay_s)
        + 0.35 * np.sin(2 * math.pi * pitch_hz * 2.76 * t) * np.exp(-t / (0.45 * decay_s))
    )
    onset = np.minimum(1.0, t * SAMPLE_RATE / 8.0)
    return np.where(on, ring * onset, 0.0)


# 105 climbs a major pentatonic scale from C6 to E7: a sparkle, fading as it rises.
SPARKLE = [1046.5, 1174.7, 1318.5, 1568.0, 1760.0, 2093.0, 2349.3, 2637.0]


def fanfare(n):
    """105: eight chimes 85 ms apart, each fainter than the one before."""
    y = np.zeros(n)
    for k, pitch in enumerate(SPARKLE):
        y += 0.74**k * chime(n, 0.002 + 0.085 * k, pitch, 0.028)
    return finish(y, 86)


def explosion(n):
    """101: a crunchy blast with a low thump, loudest after about 80 ms."""
    t = seconds(n)
    white = xorshift_noise(n, 0xB00B5)
    # hold each noise value for a few samples: coarse, gritty noise
    hold = 1 + (np.arange(n) // 700) % 3
    crunch = white[(np.arange(n) // hold) * hold]
    darkening = 3200.0 * np.exp(-t / 0.08) + 450.0
    rumble = one_pole_lowpass(0.55 * white + 0.45 * crunch, darkening)
    rumble = one_pole_lowpass(rumble, darkening * 1.3)
    # swells to the blast at 80 ms, then dies away
    rise = np.clip(t / 0.080, 0.0, 1.0) ** 2.2
    fall = np.exp(-np.clip(t - 0.080, 0.0, None) / 0.075)
    blast = rise * fall
    # the thump drops from 95 Hz to 38 Hz under the blast
    thump_freq = 38.0 + 57.0 * np.exp(-t / 0.06)
    thump = np.sin(chirp_phase(thump_freq)) * np.clip(t / 0.03, 0, 1) * np.exp(-t / 0.11)
    # the crackle of debris in the tail
    crackle = np.where(np.abs(xorshift_noise(n, 0xC0FFEE)) > 0.985, 1.0, 0.0)
    crackle = one_pole_lowpass(crackle * white, 3000.0) * np.exp(-t / 0.15) * (t > 0.1)
    y = 4.0 * rumble * blast + 1.3 * thump + 1.2 * crackle
    y = dc_blocker(np.tanh(1.8 * y))  # driven into saturation for bite
    y *= np.concatenate([np.ones(n - 400), raised_cosine(400)[::-1]])
    return finish(y, FULL_SCALE, negative_peak=True)


# role (as the sound table names it): (synthesiser, sample count,
# extra-format size or None, trailing zero bytes)
BANK = {
    "explosion": (explosion, 7638, 37, 0),
    "warning_one": (warning_one, 4258, 37, 0),
    "warning_two": (warning_two, 4307, 37, 2),
    "warning_three": (warning_three, 4415, 37, 2),
    "start_and_end": (fanfare, 16006, 0, 0),
    "tick": (tick, 326, None, 2),
}

SOUND_TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets",
                           "sound_table.h")


def sound_table():
    """[(id, file, role)] of assets/sound_table.h, in its order."""
    with open(SOUND_TABLE, encoding="utf-8") as f:
        text = f.read()
    rows = [(int(ident), file, role) for ident, file, role in
            re.findall(r'SOUND\(\w+,\s*(\d+),\s*"([^"]+)",\s*(\w+)\)', text)]
    if not rows:
        raise ValueError("no sounds in " + SOUND_TABLE)
    return rows


def build_bank():
    """{file under assets/: complete .wav image} for every sound of the table."""
    images = {}
    for _, file, role in sound_table():
        synth, count, extra, trailing = BANK[role]
        samples = synth(count)
        assert len(samples) == count
        images[file] = wave_image(samples, fmt_extra_size=extra, trailing_zeros=trailing)
    return images
