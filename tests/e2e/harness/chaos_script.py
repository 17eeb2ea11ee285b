"""A restless user at a busy machine, as a seeded random script of steps.

The script is a pure function of its seed, so a session can be run again
with the same steps; when each step lands is up to the machine.  Positions
are window pixels at 96 DPI; the session turns them into screen pixels
against the window's geometry at the moment it acts.
"""

import collections
import random

# Window pixels of the bomb (Image1: x 18..82, y 110..204), kept off its edge.
BOMB = (22, 114, 78, 200)
# The sky: no control between the top line and the digits, right of the bomb.
SKY = (100, 75, 400, 225)
# Points on the labels: the top line, the hint, "あと", the digits, "秒".
CAPTIONS = ((100, 30), (60, 370), (245, 250), (300, 300), (370, 350))
ARROWS = ("Up", "Down", "Left", "Right")
# Keys that do nothing but run the restart rule: letters, Tab, Space, Enter,
# Home, F10 and Ctrl with a letter.
OTHER_KEYS = ("a", "q", "z", "Tab", "space", "Return", "Home", "F10", "ctrl+a", "ctrl+Tab")

# kind: its weight in sessions that try a way out, and in those that never do.
WEIGHTS = {
    "click_bomb": (4, 0),      # left click on the bomb: defuses
    "click_bomb_other": (3, 3),  # right or middle click on it: nothing
    "click_sky": (6, 6),       # any button
    "drag": (5, 5),            # from the sky or a caption
    "escape": (3, 0),
    "alt_f4": (2, 0),
    "shift": (8, 8),           # Shift pressed, or released if held
    "arrow": (4, 4),           # re-opens the window elsewhere
    "key": (8, 8),
    "freeze": (4, 4),          # SIGSTOP, then SIGCONT 0.3 to 2.5 s later
}
# A user who keeps re-opening the window, with other keys between: re-opens
# in quick succession, few ways out, a freeze now and then.
REOPENS = dict(WEIGHTS, arrow=(16, 16), key=(10, 10), click_bomb=(1, 0), escape=(1, 0),
               alt_f4=(1, 0), drag=(2, 2), freeze=(2, 2))
PROFILES = {"mixed": WEIGHTS, "reopens": REOPENS}

# What a user may do while the program is frozen: input that waits in the
# queue and runs once it goes on (no drags: the window cannot follow).
BLIND_KINDS = ("click_bomb", "click_sky", "escape", "shift", "key", "arrow")

Step = collections.namedtuple("Step", "pause kind arg")
Script = collections.namedtuple("Script", "seed way_out steps after_box")


def make_script(seed, steps=45, profile="mixed"):
    """The steps of session `seed`: about a third never tries a way out."""
    rng = random.Random(seed)
    way_out = rng.random() >= 1 / 3
    column = 0 if way_out else 1
    table = PROFILES[profile]
    kinds = [k for k in table if table[k][column]]
    weights = [table[k][column] for k in kinds]
    script = []
    for _ in range(steps):
        kind = rng.choices(kinds, weights)[0]
        script.append(Step(round(rng.uniform(0.05, 0.9), 3), kind, _argument(rng, kind, way_out)))
    # Restless after an ending's box is up, until it is closed.
    after = [Step(round(rng.uniform(0.1, 0.5), 3), kind, _argument(rng, kind, way_out))
             for kind in rng.choices(["click_bomb", "escape", "key", "shift"], k=rng.randint(0, 2))]
    return Script(seed, way_out, script, after)


def _argument(rng, kind, way_out):
    if kind in ("click_bomb", "click_bomb_other"):
        button = 1 if kind == "click_bomb" else rng.choice((2, 3))
        return {"button": button, "at": _point(rng, BOMB)}
    if kind == "click_sky":
        return {"button": rng.choice((1, 1, 2, 3)), "at": _point(rng, SKY)}
    if kind == "drag":
        start = _point(rng, SKY) if rng.random() < 0.5 else rng.choice(CAPTIONS)
        return {"button": 1 if rng.random() < 0.85 else 3, "at": start,
                "by": (rng.randint(30, 120), rng.randint(20, 100))}
    if kind == "arrow":
        return {"key": rng.choice(ARROWS)}
    if kind == "key":
        return {"key": rng.choice(OTHER_KEYS)}
    if kind == "freeze":
        blind_kinds = [k for k in BLIND_KINDS if way_out or k not in ("click_bomb", "escape")]
        blind = []
        for _ in range(rng.choice((0, 0, 1, 1, 2))):
            blind_kind = rng.choice(blind_kinds)
            blind.append(Step(round(rng.uniform(0.05, 0.3), 3), blind_kind,
                              _argument(rng, blind_kind, way_out)))
        return {"seconds": round(rng.uniform(0.3, 2.5), 3), "blind": blind}
    return {}


def _point(rng, box):
    left, top, right, bottom = box
    return (rng.randint(left, right), rng.randint(top, bottom))
