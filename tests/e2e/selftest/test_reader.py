"""Reading the screen reader's lines (harness/reader.py) as reader.exe writes them, without Wine."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))

from harness.reader import OBJID_CLIENT, OBJID_WINDOW, Reader, parse, parse_line  # noqa: E402

# Lines of one listener under Wine 8, beside a window with three option buttons.
LINES = """\
846789 ready 1
850313 focus 00030070 -4 0 spoken 850310 850358 "second"
851344 name 00030070 -4 0 spoken 851341 851365 "second"
852373 name 00030070 -4 0 spoken 852371 852816 "\u3042\u3068 9 \u79d2 served"
854394 name 0003005c -4 0 silent 854390 854561 "third served"
855399 name 00030070 0 0 spoken 855398 855510 "\u3042\u3068 9 \u79d2 served"
856411 foreground 0002007a 0 0 spoken 856407 856461 "probe window"
861697 focus 00040064 -4 0 spoken 861695 861771 !80004005
862000 name 00040064 -4 3 silent 861999 862001 -
"""


class ParsingTest(unittest.TestCase):
    def test_an_event_line_gives_its_fields_with_times_in_seconds(self):
        heard = parse_line("850313 focus 00030070 -4 0 spoken 850310 850358 \"second\"\n")
        self.assertEqual(heard.kind, "focus")
        self.assertEqual(heard.window, 0x30070)
        self.assertEqual((heard.object, heard.child), (OBJID_CLIENT, 0))
        self.assertTrue(heard.spoken)
        self.assertAlmostEqual(heard.time, 850.313)
        self.assertAlmostEqual(heard.raised, 850.310)
        self.assertAlmostEqual(heard.read, 850.358)
        self.assertEqual(heard.name, "second")
        self.assertIsNone(heard.error)

    def test_names_are_utf8_and_silent_events_are_kept(self):
        heard = parse(LINES.splitlines())
        self.assertEqual([h.kind for h in heard],
                         ["focus", "name", "name", "name", "name", "foreground", "focus", "name"])
        self.assertEqual(heard[2].name, "\u3042\u3068 9 \u79d2 served")
        self.assertFalse(heard[3].spoken)
        self.assertEqual(heard[3].window, 0x3005C)
        self.assertEqual(heard[4].object, OBJID_WINDOW)

    def test_a_failed_read_gives_its_hresult_and_no_name_gives_none(self):
        heard = parse(LINES.splitlines())
        self.assertIsNone(heard[6].name)
        self.assertEqual(heard[6].error, 0x80004005)
        self.assertIsNone(heard[7].name)
        self.assertIsNone(heard[7].error)
        self.assertEqual(heard[7].child, 3)

    def test_escapes_give_the_name_back(self):
        heard = parse_line('1 name 00000001 -4 0 spoken 1 1 "a \\"b\\"\\nc\\\\d\\te\\x01 \u79d2"')
        self.assertEqual(heard.name, 'a "b"\nc\\d\te\x01 \u79d2')

    def test_the_listeners_own_lines_are_no_events(self):
        self.assertIsNone(parse_line("846789 ready 1"))
        self.assertIsNone(parse_line("913047 done"))
        self.assertIsNone(parse_line("850313 focus 00030070 -4 0 spoken 850310 850358 second"))


class ReaderLogTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.reader = Reader("reader.exe", self.dir.name, log=lambda message: None)

    def tearDown(self):
        self.dir.cleanup()

    def write(self, text):
        with open(self.reader.path, "w", encoding="utf-8") as f:
            f.write(text)

    def test_spoken_keeps_what_a_reader_says_and_kind_filters(self):
        self.write(LINES)
        self.assertEqual([h.name for h in self.reader.spoken("name")],
                         ["second", "\u3042\u3068 9 \u79d2 served", "\u3042\u3068 9 \u79d2 served"])
        self.assertEqual(len(self.reader.heard("focus")), 2)

    def test_a_line_still_being_written_is_not_read(self):
        self.write(LINES + '870000 name 00030070 -4 0 spoken 869999 870001 "hal')
        self.assertEqual(len(self.reader.heard()), 8)

    def test_dropped_events_fail_the_reading(self):
        self.write(LINES + "870000 dropped 3\n")
        with self.assertRaises(AssertionError):
            self.reader.heard()

    def test_wait_for_skips_events_before_after(self):
        self.write(LINES)
        found = self.reader.wait_for(lambda h: h.kind == "name" and h.spoken, "a name",
                                     timeout=0, after=852.0)
        self.assertAlmostEqual(found.time, 852.373)
        with self.assertRaises(AssertionError):
            self.reader.wait_for(lambda h: h.name == "never", "a name never given", timeout=0)


if __name__ == "__main__":
    unittest.main()
