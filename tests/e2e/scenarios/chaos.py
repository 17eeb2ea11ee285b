"""A handful of random users and freezes of the program, as tools/chaos.sh runs them by the hundred."""

from concurrent.futures import ThreadPoolExecutor

from harness import scenario
from harness.chaos_session import run_session

# (seed, Windows version), six seconds of restlessness each: a re-open, a
# freeze and Shift held to a restart; Esc with Shift held; two freezes, then a
# click on the bomb; and Shift pressed and released around a 2 s freeze,
# then a shutdown as Windows 98 asks for it.
HANDFUL = ((18, None), (19, None), (2, None), (43, "win98"))
SCRIPT_SECONDS = 6.0


@scenario(timeout=80)
def a_handful_of_random_sessions():
    """Each ends in exactly one way, at its time, with the flags its keys chose, and nothing
    after its box; two at a time."""
    def play(case):
        seed, version = case
        return seed, version, run_session(seed, version, script_seconds=SCRIPT_SECONDS)[0]

    with ThreadPoolExecutor(2) as pool:
        verdicts = list(pool.map(play, HANDFUL))
    for seed, version, verdict in verdicts:
        print("seed %d (%s): %s, %d windows, %d freezes, %d actions" % (
            seed, version or "default", verdict.ending, verdict.windows, verdict.freezes,
            verdict.actions), flush=True)
    found = ["seed %d (%s): %s" % (seed, version or "default", v)
             for seed, version, verdict in verdicts for v in verdict.violations]
    assert not found, "violations:\n" + "\n".join(found)
