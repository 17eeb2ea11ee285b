"""Telling the sounds apart by their buffers, and reading the embedded cursors."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness.cursor import Cursor, embedded_cursor  # noqa: E402
from harness.relay import parse_relay  # noqa: E402
from harness.sounds import sound_of, sound_seconds, wave_buffers  # noqa: E402


def trace(*calls):
    lines = []
    for n, (call, result) in enumerate(calls):
        t = 100 + n / 1000
        lines.append("%.3f:0024:Call %s ret=00401000" % (t, call))
        name = call.split("(")[0]
        lines.append("%.3f:0024:Ret  %s() retval=%08x ret=00401000" % (t, name, result))
    return parse_relay(lines)


def play(buffer, flags=7):
    return ("winmm.PlaySoundA(%08x,00000000,%08x)" % (buffer, flags), 1)


SHOWN = ("user32.SetWindowRgn(0002004a,04040062,00000001)", 1)
WARM_UP = [play(0x1000 * n) for n in (6, 5, 4, 3, 2, 1)] + [play(0x5000)]


class WaveBuffersTest(unittest.TestCase):
    def test_each_start_up_has_its_own_buffers(self):
        calls = trace(*WARM_UP, SHOWN, play(0x6000), play(0x6000),
                      *[play(0x10000 + 0x1000 * n) for n in (6, 5, 4, 3, 2, 1)],
                      play(0x15000), SHOWN, play(0x16000))
        first, second = wave_buffers(calls, 1), wave_buffers(calls, 2)
        self.assertEqual(first, {106: 0x6000, 105: 0x5000, 104: 0x4000, 103: 0x3000,
                                 102: 0x2000, 101: 0x1000})
        self.assertEqual(second[106], 0x16000)
        self.assertEqual(sound_of(calls[-1], second), 106)
        self.assertIsNone(sound_of(calls[-1], first))

    def test_a_start_up_without_its_seven_plays_is_an_error(self):
        with self.assertRaises(AssertionError):
            wave_buffers(trace(*WARM_UP[1:], SHOWN))  # six plays only
        with self.assertRaises(AssertionError):
            wave_buffers(trace(*WARM_UP[:6], play(0x4000), SHOWN))  # start-up sound not 105
        with self.assertRaises(AssertionError):
            wave_buffers(trace(*WARM_UP[:2], play(0x4000, 6), *WARM_UP[3:], SHOWN))  # synchronous
        with self.assertRaises(AssertionError):
            wave_buffers(trace(*WARM_UP, SHOWN), 2)

    def test_sound_lengths_come_from_the_embedded_files(self):
        self.assertTrue(0.15 < sound_seconds(104) < 0.25)
        self.assertLess(sound_seconds(106), sound_seconds(101))


class CursorTest(unittest.TestCase):
    def test_the_two_finger_cursors_share_size_and_hot_spot_but_not_the_picture(self):
        up, pressed = embedded_cursor("IDC_FINGER_UP"), embedded_cursor("IDC_FINGER_PRESSED")
        self.assertEqual(up.size, (32, 32))
        self.assertEqual(up.hot, pressed.hot)
        self.assertTrue(up.same_as(embedded_cursor("IDC_FINGER_UP")))
        self.assertFalse(up.same_as(pressed))
        opaque, dark = up.shape()
        self.assertTrue(opaque.any() and not opaque.all() and dark.any())

    def test_a_moved_hot_spot_is_another_cursor(self):
        up = embedded_cursor("IDC_FINGER_UP")
        self.assertFalse(up.same_as(Cursor((up.hot[0] + 1, up.hot[1]), up.rgba)))


if __name__ == "__main__":
    unittest.main()
