"""Judging a random session (harness/chaos_judge.py) from made-up traces and input logs, without Wine."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.dirname(__file__))

from harness.chaos_judge import WAYS_OUT, judge  # noqa: E402
from harness.run import DEFUSED, ESCAPED, MESSAGE_TITLE  # noqa: E402
from test_ticks import Trace  # noqa: E402

SHOWN = 100.0
WINDOW = 0x2004A
ALT_F4 = [["alt", "down", 4], ["F4", "down", 4], ["F4", "up", 4], ["alt", "up", 0]]
WAVES = {106: 0xC10000, 105: 0xC20000, 104: 0xC30000, 103: 0xC40000, 102: 0xC50000, 101: 0xC60000}


def wide(text):
    return "".join(c if 32 <= ord(c) < 127 and c not in '\\"' else "\\%04x" % ord(c) for c in text)


class Session(Trace):
    """A start-up whose window is up at SHOWN, Timer1 armed then, and ticks on time unless told."""

    def __init__(self, armed=SHOWN + 0.001):
        super().__init__()
        self.entries = []
        self.startup(SHOWN, WINDOW, armed)

    def startup(self, shown, window, armed=None):
        for sound in (106, 105, 104, 103, 102, 101, 105):
            self.call(shown - 0.1, "winmm.PlaySoundA", WAVES[sound], 0, 7)
        self.call(shown, "user32.SetWindowRgn", window, 0x404006E, 1)
        armed = shown + 0.001 if armed is None else armed
        self.clock(armed)
        self.arm(armed, 500)
        self.entries.append(dict(kind="startup", t0=shown, t1=shown, window=len(self.entries) + 1))
        self.due, self.n, self.last = armed, 0, armed

    def ticks(self, count, at=None, replay=False):
        """`count` more ticks, the first at `at` if given: more than 100 ms late it moves the
        schedule on, unless (replay) the missed ones are made up at once."""
        for _ in range(count):
            self.due += 0.5
            self.n += 1
            now = max(self.due, self.last + 0.001) if at is None else at
            if now - self.due > 0.1 and not replay:
                self.due = now
            self.wm_timer(now, sound=WAVES[106] if self.n % 2 == 0 else None)
            self.last, at = now, None

    def detonate(self, flags=1, after=0.005):
        self.due += 0.5
        self.clock(self.due)
        self.call(self.due, "winmm.PlaySoundA", WAVES[101], 0, 6)
        self.call(self.due + after, "user32.ExitWindowsEx", flags, 0)

    def box(self, at, text):
        self.lines.append('%.3f:0024:Call user32.MessageBoxW(%08x,0041e0b2 L"%s",0041e0c0 L"%s",'
                          '00000000) ret=00401000' % (at, WINDOW, wide(text), wide(MESSAGE_TITLE)))

    def key(self, at, combo, events, **fields):
        self.entries.append(dict(kind="key", t0=at, t1=at + 0.05, window=1, sent=True,
                                 combo=combo, events=events, **fields))

    def freeze(self, start, seconds):
        self.entries.append(dict(kind="freeze", t0=start, t1=start + seconds, window=1))

    def verdict(self, default_flags=1):
        return judge(self.calls(), self.entries, default_flags)


def left_alone(flags=1):
    session = Session()
    session.ticks(19)
    session.detonate(flags)
    return session


class ChaosJudgeTest(unittest.TestCase):
    def assertClean(self, verdict):
        self.assertEqual(verdict.violations, [])

    def assertFound(self, verdict, words):
        self.assertTrue(any(words in v for v in verdict.violations), verdict.violations)

    def test_a_countdown_left_alone_passes(self):
        verdict = left_alone().verdict()
        self.assertClean(verdict)
        self.assertEqual((verdict.ending, verdict.windows), ("shutdown", 1))

    def test_a_request_before_ten_seconds_of_the_window(self):
        session = Session(armed=SHOWN - 0.3)  # the schedule began before the window was up
        session.ticks(19)
        session.detonate()
        self.assertFound(session.verdict(), "at least 10.000 s are owed")

    def test_a_freeze_costs_its_length_less_one_period(self):
        # A freeze of up to 600 ms may cost nothing: the tick due in it comes
        # at most a fifth of a period late and keeps the schedule.
        for start, seconds, replay, owed in ((3.1, 2.0, False, False), (3.1, 2.0, True, True),
                                             (3.002, 0.58, False, False)):
            session = Session()
            session.ticks(6)
            session.freeze(SHOWN + start, seconds)
            session.ticks(1, at=SHOWN + start + seconds + 0.001, replay=replay)
            session.ticks(12, replay=replay)
            session.detonate()
            verdict = session.verdict()
            if owed:
                self.assertFound(verdict, "are owed")
            else:
                self.assertClean(verdict)

    def test_tick_sounds_closer_than_400_ms(self):
        session = Session()
        session.ticks(6)
        session.ticks(1, at=session.due + 2.0, replay=True)  # and the missed ones at once
        session.ticks(13, replay=True)
        session.detonate()
        self.assertFound(session.verdict(), "tick sounds")
        self.assertClean(left_alone().verdict())

    def test_an_escape_or_alt_f4_that_reached_the_window_forbids_the_request(self):
        escape = [["Escape", "down", 0], ["Escape", "up", 0]]
        for combo, events, sent_before, found in (
                ("Escape", escape, 1.0, True), ("Escape", escape, 0.2, False),
                ("alt+F4", ALT_F4, 1.0, True), ("alt+F4", ALT_F4, 0.2, False)):  # late: either
            session = left_alone()
            session.key(SHOWN + 10.0 - sent_before, combo, events)
            verdict = session.verdict()
            if found:
                self.assertFound(verdict, "after " + WAYS_OUT[combo])
            else:
                self.assertClean(verdict)

    def test_a_click_on_the_visible_bomb_forbids_the_request(self):
        for at, found in ((SHOWN + 5.0, True), (SHOWN + 9.6, False)):
            session = left_alone()
            session.entries.append(dict(kind="click_bomb", t0=at, t1=at + 0.1, window=1, sent=True,
                                        button=1))
            verdict = session.verdict()
            if found:
                self.assertFound(verdict, "click on the bomb")
            else:
                self.assertClean(verdict)  # tick 19 hid the bomb

    def test_the_last_key_event_chooses_the_flags(self):
        held = [["shift", "down", 1]]
        for flags, keys, found in (
                (2, [(5.0, "Shift_L", held)], False),
                (1, [(5.0, "Shift_L", held)], True),
                (2, [(5.0, "Shift_L", held), (6.0, "alt+a", [["alt", "down", 5], ["a", "down", 5],
                                                          ["a", "up", 5], ["alt", "up", 1]])], False),
                (2, [(5.0, "Shift_L", held), (6.0, "ctrl+a", [["ctrl", "down", 3], ["a", "down", 3],
                                                           ["a", "up", 3], ["ctrl", "up", 0]])], True),
                (8, [(9.75, "Shift_L", held)], False),  # at the last moment: either
                (2, [(9.75, "Shift_L", held)], False)):
            session = left_alone(flags)
            for at, combo, events in keys:
                session.key(SHOWN + at, combo, events)
            verdict = session.verdict(default_flags=8)
            if found:
                self.assertFound(verdict, "ExitWindowsEx(%d)" % flags)
            else:
                self.assertClean(verdict)

    def test_a_reopen_forgets_the_choice_and_may_see_the_arrow_released(self):
        # Under Wine the re-open takes 2.4 s; the arrow's release, queued
        # meanwhile, may reach the new window, with Shift down or not.
        for shift_held_at_arrow, flags, found in ((True, 2, False), (True, 1, False),
                                                  (False, 2, True)):
            session = Session()
            session.ticks(4)
            session.key(SHOWN + 1.0, "Shift_L", [["shift", "down", 1]])
            mask = 1 if shift_held_at_arrow else 0
            if not shift_held_at_arrow:
                session.key(SHOWN + 1.5, "Shift_L", [["shift", "up", 0]])
            session.key(SHOWN + 2.2, "Up", [["Up", "down", mask], ["Up", "up", mask]], arrow=True)
            session.startup(SHOWN + 4.7, WINDOW + 0x10000)
            session.ticks(19)
            session.detonate(flags)
            verdict = session.verdict()
            self.assertEqual(verdict.windows, 2)
            if found:
                self.assertFound(verdict, "ExitWindowsEx(2)")
            else:
                self.assertClean(verdict)

    def test_one_ending_with_nothing_after_its_box(self):
        session = Session()
        session.ticks(4)
        session.key(SHOWN + 2.1, "Escape", [["Escape", "down", 0]])
        session.box(SHOWN + 2.3, ESCAPED)
        session.key(SHOWN + 2.2, "alt+F4", ALT_F4)  # in the Esc ending's pumps, or after its box
        self.assertClean(session.verdict())
        session.entries[-1].update(t0=SHOWN + 1.9, t1=SHOWN + 1.95)
        self.assertFound(session.verdict(), "a box after an Alt+F4")
        session.call(SHOWN + 2.4, "winmm.PlaySoundA", WAVES[106], 0, 7)
        self.assertFound(session.verdict(), "with the box up")
        session.detonate()
        self.assertFound(session.verdict(), "2 endings")

    def test_alt_f4_ends_the_program_at_once(self):
        for sent, freeze, running, found in ((3.0, None, 3.5, None), (3.0, None, 4.5, "still running"),
                                             (3.0, (3.2, 2.0), 5.5, None), (None, None, 3.5, "no Alt+F4")):
            session = Session()
            session.ticks(5)
            if sent:
                session.key(SHOWN + sent, "alt+F4", ALT_F4)
            if freeze:
                session.freeze(SHOWN + freeze[0], freeze[1])
            session.entries.append(dict(kind="exit", t0=SHOWN + running + 0.1, running=SHOWN + running))
            verdict = session.verdict()
            self.assertEqual(verdict.ending, "close")
            if found:
                self.assertFound(verdict, found)
            else:
                self.assertClean(verdict)

    def test_a_defuse_nobody_asked_for_and_a_run_time_error(self):
        session = Session()
        session.box(SHOWN + 1.0, DEFUSED)
        self.assertFound(session.verdict(), "never asked for it")
        session = Session()
        session.lines.append('%.3f:0024:Call user32.MessageBoxW(00000000,0041e0b2 L"%s",0041e0c0 '
                             'L"x",00000010) ret=00401000' % (SHOWN + 1, wide("Run-time error '9'")))
        self.assertFound(session.verdict(), "run-time error")


if __name__ == "__main__":
    unittest.main()
