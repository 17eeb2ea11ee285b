"""Reading the countdown's ticks back from a relay trace (harness/ticks.py), without Wine."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))

from harness.relay import parse_relay  # noqa: E402
from harness.ticks import read_countdown  # noqa: E402

START = 100.0


class Trace:
    """Writes relay lines as Wine does: time:thread:Call/Ret dll.Function(args)."""

    def __init__(self):
        self.lines = []

    def call(self, at, name, *args):
        shown = ",".join("%08x" % (a & 0xFFFFFFFF) for a in args)
        self.lines.append("%.3f:0024:Call %s(%s) ret=00401000" % (at, name, shown))
        self.lines.append("%.3f:0024:Ret  %s() retval=00000001 ret=00401000" % (at, name))

    def clock(self, at):
        self.call(at, "kernel32.QueryPerformanceCounter", 0x73F9D8)

    def arm(self, at, delay_ms):
        self.call(at, "user32.SetTimer", 0x2004A, 1, delay_ms, 0)

    def wm_timer(self, at, handler_s=0.0, sound=None):
        """One WM_TIMER that takes the tick due at the next multiple of 500 ms."""
        self.clock(at)
        if sound is not None:
            self.call(at, "winmm.PlaySoundA", sound, 0, 7)
        self.clock(at + handler_s)
        due = START + (round((at - START) / 0.5) + 1) * 0.5
        self.arm(at + handler_s, max(1, int(round((due - at - handler_s) * 1000))))

    def calls(self):
        return parse_relay(self.lines)


def full_countdown(lateness=0.002):
    trace = Trace()
    trace.clock(START)
    trace.arm(START, 500)
    trace.clock(START + 0.020)  # the start-up seeds its random generator
    trace.clock(START + 0.020)
    for n in range(1, 20):
        trace.wm_timer(START + n * 0.5 + lateness, handler_s=0.004 if n == 19 else 0.0,
                       sound=0xC45D88 if n % 2 == 0 else None)
    trace.clock(START + 10.0 + lateness)
    trace.call(START + 10.0 + lateness + 0.003, "winmm.PlaySoundA", 0xC47128, 0, 6)
    trace.call(START + 10.4, "user32.ExitWindowsEx", 1, 0)
    return trace


class ReadCountdownTest(unittest.TestCase):
    def test_every_tick_at_its_arrival_and_the_request(self):
        countdown = read_countdown(full_countdown(lateness=0.002).calls())
        self.assertEqual(countdown.missing(), [])
        self.assertAlmostEqual(countdown.start, START)
        for n in range(1, 21):
            # The arrival, not the end of the handler (tick 19 pumps for 4 ms).
            self.assertAlmostEqual(countdown.lateness(n), 0.002, places=6, msg="tick %d" % n)
        self.assertAlmostEqual(countdown.detonation - countdown.start, 10.4)
        self.assertEqual(countdown.wakeups, 0)

    def test_an_early_wakeup_takes_no_tick(self):
        trace = Trace()
        trace.clock(START)
        trace.arm(START, 500)
        trace.clock(START + 0.497)  # 3 ms early: not due, re-armed for the same tick
        trace.clock(START + 0.497)
        trace.arm(START + 0.497, 3)
        trace.wm_timer(START + 0.501)
        trace.wm_timer(START + 1.002)
        countdown = read_countdown(trace.calls())
        self.assertEqual(sorted(countdown.ticks), [1, 2])
        self.assertAlmostEqual(countdown.lateness(1), 0.001, places=6)
        self.assertEqual(countdown.wakeups, 1)

    def test_without_clock_readings_the_rearm_times_the_tick(self):
        trace = full_countdown()
        trace.lines = [line for line in trace.lines if "QueryPerformanceCounter" not in line]
        countdown = read_countdown(trace.calls())
        self.assertEqual(countdown.missing(), [])
        self.assertAlmostEqual(countdown.lateness(19), 0.006, places=6)  # after the 4 ms pump

    def test_a_sound_belongs_to_the_wm_timer_that_played_it_however_late(self):
        trace = Trace()
        trace.clock(START)
        trace.arm(START, 500)
        trace.clock(START + 0.501)                             # tick 1 arrives,
        trace.call(START + 0.581, "winmm.PlaySoundA", 1, 0, 7)  # its sound held up 80 ms
        trace.clock(START + 0.581)
        trace.arm(START + 0.581, 420)
        trace.call(START + 0.582, "winmm.PlaySoundA", 2, 0, 7)  # after the re-arm: no tick's
        trace.wm_timer(START + 1.001, sound=3)
        calls = trace.calls()
        countdown = read_countdown(calls)
        held_up, stray, next_one = [c for c in calls if c.name == "winmm.PlaySoundA"]
        self.assertEqual(sorted(countdown.ticks), [1, 2])
        self.assertTrue(countdown.took_part_in(1, held_up))
        self.assertFalse(countdown.took_part_in(1, stray))
        self.assertFalse(countdown.took_part_in(2, stray))
        self.assertTrue(countdown.took_part_in(2, next_one))
        self.assertFalse(countdown.took_part_in(1, next_one))
        self.assertFalse(countdown.took_part_in(3, next_one))

    def test_a_tick_due_while_the_program_was_stopped_counts_from_its_release(self):
        trace = Trace()
        trace.clock(START)
        trace.arm(START, 500)
        for n in range(1, 11):
            trace.wm_timer(START + n * 0.5 + 0.002)
        trace.wm_timer(START + 5.905)  # stopped from 5.1 to 5.9: tick 11 (due 5.5) waits
        for n in range(12, 15):
            trace.wm_timer(START + 0.405 + n * 0.5 + 0.003)  # on the schedule moved on
        freezes = [(START + 5.1, START + 5.9)]
        countdown = read_countdown(trace.calls(), freezes)
        self.assertAlmostEqual(countdown.lateness(11), 0.005, places=6)
        for n in (1, 10, 12, 14):
            self.assertAlmostEqual(countdown.lateness(n), 0.003 if n > 11 else 0.002, places=6,
                                   msg="tick %d" % n)
        self.assertAlmostEqual(countdown.set_back(), 0.405, places=6)
        # The same late tick with no stop to account for it is 405 ms late.
        self.assertAlmostEqual(read_countdown(trace.calls()).lateness(11), 0.405, places=6)
        # A stop that begins 5 ms after tick 11 was due, before the program took it,
        # holds it up as much; one that ends before the tick was due holds up nothing.
        for freezes, late in (([(START + 5.505, START + 5.9)], 0.010),
                              ([(START + 5.0, START + 5.4)], 0.405)):
            countdown = read_countdown(trace.calls(), freezes)
            self.assertAlmostEqual(countdown.lateness(11), late, places=6, msg=str(freezes))

    def test_no_timer_no_countdown(self):
        trace = Trace()
        trace.call(START, "winmm.PlaySoundA", 0xC45D88, 0, 7)
        self.assertIsNone(read_countdown(trace.calls()))


if __name__ == "__main__":
    unittest.main()
