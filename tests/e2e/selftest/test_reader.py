"""Reading the screen reader's lines (harness/reader.py) as reader.exe writes them, without Wine."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))

from harness.reader import Reader  # noqa: E402

# Lines of one listener under Wine 8, beside a window with three option buttons.
LINES = """\
846789 ready 1
850313 focus 00030070 spoken =second
852373 name 00030070 spoken =\u3042\u3068 9 \u79d2 = served
854394 name 0003005c silent =third served
856411 foreground 0002007a spoken =probe window
861697 focus 00040064 spoken !80004005
862000 name 00040064 silent -
913047 done
"""


class ReaderLogTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.reader = Reader("reader.exe", self.dir.name, log=lambda message: None)
        with open(self.reader.path, "w", encoding="utf-8") as f:
            f.write(LINES + '870000 name 00030070 spoken =hal')  # the last line half written

    def tearDown(self):
        self.dir.cleanup()

    def test_events_with_their_fields_and_names(self):
        heard = self.reader.heard()
        self.assertEqual([(h.kind, h.window, h.spoken) for h in heard],
                         [("focus", 0x30070, True), ("name", 0x30070, True),
                          ("name", 0x3005C, False), ("foreground", 0x2007A, True),
                          ("focus", 0x40064, True), ("name", 0x40064, False)])
        self.assertAlmostEqual(heard[0].time, 850.313)
        self.assertEqual(heard[1].name, "\u3042\u3068 9 \u79d2 = served")
        self.assertEqual((heard[4].name, heard[4].error), (None, 0x80004005))
        self.assertEqual((heard[5].name, heard[5].error), (None, None))
        self.assertEqual([h.name for h in self.reader.spoken("name")],
                         ["\u3042\u3068 9 \u79d2 = served"])

    def test_wait_for_skips_events_before_after_and_dropped_events_fail(self):
        found = self.reader.wait_for(lambda h: h.kind == "name", "a name", timeout=0, after=853.0)
        self.assertEqual(found.window, 0x3005C)
        with self.assertRaises(AssertionError):
            self.reader.wait_for(lambda h: h.name == "never", "a name never given", timeout=0)
        with open(self.reader.path, "a", encoding="utf-8") as f:
            f.write("\n870001 dropped 3\n")
        with self.assertRaises(AssertionError):
            self.reader.heard()


if __name__ == "__main__":
    unittest.main()
