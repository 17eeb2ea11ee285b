"""Writing a run's settings into a copy of Wine's user.reg."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness.registry import edit_registry_text, format_value, read_value  # noqa: E402

USER_REG = """\
WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000

#arch=win32

[Software\\\\Wine\\\\Debug] 1796737661
#time=1dd871ab1a3dd92
"RelayExclude"="ntdll.RtlEnterCriticalSection;kernel32.SetLastError"
"RelayFromExclude"="winex11.drv;winemac.drv;user32;gdi32;advapi32;kernel32"

[Software\\\\Wine\\\\DllOverrides] 1796737653
#time=1dd871aacf86010

"""


class RegistryTest(unittest.TestCase):
    def test_relay_settings_replace_the_stock_exclusion(self):
        text = edit_registry_text(USER_REG, r"Software\Wine\Debug",
                                  {"RelayInclude": "user32.ExitWindowsEx",
                                   "RelayFromInclude": "tickbomb.exe"},
                                  delete=["RelayFromExclude"])
        key = r"Software\Wine\Debug"
        self.assertEqual(read_value(text, key, "RelayInclude"), '"user32.ExitWindowsEx"')
        self.assertEqual(read_value(text, key, "relayfrominclude"), '"tickbomb.exe"')
        self.assertIsNone(read_value(text, key, "RelayFromExclude"))
        self.assertEqual(read_value(text, key, "RelayExclude"),
                         '"ntdll.RtlEnterCriticalSection;kernel32.SetLastError"')
        # The sections after it are untouched and still separated by a blank line.
        self.assertIn('"tickbomb.exe"\n\n[Software\\\\Wine\\\\DllOverrides] 1796737653', text)

    def test_setting_a_value_twice_keeps_one_line(self):
        text = edit_registry_text(USER_REG, r"Software\Wine\Debug", {"RelayExclude": "x"})
        text = edit_registry_text(text, r"SOFTWARE\wine\debug", {"RelayExclude": "y"})
        self.assertEqual(text.count('"RelayExclude"='), 1)
        self.assertEqual(read_value(text, r"Software\Wine\Debug", "RelayExclude"), '"y"')

    def test_a_missing_key_gets_a_new_section(self):
        text = edit_registry_text(USER_REG, r"Control Panel\Desktop", {"LogPixels": 120})
        self.assertIn("[Control Panel\\\\Desktop] ", text)
        self.assertEqual(read_value(text, r"Control Panel\Desktop", "LogPixels"), "dword:00000078")
        self.assertTrue(text.startswith(USER_REG.rstrip("\n")))

    def test_value_formats(self):
        self.assertEqual(format_value("Version", "winxp"), '"Version"="winxp"')
        self.assertEqual(format_value("Path", 'C:\\a "b"'), '"Path"="C:\\\\a \\"b\\""')
        self.assertEqual(format_value("ShowCrashDialog", 0), '"ShowCrashDialog"=dword:00000000')
        with self.assertRaises(TypeError):
            format_value("Flag", True)


if __name__ == "__main__":
    unittest.main()
