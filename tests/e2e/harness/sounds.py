"""Which sound a traced PlaySoundA played, and how long each sound lasts.

PlaySoundA gets the address of a sound's bytes, not its id.  Every start-up
loads the six sounds afresh and plays them once, asynchronously, in the
reverse order of the sound table (106, 105, 104, 103, 102, 101), then 105
again as the start-up sound; those seven calls right before the start-up's
SetWindowRgn tell which address holds which sound until the next start-up.
"""

import wave

from . import images

WARM_UP_ORDER = tuple(ident for _name, ident, _file, _role in reversed(images.sound_table()))
STARTUP_SOUND = 105
ASYNC, SYNC = 7, 6  # PlaySoundA flags: SND_MEMORY | SND_NODEFAULT, with or without SND_ASYNC


def wave_buffers(calls, startup=1):
    """{sound id: buffer address} for the `startup`-th start-up (1 = the first) in `calls`."""
    shown = [i for i, c in enumerate(calls) if c.name == "user32.SetWindowRgn"]
    if len(shown) < startup:
        raise AssertionError("the trace has %d start-up(s), not %d" % (len(shown), startup))
    before = [c for c in calls[:shown[startup - 1]] if c.name == "winmm.PlaySoundA"][-7:]
    if len(before) != 7 or any(not c.matches(None, 0, ASYNC) for c in before):
        raise AssertionError("start-up %d: expected six warm-up plays and the start-up sound, "
                             "asynchronous, before SetWindowRgn; got %s" % (startup, before))
    buffers = {sound: c.args[0] for sound, c in zip(WARM_UP_ORDER, before)}
    if len(set(buffers.values())) != 6:
        raise AssertionError("start-up %d: the warm-up used %d different buffers: %s"
                             % (startup, len(set(buffers.values())), before[:6]))
    if before[6].args[0] != buffers[STARTUP_SOUND]:
        raise AssertionError("start-up %d: the start-up sound %r is not sound 105 (%#x)"
                             % (startup, before[6], buffers[STARTUP_SOUND]))
    return buffers


def sound_of(call, buffers):
    """The id of the sound a PlaySoundA call played, by its buffer; None if it is none of them."""
    for sound, address in buffers.items():
        if call.args[0] == address:
            return sound
    return None


def sound_seconds(sound):
    """How long sound `sound` (101 ... 106) lasts, from the WAVE file the program embeds."""
    with wave.open(images.resource_file(sound), "rb") as w:
        return w.getnframes() / w.getframerate()
